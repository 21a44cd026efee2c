// The Win32 platform: other windows, programs, the wallpaper and the Active Desktop object.
#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include "platform/system_errors.h"
#include "platform/win32/win32_text.h"

namespace mv {

using namespace win32_text;

// IActiveDesktop as the shell publishes it (declared here, in vtable order, so that no particular SDK
// header is needed). Only the methods the installer calls have typed parameters. Declared outside the
// anonymous namespace: there GCC sees that no class of the program implements the pure methods and
// compiles every call through them as a call to address 0.
struct COMPONENTSOPT_ {
  DWORD dwSize;
  BOOL fEnableComponents;
  BOOL fActiveDesktop;
};
struct IActiveDesktopV : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ApplyChanges(DWORD dwFlags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWallpaper(LPWSTR, UINT, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetWallpaper(LPCWSTR pwszWallpaper, DWORD dwReserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWallpaperOptions(void*, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetWallpaperOptions(const void*, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPattern(LPWSTR, UINT, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPattern(LPCWSTR, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDesktopItemOptions(COMPONENTSOPT_*, DWORD) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDesktopItemOptions(const COMPONENTSOPT_* pco, DWORD dwReserved) = 0;
};

namespace {

const GUID clsidActiveDesktop = {0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
const GUID iidActiveDesktop = {0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
const GUID iidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

class Win32ActiveDesktop : public ActiveDesktop {
 public:
  explicit Win32ActiveDesktop(IActiveDesktopV* ad) : ad_(ad) {}
  ~Win32ActiveDesktop() override { ad_->Release(); }
  int32_t setDesktopItemOptions(bool enableComponents, bool activeDesktop) override {
    COMPONENTSOPT_ options = {sizeof(COMPONENTSOPT_), enableComponents, activeDesktop};
    return ad_->SetDesktopItemOptions(&options, 0);
  }
  int32_t setWallpaper(const std::string& path) override { return ad_->SetWallpaper(wide(path).c_str(), 0); }
  int32_t applyChanges(uint32_t flags) override { return ad_->ApplyChanges(flags); }

 private:
  IActiveDesktopV* ad_;
};

// The text an OLE error is shown with: the system's text without its trailing blanks, line ends and
// period, or "OLE error XXXXXXXX" when the system has none.
std::string oleErrorText(Win32Platform& p, HRESULT hr) {
  std::string text = systemErrorMessage(p, hr);
  if (text.empty()) {
    static const char digits[] = "0123456789ABCDEF";
    text = "OLE error ";
    for (int shift = 28; shift >= 0; shift -= 4) text += digits[(unsigned(hr) >> shift) & 0xF];
  }
  return text;
}

}  // namespace

WindowHandle Win32Platform::findWindow(const char* className, const char* title) {
  OptionalWide wclass(className), wtitle(title);
  return reinterpret_cast<WindowHandle>(FindWindowW(wclass.get(), wtitle.get()));
}

WindowHandle Win32Platform::firstChild(WindowHandle window) {
  return reinterpret_cast<WindowHandle>(GetWindow(reinterpret_cast<HWND>(window), GW_CHILD));
}

namespace {
BOOL CALLBACK collectWindow(HWND w, LPARAM list) {
  reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(reinterpret_cast<WindowHandle>(w));
  return TRUE;
}
}  // namespace

std::vector<WindowHandle> Win32Platform::topLevelWindows() {
  std::vector<WindowHandle> out;
  EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::string Win32Platform::windowClassName(WindowHandle window) {
  wchar_t buf[256];
  int n = GetClassNameW(reinterpret_cast<HWND>(window), buf, 256);
  return n > 0 ? narrow(buf, size_t(n)) : std::string();
}

bool Win32Platform::isWindowVisible(WindowHandle window) { return IsWindowVisible(reinterpret_cast<HWND>(window)) != 0; }
bool Win32Platform::isIconic(WindowHandle window) { return IsIconic(reinterpret_cast<HWND>(window)) != 0; }

bool Win32Platform::sendMessageTimeout(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                       uint32_t timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(reinterpret_cast<HWND>(window), msg, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs,
                             &result) != 0;
}

bool Win32Platform::postMessage(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  return PostMessageW(reinterpret_cast<HWND>(window), msg, wParam, lParam) != 0;
}

intptr_t Win32Platform::sendDlgItemMessage(WindowHandle dialog, int item, uint32_t msg, uintptr_t wParam,
                                           intptr_t lParam) {
  return SendDlgItemMessageW(reinterpret_cast<HWND>(dialog), item, msg, wParam, lParam);
}

intptr_t Win32Platform::shellExecute(WindowHandle owner, const char* verb, const std::string& file,
                                     const char* parameters, const char* directory, int show) {
  OptionalWide wverb(verb), wparameters(parameters), wdirectory(directory);
  return reinterpret_cast<intptr_t>(ShellExecuteW(reinterpret_cast<HWND>(owner), wverb.get(), wide(file).c_str(),
                                                  wparameters.get(), wdirectory.get(), show));
}

bool Win32Platform::startProcess(const std::string& program, const std::string& arguments, int show) {
  const std::wstring application = wide(program);
  std::wstring line = L"\"" + application + L"\"";
  if (!arguments.empty()) line += L" " + wide(arguments);
  std::vector<wchar_t> commandLine(line.begin(), line.end());  // CreateProcessW may write into it
  commandLine.push_back(L'\0');
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = WORD(show);
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool Win32Platform::setDeskWallpaper(const char* path, uint32_t flags) {
  OptionalWide wpath(path);
  return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(wpath.get()), flags) != 0;
}

bool Win32Platform::setDesktopColour(int red, int green, int blue) {
  const INT element = COLOR_DESKTOP;
  const COLORREF colour = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
  return SetSysColors(1, &element, &colour) != 0;
}

// The display mode counts physical pixels; the screen metrics of a program that is not DPI aware are
// scaled down.
bool Win32Platform::primaryScreenSize(int& width, int& height) {
  DEVMODEW mode;
  ZeroMemory(&mode, sizeof mode);
  mode.dmSize = sizeof mode;
  if (EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmPelsWidth && mode.dmPelsHeight) {
    width = int(mode.dmPelsWidth);
    height = int(mode.dmPelsHeight);
    return true;
  }
  width = GetSystemMetrics(SM_CXSCREEN);
  height = GetSystemMetrics(SM_CYSCREEN);
  return width > 0 && height > 0;
}

Result Win32Platform::createActiveDesktop(std::unique_ptr<ActiveDesktop>& desktop) {
  IUnknown* unknown = nullptr;
  HRESULT hr = CoCreateInstance(clsidActiveDesktop, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, iidUnknown,
                                reinterpret_cast<void**>(&unknown));
  if (FAILED(hr) || !unknown) return Result::failure(oleErrorText(*this, FAILED(hr) ? hr : E_POINTER));
  IActiveDesktopV* ad = nullptr;
  hr = unknown->QueryInterface(iidActiveDesktop, reinterpret_cast<void**>(&ad));
  unknown->Release();
  if (FAILED(hr) || !ad) return Result::failure(oleErrorText(*this, FAILED(hr) ? hr : E_NOINTERFACE));
  desktop = std::make_unique<Win32ActiveDesktop>(ad);
  return Result();
}

}  // namespace mv
