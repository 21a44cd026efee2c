#pragma once
// Win32Platform: the platform interface as the real Win32 calls (kernel32, advapi32, user32, shell32,
// ole32, version). Each method is a thin wrapper that keeps the call's own semantics and error codes;
// texts go to the system as UTF-16 (the wide calls) and come back as UTF-8.
#include <string>
#include <utility>

#include "platform/platform.h"

namespace mv {

class Win32Platform : public Platform {
 public:
  // abortButton: the label of the one button of the ErrorAbort and InformationAbort boxes; the program
  // hands it in from its text table.
  explicit Win32Platform(std::string abortButton) : abortButton_(std::move(abortButton)) {}

  // System
  int32_t lastError() override;
  void setLastError(int32_t code) override;
  std::string systemErrorText(int32_t code) override;
  bool getEnv(const std::string& name, std::string& value) override;
  std::string windowsDirectory() override;
  std::string systemDirectory() override;
  std::string tempPath() override;
  std::string executablePath() override;
  bool getVersion(OsVersion& out) override;
  bool getRealVersion(OsVersion& out) override;
  void* loadLibrary(const std::string& path) override;
  void* getProcAddress(void* library, const std::string& name) override;
  void freeLibrary(void* library) override;

  // FileSystem
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

  // Registry
  Result regOpenKey(RegRoot root, const std::string& path, bool write, RegKey& key) override;
  Result regCreateKey(RegRoot root, const std::string& path, RegKey& key) override;
  Result regQueryValue(RegKey key, const std::string& name, RegValue& value) override;
  Result regSetValue(RegKey key, const std::string& name, const RegValue& value) override;
  Result regDeleteValue(RegKey key, const std::string& name) override;
  void regCloseKey(RegKey key) override;
  Result regDeleteTree(RegRoot root, const std::string& path) override;
  Result regEnumSubkeys(RegKey key, std::vector<std::string>& names) override;

  // Shell
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

  // Dialogs. ErrorAbort and InformationAbort are the "&Abort" box of our own (abort_dialog.h); the other kinds are
  // MessageBoxW. Owned by the process's active window.
  BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) override;
  // The screen cursor: remembered here and shown with SetCursor. A window that wants it to survive
  // mouse moves answers WM_SETCURSOR with it (see cursorHandle()).
  Cursor cursor() override { return cursor_; }
  void setCursor(Cursor c) override;
  // The HCURSOR for the current screen cursor, or nullptr for the default (the window class's cursor).
  void* cursorHandle() const;

 private:
  std::string abortButton_;
  Cursor cursor_ = Cursor::Default;
};

}  // namespace mv
