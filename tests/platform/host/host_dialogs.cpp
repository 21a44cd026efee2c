// The host platform's message boxes and screen cursor: recorded, and answered as a test scripts.
#include "platform/host/host_internal.h"

namespace mv {

// ---------------------------------------------------------------------------------------------- user interface

BoxAnswer HostPlatform::messageBox(const std::string& text, const std::string& caption, BoxKind kind) {
  logCall("messageBox " + caption + ": " + text);
  BoxRecord r{text, caption, kind};
  boxes.push_back(r);
  if (!answers.empty()) {
    BoxAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  if (onMessageBox) return onMessageBox(r);
  switch (kind) {
    case BoxKind::ErrorAbort:
    case BoxKind::InformationAbort: return BoxAnswer::Abort;
    case BoxKind::YesNo: return BoxAnswer::Yes;
    case BoxKind::ErrorOk:
    case BoxKind::OkCancelQuestion: return BoxAnswer::Ok;
  }
  return BoxAnswer::Ok;
}

void HostPlatform::setCursor(Cursor c) {
  logCall(c == Cursor::Wait ? "setCursor Wait" : "setCursor Default");
  cursor_ = c;
  cursorChanges.push_back(c);
}

}  // namespace mv
