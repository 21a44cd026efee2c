#pragma once
// Windows and the shell: finding, enumerating and messaging top-level windows (other programs' too),
// starting programs and documents, the desktop wallpaper and colour and the shell's Active Desktop object. Titles,
// class names and paths are UTF-8.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/result.h"
#include "support/result.h"

namespace mv {

using WindowHandle = uintptr_t;  // 0 = none

// The shell's Active Desktop object (IActiveDesktop); each call returns the HRESULT.
class ActiveDesktop {
 public:
  virtual ~ActiveDesktop() = default;
  virtual int32_t setDesktopItemOptions(bool enableComponents, bool activeDesktop) = 0;
  virtual int32_t setWallpaper(const std::string& path) = 0;
  virtual int32_t applyChanges(uint32_t flags) = 0;
};

class Shell {
 public:
  // The code the last failing call left (GetLastError numbering, support/result.h). One value for all
  // topics: the platform object implements these once.
  virtual int32_t lastError() = 0;
  virtual void setLastError(int32_t code) = 0;

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
  // The desktop's colour for this session (SetSysColors of COLOR_DESKTOP, which the system does not
  // save: HKCU\Control Panel\Colors "Background" holds it for the next one).
  virtual bool setDesktopColour(int red, int green, int blue) = 0;
  // The primary screen's size in physical pixels (its display mode, whatever DPI scaling reports to
  // this program); false when it cannot be learnt.
  virtual bool primaryScreenSize(int& width, int& height) = 0;
  // CoCreateInstance(CLSID_ActiveDesktop) and QueryInterface(IActiveDesktop) into desktop; a failure
  // with the system's text when the object cannot be created or offers no IActiveDesktop.
  virtual Result createActiveDesktop(std::unique_ptr<ActiveDesktop>& desktop) = 0;

 protected:
  ~Shell() = default;  // never deleted through a topic: the platform object owns them all
};

}  // namespace mv
