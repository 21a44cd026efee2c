#pragma once
// The installer's messages for failed file operations, and the error boxes all messages share.
#include <string>

#include "support/result.h"

namespace mv {

// The system's text for a code with trailing blanks, control characters and periods removed; "" for
// negative codes and codes without a system text.
std::string errorDescription(Result code);
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

}  // namespace mv
