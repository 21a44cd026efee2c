// The Active Desktop wallpaper: switches the shell's Active Desktop on, clears and then sets its
// wallpaper to the content's HTML page (in the registry and through IActiveDesktop, twice each), sets
// the plain background colour and makes the desktop redraw.
#include "desktop/desktop.h"
#include "desktop/desktop_record_names.h"
#include "desktop/registry_text.h"
#include "support/install_layout.h"
#include "support/user_texts.h"

namespace mv {

using namespace desktop_detail;

namespace {

const char* const kComponentKey = "Software\\Microsoft\\Internet Explorer\\Desktop\\Components\\0";
const char* const kGeneralKey = "Software\\Microsoft\\Internet Explorer\\Desktop\\General";
const char* const kColorsKey = MV_COLORS_KEY;
const char* const kFlags = "Flags";
const char* const kWallpaper = "Wallpaper";
const char* const kBackground = MV_BACKGROUND;
constexpr uint32_t kComponentsDisabledBit = 0x2000;
constexpr uint32_t kApplyAll = 0x0F;  // AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE

// Opens an existing per-user key for writing; 0 when it is missing or refuses write access.
RegKey openExistingUserKey(Registry& registry, const char* path) {
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::CurrentUser, path, true, key) != 0) return 0;
  return key;
}

Result setValue(Registry& registry, RegKey key, const char* name, const RegValue& value) {
  if (registry.regSetValue(key, name, value) != 0) return Result::failure(withArgument(text::failedToSetData, name));
  return Result();
}

// Writes a text value into an existing per-user key; a missing key is skipped.
Result writeUserText(Registry& registry, const char* keyPath, const char* name, const std::string& data) {
  RegKey key = openExistingUserKey(registry, keyPath);
  if (!key) return Result();
  KeyCloser closer(registry, key);
  return setValue(registry, key, name, RegValue::text(data));
}

// Component 0's "Flags" without the bit that keeps desktop components off; written only when it changes.
Result enableComponentZero(Registry& registry) {
  RegKey key = openExistingUserKey(registry, kComponentKey);
  if (!key) return Result();
  KeyCloser closer(registry, key);
  RegValue value;
  if (registry.regQueryValue(key, kFlags, value) != 0)
    return Result::failure(withArgument(text::failedToGetData, kFlags));
  if (value.type != RegType::Dword || value.data.size() != 4)
    return Result::failure(withArgument(text::invalidDataType, kFlags));
  uint32_t flags = uint32_t(value.data[0]) | uint32_t(value.data[1]) << 8 | uint32_t(value.data[2]) << 16 |
                   uint32_t(value.data[3]) << 24;
  if (flags & kComponentsDisabledBit)
    return setValue(registry, key, kFlags, RegValue::dword(flags & ~kComponentsDisabledBit));
  return Result();
}

// The window that draws the desktop's icons: first child of the first child of Program Manager.
WindowHandle desktopViewWindow(Shell& shell) {
  WindowHandle w = shell.findWindow("Progman", "Program Manager");
  if (w) w = shell.firstChild(w);
  if (w) w = shell.firstChild(w);
  return w;
}

// One pass over the Active Desktop object; the object stays with the caller. Its HRESULTs change
// nothing here: a pass the shell does not take leaves the registry values, which are written either way.
// Returns whether the shell took the wallpaper and applied it (which the still wallpaper asks).
bool applyActiveDesktop(ActiveDesktop& desktop, const std::string& wallpaper) {
  (void)desktop.setDesktopItemOptions(true, true);
  const bool taken = desktop.setWallpaper(wallpaper) >= 0;
  const bool applied = desktop.applyChanges(kApplyAll) >= 0;
  return taken && applied;
}

// Stops at the first failure and hands it on.
Result runWallpaperSteps(Platform& platform, const std::string& htmlPath, int red, int green, int blue,
                         bool& pageTaken) {
  Registry& registry = platform;
  Shell& shell = platform;
  Result result = enableComponentZero(registry);
  if (!result.ok()) return result;
  WindowHandle view = desktopViewWindow(shell);

  // Clear the wallpaper first, in the registry and through the shell ...
  result = writeUserText(registry, kGeneralKey, kWallpaper, "");
  if (!result.ok()) return result;
  std::unique_ptr<ActiveDesktop> desktop;
  result = shell.createActiveDesktop(desktop);
  if (!result.ok()) return result;
  (void)applyActiveDesktop(*desktop, std::string());  // clearing: whether the shell took it tells nothing

  result = writeUserText(registry, kColorsKey, kBackground, backgroundColourText(red, green, blue));
  if (!result.ok()) return result;

  // ... then point it at the page.
  result = writeUserText(registry, kGeneralKey, kWallpaper, htmlPath);
  if (!result.ok()) return result;
  result = shell.createActiveDesktop(desktop);
  if (!result.ok()) return result;
  pageTaken = applyActiveDesktop(*desktop, htmlPath);

  // Neither the system parameter nor the refresh is examined: the registry and the Active Desktop
  // object already hold the page, and a desktop that misses the nudge shows it at its next redraw.
  (void)shell.setDeskWallpaper(htmlPath.c_str(), 0);
  (void)shell.setDeskWallpaper(nullptr, 2);  // SPIF_SENDWININICHANGE
  if (view) (void)shell.postMessage(view, winmsg::keyDown, winmsg::vkF5, 3);
  return Result();
}

}  // namespace

std::string backgroundColourText(int32_t red, int32_t green, int32_t blue) {
  return std::to_string(red) + " " + std::to_string(green) + " " + std::to_string(blue);
}

Result setActiveDesktopWallpaper(Platform& platform, const std::string& htmlPath, int red, int green, int blue,
                                 bool* pageTaken) {
  platform.setCursor(Cursor::Wait);
  bool taken = false;
  Result result = runWallpaperSteps(platform, htmlPath, red, green, blue, taken);
  if (pageTaken) *pageTaken = taken;
  platform.setCursor(Cursor::Default);  // on every way out, a failure too
  return result;
}

Result registerWallpaperPage(Platform& platform, const std::string& windowsFolder, const std::string& title,
                             int red, int green, int blue, bool* pageTaken) {
  return setActiveDesktopWallpaper(platform, layout::pagePath(windowsFolder, title), red, green, blue, pageTaken);
}

}  // namespace mv
