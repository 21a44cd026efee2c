// The Active Desktop wallpaper: switches the shell's Active Desktop on, clears and then sets its
// wallpaper to the content's HTML page (in the registry and through IActiveDesktop, twice each), sets
// the plain background colour and makes the desktop redraw.
#include "desktop/desktop.h"
#include "desktop/registry_text.h"
#include "package/install_layout.h"
#include "support/user_texts.h"

namespace mv {

using namespace desktop_detail;

namespace {

const char* const kComponentKey = "Software\\Microsoft\\Internet Explorer\\Desktop\\Components\\0";
const char* const kGeneralKey = "Software\\Microsoft\\Internet Explorer\\Desktop\\General";
const char* const kColorsKey = "Control Panel\\Colors";
const char* const kFlags = "Flags";
const char* const kWallpaper = "Wallpaper";
const char* const kBackground = "Background";
constexpr uint32_t kComponentsDisabledBit = 0x2000;
constexpr uint32_t kApplyAll = 0x0F;  // AD_APPLY_SAVE | AD_APPLY_HTMLGEN | AD_APPLY_REFRESH | AD_APPLY_FORCE

// Opens an existing per-user key for writing; 0 when it is missing or refuses write access.
RegKey openExistingUserKey(const char* path) {
  RegKey key = 0;
  if (platform().regOpenKey(RegRoot::CurrentUser, path, true, key) != 0) return 0;
  return key;
}

Status setValue(RegKey key, const char* name, const RegValue& value) {
  if (platform().regSetValue(key, name, value) != 0) return Status::failure(withArgument(text::failedToSetData, name));
  return Status();
}

// Writes a text value into an existing per-user key; a missing key is skipped.
Status writeUserText(const char* keyPath, const char* name, const std::string& data) {
  RegKey key = openExistingUserKey(keyPath);
  if (!key) return Status();
  KeyCloser closer(key);
  return setValue(key, name, RegValue::text(data));
}

// Component 0's "Flags" without the bit that keeps desktop components off; written only when it changes.
Status enableComponentZero() {
  RegKey key = openExistingUserKey(kComponentKey);
  if (!key) return Status();
  KeyCloser closer(key);
  RegValue value;
  if (platform().regQueryValue(key, kFlags, value) != 0)
    return Status::failure(withArgument(text::failedToGetData, kFlags));
  if (value.type != RegType::Dword || value.data.size() != 4)
    return Status::failure(withArgument(text::invalidDataType, kFlags));
  uint32_t flags = uint32_t(value.data[0]) | uint32_t(value.data[1]) << 8 | uint32_t(value.data[2]) << 16 |
                   uint32_t(value.data[3]) << 24;
  if (flags & kComponentsDisabledBit) return setValue(key, kFlags, RegValue::dword(flags & ~kComponentsDisabledBit));
  return Status();
}

// The window that draws the desktop's icons: first child of the first child of Program Manager.
WindowHandle desktopViewWindow() {
  Shell& p = platform();
  WindowHandle w = p.findWindow("Progman", "Program Manager");
  if (w) w = p.firstChild(w);
  if (w) w = p.firstChild(w);
  return w;
}

// One pass over the Active Desktop object; the object stays with the caller.
void applyActiveDesktop(ActiveDesktop& desktop, const std::string& wallpaper) {
  desktop.setDesktopItemOptions(true, true);
  desktop.setWallpaper(wallpaper);
  desktop.applyChanges(kApplyAll);
}

// Stops at the first failure and hands it on.
Status runWallpaperSteps(const std::string& htmlPath, int red, int green, int blue) {
  Platform& p = platform();
  Status status = enableComponentZero();
  if (!status.ok()) return status;
  WindowHandle view = desktopViewWindow();

  // Clear the wallpaper first, in the registry and through the shell ...
  status = writeUserText(kGeneralKey, kWallpaper, "");
  if (!status.ok()) return status;
  std::unique_ptr<ActiveDesktop> desktop;
  status = p.createActiveDesktop(desktop);
  if (!status.ok()) return status;
  applyActiveDesktop(*desktop, std::string());

  status = writeUserText(kColorsKey, kBackground, backgroundColourText(red, green, blue));
  if (!status.ok()) return status;

  // ... then point it at the page.
  status = writeUserText(kGeneralKey, kWallpaper, htmlPath);
  if (!status.ok()) return status;
  status = p.createActiveDesktop(desktop);
  if (!status.ok()) return status;
  applyActiveDesktop(*desktop, htmlPath);

  p.setDeskWallpaper(htmlPath.c_str(), 0);
  p.setDeskWallpaper(nullptr, 2);  // SPIF_SENDWININICHANGE
  if (view) p.postMessage(view, winmsg::keyDown, winmsg::vkF5, 3);
  return Status();
}

}  // namespace

std::string backgroundColourText(int32_t red, int32_t green, int32_t blue) {
  return std::to_string(red) + " " + std::to_string(green) + " " + std::to_string(blue);
}

Status setActiveDesktopWallpaper(const std::string& htmlPath, int red, int green, int blue) {
  Platform& p = platform();
  p.setCursor(Cursor::Wait);
  Status status = runWallpaperSteps(htmlPath, red, green, blue);
  p.setCursor(Cursor::Default);  // on every way out, a failure too
  return status;
}

Status registerWallpaperPage(const std::string& windowsFolder, const std::string& title, int red, int green,
                             int blue) {
  return setActiveDesktopWallpaper(layout::pagePath(windowsFolder, title), red, green, blue);
}

}  // namespace mv
