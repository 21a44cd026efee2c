#pragma once
// The display resolution as the program's windows see it. The calls that tell a window's own resolution
// (per monitor) came with later Windows versions; each is looked up at run time, and without it the
// system's resolution stands in, which is what a system-aware program gets on those versions anyway.
#include <windows.h>

#include "support/dpi_scale.h"

namespace mv::win32 {

// WM_DPICHANGED (Windows 8.1 and later): wParam's high word is the new resolution, lParam the suggested
// window rectangle.
inline constexpr UINT kDpiChangedMessage = 0x02E0;

// Asks for per-monitor awareness (version 2), else system awareness, when the manifest did not already
// decide: a process whose awareness is set keeps it.
void declareDpiAwareness();

// The resolution a window is drawn at (its monitor's for a per-monitor aware window); nullptr: the system's.
int windowDpi(HWND window);
inline DpiScale windowScale(HWND window) { return DpiScale{windowDpi(window)}; }

// The outer size of a window whose client area is `client`, with the frame of that style at dpi.
SIZE windowSizeForClient(SIZE client, DWORD style, DWORD exStyle, int dpi);

// The client area at dpi of a window designed `designed` big (frame included) at 96 dots per inch: the
// designed client area (without the frame of that style at 96) scaled.
SIZE scaledClientSize(SIZE designed, DWORD style, DWORD exStyle, int dpi);
// The outer size of a window whose frame is `frame` (outer size less client area) around that client area;
// at 96 the designed size itself.
inline SIZE scaledWindowSize(SIZE designed, DWORD style, DWORD exStyle, int dpi, SIZE frame) {
  if (dpi == kDesignDpi) return designed;
  const SIZE client = scaledClientSize(designed, style, exStyle, dpi);
  return SIZE{client.cx + frame.cx, client.cy + frame.cy};
}
// The frame of a window as it is drawn now.
SIZE frameOf(HWND window);

// A system metric (SM_CXICON, ...) at dpi.
int systemMetric(int index, int dpi);

}  // namespace mv::win32
