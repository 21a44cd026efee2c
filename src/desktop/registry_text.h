#pragma once
// Small helpers shared by the wallpaper, the desktop record and the uninstall code: the error texts with
// their one "%s", a key that closes itself, and text values that may be absent.
#include <cstdint>
#include <string>

#include "desktop/desktop_record_names.h"
#include "platform/platform.h"

namespace mv::desktop_detail {

// The text with its first "%s" replaced by arg.
inline std::string withArgument(const char* pattern, const std::string& arg) {
  std::string s(pattern);
  size_t at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

// Closes a registry key on every way out of a scope.
class KeyCloser {
 public:
  KeyCloser(Registry& registry, RegKey key) : registry_(registry), key_(key) {}
  ~KeyCloser() { if (key_) registry_.regCloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  Registry& registry_;
  RegKey key_;
};

// A REG_SZ value up to its first zero; false when the value is missing or holds something else.
inline bool readText(Registry& registry, RegKey key, const char* name, std::string& out) {
  RegValue value;
  if (registry.regQueryValue(key, name, value) != 0 || value.type != RegType::String) return false;
  size_t n = 0;
  while (n < value.data.size() && value.data[n] != 0) ++n;
  out.assign(value.data.begin(), value.data.begin() + long(n));
  return true;
}

// One text value of the user's settings, and whether it was there at all.
struct Setting {
  bool present = false;
  std::string text;
};

inline Setting readSetting(Registry& registry, RegKey key, const char* name) {
  Setting setting;
  setting.present = key && readText(registry, key, name, setting.text);
  return setting;
}

// Writes a setting, or removes the value when the setting was not there.
inline bool putSetting(Registry& registry, RegKey key, const char* name, const Setting& setting) {
  if (setting.present) return registry.regSetValue(key, name, RegValue::text(setting.text)) == 0;
  (void)registry.regDeleteValue(key, name);  // a value that was not there either is the wanted state
  return true;
}

// The wallpaper's three values, as HKCU\Control Panel\Desktop holds them and the desktop record keeps them.
struct WallpaperSetting {
  Setting path, style, tile;
};

inline WallpaperSetting readWallpaper(Registry& registry, RegKey key) {
  return {readSetting(registry, key, MV_WALLPAPER), readSetting(registry, key, MV_WALLPAPER_STYLE),
          readSetting(registry, key, MV_TILE_WALLPAPER)};
}

inline WallpaperSetting currentWallpaper(Registry& registry) {
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::CurrentUser, MV_DESKTOP_KEY, false, key) != 0 || !key) return {};
  KeyCloser closer(registry, key);
  return readWallpaper(registry, key);
}

}  // namespace mv::desktop_detail
