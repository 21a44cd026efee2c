// The still wallpaper step: when it is needed, the picture it writes, the user's wallpaper it records in
// the uninstall entry, and the wallpaper setting it changes - in that order, undone on a failure.
#include <memory>
#include <vector>

#include "desktop/desktop.h"
#include "desktop/registry_text.h"
#include "desktop/still_wallpaper.h"
#include "support/paths.h"

namespace mv::still {

using desktop_detail::KeyCloser;

namespace {

const char* const kDesktopKey = "Control Panel\\Desktop";
const char* const kWallpaper = "Wallpaper";
const char* const kStyle = "WallpaperStyle";
const char* const kTile = "TileWallpaper";
constexpr uint32_t kUpdateAndBroadcast = 0x01 | 0x02;  // SPIF_UPDATEINIFILE | SPIF_SENDCHANGE

// A REG_SZ value; false when the key or the value is missing or holds something else.
bool readText(Registry& registry, RegKey key, const char* name, std::string& out) {
  RegValue value;
  if (registry.regQueryValue(key, name, value) != 0 || value.type != RegType::String) return false;
  size_t n = 0;
  while (n < value.data.size() && value.data[n] != 0) ++n;
  out.assign(value.data.begin(), value.data.begin() + long(n));
  return true;
}

// One text value of the user's wallpaper, and whether it was there at all.
struct Setting {
  bool present = false;
  std::string text;
};

struct Wallpaper {
  Setting path, style, tile;
};

Wallpaper currentWallpaper(Registry& registry) {
  Wallpaper w;
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::CurrentUser, kDesktopKey, false, key) != 0 || !key) return w;
  KeyCloser closer(registry, key);
  w.path.present = readText(registry, key, kWallpaper, w.path.text);
  w.style.present = readText(registry, key, kStyle, w.style.text);
  w.tile.present = readText(registry, key, kTile, w.tile.text);
  return w;
}

// Writes a setting, or removes the value when the setting was not there.
bool putSetting(Registry& registry, RegKey key, const char* name, const Setting& setting) {
  if (setting.present) return registry.regSetValue(key, name, RegValue::text(setting.text)) == 0;
  (void)registry.regDeleteValue(key, name);  // a value that was not there either is the wanted state
  return true;
}

RegKey openEntry(Registry& registry, const std::string& title) {
  RegKey key = 0;
  if (title.empty() || title.find('\\') != std::string::npos) return 0;
  if (registry.regOpenKey(RegRoot::LocalMachine, uninstallKeyPath(title), true, key) != 0) return 0;
  return key;
}

// Records the user's wallpaper in the uninstall entry, and the picture that replaces it. When the
// wallpaper already is the picture of an earlier installation of the same content, the record of what
// the user had before that installation stays.
bool recordPrevious(Registry& registry, const std::string& title, const Wallpaper& previous,
                    const std::string& picture) {
  RegKey key = openEntry(registry, title);
  if (!key) return false;
  KeyCloser closer(registry, key);
  std::string earlierPicture;
  const bool reinstalled = readText(registry, key, entry::kPicture, earlierPicture) && previous.path.present &&
                           equalsIgnoreCase(earlierPicture, previous.path.text);
  if (!reinstalled && !(putSetting(registry, key, entry::kPreviousPath, previous.path) &&
                        putSetting(registry, key, entry::kPreviousStyle, previous.style) &&
                        putSetting(registry, key, entry::kPreviousTile, previous.tile)))
    return false;
  return registry.regSetValue(key, entry::kPicture, RegValue::text(picture)) == 0;
}

void forgetRecord(Registry& registry, const std::string& title) {
  RegKey key = openEntry(registry, title);
  if (!key) return;
  KeyCloser closer(registry, key);
  for (const char* name : {entry::kPicture, entry::kPreviousPath, entry::kPreviousStyle, entry::kPreviousTile})
    (void)registry.regDeleteValue(key, name);  // what cannot be deleted only makes the uninstaller look
}

// Centred and not tiled: a picture of the screen's size then shows pixel for pixel.
bool applyPicture(Platform& platform, const std::string& picture, const Wallpaper& previous) {
  Registry& registry = platform;
  RegKey key = 0;
  if (registry.regCreateKey(RegRoot::CurrentUser, kDesktopKey, key) != 0 || !key) return false;
  KeyCloser closer(registry, key);
  if (registry.regSetValue(key, kStyle, RegValue::text("0")) == 0 &&
      registry.regSetValue(key, kTile, RegValue::text("0")) == 0 &&
      platform.setDeskWallpaper(picture.c_str(), kUpdateAndBroadcast))
    return true;
  (void)putSetting(registry, key, kStyle, previous.style);  // undone as far as the system lets it
  (void)putSetting(registry, key, kTile, previous.tile);
  return false;
}

// The movie's bytes, at most kMaxMovieBytes.
bool readMovie(FileSystem& files, const std::string& path, std::vector<uint8_t>& out) {
  std::unique_ptr<File> file = files.open(path, OpenMode::Read);
  if (!file) return false;
  const int64_t size = file->size();
  if (size <= 0 || uint64_t(size) > kMaxMovieBytes) return false;
  out.resize(size_t(size));
  return file->read(out.data(), size) == size;
}

}  // namespace

bool systemShowsNoWebPage(const OsVersion& v) {
  return v.platformId == 2 && (v.major > 6 || (v.major == 6 && v.minor >= 2));
}

StillOutcome installStillWallpaper(Platform& platform, const StillRequest& request, StillPainter& painter) {
  OsVersion version;
  const bool newSystem = platform.getRealVersion(version) && systemShowsNoWebPage(version);
  if (!newSystem && request.activeDesktopTookPage) return StillOutcome::notNeeded;
  int width = 0, height = 0;
  if (!platform.primaryScreenSize(width, height) || width <= 0 || height <= 0) return StillOutcome::noScreen;

  const MovieChoice movie = chooseMovie(platform, request.pagePath, request.contentFolder, request.contentNames);
  if (movie.path.empty()) return StillOutcome::noMovie;
  std::vector<uint8_t> bytes;
  if (!readMovie(platform, movie.path, bytes)) return StillOutcome::unreadable;
  StillLook look;
  look.scale = movie.scale;
  look.stageColour = movie.stageColour;
  look.margin = request.background & 0xFFFFFF;
  const StillPainter::Outcome painted = painter.paint(bytes.data(), bytes.size(), width, height, look);
  if (painted == StillPainter::Outcome::refused) return StillOutcome::refused;
  if (painted == StillPainter::Outcome::blank) return StillOutcome::blank;
  std::vector<uint8_t>().swap(bytes);

  Registry& registry = platform;
  std::string earlier;
  if (RegKey key = openEntry(registry, request.title)) {
    KeyCloser closer(registry, key);
    (void)readText(registry, key, entry::kPicture, earlier);  // none: no earlier picture of ours to reuse
  }
  const std::string name = freePictureName(platform, request.contentFolder, earlier);
  if (name.empty()) return StillOutcome::notWritten;
  const std::string picture = request.contentFolder + name;
  if (!writeBmp24(platform, picture, width, height, painter)) return StillOutcome::notWritten;

  const Wallpaper previous = currentWallpaper(registry);
  if (!recordPrevious(registry, request.title, previous, picture)) {
    forgetRecord(registry, request.title);
    (void)platform.deleteFile(picture);  // the step leaves nothing; a picture that stays goes with the folder
    return StillOutcome::notWritten;
  }
  if (!applyPicture(platform, picture, previous)) {
    forgetRecord(registry, request.title);
    (void)platform.deleteFile(picture);
    return StillOutcome::notApplied;
  }
  return StillOutcome::set;
}

}  // namespace mv::still
