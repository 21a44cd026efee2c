#pragma once
// What every topic of the operating-system boundary shares: the code a failing call leaves behind, and
// the error raised where the system raises errors instead of returning codes.
#include <exception>
#include <string>
#include <utility>

#include "support/result.h"

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

// The error code the last failing call left (GetLastError numbering, see support/result.h). Every topic
// interface has it; the platform object keeps one for all of them.
class LastError {
 public:
  virtual ~LastError() = default;
  virtual Result lastError() = 0;
  virtual void setLastError(Result code) = 0;
};

}  // namespace mv
