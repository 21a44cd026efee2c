#include "installer/error_reporter.h"

#include "platform/platform.h"
#include "support/user_texts.h"

namespace mv {

std::string errorMessage(Result code, const std::string& fileName) {
  std::string message = text::installationError;
  if (code == rc::fileBusy) return message + text::fileBusy + fileName;
  if (code == rc::tempCopyFailed)
    return message + fileName + errorDescription(platform(), code) + "\r\n\r\n" + text::retryAdvice;
  return message + errorDescription(platform(), code) + "\r\n\r\n" + text::problemWithFile + fileName + ". ";
}

void reportError(Result code, const std::string& fileName) { showErrorBox(errorMessage(code, fileName)); }

void showErrorBox(const std::string& text) { platform().messageBox(text, text::errorCaption, BoxKind::ErrorAbort); }

void showInformationBox(const std::string& text) {
  platform().messageBox(text, text::informationCaption, BoxKind::InformationAbort);
}

void showUnhandledError(const std::string& text, const std::string& applicationTitle) {
  std::string shown = text;
  if (!shown.empty() && static_cast<unsigned char>(shown.back()) > static_cast<unsigned char>('.')) shown += ".";
  platform().messageBox(shown, applicationTitle, BoxKind::ErrorOk);
}

ErrorBoxes& errorBoxes() {
  static ErrorBoxes boxes;
  return boxes;
}

}  // namespace mv
