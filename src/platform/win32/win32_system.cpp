// The Win32 platform: error codes and texts, environment, folders, versions, libraries.
#include "platform/win32/win32_platform.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace mv {

using namespace win32_text;

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

}  // namespace mv
