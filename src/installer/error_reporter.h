#pragma once
// The installer's messages for failed file operations, and the error boxes all messages share.
#include <string>

#include "support/reporter.h"
#include "support/result.h"
#include "platform/system_errors.h"

namespace mv {

// The message text for a code and a file name (the three forms of the reporter).
std::string errorMessage(Result code, const std::string& fileName);
// Shows errorMessage in the error box ("Error", error icon, one "&Abort" button) and returns when dismissed.
void reportError(Result code, const std::string& fileName);
// The error box with any text.
void showErrorBox(const std::string& text);
// The information box ("Information", information icon, one "&Abort" button).
void showInformationBox(const std::string& text);
// The top-level handler's box for a raised error: error icon, OK, the application title as caption,
// the text with "." appended when its last character sorts after ".".
void showUnhandledError(const std::string& text, const std::string& applicationTitle);

// The boxes above as the lower layers' Reporter.
class ErrorBoxes : public Reporter {
 public:
  void fileError(Result code, const std::string& fileName) override { reportError(code, fileName); }
  void error(const std::string& text) override { showErrorBox(text); }
  void information(const std::string& text) override { showInformationBox(text); }
};
ErrorBoxes& errorBoxes();  // the process's one instance

}  // namespace mv
