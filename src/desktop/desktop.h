#pragma once
// Desktop integration: the Active Desktop wallpaper, the uninstall entry, and small shell helpers.
#include <string>

#include "platform/platform.h"

namespace mv {

// Active Desktop wallpaper. Raises PlatformError with the texts of the system; restores the normal
// cursor when it stops with an error.
Result registerWallpaperPage();  // Windows folder + "Web\Wallpaper\" + data title + ".html"
void setActiveDesktopWallpaper(const std::string& htmlPath, int red, int green, int blue);

// Uninstall registration.
std::string uninstallDisplayName(const std::string& title);
std::string installerCaption(const std::string& title);
bool containsWallpaperWord(const std::string& text);
std::string uninstallCommand(const std::string& title);  // quoted long form, or the 8.3 form on 9x
Result writeUninstallEntry(const std::string& title);     // raises PlatformError
void removeUninstallEntry(const std::string& title);

// System helpers.
void closeDisplayProperties();
void openDisplayProperties(bool showDesktopFlag);
void minimiseOtherWindows();
bool isWindows9x();

}  // namespace mv
