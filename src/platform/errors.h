#pragma once
// The error raised where the system raises errors instead of returning codes, for every topic of the
// operating-system boundary.
#include <exception>
#include <string>
#include <utility>

namespace mv {

// Raised where the system raises errors instead of returning codes (registry writes of the desktop
// integration, Active Desktop creation, file errors of the movie panel). Its text is what the user sees.
class PlatformError : public std::exception {
 public:
  explicit PlatformError(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

}  // namespace mv
