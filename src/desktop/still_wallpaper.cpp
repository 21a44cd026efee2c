// The still wallpaper step: when it is needed, the picture it writes, the picture it records in the
// uninstall entry and the desktop record, and the wallpaper setting it changes - in that order, undone on
// a failure.
#include <memory>
#include <vector>

#include "desktop/desktop.h"
#include "desktop/desktop_record.h"
#include "desktop/registry_text.h"
#include "desktop/still_wallpaper.h"
#include "platform/file_helpers.h"
#include "support/paths.h"

namespace mv::still {

using desktop_detail::currentWallpaper;
using desktop_detail::KeyCloser;
using desktop_detail::putSetting;
using desktop_detail::readText;
using desktop_detail::WallpaperSetting;

namespace {

const char* const kDesktopKey = MV_DESKTOP_KEY;
const char* const kWallpaper = MV_WALLPAPER;
const char* const kStyle = MV_WALLPAPER_STYLE;
const char* const kTile = MV_TILE_WALLPAPER;
constexpr uint32_t kUpdateAndBroadcast = 0x01 | 0x02;  // SPIF_UPDATEINIFILE | SPIF_SENDCHANGE

RegKey openEntry(Registry& registry, const std::string& title) {
  RegKey key = 0;
  if (!titleNamesOneKey(title)) return 0;
  if (registry.regOpenKey(RegRoot::LocalMachine, uninstallKeyPath(title), true, key) != 0) return 0;
  return key;
}

// Records the picture that replaces the user's wallpaper, in the uninstall entry and in the desktop
// record, which holds what the user had (desktop/desktop_record.h).
bool recordPicture(Registry& registry, const std::string& title, const std::string& picture) {
  RegKey key = openEntry(registry, title);
  if (!key) return false;
  KeyCloser closer(registry, key);
  return registry.regSetValue(key, entry::kPicture, RegValue::text(picture)) == 0 &&
         desktop_record::recordPicture(registry, title, picture);
}

void forgetRecord(Registry& registry, const std::string& title) {
  desktop_record::forgetPicture(registry, title);
  RegKey key = openEntry(registry, title);
  if (!key) return;
  KeyCloser closer(registry, key);
  (void)registry.regDeleteValue(key, entry::kPicture);  // what cannot be deleted only makes the uninstaller look
}

// Centred and not tiled: a picture of the screen's size then shows pixel for pixel.
bool applyPicture(Platform& platform, const std::string& picture, const WallpaperSetting& previous) {
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
  // The movie's bytes, at most kMaxMovieBytes; an empty file is unreadable too.
  FileBytes bytes;
  if (readWholeFile(platform, movie.path, kMaxMovieBytes, bytes) != rc::ok || bytes.size == 0)
    return StillOutcome::unreadable;
  StillLook look;
  look.scale = movie.scale;
  look.stageColour = movie.stageColour;
  look.margin = request.background & 0xFFFFFF;
  const StillPainter::Outcome painted = painter.paint(bytes.data.get(), bytes.size, width, height, look);
  if (painted == StillPainter::Outcome::refused) return StillOutcome::refused;
  if (painted == StillPainter::Outcome::blank) return StillOutcome::blank;
  bytes = FileBytes();

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

  const WallpaperSetting previous = currentWallpaper(registry);
  if (!recordPicture(registry, request.title, picture)) {
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
