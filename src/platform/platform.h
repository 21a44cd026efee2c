#pragma once
// The operating-system boundary. Every rule of the installer talks to the machine through this
// interface: the Win32 implementation (platform/win32) makes the real calls; the host implementation
// (platform/host) maps Windows paths onto a sandbox folder, keeps the registry and top-level windows in
// memory and can inject faults, for native tests and native tools.
//
// The methods mirror the Win32 calls the installer needs, with their semantics: paths are Windows
// paths, failures return false / nullptr and leave an error code that lastError() reports, with Win32
// numbering (see support/result.h). Every text that crosses this interface - paths, names, registry
// data, window titles, messages - is UTF-8; the Win32 implementation speaks UTF-16 to the system
// (support/text_encoding.h), so no text depends on the machine's ANSI code page.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "support/result.h"

namespace mv {

// Raised where the system raises errors instead of returning codes (registry writes of the desktop
// integration, Active Desktop creation, file errors of the movie panel). Its text is what the user sees.
class PlatformError : public std::exception {
 public:
  explicit PlatformError(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// File attribute bits (Win32 values).
namespace attr {
constexpr uint32_t readOnly = 0x1;
constexpr uint32_t hidden = 0x2;
constexpr uint32_t system = 0x4;
constexpr uint32_t directory = 0x10;
constexpr uint32_t archive = 0x20;
constexpr uint32_t normal = 0x80;
constexpr uint32_t reparsePoint = 0x400;
constexpr uint32_t invalid = 0xFFFFFFFFu;
}  // namespace attr

// An open file. Reads and writes return the number of bytes moved, or -1 with lastError() set.
class File {
 public:
  virtual ~File() = default;
  virtual int64_t read(void* buffer, int64_t count) = 0;
  virtual int64_t write(const void* buffer, int64_t count) = 0;
  virtual bool seek(int64_t offset) = 0;  // absolute
  virtual int64_t size() = 0;             // -1 on failure
  virtual bool close() = 0;               // false when flushing or closing failed
};

enum class OpenMode {
  Read,            // read only, others may read and write (GENERIC_READ, share read|write)
  ReadDenyWrite,   // read only, others may only read (share read)
  ReadWrite,       // existing file, read and write, share read
  CreateWrite,     // create or truncate, write only, share read
};

struct FindEntry {
  std::string name;
  uint32_t attributes = 0;
};

enum class RegRoot { CurrentUser, LocalMachine };
enum class RegType : uint32_t { None = 0, String = 1, Binary = 3, Dword = 4 };
using RegKey = uintptr_t;  // 0 = no key
using WindowHandle = uintptr_t;  // 0 = none

struct RegValue {
  RegType type = RegType::None;
  std::vector<uint8_t> data;  // REG_SZ data: UTF-8 with its terminating zero (UTF-16 in the system's registry)

  // A REG_SZ value: the text and its terminating zero.
  static RegValue text(const std::string& text) {
    RegValue v;
    v.type = RegType::String;
    v.data.assign(text.begin(), text.end());
    v.data.push_back(0);
    return v;
  }
  // A REG_DWORD value, little-endian.
  static RegValue dword(uint32_t n) {
    RegValue v;
    v.type = RegType::Dword;
    v.data = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    return v;
  }
};

// Message boxes. The installer uses these forms only.
enum class BoxKind {
  ErrorAbort,        // error icon, one button "&Abort" (a dialog of our own; MessageBox has no such form)
  InformationAbort,  // information icon, one button "&Abort"
  ErrorOk,           // error icon, OK: the top-level handler for raised errors
  YesNo,             // no icon, Yes and No
  OkCancelQuestion,  // question icon, OK and Cancel
};
enum class BoxAnswer { Abort = 3, Ok = 1, Cancel = 2, Yes = 6, No = 7 };

enum class Cursor { Default, Wait };

struct OsVersion {
  uint32_t platformId = 0;  // 1 = Windows 95/98/ME line, 2 = NT line
  uint32_t major = 0, minor = 0, build = 0;
};

// The shell's Active Desktop object (IActiveDesktop); each call returns the HRESULT.
class ActiveDesktop {
 public:
  virtual ~ActiveDesktop() = default;
  virtual int32_t setDesktopItemOptions(bool enableComponents, bool activeDesktop) = 0;
  virtual int32_t setWallpaper(const std::string& path) = 0;
  virtual int32_t applyChanges(uint32_t flags) = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- errors and system information
  virtual Result lastError() = 0;
  virtual void setLastError(Result code) = 0;
  // The system's message text for a code (FormatMessage, user's default language), unmodified;
  // "" when the system has none.
  virtual std::string systemErrorText(Result code) = 0;
  virtual bool getEnv(const std::string& name, std::string& value) = 0;  // false when unset
  virtual std::string windowsDirectory() = 0;  // GetWindowsDirectory, as the system gives it
  virtual std::string systemDirectory() = 0;   // GetSystemDirectory
  virtual std::string tempPath() = 0;          // GetTempPath (ends with a backslash)
  virtual std::string executablePath() = 0;    // GetModuleFileName(NULL)
  virtual bool getVersion(OsVersion& out) = 0; // GetVersionEx with OSVERSIONINFO (148 bytes)

  // --- files and folders
  virtual uint32_t getAttributes(const std::string& path) = 0;  // attr::invalid when missing
  virtual bool setAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual bool deleteFile(const std::string& path) = 0;
  virtual bool createDirectory(const std::string& path) = 0;
  virtual bool removeDirectory(const std::string& path) = 0;
  virtual bool copyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  // FindFirstFile/FindNextFile over a pattern such as folder + "*.*"; false when the search cannot start.
  virtual bool findFiles(const std::string& pattern, std::vector<FindEntry>& out) = 0;
  virtual std::unique_ptr<File> open(const std::string& path, OpenMode mode) = 0;  // nullptr + lastError
  virtual std::string shortPathName(const std::string& path) = 0;  // "" on failure
  // Fixed file info of the version resource: dwFileVersionMS / dwFileVersionLS. False when none.
  virtual bool fileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) = 0;

  // --- run-time libraries
  virtual void* loadLibrary(const std::string& path) = 0;  // nullptr + lastError
  virtual void* getProcAddress(void* library, const std::string& name) = 0;
  virtual void freeLibrary(void* library) = 0;

  // --- registry (Win32 error codes; 0 = success)
  virtual Result regOpenKey(RegRoot root, const std::string& path, bool write, RegKey& key) = 0;
  virtual Result regCreateKey(RegRoot root, const std::string& path, RegKey& key) = 0;
  virtual Result regQueryValue(RegKey key, const std::string& name, RegValue& value) = 0;
  virtual Result regSetValue(RegKey key, const std::string& name, const RegValue& value) = 0;
  virtual Result regDeleteValue(RegKey key, const std::string& name) = 0;
  virtual void regCloseKey(RegKey key) = 0;
  virtual Result regDeleteTree(RegRoot root, const std::string& path) = 0;  // the key and its subkeys

  // --- windows, shell, desktop
  virtual WindowHandle findWindow(const char* className, const char* title) = 0;
  virtual WindowHandle firstChild(WindowHandle window) = 0;  // GetWindow(GW_CHILD)
  virtual std::vector<WindowHandle> topLevelWindows() = 0;   // EnumWindows order
  virtual std::string windowClassName(WindowHandle window) = 0;
  virtual bool isWindowVisible(WindowHandle window) = 0;
  virtual bool isIconic(WindowHandle window) = 0;
  // SendMessageTimeout (abort if hung); false when it timed out or failed.
  virtual bool sendMessageTimeout(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                  uint32_t timeoutMs) = 0;
  virtual bool postMessage(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
  virtual intptr_t sendDlgItemMessage(WindowHandle dialog, int item, uint32_t msg, uintptr_t wParam,
                                      intptr_t lParam) = 0;
  // ShellExecute: returns the shell's value (> 32 success).
  virtual intptr_t shellExecute(WindowHandle owner, const char* verb, const std::string& file,
                                const char* parameters, const char* directory, int show) = 0;
  // CreateProcess of the program at its full path (never searched for), with the command line
  // "<program>" arguments and the window shown as `show` (SW_...); not waited for. False when it
  // could not be started.
  virtual bool startProcess(const std::string& program, const std::string& arguments, int show) = 0;
  virtual bool setDeskWallpaper(const char* path, uint32_t flags) = 0;  // SPI_SETDESKWALLPAPER
  // CoCreateInstance(CLSID_ActiveDesktop) and QueryInterface(IActiveDesktop); raises PlatformError with
  // the system's text when the object cannot be created or offers no IActiveDesktop.
  virtual std::unique_ptr<ActiveDesktop> createActiveDesktop() = 0;

  // --- user interface
  virtual BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) = 0;
  // The screen cursor: what it is now, and setting it (start-up and installation remember and restore it).
  virtual Cursor cursor() = 0;
  virtual void setCursor(Cursor c) = 0;
};

// The platform the process runs on. Programs install theirs at start; tests install a host platform.
Platform& platform();
void setPlatform(Platform* p);

}  // namespace mv
