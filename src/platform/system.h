#pragma once
// The system itself: its error texts, environment, folders, version, the running program's path, and
// libraries loaded at run time. Texts are UTF-8.
#include <cstdint>
#include <string>

#include "support/result.h"
#include "support/result.h"

namespace mv {

struct OsVersion {
  uint32_t platformId = 0;  // 1 = Windows 95/98/ME line, 2 = NT line
  uint32_t major = 0, minor = 0, build = 0;
};

class System {
 public:
  // The code the last failing call left (GetLastError numbering, support/result.h). One value for all
  // topics: the platform object implements these once.
  virtual int32_t lastError() = 0;
  virtual void setLastError(int32_t code) = 0;

  // The system's message text for a code (FormatMessage, user's default language), unmodified;
  // "" when the system has none.
  virtual std::string systemErrorText(int32_t code) = 0;
  virtual bool getEnv(const std::string& name, std::string& value) = 0;  // false when unset
  virtual std::string windowsDirectory() = 0;  // GetWindowsDirectory, as the system gives it
  virtual std::string systemDirectory() = 0;   // GetSystemDirectory
  virtual std::string tempPath() = 0;          // GetTempPath (ends with a backslash)
  virtual std::string executablePath() = 0;    // GetModuleFileName(NULL)
  virtual bool getVersion(OsVersion& out) = 0; // GetVersionEx with OSVERSIONINFO (148 bytes)
  // The version the system itself has, not the one compatibility shims report to this program (which
  // GetVersionEx caps at 6.2 without a manifest naming later systems): RtlGetVersion.
  virtual bool getRealVersion(OsVersion& out) = 0;

  // Run-time libraries.
  virtual void* loadLibrary(const std::string& path) = 0;  // nullptr + lastError
  virtual void* getProcAddress(void* library, const std::string& name) = 0;
  virtual void freeLibrary(void* library) = 0;

 protected:
  ~System() = default;  // never deleted through a topic: the platform object owns them all
};

}  // namespace mv
