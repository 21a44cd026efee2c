// A stand-in for the Flash Player installer "flashax.exe": appends its command line, one line per run,
// to the file named by MV_FLASHAX_LOG (or "flashax.log" beside itself), and ends.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char path[MAX_PATH];
  DWORD n = GetEnvironmentVariableA("MV_FLASHAX_LOG", path, MAX_PATH);
  std::string log;
  if (n && n < MAX_PATH) {
    log.assign(path, n);
  } else {
    n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    log.assign(path, n);
    log = log.substr(0, log.find_last_of('\\') + 1) + "flashax.log";
  }
  HANDLE h = CreateFileA(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  std::string line = std::string(GetCommandLineA()) + "\r\n";
  DWORD written = 0;
  WriteFile(h, line.data(), DWORD(line.size()), &written, nullptr);
  CloseHandle(h);
  return 0;
}
