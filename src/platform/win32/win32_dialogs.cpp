// The Win32 platform: message boxes and the cursor.
#include "platform/win32/win32_platform.h"

#include <windows.h>

#include "platform/win32/abort_dialog.h"

#include "platform/win32/win32_text.h"

namespace mv {

using namespace win32_text;

BoxAnswer Win32Platform::messageBox(const std::string& text, const std::string& caption, BoxKind kind) {
  HWND owner = GetActiveWindow();
  UINT type = 0;
  switch (kind) {
    case BoxKind::ErrorAbort:
    case BoxKind::InformationAbort:
      showAbortDialog(text, caption, abortButton_, kind == BoxKind::ErrorAbort, owner);
      return BoxAnswer::Abort;
    case BoxKind::ErrorOk: type = MB_ICONERROR | MB_OK; break;
    case BoxKind::YesNo: type = MB_YESNO; break;
    case BoxKind::OkCancelQuestion: type = MB_OKCANCEL | MB_ICONQUESTION; break;
  }
  int r = MessageBoxW(owner, wide(text).c_str(), wide(caption).c_str(), type);
  switch (r) {
    case IDOK: return BoxAnswer::Ok;
    case IDCANCEL: return BoxAnswer::Cancel;
    case IDYES: return BoxAnswer::Yes;
    case IDNO: return BoxAnswer::No;
    default: return kind == BoxKind::YesNo ? BoxAnswer::No : kind == BoxKind::ErrorOk ? BoxAnswer::Ok : BoxAnswer::Cancel;
  }
}

void* Win32Platform::cursorHandle() const {
  return cursor_ == Cursor::Wait ? LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)) : nullptr;  // IDC_WAIT
}

void Win32Platform::setCursor(Cursor c) {
  cursor_ = c;
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(c == Cursor::Wait ? 32514 : 32512)));  // IDC_WAIT, IDC_ARROW
}

}  // namespace mv
