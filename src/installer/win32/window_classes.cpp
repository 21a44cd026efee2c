#include "installer/win32/window_classes.h"

namespace mv::win32 {

void registerWindowClass(const wchar_t* name, WNDPROC proc, UINT style, HBRUSH background, HICON icon) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(module, name, &wc)) return;
  wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = style;
  wc.lpfnWndProc = proc;
  wc.hInstance = module;
  wc.hIcon = icon;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  // A class that cannot be registered shows in the window that cannot then be made.
  (void)RegisterClassExW(&wc);
}

HWND createChild(HWND parent, DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, RECT box, int id,
                 void* object) {
  return CreateWindowExW(exStyle, cls, text, WS_CHILD | style, box.left, box.top, box.right - box.left,
                         box.bottom - box.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), object);
}

}  // namespace mv::win32
