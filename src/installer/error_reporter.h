#pragma once
// The installer's messages for failed file operations, and the message boxes through which the lower
// layers (as their Reporter) and the installer itself tell the user.
#include <string>

#include "platform/dialogs.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "support/reporter.h"
#include "support/result.h"

namespace mv {

// The message text for a code and a file name (the three forms of the reporter); system describes
// the operating system's codes.
std::string errorMessage(System& system, Result code, const std::string& fileName);

// The boxes, shown through the dialogs they are given. Each returns when the user has dismissed it.
class ErrorBoxes : public Reporter {
 public:
  ErrorBoxes(Dialogs& dialogs, System& system) : dialogs_(dialogs), system_(system) {}
  explicit ErrorBoxes(Platform& platform) : ErrorBoxes(platform, platform) {}

  // errorMessage in the error box.
  void fileError(Result code, const std::string& fileName) override;
  // The error box ("Error", error icon, one "&Abort" button) with any text.
  void error(const std::string& text) override;
  // The information box ("Information", information icon, one "&Abort" button).
  void information(const std::string& text) override;
  // A failure the movie panel describes in words: error icon, OK, the given caption, the text with "."
  // appended when its last character sorts after ".".
  void failureText(const std::string& text, const std::string& caption);

 private:
  Dialogs& dialogs_;
  System& system_;
};

}  // namespace mv
