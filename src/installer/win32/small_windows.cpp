#include "installer/win32/small_windows.h"
#include "installer/win32/window_classes.h"

#include "installer/win32/application.h"
#include "support/user_texts.h"
#include "support/text_encoding.h"

namespace mv::win32 {

namespace {

constexpr const wchar_t* kPreparingClass = windowclass::hiddenMain;
constexpr const wchar_t* kMessageBoxClass = windowclass::yesNo;
const HBRUSH kButtonFace = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);

HWND child(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int w, int h,
           int id) {
  return CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Preparing window: fixed single border, a caption without buttons, 257 x 59 client area, one label
// centred both ways. It is the main window and moves itself off the screen at once.

HiddenMainWindow::HiddenMainWindow(Application& app) {
  registerWindowClass(kPreparingClass, &HiddenMainWindow::windowProc, 0, kButtonFace);
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
  RECT r = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  handle_ = CreateWindowExW(0, kPreparingClass, L"", style, kLeft, kTop, r.right - r.left, r.bottom - r.top,
                            app.handle(), nullptr, GetModuleHandleW(nullptr), this);
  label_ = child(handle_, L"STATIC", utf8ToWide(text::preparingWindow),
                  SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX, 0, 0, kClientWidth, kClientHeight, 1);
  applyFont(handle_, defaultFont());
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
  registerWindowClass(kMessageBoxClass, &YesNoWindow::windowProc, 0, kButtonFace);
  const int width = 347, height = 140;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  handle_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kMessageBoxClass,
                            utf8ToWide(text::successCaption).c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, x, y, width, height,
                            app.handle(), nullptr, GetModuleHandleW(nullptr), this);
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  messageLabel_ = child(handle_, L"STATIC", utf8ToWide(text::restartQuestion), SS_LEFT, 0, 7, 334, 39, 3);
  yesButton_ = child(handle_, L"BUTTON", utf8ToWide(text::yes), BS_PUSHBUTTON | WS_TABSTOP, 96, 80, 75, 23,
                   kYesId);
  noButton_ = child(handle_, L"BUTTON", utf8ToWide(text::no), BS_PUSHBUTTON | WS_TABSTOP, 176, 80, 75, 23,
                   kNoId);
  applyFont(handle_, defaultFont());
  app_.addDialogWindow(handle_);
}

YesNoWindow::~YesNoWindow() {
  app_.removeDialogWindow(handle_);
  if (IsWindow(handle_)) DestroyWindow(handle_);
}

LRESULT CALLBACK YesNoWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<YesNoWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_COMMAND:
      if (self && HIWORD(wp) == BN_CLICKED) {
        if (LOWORD(wp) == kYesId) self->onYesClicked();
        if (LOWORD(wp) == kNoId) self->onNoClicked();
        return 0;
      }
      break;
    case kGetResult:
      return self ? self->result_ : 0;
    case WM_CLOSE:
      ShowWindow(hwnd, SW_HIDE);  // never destroyed before the program ends
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace mv::win32
