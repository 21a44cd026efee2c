#pragma once
// The window classes of the program's windows, and the one way they are registered. Other programs (the
// tests' driver among them, and anything that automated the installer before) find the windows by these
// names, so they keep the names the windows have always had, whatever the C++ classes behind them are
// called.
#include <windows.h>

#include "support/dpi_scale.h"

namespace mv::win32 {

namespace windowclass {
inline constexpr wchar_t application[] = L"TApplication";        // the application's hidden owner window
inline constexpr wchar_t hiddenMain[] = L"TpreparingInstallWnd";  // HiddenMainWindow
inline constexpr wchar_t yesNo[] = L"TqlnMessageBox";             // YesNoWindow
inline constexpr wchar_t installer[] = L"TInstallerForm";         // the installer window
inline constexpr wchar_t panel[] = L"TPanel";                     // its bands
inline constexpr wchar_t image[] = L"TImage";                     // its picture control
inline constexpr wchar_t moviePanel[] = L"TFlashPanel";           // the window the Flash control lives in
}  // namespace windowclass

// Registers a class of this module with the arrow cursor, once: a class already registered (a second
// window of the same kind) is left as it is.
void registerWindowClass(const wchar_t* name, WNDPROC proc, UINT style, HBRUSH background, HICON icon = nullptr);

// The designed box (x, y, w, h at 96 dots per inch) at a resolution: its edges scaled.
inline RECT scaledBox(const DpiScale& scale, int x, int y, int w, int h) {
  return RECT{scale(x), scale(y), scale(x + w), scale(y + h)};
}

// A child window of this module with its control id; WS_CHILD is added to style.
HWND createChild(HWND parent, DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, RECT box, int id,
                 void* object = nullptr);

// The C++ object behind a window: handed to CreateWindowEx as its creation parameter and kept in the
// window's user data from WM_NCCREATE on (nullptr before).
template <typename T>
T* windowObject(HWND hwnd, UINT msg, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    return self;
  }
  return reinterpret_cast<T*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The window procedure of a window with such an object: T::onMessage(hwnd, msg, wp, lp, result) returns
// true when it answered the message with result (0 unless it sets another); what it leaves, and what comes before the object is
// known, goes to the default procedure.
template <typename T>
LRESULT CALLBACK objectWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  T* self = windowObject<T>(hwnd, msg, lp);
  LRESULT result = 0;
  if (self && self->onMessage(hwnd, msg, wp, lp, result)) return result;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Answers WM_PAINT: draw(dc, client rectangle) between BeginPaint and EndPaint.
template <typename Draw>
LRESULT paintWindow(HWND hwnd, Draw draw) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  draw(dc, client);
  EndPaint(hwnd, &ps);
  return 0;
}

}  // namespace mv::win32
