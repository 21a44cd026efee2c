#pragma once
// What the lower layers need of the program around them: somewhere to tell the user about a failure,
// and somewhere to show how far the work has come. The installer implements both with its message
// boxes and its window; the packaging tool and tests bring their own.
#include <string>

#include "support/result.h"

namespace mv {

class Reporter {
 public:
  virtual ~Reporter() = default;
  // The message for a failed file operation: the code's text and the file it happened to.
  virtual void fileError(Result code, const std::string& fileName) = 0;
  virtual void error(const std::string& text) = 0;        // an error the user must acknowledge
  virtual void information(const std::string& text) = 0;  // a notice the user must acknowledge
};

// Status line, progress bar and the one-second pause of a window that shows the installation.
class Progress {
 public:
  virtual ~Progress() = default;
  virtual void showStatus(const std::string& text) = 0;
  virtual void stepProgress() = 0;  // advance one step, then pause
  virtual void pause() = 0;
};

}  // namespace mv
