#pragma once
// Desktop integration: the Active Desktop wallpaper, the uninstall entry, and small shell helpers.
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace mv {

// Each operation takes the platform topics it talks to; the wallpaper, which uses the registry, the shell
// and the cursor, takes the whole platform.

// Active Desktop wallpaper. A failure carries the text of the system; the normal cursor is restored
// when it stops with one.
// The page layout::pagePath(windowsFolder, title) (windowsFolder ends with a backslash). pageTaken, when
// given, receives whether the shell accepted the page (SetWallpaper and ApplyChanges succeeded); that
// answer changes nothing in the operation itself.
Result registerWallpaperPage(Platform& platform, const std::string& windowsFolder, const std::string& title,
                             int red, int green, int blue, bool* pageTaken = nullptr);
Result setActiveDesktopWallpaper(Platform& platform, const std::string& htmlPath, int red, int green, int blue,
                                 bool* pageTaken = nullptr);
// "r g b": signed decimals joined by single blanks, red first.
std::string backgroundColourText(int32_t red, int32_t green, int32_t blue);

// Uninstall registration.
std::string uninstallDisplayName(const std::string& title);
std::string installerCaption(const std::string& title);
bool containsWallpaperWord(const std::string& text);
std::string uninstallKeyPath(const std::string& title);  // "Software\...\Uninstall\" + title
// The title names one key below a list of keys (the installed programs, the desktop record's contents):
// an empty title, or one with a backslash, would reach the list itself or another key.
bool titleNamesOneKey(const std::string& title);
// Quoted long form, or the 8.3 form on 9x.
std::string uninstallCommand(System& system, FileSystem& files, const std::string& title);
Result writeUninstallEntry(Platform& platform, const std::string& title);  // a failure with the system's text
void removeUninstallEntry(Registry& registry, const std::string& title);    // reports nothing
// What the list of installed programs shows beside the name (Apps & features, Add or Remove Programs):
// no Change or Repair button, the size, the folder and the icon. Written into an existing entry after
// the installation has put everything in place; silent, since the entry works without them.
struct UninstallDetails {
  std::string installLocation;  // the content folder
  std::string displayIcon;      // the uninstaller
  uint64_t installedBytes = 0;  // shown in kilobytes, rounded up
};
void writeUninstallDetails(Registry& registry, const std::string& title, const UninstallDetails& details);

// System helpers; none reports a result.
void closeDisplayProperties(Shell& shell);
void openDisplayProperties(System& system, Shell& shell, bool showDesktopFlag);
void minimiseOtherWindows(Shell& shell);
bool isWindows9x(System& system);

// Window messages and constants the helpers send (Win32 values).
namespace winmsg {
constexpr uint32_t keyDown = 0x0100;      // WM_KEYDOWN
constexpr uint32_t sysCommand = 0x0112;   // WM_SYSCOMMAND
constexpr uint32_t buttonClick = 0x00F5;  // BM_CLICK
constexpr uintptr_t vkF5 = 0x74;          // VK_F5
constexpr uintptr_t scMinimize = 0xF020;  // SC_MINIMIZE
constexpr int idCancel = 2;               // IDCANCEL
constexpr uint32_t minimiseTimeoutMs = 2000;  // a hung window is given up on after this
}  // namespace winmsg

}  // namespace mv
