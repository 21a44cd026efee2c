#include "platform/win32/win32_platform.h"

#include "support/system_errors.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

namespace mv {

namespace {

// ------------------------------------------------------------------------------------------ files

class Win32File : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}
  ~Win32File() override { close(); }

  int64_t read(void* buffer, int64_t count) override {
    if (h_ == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
    int64_t done = 0;
    while (done < count) {
      DWORD want = DWORD(std::min<int64_t>(count - done, 1 << 30)), got = 0;
      if (!ReadFile(h_, static_cast<char*>(buffer) + done, want, &got, nullptr)) return -1;
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  int64_t write(const void* buffer, int64_t count) override {
    if (h_ == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
    int64_t done = 0;
    while (done < count) {
      DWORD want = DWORD(std::min<int64_t>(count - done, 1 << 30)), put = 0;
      if (!WriteFile(h_, static_cast<const char*>(buffer) + done, want, &put, nullptr)) return done ? done : -1;
      if (put == 0) break;
      done += put;
    }
    return done;
  }

  bool seek(int64_t offset) override {
    if (h_ == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE) == 0;
    LONG high = LONG(offset >> 32);
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(h_, LONG(offset & 0xFFFFFFFF), &high, FILE_BEGIN);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
  }

  int64_t size() override {
    if (h_ == INVALID_HANDLE_VALUE) return fail(ERROR_INVALID_HANDLE);
    DWORD high = 0;
    SetLastError(NO_ERROR);
    DWORD low = GetFileSize(h_, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
    return int64_t(uint64_t(high) << 32 | low);
  }

  bool close() override {
    if (h_ == INVALID_HANDLE_VALUE) return true;
    BOOL ok = CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok != 0;
  }

 private:
  static int64_t fail(DWORD code) {
    SetLastError(code);
    return -1;
  }
  HANDLE h_;
};

HKEY rootKey(RegRoot r) { return r == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

std::wstring wide(const std::string& s) {
  if (s.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, s.data(), int(s.size()), nullptr, 0);
  std::wstring w(size_t(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.data(), int(s.size()), &w[0], n);
  return w;
}

// Deletes a key with everything below it (RegDeleteTree is not on every system the installer runs on).
LONG deleteKeyTree(HKEY parent, const std::string& path) {
  HKEY key;
  LONG r = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (r != ERROR_SUCCESS) return r;
  for (int guard = 0; guard < 100000; guard++) {
    char name[256];
    DWORD len = sizeof name;
    r = RegEnumKeyExA(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    r = deleteKeyTree(key, name);
    if (r != ERROR_SUCCESS) {
      RegCloseKey(key);
      return r;
    }
  }
  RegCloseKey(key);
  return RegDeleteKeyA(parent, path.c_str());
}

// ------------------------------------------------------------------------------------------ Active Desktop

}  // namespace

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
  int32_t setWallpaper(const std::wstring& path) override { return ad_->SetWallpaper(path.c_str(), 0); }
  int32_t applyChanges(uint32_t flags) override { return ad_->ApplyChanges(flags); }

 private:
  IActiveDesktopV* ad_;
};

// The text an OLE error is shown with: the system's text without its trailing blanks, line ends and
// period, or "OLE error XXXXXXXX" when the system has none.
std::string oleErrorText(Win32Platform& p, HRESULT hr) {
  std::string text = trimSystemText(p.systemErrorText(hr));
  if (text.empty()) {
    char buf[32];
    snprintf(buf, sizeof buf, "OLE error %.8X", unsigned(hr));
    text = buf;
  }
  return text;
}

// ------------------------------------------------------------------------------------------ "&Abort" dialog

constexpr int iconId = 0x14;    // the icon's id in a message box
constexpr int textId = 0xFFFF;  // the text's id in a message box

struct AbortDialog {
  const std::string* text;
  bool errorIcon;
};

void layoutAbortDialog(HWND dlg, const AbortDialog& d) {
  HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(d.errorIcon ? IDI_HAND : IDI_ASTERISK));
  SendDlgItemMessageA(dlg, iconId, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  SetDlgItemTextA(dlg, textId, d.text->c_str());

  RECT work;
  if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) SetRect(&work, 0, 0, 800, 600);
  RECT units = {7, 7, 50, 14};  // margin, gap, button width and height in dialog units
  MapDialogRect(dlg, &units);
  const int margin = units.left, buttonW = units.right, buttonH = units.bottom;
  const int iconW = GetSystemMetrics(SM_CXICON), iconH = GetSystemMetrics(SM_CYICON);

  // Measure the text as the static control will draw it, wrapping at about 5/8 of the screen.
  HWND textWnd = GetDlgItem(dlg, textId);
  HDC dc = GetDC(textWnd);
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(dlg, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  int maxText = std::max(200, int((work.right - work.left) * 5 / 8) - iconW - 3 * margin);
  RECT tr = {0, 0, maxText, 0};
  DrawTextA(dc, d.text->c_str(), -1, &tr, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  if (old) SelectObject(dc, old);
  ReleaseDC(textWnd, dc);
  const int textW = tr.right - tr.left, textH = std::max<int>(tr.bottom - tr.top, 1);

  const int contentH = std::max(iconH, textH);
  const int textX = margin + iconW + margin;
  const int textY = margin + (textH < iconH ? (iconH - textH) / 2 : 0);
  const int clientW = std::max(textX + textW + margin, buttonW + 2 * margin);
  const int buttonY = margin + contentH + margin;
  const int clientH = buttonY + buttonH + margin;

  MoveWindow(GetDlgItem(dlg, iconId), margin, margin, iconW, iconH, FALSE);
  MoveWindow(textWnd, textX, textY, textW + 2, textH, FALSE);
  HWND button = GetDlgItem(dlg, IDABORT);
  MoveWindow(button, (clientW - buttonW) / 2, buttonY, buttonW, buttonH, FALSE);

  RECT frame = {0, 0, clientW, clientH};
  AdjustWindowRectEx(&frame, DWORD(GetWindowLongA(dlg, GWL_STYLE)), FALSE, DWORD(GetWindowLongA(dlg, GWL_EXSTYLE)));
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  const int x = work.left + std::max<int>(0, (work.right - work.left - w) / 2);
  const int y = work.top + std::max<int>(0, (work.bottom - work.top - h) / 2);
  SetWindowPos(dlg, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(dlg, DM_SETDEFID, IDABORT, 0);
  SetFocus(button);
}

INT_PTR CALLBACK abortDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      layoutAbortDialog(dlg, *reinterpret_cast<AbortDialog*>(lParam));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == IDABORT || LOWORD(wParam) == IDCANCEL) {  // the button, Enter or Esc
        EndDialog(dlg, IDABORT);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      EndDialog(dlg, IDABORT);
      return TRUE;
  }
  return FALSE;
}

// An in-memory dialog template (DLGTEMPLATE with three DLGITEMTEMPLATEs), built in WORDs.
class DialogTemplate {
 public:
  void header(DWORD style, short items, const std::wstring& caption) {
    dword(style);
    dword(0);  // extended style
    words_.push_back(WORD(items));
    for (int i = 0; i < 4; i++) words_.push_back(0);  // x, y, cx, cy: set at WM_INITDIALOG
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the predefined dialog class "#32770"
    text(caption);
    words_.push_back(8);  // DS_SETFONT: point size and face
    text(L"MS Shell Dlg");
  }
  void item(DWORD style, WORD id, WORD classAtom, const std::wstring& title) {
    while (words_.size() % 2) words_.push_back(0);  // DWORD alignment
    dword(style);
    dword(0);
    words_.push_back(0);
    words_.push_back(0);
    words_.push_back(10);
    words_.push_back(10);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    text(title);
    words_.push_back(0);  // no creation data
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void text(const std::wstring& s) {
    for (wchar_t c : s) words_.push_back(WORD(c));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

}  // namespace

void showAbortDialog(const std::string& text, const std::string& caption, bool errorIcon, void* owner) {
  DialogTemplate t;
  t.header(DS_MODALFRAME | DS_SETFONT | DS_SETFOREGROUND | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU, 3,
           wide(caption));
  t.item(WS_CHILD | WS_VISIBLE | SS_ICON, iconId, 0x0082, L"");
  t.item(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, textId, 0x0082, L"");
  t.item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, IDABORT, 0x0080, L"&Abort");
  AbortDialog d{&text, errorIcon};
  MessageBeep(errorIcon ? MB_ICONHAND : MB_ICONASTERISK);
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.get(), static_cast<HWND>(owner), abortDialogProc,
                          reinterpret_cast<LPARAM>(&d));
}

// ------------------------------------------------------------------------------------------ system

Result Win32Platform::lastError() { return Result(GetLastError()); }
void Win32Platform::setLastError(Result code) { SetLastError(DWORD(code)); }

std::string Win32Platform::systemErrorText(Result code) {
  char* buffer = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                           nullptr, DWORD(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  std::string text = n && buffer ? std::string(buffer, n) : std::string();
  if (buffer) LocalFree(buffer);
  return text;
}

bool Win32Platform::getEnv(const std::string& name, std::string& value) {
  std::vector<char> buf(512);
  for (;;) {
    SetLastError(NO_ERROR);
    DWORD n = GetEnvironmentVariableA(name.c_str(), buf.data(), DWORD(buf.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      value.clear();
      return true;
    }
    if (n < buf.size()) {
      value.assign(buf.data(), n);
      return true;
    }
    buf.resize(n + 1);
  }
}

// GetWindowsDirectory and GetSystemDirectory: a 301-character buffer, a larger one when the text needs it.
static std::string systemFolderText(UINT (WINAPI* query)(LPSTR, UINT)) {
  char buf[301] = {0};
  UINT n = query(buf, sizeof buf);
  if (n >= sizeof buf) {
    std::vector<char> big(n + 1);
    query(big.data(), n + 1);
    return big.data();
  }
  return buf;
}

std::string Win32Platform::windowsDirectory() { return systemFolderText(GetWindowsDirectoryA); }

std::string Win32Platform::systemDirectory() { return systemFolderText(GetSystemDirectoryA); }

std::string Win32Platform::tempPath() {
  char buf[MAX_PATH + 1] = {0};
  DWORD n = GetTempPathA(sizeof buf, buf);
  if (n >= sizeof buf) {
    std::vector<char> big(n + 1);
    GetTempPathA(n + 1, big.data());
    return big.data();
  }
  return buf;
}

std::string Win32Platform::executablePath() {
  std::vector<char> buf(MAX_PATH + 1);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return "";
    if (n < buf.size() - 1) return std::string(buf.data(), n);
    if (buf.size() > 65536) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

bool Win32Platform::getVersion(OsVersion& out) {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;  // 148
  if (!GetVersionExA(&info)) return false;
  out.platformId = info.dwPlatformId;
  out.major = info.dwMajorVersion;
  out.minor = info.dwMinorVersion;
  out.build = info.dwBuildNumber;
  return true;
}

// ------------------------------------------------------------------------------------------ files

uint32_t Win32Platform::getAttributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }
bool Win32Platform::setAttributes(const std::string& path, uint32_t a) { return SetFileAttributesA(path.c_str(), a) != 0; }
bool Win32Platform::deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }
bool Win32Platform::createDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }
bool Win32Platform::removeDirectory(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }

bool Win32Platform::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
  return CopyFileA(from.c_str(), to.c_str(), failIfExists) != 0;
}

bool Win32Platform::findFiles(const std::string& pattern, std::vector<FindEntry>& out) {
  out.clear();
  WIN32_FIND_DATAA data;
  HANDLE h = FindFirstFileA(pattern.c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    out.push_back({data.cFileName, data.dwFileAttributes});
  } while (FindNextFileA(h, &data));
  DWORD last = GetLastError();
  FindClose(h);
  SetLastError(last);
  return true;
}

std::unique_ptr<File> Win32Platform::open(const std::string& path, OpenMode mode) {
  DWORD access = GENERIC_READ, share = FILE_SHARE_READ, disposition = OPEN_EXISTING;
  switch (mode) {
    case OpenMode::Read: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    case OpenMode::ReadDenyWrite: break;
    case OpenMode::ReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
    case OpenMode::CreateWrite:
      access = GENERIC_WRITE;
      disposition = CREATE_ALWAYS;
      break;
  }
  HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32File>(h);
}

std::string Win32Platform::shortPathName(const std::string& path) {
  std::vector<char> buf(MAX_PATH + 1);
  DWORD n = GetShortPathNameA(path.c_str(), buf.data(), DWORD(buf.size()));
  if (n == 0) return "";
  if (n >= buf.size()) {
    buf.resize(n + 1);
    n = GetShortPathNameA(path.c_str(), buf.data(), DWORD(buf.size()));
    if (n == 0 || n >= buf.size()) return "";
  }
  return std::string(buf.data(), n);
}

namespace {

// version.dll is not one of the system's known DLLs: imported at load time, a copy planted beside the
// installer (a download folder) would be loaded before any of our code runs. So it is loaded by its
// full path in the system folder, when first needed.
struct VersionApi {
  decltype(&GetFileVersionInfoSizeA) infoSize = nullptr;
  decltype(&GetFileVersionInfoA) info = nullptr;
  decltype(&VerQueryValueA) query = nullptr;
};

const VersionApi* versionApi() {
  static VersionApi api;
  static bool tried = false;
  if (!tried) {
    tried = true;
    char folder[MAX_PATH];
    UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    HMODULE m = n > 0 && n < MAX_PATH ? LoadLibraryA((std::string(folder) + "\\version.dll").c_str()) : nullptr;
    if (m) {
      api.infoSize = reinterpret_cast<decltype(api.infoSize)>(reinterpret_cast<void*>(GetProcAddress(m, "GetFileVersionInfoSizeA")));
      api.info = reinterpret_cast<decltype(api.info)>(reinterpret_cast<void*>(GetProcAddress(m, "GetFileVersionInfoA")));
      api.query = reinterpret_cast<decltype(api.query)>(reinterpret_cast<void*>(GetProcAddress(m, "VerQueryValueA")));
    }
  }
  return api.infoSize && api.info && api.query ? &api : nullptr;
}

}  // namespace

bool Win32Platform::fileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) {
  const VersionApi* api = versionApi();
  if (!api) return false;
  DWORD ignored = 0;
  DWORD size = api->infoSize(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> data(size);
  if (!api->info(path.c_str(), 0, size, data.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!api->query(data.data(), "\\", reinterpret_cast<void**>(&info), &len) || !info || len < sizeof *info)
    return false;
  ms = info->dwFileVersionMS;
  ls = info->dwFileVersionLS;
  return true;
}

// ------------------------------------------------------------------------------------------ libraries

void* Win32Platform::loadLibrary(const std::string& path) {
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE m = LoadLibraryA(path.c_str());
  DWORD err = GetLastError();
  SetErrorMode(old);
  SetLastError(err);
  return reinterpret_cast<void*>(m);
}

void* Win32Platform::getProcAddress(void* library, const std::string& name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}

void Win32Platform::freeLibrary(void* library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

// ------------------------------------------------------------------------------------------ registry

Result Win32Platform::regOpenKey(RegRoot root, const std::string& path, bool write, RegKey& key) {
  HKEY h = nullptr;
  LONG r = RegOpenKeyExA(rootKey(root), path.c_str(), 0, write ? KEY_READ | KEY_WRITE : KEY_READ, &h);
  key = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
  return Result(r);
}

Result Win32Platform::regCreateKey(RegRoot root, const std::string& path, RegKey& key) {
  HKEY h = nullptr;
  DWORD disposition = 0;
  LONG r = RegCreateKeyExA(rootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                           nullptr, &h, &disposition);
  key = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
  return Result(r);
}

Result Win32Platform::regQueryValue(RegKey key, const std::string& name, RegValue& value) {
  HKEY h = reinterpret_cast<HKEY>(key);
  DWORD type = 0, size = 0;
  LONG r = RegQueryValueExA(h, name.c_str(), nullptr, &type, nullptr, &size);
  if (r != ERROR_SUCCESS) return Result(r);
  std::vector<uint8_t> data(size);
  for (int tries = 0; tries < 4; tries++) {
    size = DWORD(data.size());
    r = RegQueryValueExA(h, name.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &size);
    if (r != ERROR_MORE_DATA) break;
    data.resize(size);
  }
  if (r != ERROR_SUCCESS) return Result(r);
  data.resize(size);
  value.type = static_cast<RegType>(type);
  value.data = std::move(data);
  return 0;
}

Result Win32Platform::regSetValue(RegKey key, const std::string& name, const RegValue& value) {
  return Result(RegSetValueExA(reinterpret_cast<HKEY>(key), name.c_str(), 0, DWORD(value.type),
                               value.data.empty() ? nullptr : value.data.data(), DWORD(value.data.size())));
}

Result Win32Platform::regDeleteValue(RegKey key, const std::string& name) {
  return Result(RegDeleteValueA(reinterpret_cast<HKEY>(key), name.c_str()));
}

void Win32Platform::regCloseKey(RegKey key) {
  if (key) RegCloseKey(reinterpret_cast<HKEY>(key));
}

Result Win32Platform::regDeleteTree(RegRoot root, const std::string& path) {
  if (path.empty()) return ERROR_ACCESS_DENIED;  // never the whole hive
  return Result(deleteKeyTree(rootKey(root), path));
}

// ------------------------------------------------------------------------------------------ windows, shell

WindowHandle Win32Platform::findWindow(const char* className, const char* title) {
  return reinterpret_cast<WindowHandle>(FindWindowA(className, title));
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
  char buf[256];
  int n = GetClassNameA(reinterpret_cast<HWND>(window), buf, sizeof buf);
  return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

bool Win32Platform::isWindowVisible(WindowHandle window) { return IsWindowVisible(reinterpret_cast<HWND>(window)) != 0; }
bool Win32Platform::isIconic(WindowHandle window) { return IsIconic(reinterpret_cast<HWND>(window)) != 0; }

bool Win32Platform::sendMessageTimeout(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                       uint32_t timeoutMs) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(reinterpret_cast<HWND>(window), msg, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs,
                             &result) != 0;
}

bool Win32Platform::postMessage(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  return PostMessageA(reinterpret_cast<HWND>(window), msg, wParam, lParam) != 0;
}

intptr_t Win32Platform::sendDlgItemMessage(WindowHandle dialog, int item, uint32_t msg, uintptr_t wParam,
                                           intptr_t lParam) {
  return SendDlgItemMessageA(reinterpret_cast<HWND>(dialog), item, msg, wParam, lParam);
}

intptr_t Win32Platform::shellExecute(WindowHandle owner, const char* verb, const std::string& file,
                                     const char* parameters, const char* directory, int show) {
  return reinterpret_cast<intptr_t>(
      ShellExecuteA(reinterpret_cast<HWND>(owner), verb, file.c_str(), parameters, directory, show));
}

uint32_t Win32Platform::winExec(const std::string& commandLine, int show) { return WinExec(commandLine.c_str(), UINT(show)); }

bool Win32Platform::setDeskWallpaper(const char* path, uint32_t flags) {
  return SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(path), flags) != 0;
}

std::unique_ptr<ActiveDesktop> Win32Platform::createActiveDesktop() {
  IUnknown* unknown = nullptr;
  HRESULT hr = CoCreateInstance(clsidActiveDesktop, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, iidUnknown,
                                reinterpret_cast<void**>(&unknown));
  if (FAILED(hr) || !unknown) throw PlatformError(oleErrorText(*this, FAILED(hr) ? hr : E_POINTER));
  IActiveDesktopV* ad = nullptr;
  hr = unknown->QueryInterface(iidActiveDesktop, reinterpret_cast<void**>(&ad));
  unknown->Release();
  if (FAILED(hr) || !ad) throw PlatformError(oleErrorText(*this, FAILED(hr) ? hr : E_NOINTERFACE));
  return std::make_unique<Win32ActiveDesktop>(ad);
}

// ------------------------------------------------------------------------------------------ user interface

BoxAnswer Win32Platform::messageBox(const std::string& text, const std::string& caption, BoxKind kind) {
  HWND owner = GetActiveWindow();
  UINT type = 0;
  switch (kind) {
    case BoxKind::ErrorAbort:
    case BoxKind::InformationAbort:
      showAbortDialog(text, caption, kind == BoxKind::ErrorAbort, owner);
      return BoxAnswer::Abort;
    case BoxKind::ErrorOk: type = MB_ICONERROR | MB_OK; break;
    case BoxKind::YesNo: type = MB_YESNO; break;
    case BoxKind::OkCancelQuestion: type = MB_OKCANCEL | MB_ICONQUESTION; break;
  }
  int r = MessageBoxA(owner, text.c_str(), caption.c_str(), type);
  switch (r) {
    case IDOK: return BoxAnswer::Ok;
    case IDCANCEL: return BoxAnswer::Cancel;
    case IDYES: return BoxAnswer::Yes;
    case IDNO: return BoxAnswer::No;
    default: return kind == BoxKind::YesNo ? BoxAnswer::No : kind == BoxKind::ErrorOk ? BoxAnswer::Ok : BoxAnswer::Cancel;
  }
}

void* Win32Platform::cursorHandle() const {
  return cursor_ == Cursor::Wait ? LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)) : nullptr;
}

void Win32Platform::setCursor(Cursor c) {
  cursor_ = c;
  SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(c == Cursor::Wait ? IDC_WAIT : IDC_ARROW)));
}

}  // namespace mv
