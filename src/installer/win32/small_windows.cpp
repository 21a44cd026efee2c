#include "installer/win32/small_windows.h"
#include "installer/win32/window_classes.h"

#include "installer/win32/application.h"
#include "platform/win32/dpi.h"
#include "support/user_texts.h"
#include "support/text_encoding.h"

namespace mv::win32 {

namespace {
const HBRUSH kButtonFace = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
}  // namespace

// ---------------------------------------------------------------------------------------------------
// Preparing window: fixed single border, a caption without buttons, 257 x 59 client area, one label
// centred both ways. It is the main window and moves itself off the screen at once.

HiddenMainWindow::HiddenMainWindow(Application& app) {
  registerWindowClass(windowclass::hiddenMain, &HiddenMainWindow::windowProc, 0, kButtonFace);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
  // Its place is off every screen at any resolution; its size follows the resolution.
  const int dpi = windowDpi(app.handle());
  const RECT client = scaledBox(DpiScale{dpi}, 0, 0, kClientWidth, kClientHeight);
  const SIZE outer = windowSizeForClient(SIZE{client.right, client.bottom}, style, 0, dpi);
  handle_ = CreateWindowExW(0, windowclass::hiddenMain, L"", style, kLeft, kTop, outer.cx, outer.cy, app.handle(),
                            nullptr, GetModuleHandleW(nullptr), this);
  label_ = createChild(handle_, 0, L"STATIC", utf8ToWide(text::preparingWindow).c_str(),
                       WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, client, 1);
  applyFont(handle_, defaultFont(dpi));
}

HiddenMainWindow::~HiddenMainWindow() {
  if (IsWindow(handle_)) DestroyWindow(handle_);
}

LRESULT CALLBACK HiddenMainWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) return 0;  // it goes with the program, not on its own
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// ---------------------------------------------------------------------------------------------------
// Message box: 347 x 140, centred, always on top; the restart question with Yes and No.

YesNoWindow::YesNoWindow(Application& app) : app_(app) {
  registerWindowClass(windowclass::yesNo, &objectWindowProc<YesNoWindow>, 0, kButtonFace);
  const DWORD exStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const int dpi = windowDpi(app.handle());
  const DpiScale scale{dpi};
  const SIZE size = windowSizeForClient(scaledClientSize(SIZE{347, 140}, style, exStyle, dpi), style, exStyle, dpi);
  int x = (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
  handle_ = CreateWindowExW(exStyle, windowclass::yesNo, utf8ToWide(text::successCaption).c_str(), style, x, y,
                            size.cx, size.cy, app.handle(), nullptr, GetModuleHandleW(nullptr), this);
  messageLabel_ = createChild(handle_, 0, L"STATIC", utf8ToWide(text::restartQuestion).c_str(), WS_VISIBLE | SS_LEFT,
                              scaledBox(scale, 0, 7, 334, 39), 3);
  yesButton_ = createChild(handle_, 0, L"BUTTON", utf8ToWide(text::yes).c_str(),
                           WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, scaledBox(scale, 96, 80, 75, 23), kYesId);
  noButton_ = createChild(handle_, 0, L"BUTTON", utf8ToWide(text::no).c_str(), WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP,
                          scaledBox(scale, 176, 80, 75, 23), kNoId);
  applyFont(handle_, defaultFont(dpi));
  app_.addDialogWindow(handle_);
}

YesNoWindow::~YesNoWindow() {
  app_.removeDialogWindow(handle_);
  if (IsWindow(handle_)) DestroyWindow(handle_);
}

bool YesNoWindow::onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wp) != BN_CLICKED) return false;
      if (LOWORD(wp) == kYesId) onYesClicked();
      if (LOWORD(wp) == kNoId) onNoClicked();
      return true;
    case kGetResult:
      result = result_;
      return true;
    case WM_CLOSE:
      ShowWindow(hwnd, SW_HIDE);  // never destroyed before the program ends
      return true;
    default:
      return false;
  }
}

}  // namespace mv::win32
