#include "platform/win32/win32_platform.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "platform/win32/abort_dialog.h"
#include "platform/system_errors.h"
#include "support/text_encoding.h"

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
      // A refused write keeps its code (112 for a full disk) even when part of the data went out.
      if (!WriteFile(h_, static_cast<const char*>(buffer) + done, want, &put, nullptr)) return -1;
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

// The program's text (UTF-8) as the system's (UTF-16), and back.
std::wstring wide(const std::string& s) { return utf8ToWide(s); }
std::string narrow(const wchar_t* s, size_t length) { return wideToUtf8(s, length); }
std::string narrow(const wchar_t* s) { return wideToUtf8(s); }

// An optional text argument: nullptr stays nullptr.
struct OptionalWide {
  explicit OptionalWide(const char* s) : present(s != nullptr), text(s ? wide(s) : std::wstring()) {}
  const wchar_t* get() const { return present ? text.c_str() : nullptr; }
  bool present;
  std::wstring text;
};

// Deletes a key with everything below it (RegDeleteTree is not on every system the installer runs on).
LONG deleteKeyTree(HKEY parent, const std::wstring& path) {
  HKEY key;
  LONG r = RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (r != ERROR_SUCCESS) return r;
  for (int guard = 0; guard < 100000; guard++) {
    wchar_t name[256];
    DWORD len = sizeof name / sizeof name[0];
    r = RegEnumKeyExW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    r = deleteKeyTree(key, std::wstring(name, len));
    if (r != ERROR_SUCCESS) {
      RegCloseKey(key);
      return r;
    }
  }
  RegCloseKey(key);
  return RegDeleteKeyW(parent, path.c_str());
}

// Registry text values: REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ hold UTF-16 in the system.
bool isTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The system's UTF-16 data as UTF-8, with a terminating zero when the stored data had none.
std::vector<uint8_t> textDataToUtf8(const std::vector<uint8_t>& data) {
  std::wstring units(data.size() / 2, L'\0');
  for (size_t i = 0; i < units.size(); ++i) units[i] = wchar_t(data[2 * i] | data[2 * i + 1] << 8);
  std::string text = narrow(units.data(), units.size());
  if (text.empty() || text.back() != '\0') text.push_back('\0');
  return std::vector<uint8_t>(text.begin(), text.end());
}

// UTF-8 data (with its zero) as the UTF-16 the system stores, terminated.
std::vector<uint8_t> textDataToUtf16(const std::vector<uint8_t>& data) {
  std::wstring units = wide(std::string(data.begin(), data.end()));
  if (units.empty() || units.back() != L'\0') units.push_back(L'\0');
  std::vector<uint8_t> out(units.size() * 2);
  for (size_t i = 0; i < units.size(); ++i) {
    out[2 * i] = uint8_t(units[i]);
    out[2 * i + 1] = uint8_t(units[i] >> 8);
  }
  return out;
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

// ------------------------------------------------------------------------------------------ system

int32_t Win32Platform::lastError() { return static_cast<int32_t>(GetLastError()); }
void Win32Platform::setLastError(int32_t code) { SetLastError(DWORD(code)); }

std::string Win32Platform::systemErrorText(int32_t code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                           nullptr, DWORD(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                           reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::string text = n && buffer ? narrow(buffer, n) : std::string();
  if (buffer) LocalFree(buffer);
  return text;
}

bool Win32Platform::getEnv(const std::string& name, std::string& value) {
  const std::wstring wname = wide(name);
  std::vector<wchar_t> buf(512);
  for (;;) {
    SetLastError(NO_ERROR);
    DWORD n = GetEnvironmentVariableW(wname.c_str(), buf.data(), DWORD(buf.size()));
    if (n == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      value.clear();
      return true;
    }
    if (n < buf.size()) {
      value = narrow(buf.data(), n);
      return true;
    }
    buf.resize(n + 1);
  }
}

// GetWindowsDirectory and GetSystemDirectory: a 301-character buffer, a larger one when the text needs it.
static std::string systemFolderText(UINT (WINAPI* query)(LPWSTR, UINT)) {
  wchar_t buf[301] = {0};
  UINT n = query(buf, 301);
  if (n >= 301) {
    std::vector<wchar_t> big(n + 1);
    query(big.data(), n + 1);
    return narrow(big.data());
  }
  return narrow(buf);
}

std::string Win32Platform::windowsDirectory() { return systemFolderText(GetWindowsDirectoryW); }

std::string Win32Platform::systemDirectory() { return systemFolderText(GetSystemDirectoryW); }

std::string Win32Platform::tempPath() {
  wchar_t buf[MAX_PATH + 1] = {0};
  DWORD n = GetTempPathW(MAX_PATH + 1, buf);
  if (n > MAX_PATH) {
    std::vector<wchar_t> big(n + 1);
    GetTempPathW(n + 1, big.data());
    return narrow(big.data());
  }
  return narrow(buf);
}

std::string Win32Platform::executablePath() {
  std::vector<wchar_t> buf(MAX_PATH + 1);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0) return "";
    if (n < buf.size() - 1) return narrow(buf.data(), n);
    if (buf.size() > 65536) return narrow(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

// Both version structures, ANSI and wide, carry the numbers in the same fields.
template <class VersionInfo>
void copyVersion(const VersionInfo& info, OsVersion& out) {
  out.platformId = info.dwPlatformId;
  out.major = info.dwMajorVersion;
  out.minor = info.dwMinorVersion;
  out.build = info.dwBuildNumber;
}

// The version query passes no text: the ANSI structure of 148 bytes is the one the query is defined with.
bool Win32Platform::getVersion(OsVersion& out) {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;  // 148
  if (!GetVersionExA(&info)) return false;
  copyVersion(info, out);
  return true;
}

// RtlGetVersion answers with the system's own version; ntdll is always loaded, so it is only looked up.
bool Win32Platform::getRealVersion(OsVersion& out) {
  typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto fn = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                  : nullptr;
  OSVERSIONINFOW info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
  if (!fn || fn(&info) != 0) return getVersion(out);  // Windows 9x and early NT: no shims to see past
  copyVersion(info, out);
  return true;
}

// ------------------------------------------------------------------------------------------ files

uint32_t Win32Platform::getAttributes(const std::string& path) { return GetFileAttributesW(wide(path).c_str()); }
bool Win32Platform::setAttributes(const std::string& path, uint32_t a) {
  return SetFileAttributesW(wide(path).c_str(), a) != 0;
}
bool Win32Platform::deleteFile(const std::string& path) { return DeleteFileW(wide(path).c_str()) != 0; }
bool Win32Platform::createDirectory(const std::string& path) {
  return CreateDirectoryW(wide(path).c_str(), nullptr) != 0;
}
bool Win32Platform::removeDirectory(const std::string& path) { return RemoveDirectoryW(wide(path).c_str()) != 0; }

bool Win32Platform::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
  return CopyFileW(wide(from).c_str(), wide(to).c_str(), failIfExists) != 0;
}

bool Win32Platform::findFiles(const std::string& pattern, std::vector<FindEntry>& out) {
  out.clear();
  WIN32_FIND_DATAW data;
  HANDLE h = FindFirstFileW(wide(pattern).c_str(), &data);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    out.push_back({narrow(data.cFileName), data.dwFileAttributes});
  } while (FindNextFileW(h, &data));
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
  HANDLE h = CreateFileW(wide(path).c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32File>(h);
}

std::string Win32Platform::shortPathName(const std::string& path) {
  const std::wstring wpath = wide(path);
  std::vector<wchar_t> buf(MAX_PATH + 1);
  DWORD n = GetShortPathNameW(wpath.c_str(), buf.data(), DWORD(buf.size()));
  if (n == 0) return "";
  if (n >= buf.size()) {
    buf.resize(n + 1);
    n = GetShortPathNameW(wpath.c_str(), buf.data(), DWORD(buf.size()));
    if (n == 0 || n >= buf.size()) return "";
  }
  return narrow(buf.data(), n);
}

namespace {

// version.dll is not one of the system's known DLLs: imported at load time, a copy planted beside the
// installer (a download folder) would be loaded before any of our code runs. So it is loaded by its
// full path in the system folder, when first needed.
struct VersionApi {
  decltype(&GetFileVersionInfoSizeW) infoSize = nullptr;
  decltype(&GetFileVersionInfoW) info = nullptr;
  decltype(&VerQueryValueW) query = nullptr;
};

const VersionApi* versionApi() {
  static VersionApi api;
  static bool tried = false;
  if (!tried) {
    tried = true;
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    HMODULE m = n > 0 && n < MAX_PATH ? LoadLibraryW((std::wstring(folder) + L"\\version.dll").c_str()) : nullptr;
    if (m) {
      api.infoSize = reinterpret_cast<decltype(api.infoSize)>(reinterpret_cast<void*>(GetProcAddress(m, "GetFileVersionInfoSizeW")));
      api.info = reinterpret_cast<decltype(api.info)>(reinterpret_cast<void*>(GetProcAddress(m, "GetFileVersionInfoW")));
      api.query = reinterpret_cast<decltype(api.query)>(reinterpret_cast<void*>(GetProcAddress(m, "VerQueryValueW")));
    }
  }
  return api.infoSize && api.info && api.query ? &api : nullptr;
}

}  // namespace

bool Win32Platform::fileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) {
  const VersionApi* api = versionApi();
  if (!api) return false;
  const std::wstring wpath = wide(path);
  DWORD ignored = 0;
  DWORD size = api->infoSize(wpath.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> data(size);
  if (!api->info(wpath.c_str(), 0, size, data.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT len = 0;
  if (!api->query(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info || len < sizeof *info)
    return false;
  ms = info->dwFileVersionMS;
  ls = info->dwFileVersionLS;
  return true;
}

// ------------------------------------------------------------------------------------------ libraries

void* Win32Platform::loadLibrary(const std::string& path) {
  UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE m = LoadLibraryW(wide(path).c_str());
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
  LONG r = RegOpenKeyExW(rootKey(root), wide(path).c_str(), 0, write ? KEY_READ | KEY_WRITE : KEY_READ, &h);
  key = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
  return Result(r);
}

Result Win32Platform::regCreateKey(RegRoot root, const std::string& path, RegKey& key) {
  HKEY h = nullptr;
  DWORD disposition = 0;
  LONG r = RegCreateKeyExW(rootKey(root), wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, &h, &disposition);
  key = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
  return Result(r);
}

Result Win32Platform::regQueryValue(RegKey key, const std::string& name, RegValue& value) {
  HKEY h = reinterpret_cast<HKEY>(key);
  const std::wstring wname = wide(name);
  DWORD type = 0, size = 0;
  LONG r = RegQueryValueExW(h, wname.c_str(), nullptr, &type, nullptr, &size);
  if (r != ERROR_SUCCESS) return Result(r);
  std::vector<uint8_t> data(size);
  for (int tries = 0; tries < 4; tries++) {
    size = DWORD(data.size());
    r = RegQueryValueExW(h, wname.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &size);
    if (r != ERROR_MORE_DATA) break;
    data.resize(size);
  }
  if (r != ERROR_SUCCESS) return Result(r);
  data.resize(size);
  value.type = static_cast<RegType>(type);
  value.data = isTextType(type) ? textDataToUtf8(data) : std::move(data);
  return 0;
}

Result Win32Platform::regSetValue(RegKey key, const std::string& name, const RegValue& value) {
  const std::vector<uint8_t> data = isTextType(DWORD(value.type)) ? textDataToUtf16(value.data) : value.data;
  return Result(RegSetValueExW(reinterpret_cast<HKEY>(key), wide(name).c_str(), 0, DWORD(value.type),
                               data.empty() ? nullptr : data.data(), DWORD(data.size())));
}

Result Win32Platform::regDeleteValue(RegKey key, const std::string& name) {
  return Result(RegDeleteValueW(reinterpret_cast<HKEY>(key), wide(name).c_str()));
}

void Win32Platform::regCloseKey(RegKey key) {
  if (key) RegCloseKey(reinterpret_cast<HKEY>(key));
}

Result Win32Platform::regDeleteTree(RegRoot root, const std::string& path) {
  if (path.empty()) return ERROR_ACCESS_DENIED;  // never the whole hive
  return Result(deleteKeyTree(rootKey(root), wide(path)));
}

Result Win32Platform::regEnumSubkeys(RegKey key, std::vector<std::string>& names) {
  names.clear();
  HKEY h = reinterpret_cast<HKEY>(key);
  wchar_t name[256];  // the longest key name the registry allows, and its zero
  for (DWORD index = 0;; ++index) {
    DWORD size = 256;
    const LONG r = RegEnumKeyExW(h, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) return Result();
    if (r != ERROR_SUCCESS) return Result(r);
    names.push_back(narrow(name, size));
  }
}

// ------------------------------------------------------------------------------------------ windows, shell

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

// ------------------------------------------------------------------------------------------ user interface

BoxAnswer Win32Platform::messageBox(const std::string& text, const std::string& caption, BoxKind kind) {
  HWND owner = GetActiveWindow();
  UINT type = 0;
  switch (kind) {
    case BoxKind::ErrorAbort:
    case BoxKind::InformationAbort:
      showAbortDialog(text, caption, abortButton_, kind == BoxKind::ErrorAbort, owner);
      return BoxAnswer::Abort;
    case BoxKind::ErrorOk: type = MB_ICONERROR | MB_OK; break;
    case BoxKind::YesNo: type = MB_YESNO; break;
    case BoxKind::OkCancelQuestion: type = MB_OKCANCEL | MB_ICONQUESTION; break;
  }
  int r = MessageBoxW(owner, wide(text).c_str(), wide(caption).c_str(), type);
  switch (r) {
    case IDOK: return BoxAnswer::Ok;
    case IDCANCEL: return BoxAnswer::Cancel;
    case IDYES: return BoxAnswer::Yes;
    case IDNO: return BoxAnswer::No;
    default: return kind == BoxKind::YesNo ? BoxAnswer::No : kind == BoxKind::ErrorOk ? BoxAnswer::Ok : BoxAnswer::Cancel;
  }
}

void* Win32Platform::cursorHandle() const {
  return cursor_ == Cursor::Wait ? LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)) : nullptr;  // IDC_WAIT
}

void Win32Platform::setCursor(Cursor c) {
  cursor_ = c;
  SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(c == Cursor::Wait ? 32514 : 32512)));  // IDC_WAIT, IDC_ARROW
}

}  // namespace mv
