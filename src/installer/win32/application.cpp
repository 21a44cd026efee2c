#include "installer/win32/application.h"
#include "installer/win32/window_classes.h"

#include <algorithm>

#include "support/dpi_scale.h"
#include "support/text_encoding.h"

namespace mv::win32 {

namespace {
constexpr UINT kActivateLastWindow = WM_APP + 1;

// The application's last active window, when it is another one that can take the activation.
void activateLastWindow(HWND application) {
  HWND top = GetLastActivePopup(application);
  if (top && top != application && IsWindowVisible(top) && IsWindowEnabled(top)) SetForegroundWindow(top);
}
}  // namespace

Application::Application() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  HICON icon = LoadIconW(module, MAKEINTRESOURCEW(1));
  if (!icon) icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  registerWindowClass(windowclass::application, &objectWindowProc<Application>, 0, nullptr, icon);
  // A visible window of no size: it is never seen, but it is what the taskbar shows, and it owns the
  // program's other windows so that they have no taskbar buttons of their own.
  int x = GetSystemMetrics(SM_CXSCREEN) / 2, y = GetSystemMetrics(SM_CYSCREEN) / 2;
  handle_ = CreateWindowExW(0, windowclass::application, L"", WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
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

bool Application::takeQuit(const MSG& msg) {
  if (msg.message != WM_QUIT) return false;
  quitRequested_ = true;
  quitCode_ = static_cast<int>(msg.wParam);
  return true;
}

bool Application::handleMessage(bool wait) {
  MSG msg;
  if (wait) {
    if (GetMessageW(&msg, nullptr, 0, 0) == -1) return false;
  } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    return false;
  }
  if (takeQuit(msg)) return false;
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

void Application::bringToFront() { activateLastWindow(handle_); }

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

bool Application::onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM, LRESULT& result) {
  switch (msg) {
    case WM_SIZE:
      // Restored from the taskbar after minimise(): show the windows it hid.
      if (wp == SIZE_RESTORED) ShowOwnedPopups(hwnd, TRUE);
      return false;
    case WM_SETFOCUS:
      // Activated through its taskbar button: the window the user worked in gets the activation.
      PostMessageW(hwnd, kActivateLastWindow, 0, 0);
      return true;
    case kActivateLastWindow:
      activateLastWindow(hwnd);
      return true;
    case WM_CLOSE:
      if (closeTarget_ && IsWindow(closeTarget_))
        PostMessageW(closeTarget_, WM_CLOSE, 0, 0);
      else
        PostQuitMessage(0);
      return true;
    default:
      return false;
  }
}

HFONT defaultFont(int dpi) {
  struct ScaledFont {
    int dpi;
    HFONT font;
  };
  static std::vector<ScaledFont> fonts;  // a handful at most: one per resolution the windows met
  for (const ScaledFont& f : fonts)
    if (f.dpi == dpi) return f.font;
  HFONT font = CreateFontW(-DpiScale{dpi}(11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           L"MS Sans Serif");
  fonts.push_back({dpi, font});
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
