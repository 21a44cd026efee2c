#pragma once
// The outcome of the steps that report a failure with a text rather than a code, for every topic of the
// operating-system boundary.
#include <string>
#include <utility>

namespace mv {

// Success, or a failure with the text the user sees: registry writes of the desktop integration, Active
// Desktop creation, file errors of the movie panel, a Flash control that refuses an operation. The
// programs are built without C++ exceptions, so such failures travel as values: a step that gets one
// stops and hands it on, as far as the code that shows it.
class [[nodiscard]] Status {
 public:
  Status() = default;
  static Status failure(std::string text) {
    Status s;
    s.failed_ = true;
    s.text_ = std::move(text);
    return s;
  }
  bool ok() const { return !failed_; }
  const std::string& text() const { return text_; }

 private:
  bool failed_ = false;
  std::string text_;
};

}  // namespace mv
