#include "installer/error_reporter.h"

#include "platform/system_errors.h"
#include "support/user_texts.h"

namespace mv {

std::string errorMessage(System& system, Result code, const std::string& fileName) {
  std::string message = text::installationError;
  if (code == rc::fileBusy) return message + text::fileBusy + fileName;
  if (code == rc::tempCopyFailed)
    return message + fileName + errorDescription(system, code) + "\r\n\r\n" + text::retryAdvice;
  return message + errorDescription(system, code) + "\r\n\r\n" + text::problemWithFile + fileName + ". ";
}

// Every box has one way to be answered that matters (dismissing it): the answer is not looked at.
void ErrorBoxes::fileError(Result code, const std::string& fileName) { error(errorMessage(system_, code, fileName)); }

void ErrorBoxes::error(const std::string& text) {
  (void)dialogs_.messageBox(text, text::errorCaption, BoxKind::ErrorAbort);
}

void ErrorBoxes::information(const std::string& text) {
  (void)dialogs_.messageBox(text, text::informationCaption, BoxKind::InformationAbort);
}

void ErrorBoxes::failureText(const std::string& text, const std::string& caption) {
  std::string shown = text;
  if (!shown.empty() && static_cast<unsigned char>(shown.back()) > static_cast<unsigned char>('.')) shown += ".";
  (void)dialogs_.messageBox(shown, caption, BoxKind::ErrorOk);
}

}  // namespace mv
