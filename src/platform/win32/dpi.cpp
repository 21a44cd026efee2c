#include "platform/win32/dpi.h"

namespace mv::win32 {

namespace {

using DpiContext = HANDLE;  // DPI_AWARENESS_CONTEXT
const DpiContext kPerMonitorAwareV2 = reinterpret_cast<DpiContext>(static_cast<INT_PTR>(-4));

template <typename Fn>
Fn user32Call(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

int systemDpi() {
  using GetDpiForSystemFn = UINT(WINAPI*)();
  static const auto getDpiForSystem = user32Call<GetDpiForSystemFn>("GetDpiForSystem");
  if (getDpiForSystem) {
    const UINT dpi = getDpiForSystem();
    if (dpi > 0) return int(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

}  // namespace

void declareDpiAwareness() {
  using SetContextFn = BOOL(WINAPI*)(DpiContext);
  using SetAwareFn = BOOL(WINAPI*)();
  // Refused (the awareness is set already, or the version is not known) is no failure: the next one tries.
  if (auto setContext = user32Call<SetContextFn>("SetProcessDpiAwarenessContext"))
    if (setContext(kPerMonitorAwareV2)) return;
  if (auto setAware = user32Call<SetAwareFn>("SetProcessDPIAware")) (void)setAware();
}

int windowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = user32Call<GetDpiForWindowFn>("GetDpiForWindow");
  if (window && getDpiForWindow) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return int(dpi);
  }
  return systemDpi();
}

SIZE windowSizeForClient(SIZE client, DWORD style, DWORD exStyle, int dpi) {
  using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = user32Call<AdjustForDpiFn>("AdjustWindowRectExForDpi");
  RECT r = {0, 0, client.cx, client.cy};
  if (!(adjustForDpi && adjustForDpi(&r, style, FALSE, exStyle, UINT(dpi)))) AdjustWindowRectEx(&r, style, FALSE, exStyle);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE scaledClientSize(SIZE designed, DWORD style, DWORD exStyle, int dpi) {
  const SIZE frame96 = windowSizeForClient(SIZE{0, 0}, style, exStyle, kDesignDpi);
  const DpiScale scale{dpi};
  return SIZE{scale(designed.cx - frame96.cx), scale(designed.cy - frame96.cy)};
}

SIZE frameOf(HWND window) {
  RECT outer, client;
  if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client)) return SIZE{0, 0};
  return SIZE{(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
}

int systemMetric(int index, int dpi) {
  using MetricsForDpiFn = int(WINAPI*)(int, UINT);
  static const auto metricsForDpi = user32Call<MetricsForDpiFn>("GetSystemMetricsForDpi");
  return metricsForDpi ? metricsForDpi(index, UINT(dpi)) : GetSystemMetrics(index);
}

}  // namespace mv::win32
