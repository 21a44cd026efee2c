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

}  // namespace mv::win32
