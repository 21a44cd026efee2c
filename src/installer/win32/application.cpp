#include "installer/win32/application.h"
#include "installer/win32/window_classes.h"

#include <algorithm>

#include "support/text_encoding.h"

namespace mv::win32 {

namespace {
constexpr const wchar_t* kClassName = windowclass::application;
constexpr UINT kActivateLastWindow = WM_APP + 1;
}

Application::Application() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  HICON icon = LoadIconW(module, MAKEINTRESOURCEW(1));
  if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  registerWindowClass(kClassName, &Application::windowProc, 0, nullptr, icon);
  // A visible window of no size: it is never seen, but it is what the taskbar shows, and it owns the
  // program's other windows so that they have no taskbar buttons of their own.
  int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
  handle_ = CreateWindowExW(0, kClassName, L"", WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            x, y, 0, 0, nullptr, nullptr, module, this);
}

Application::~Application() {
  if (handle_) DestroyWindow(handle_);
}

void Application::setTitle(const std::string& title) { SetWindowTextW(handle_, utf8ToWide(title).c_str()); }

std::string Application::title() const { return windowText(handle_); }

bool Application::applyScreenCursor() {
  HCURSOR c = screenCursor ? screenCursor() : nullptr;
  if (!c) return false;
  SetCursor(c);
  return true;
}

void Application::addDialogWindow(HWND window) { dialogWindows_.push_back(window); }

void Application::removeDialogWindow(HWND window) {
  dialogWindows_.erase(std::remove(dialogWindows_.begin(), dialogWindows_.end(), window), dialogWindows_.end());
}

bool Application::dialogMessage(MSG& msg) {
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || !msg.hwnd) return false;
  HWND root = GetAncestor(msg.hwnd, GA_ROOT);
  for (HWND w : dialogWindows_)
    if (w == root) return IsDialogMessageW(root, &msg) != FALSE;
  return false;
}

bool Application::handleMessage(bool wait) {
  MSG msg;
  if (wait) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) return false;
    if (got == 0) {
      quitRequested_ = true;
      quitCode_ = static_cast<int>(msg.wParam);
      return false;
    }
  } else {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
      quitRequested_ = true;
      quitCode_ = static_cast<int>(msg.wParam);
      return false;
    }
  }
  bool handled = false;
  if (messageFilter) handled = messageFilter(msg);
  if (!handled && !dialogMessage(msg)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void Application::processMessages() {
  while (handleMessage(false)) {
  }
}

int Application::run(HWND mainWindow) {
  if (mainWindow) ShowWindow(mainWindow, SW_SHOWNOACTIVATE);
  ShowWindow(handle_, SW_SHOWNOACTIVATE);
  while (!quitRequested_) handleMessage(true);
  return quitCode_;
}

void Application::terminate(int code) { PostQuitMessage(code); }

void Application::bringToFront() {
  HWND top = GetLastActivePopup(handle_);
  if (top && top != handle_ && IsWindowVisible(top) && IsWindowEnabled(top)) SetForegroundWindow(top);
}

bool Application::active() const {
  HWND front = GetForegroundWindow();
  if (!front) return false;
  DWORD pid = 0;
  GetWindowThreadProcessId(front, &pid);
  return pid == GetCurrentProcessId();
}

void Application::minimise() {
  ShowOwnedPopups(handle_, FALSE);
  ShowWindow(handle_, SW_MINIMIZE);
}

LRESULT CALLBACK Application::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Application* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<Application*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Application*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  switch (msg) {
    case WM_SIZE:
      // Restored from the taskbar after minimise(): show the windows it hid.
      if (wp == SIZE_RESTORED) ShowOwnedPopups(hwnd, TRUE);
      break;
    case WM_SETFOCUS:
      // Activated through its taskbar button: the window the user worked in gets the activation.
      PostMessageW(hwnd, kActivateLastWindow, 0, 0);
      return 0;
    case kActivateLastWindow: {
      HWND top = GetLastActivePopup(hwnd);
      if (top && top != hwnd && IsWindowVisible(top) && IsWindowEnabled(top)) SetForegroundWindow(top);
      return 0;
    }
    case WM_CLOSE:
      if (self && self->closeTarget_ && IsWindow(self->closeTarget_))
        PostMessageW(self->closeTarget_, WM_CLOSE, 0, 0);
      else
        PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HFONT defaultFont() {
  static HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
  return font;
}

namespace {
BOOL CALLBACK setFontProc(HWND child, LPARAM font) {
  SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
  return TRUE;
}
}  // namespace

void applyFont(HWND window, HFONT font) {
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  EnumChildWindows(window, setFontProc, reinterpret_cast<LPARAM>(font));
}

std::string windowText(HWND window) {
  int n = GetWindowTextLengthW(window);
  if (n <= 0) return std::string();
  std::wstring out(static_cast<size_t>(n) + 1, L'\0');
  int got = GetWindowTextW(window, &out[0], n + 1);
  return wideToUtf8(out.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

}  // namespace mv::win32
