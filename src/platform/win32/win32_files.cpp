// The Win32 platform: files and folders, open files, short names and version resources.
#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/win32_text.h"

namespace mv {

using namespace win32_text;

namespace {

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

}  // namespace

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

}  // namespace mv
