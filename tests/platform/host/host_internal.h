#pragma once
// What the host platform's topic files share (host_platform.cpp, host_files.cpp, host_registry.cpp,
// host_shell.cpp, host_dialogs.cpp): the state open files share with the platform, a parsed Windows path,
// Win32 error numbers, and small helpers. Not for use outside platform/host.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/host/host_platform.h"
#include "support/paths.h"

namespace mv {

namespace host_detail {

constexpr int32_t errorInvalidName = 123;
constexpr int32_t errorDirectory = 267;      // ERROR_DIRECTORY: not a folder
constexpr int32_t errorProcNotFound = 127;
constexpr int32_t errorInvalidWindow = 1400;
constexpr int32_t errorNoVersion = 1813;     // ERROR_RESOURCE_TYPE_NOT_FOUND
constexpr int32_t errorTimeout = 1460;

// Names compared as Windows compares them, letter case ignored.
inline std::string upper(const std::string& s) { return foldCase(s); }

// lstat without following a final link; fills st when it exists.
inline bool lexists(const std::string& p, struct stat* st = nullptr) {
  struct stat s;
  if (lstat(p.c_str(), &s) != 0) return false;
  if (st) *st = s;
  return true;
}

inline bool isDirFollow(const std::string& p) {
  struct stat s;
  return stat(p.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

inline std::string hex(uint64_t v) {
  char b[32];
  snprintf(b, sizeof b, "0x%llx", (unsigned long long)v);
  return b;
}

}  // namespace host_detail

struct HostPlatform::Shared {
  int32_t lastError = 0;
  struct OpenRec {
    bool read, write, shareRead, shareWrite;
  };
  std::map<std::string, std::vector<OpenRec*>> open;  // host path -> open files
  std::map<std::string, int32_t> ioFaults;              // normalised Windows path -> code
  std::map<std::string, int64_t> writeLimits;          // normalised Windows path -> bytes left
};

// A Windows path split into drive and components (".", ".." and empty components resolved).
struct HostPlatform::Parsed {
  char drive = 'C';
  std::vector<std::string> parts;
};

}  // namespace mv
