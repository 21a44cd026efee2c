#pragma once
// Helpers of the Win32 Flash tests: the test program's folder, files, a message pump with a deadline.
#include <windows.h>

#include <string>

#include "common/test_files.h"

namespace winetest {

inline std::string programFolder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

inline std::string tempFolder() {
  char path[MAX_PATH];
  DWORD n = GetTempPathA(MAX_PATH, path);
  return std::string(path, n);
}

using testcommon::wholeFile;

inline bool writeFile(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr) && n == bytes.size();
  return CloseHandle(h) && ok;
}

inline bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Dispatches messages until done() holds or ms milliseconds have passed; returns done().
template <class Done>
bool pumpUntil(Done done, DWORD ms) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return done();
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

}  // namespace winetest
