#pragma once
// HostPlatform: the platform interface on a POSIX host, for native tests and fuzzers.
//
// Windows paths ("C:\WINDOWS\Web\Wallpaper\x.html") are mapped onto a sandbox folder: drive X becomes
// <root>/X, and every existing path component is found regardless of letter case, as on Windows. Paths
// are UTF-8, as everywhere behind the platform interface, and so are the host's file names. The
// calls keep Win32 semantics and Win32 error codes (183 when a folder exists, 3 when a parent is
// missing, 5 for a read-only file, 32 for a sharing violation, ...). File attributes that POSIX has no
// place for (read-only, hidden, system, archive) live in a side table. Open files honour the Windows
// sharing rules of OpenMode among each other: a file that is still open cannot be deleted, which shows
// handles that were never closed.
//
// Everything else the installer touches - environment, registry, top-level windows, shell, Active
// Desktop, message boxes, cursor - is kept in memory, recorded, and can be scripted or made to fail.
// The calls whose order matters are also appended to callLog() as short lines (formats below).
//
// One source file per topic of the platform interface: host_platform.cpp (paths, system, libraries,
// sandbox), host_files.cpp, host_registry.cpp, host_shell.cpp, host_dialogs.cpp.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mv {

class HostPlatform : public Platform {
 public:
  // root: an existing host folder that becomes the sandbox (tests pass a fresh temporary folder).
  // Creates C:\WINDOWS\system32 and C:\TEMP in it.
  explicit HostPlatform(const std::string& root);
  ~HostPlatform() override;

  // ------------------------------------------------------------------ sandbox
  const std::string& root() const { return root_; }
  // The host path a Windows path maps to (existing components matched case-insensitively). "" for a
  // path that is not valid on Windows.
  std::string hostPath(const std::string& windowsPath) const;
  // Makes drive letter d exist (C exists from the start).
  void addDrive(char d);

  // ------------------------------------------------------------------ environment and system
  void setEnv(const std::string& name, const std::string& value);  // names are case-insensitive
  void unsetEnv(const std::string& name);
  void setExecutablePath(const std::string& path) { executablePath_ = path; }
  void setWindowsDirectory(const std::string& path) { windowsDirectory_ = path; }
  void setSystemDirectory(const std::string& path) { systemDirectory_ = path; }
  void setTempPath(const std::string& path) { tempPath_ = path; }
  void setVersion(const OsVersion& v) { version_ = v; versionFails_ = false; }
  void setVersionFails(bool fails) { versionFails_ = fails; }
  static OsVersion windows98() { return {1, 4, 10, 1998}; }
  static OsVersion windows2000() { return {2, 5, 0, 2195}; }
  // A text for a code that the built-in table lacks (or "" to make the system know no text for it).
  void setSystemErrorText(int32_t code, const std::string& text) { errorTexts_[code] = text; }

  // ------------------------------------------------------------------ file faults and inspection
  // A busy file: deleting it and opening it for writing fail with 32 (sharing violation).
  void setBusy(const std::string& path, bool busy = true);
  // How often deleteFile was called for path (any outcome).
  int deleteAttempts(const std::string& path) const;
  // createDirectory(path) fails with code.
  void failCreateDirectory(const std::string& path, int32_t code = oserr::accessDenied);
  // Every open of path fails with code (0 removes the fault).
  void failOpen(const std::string& path, int32_t code);
  // Reads and writes through files opened from path fail with code (0 removes the fault).
  void failIo(const std::string& path, int32_t code);
  // Writes through files opened from path, and copies to path, accept at most `bytes` bytes in total
  // (a full disk), then fail with 112. Negative: no limit.
  void limitWrites(const std::string& path, int64_t bytes);
  // copyFile(from, ...) fails with code.
  void failCopy(const std::string& from, int32_t code);
  // Version resource of a file (fileVersion). Paths without one report false.
  void setFileVersion(const std::string& path, uint32_t ms, uint32_t ls);
  // shortPathName(path) answers shortPath (otherwise an 8.3 rendition of the path is made up).
  void setShortPath(const std::string& path, const std::string& shortPath);
  // loadLibrary(path) fails with code.
  void failLoadLibrary(const std::string& path, int32_t code = oserr::badExeFormat);
  int openFileCount() const;  // files opened through this platform and not yet closed/destroyed
  // Convenience for tests: whole-file contents through the sandbox (no faults applied).
  bool writeWholeFile(const std::string& path, const std::string& bytes);
  bool readWholeFile(const std::string& path, std::string& bytes) const;

  // ------------------------------------------------------------------ registry
  // Key paths and value names are case-insensitive. Inspection and set-up bypass faults and the log.
  bool keyExists(RegRoot root, const std::string& path) const;
  void createKey(RegRoot root, const std::string& path);
  bool getValue(RegRoot root, const std::string& path, const std::string& name, RegValue& value) const;
  std::string getString(RegRoot root, const std::string& path, const std::string& name) const;  // "" if none
  bool getDword(RegRoot root, const std::string& path, const std::string& name, uint32_t& value) const;
  void putValue(RegRoot root, const std::string& path, const std::string& name, const RegValue& value);
  void putString(RegRoot root, const std::string& path, const std::string& name, const std::string& text);
  void putDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value);
  // All keys and values as text, one "HKCU\path" line per key then "  name = value" lines.
  std::string dumpRegistry() const;
  // Makes a key refuse writes: value writes/deletes (and regCreateKey, regDeleteTree) return code;
  // with openFails also opening it for writing returns code.
  void setKeyUnwritable(RegRoot root, const std::string& path, bool openFails = false,
                        Result code = oserr::accessDenied);
  int openKeyCount() const;
  static RegValue stringValue(const std::string& text);  // REG_SZ with its terminating zero
  static RegValue dwordValue(uint32_t value);

  // ------------------------------------------------------------------ windows
  struct SimWindow {
    WindowHandle handle = 0;
    WindowHandle parent = 0;  // 0 = top level
    std::string className, title;
    bool visible = true, iconic = false;
    bool hung = false;  // sendMessageTimeout fails
    int controlId = 0;  // dialog item identifier (children)
    std::vector<WindowHandle> children;
  };
  // Top-level windows are listed in the order they were added (that is EnumWindows' order here).
  WindowHandle addWindow(const std::string& className, const std::string& title, bool visible = true,
                         bool iconic = false);
  WindowHandle addChild(WindowHandle parent, const std::string& className, const std::string& title = "",
                        int controlId = 0);
  void removeWindow(WindowHandle w);  // with its children
  SimWindow* window(WindowHandle w);
  void setHung(WindowHandle w, bool hung = true);

  enum class MessageKind { Send, Post, DlgItem };
  struct WindowMessage {
    MessageKind kind;
    WindowHandle window;  // the dialog for DlgItem
    int item = 0;         // DlgItem only
    uint32_t msg = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
  };
  std::vector<WindowMessage> messages;  // every message sent, posted or sent to a dialog item
  // Called for every message after it is recorded (a test may, say, remove the window on WM_CLOSE).
  std::function<void(const WindowMessage&)> onMessage;

  // ------------------------------------------------------------------ shell
  struct ShellCall {
    WindowHandle owner;
    std::string verb, file, parameters, directory;
    int show;
  };
  std::vector<ShellCall> shellCalls;
  intptr_t shellExecuteResult = 42;   // > 32: success
  std::function<void(const ShellCall&)> onShellExecute;
  struct ProcessCall {
    std::string program, arguments;
    int show;
  };
  std::vector<ProcessCall> processCalls;
  bool startProcessResult = true;
  std::function<void(const ProcessCall&)> onStartProcess;
  struct WallpaperCall {
    bool hasPath;
    std::string path;
    uint32_t flags;
  };
  std::vector<WallpaperCall> wallpaperCalls;
  bool setDeskWallpaperResult = true;  // a call that succeeds with SPIF_UPDATEINIFILE saves the path too
  // The session's desktop colour as setDesktopColour set it last (0x00RRGGBB), and how often it was set.
  uint32_t desktopColour = 0;
  int desktopColourCalls = 0;
  // The primary screen in physical pixels; a width of 0: its size cannot be learnt.
  int screenWidth = 1024, screenHeight = 768;
  // The system's own version (RtlGetVersion) when set; otherwise the one getVersion reports.
  bool realVersionSet = false;
  OsVersion realVersion;

  // ------------------------------------------------------------------ Active Desktop
  // Non-empty: createActiveDesktop fails with this text.
  std::string activeDesktopFailure;
  int32_t activeDesktopResult = 0;  // the HRESULT every method returns
  int activeDesktopsCreated = 0;
  // Libraries: every load that succeeded so far, and how many handles are loaded now.
  int libraryLoads = 0;
  int loadedLibraries() const;
  int activeDesktopsAlive = 0;

  // ------------------------------------------------------------------ user interface
  struct BoxRecord {
    std::string text, caption;
    BoxKind kind;
  };
  std::vector<BoxRecord> boxes;
  // Answers, in order; when empty, onMessageBox decides; without it the first button answers
  // (Abort, Ok, Ok, Yes, Ok).
  std::deque<BoxAnswer> answers;
  std::function<BoxAnswer(const BoxRecord&)> onMessageBox;
  std::vector<Cursor> cursorChanges;

  // ------------------------------------------------------------------ call log
  // Lines, in call order:
  //   "regOpenKey HKCU\<path>" (+ " write"), "regCreateKey HKLM\<path>", "regQueryValue HKCU\<path> [Name]",
  //   "regSetValue HKCU\<path> [Name] = <value>", "regDeleteValue HKCU\<path> [Name]",
  //   "regCloseKey HKCU\<path>", "regDeleteTree HKLM\<path>"  (key paths as the caller spelled them;
  //   values: REG_SZ as "text" in quotes, REG_DWORD as 0x%x, REG_MULTI_SZ as multi:"a","b","" (each text
  //   up to its zero), binary as hex bytes)
  //   "ActiveDesktop.create", "ActiveDesktop.setDesktopItemOptions 1 1", "ActiveDesktop.setWallpaper <path>",
  //   "ActiveDesktop.applyChanges 0xf", "ActiveDesktop.release"
  //   "messageBox <caption>: <text>", "shellExecute <verb> <file> <parameters>",
  //   "startProcess <program> <arguments> <show>",
  //   "postMessage <class> 0x<msg> 0x<wParam> <lParam>", "sendMessage <class> 0x<msg> 0x<wParam> <lParam>",
  //   "sendDlgItemMessage <title> <item> 0x<msg>", "setDeskWallpaper <path or (null)> <flags>",
  //   "setCursor Wait" / "setCursor Default"
  std::vector<std::string> callLog;
  // The log lines that start with prefix.
  std::vector<std::string> callsStartingWith(const std::string& prefix) const;

  // ------------------------------------------------------------------ Platform: System
  int32_t lastError() override;
  void setLastError(int32_t code) override;
  std::string systemErrorText(int32_t code) override;
  bool getEnv(const std::string& name, std::string& value) override;
  std::string windowsDirectory() override { return windowsDirectory_; }
  std::string systemDirectory() override { return systemDirectory_; }
  std::string tempPath() override { return tempPath_; }
  std::string executablePath() override { return executablePath_; }
  bool getVersion(OsVersion& out) override;
  bool getRealVersion(OsVersion& out) override;
  void* loadLibrary(const std::string& path) override;
  void* getProcAddress(void* library, const std::string& name) override;
  void freeLibrary(void* library) override;

  // ------------------------------------------------------------------ Platform: FileSystem
  uint32_t getAttributes(const std::string& path) override;
  bool setAttributes(const std::string& path, uint32_t attributes) override;
  bool deleteFile(const std::string& path) override;
  bool createDirectory(const std::string& path) override;
  bool removeDirectory(const std::string& path) override;
  bool copyFile(const std::string& from, const std::string& to, bool failIfExists) override;
  bool findFiles(const std::string& pattern, std::vector<FindEntry>& out) override;
  std::unique_ptr<File> open(const std::string& path, OpenMode mode) override;
  std::string shortPathName(const std::string& path) override;
  bool fileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) override;

  // ------------------------------------------------------------------ Platform: Registry
  Result regOpenKey(RegRoot root, const std::string& path, bool write, RegKey& key) override;
  Result regCreateKey(RegRoot root, const std::string& path, RegKey& key) override;
  Result regQueryValue(RegKey key, const std::string& name, RegValue& value) override;
  Result regSetValue(RegKey key, const std::string& name, const RegValue& value) override;
  Result regDeleteValue(RegKey key, const std::string& name) override;
  void regCloseKey(RegKey key) override;
  Result regDeleteTree(RegRoot root, const std::string& path) override;
  Result regEnumSubkeys(RegKey key, std::vector<std::string>& names) override;

  // ------------------------------------------------------------------ Platform: Shell
  WindowHandle findWindow(const char* className, const char* title) override;
  WindowHandle firstChild(WindowHandle window) override;
  std::vector<WindowHandle> topLevelWindows() override;
  std::string windowClassName(WindowHandle window) override;
  bool isWindowVisible(WindowHandle window) override;
  bool isIconic(WindowHandle window) override;
  bool sendMessageTimeout(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                          uint32_t timeoutMs) override;
  bool postMessage(WindowHandle window, uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
  intptr_t sendDlgItemMessage(WindowHandle dialog, int item, uint32_t msg, uintptr_t wParam,
                              intptr_t lParam) override;
  intptr_t shellExecute(WindowHandle owner, const char* verb, const std::string& file, const char* parameters,
                        const char* directory, int show) override;
  bool startProcess(const std::string& program, const std::string& arguments, int show) override;
  bool setDeskWallpaper(const char* path, uint32_t flags) override;
  bool setDesktopColour(int red, int green, int blue) override;
  bool primaryScreenSize(int& width, int& height) override;
  Result createActiveDesktop(std::unique_ptr<ActiveDesktop>& desktop) override;

  // ------------------------------------------------------------------ Platform: Dialogs
  BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) override;
  Cursor cursor() override { return cursor_; }
  void setCursor(Cursor c) override;

  // Shared with open files (which may outlive a test's expectations but not the platform's state).
  struct Shared;

 private:
  // A new window under the next free handle, registered by handle; the caller links it in.
  SimWindow& newWindow(const std::string& className, const std::string& title);
  struct Parsed;
  struct RegKeyData {
    std::string name;  // spelling of its first creation
    std::map<std::string, std::pair<std::string, RegValue>> values;  // upper-case name -> (name, value)
  };
  struct OpenKey {
    RegRoot root;
    std::string path;  // as the caller spelled it
    std::string keyId; // normalised
    bool write;
  };
  struct KeyFault {
    bool openFails;
    Result code;
  };

  bool parse(const std::string& windowsPath, Parsed& out) const;
  std::string resolve(const Parsed& p) const;
  std::string keyOf(const std::string& windowsPath) const;  // normalised (upper case) Windows path
  bool fail(int32_t code);
  uint32_t storedAttributes(const std::string& hostPath) const;
  std::string regId(RegRoot root, const std::string& path) const;
  const KeyFault* keyFault(const std::string& id) const;
  void logCall(const std::string& line) { callLog.push_back(line); }
  std::string windowName(WindowHandle w);
  void recordMessage(const WindowMessage& m);

  std::string root_;
  std::shared_ptr<Shared> shared_;
  std::map<std::string, std::pair<std::string, std::string>> env_;  // upper name -> (name, value)
  std::string windowsDirectory_ = "C:\\WINDOWS";
  std::string systemDirectory_ = "C:\\WINDOWS\\system32";
  std::string tempPath_ = "C:\\TEMP\\";
  std::string executablePath_ = "C:\\Downloads\\install.exe";
  OsVersion version_ = windows2000();
  bool versionFails_ = false;
  std::map<int32_t, std::string> errorTexts_;

  std::map<std::string, uint32_t> attributes_;  // host path -> read-only/hidden/system/archive bits
  std::set<std::string> busy_;
  std::map<std::string, int> deleteAttempts_;
  std::map<std::string, int32_t> createDirFaults_, openFaults_, copyFaults_, loadFaults_;
  std::map<std::string, std::pair<uint32_t, uint32_t>> versions_;
  std::map<std::string, std::string> shortPaths_;
  std::map<void*, std::pair<std::string, int>> libraries_;  // handle -> (host path, load count)

  std::map<std::string, RegKeyData> registry_;  // "HKCU\PATH" (upper case) -> key
  std::map<RegKey, OpenKey> openKeys_;
  RegKey nextKey_ = 0x1000;
  std::map<std::string, KeyFault> keyFaults_;

  std::map<WindowHandle, SimWindow> windows_;
  std::vector<WindowHandle> topLevel_;
  WindowHandle nextWindow_ = 0x10010;

  Cursor cursor_ = Cursor::Default;
};

// Installs a HostPlatform on a fresh sandbox folder for the lifetime of the object (tests).
class HostSandbox {
 public:
  HostSandbox();
  ~HostSandbox();  // uninstalls the platform and removes the folder
  HostPlatform& platform() { return *platform_; }
  HostPlatform* operator->() { return platform_.get(); }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
  std::unique_ptr<HostPlatform> platform_;
};

}  // namespace mv
