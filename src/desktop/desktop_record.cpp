// The desktop record: the user's own wallpaper and colour, taken once before the first content changes
// them, each content's own settings, and the release that puts back what should show when a content goes.
#include "desktop/desktop_record.h"

#include <algorithm>

#include "desktop/desktop.h"
#include "desktop/desktop_record_names.h"
#include "desktop/registry_text.h"
#include "platform/file_helpers.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv::desktop_record {

using namespace desktop_detail;

namespace {

constexpr uint32_t kUpdateAndBroadcast = 0x01 | 0x02;  // SPIF_UPDATEINIFILE | SPIF_SENDCHANGE

const std::string kContentsKey = MV_RECORD_KEY "\\" MV_RECORD_CONTENTS;

std::string contentKey(const std::string& title) { return kContentsKey + "\\" + title; }

bool isInside(const std::string& path, const std::string& folder) {
  return !folder.empty() && path.size() > folder.size() && equalsIgnoreCase(path.substr(0, folder.size()), folder);
}

// One value of a key (opened for reading); absent when the key or the value is.
Setting readValue(Registry& registry, RegRoot root, const std::string& keyPath, const char* name) {
  RegKey key = 0;
  if (registry.regOpenKey(root, keyPath, false, key) != 0 || !key) return Setting();
  KeyCloser closer(registry, key);
  return readSetting(registry, key, name);
}

// The wallpaper an installer before the record kept in the uninstall entry.
struct EntryRecord {
  Setting picture;
  WallpaperSetting previous;
};

EntryRecord readEntry(Registry& registry, const std::string& title) {
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::LocalMachine, uninstallKeyPath(title), false, key) != 0 || !key) return {};
  KeyCloser closer(registry, key);
  return {readSetting(registry, key, MV_ENTRY_PICTURE),
          {readSetting(registry, key, MV_ENTRY_PREVIOUS_PATH), readSetting(registry, key, MV_ENTRY_PREVIOUS_STYLE),
           readSetting(registry, key, MV_ENTRY_PREVIOUS_TILE)}};
}

struct Content {
  std::string title;
  uint32_t order = 0;
  Setting colour, picture;
};

uint32_t readOrder(Registry& registry, RegKey key) {
  RegValue value;
  if (registry.regQueryValue(key, MV_CONTENT_ORDER, value) != 0 || value.type != RegType::Dword ||
      value.data.size() != 4)
    return 0;
  return uint32_t(value.data[0]) | uint32_t(value.data[1]) << 8 | uint32_t(value.data[2]) << 16 |
         uint32_t(value.data[3]) << 24;
}

// The record as it stands: the user's own values and the contents, in the registry's order.
struct Record {
  bool exists = false;
  WallpaperSetting own;
  Setting ownColour;
  std::vector<Content> contents;
};

std::vector<Content> readContents(Registry& registry) {
  std::vector<Content> contents;
  std::vector<std::string> names;
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::CurrentUser, kContentsKey, false, key) != 0 || !key) return contents;
  {
    KeyCloser closer(registry, key);
    if (registry.regEnumSubkeys(key, names) != 0) names.clear();
  }
  for (const std::string& name : names) {
    RegKey one = 0;
    if (registry.regOpenKey(RegRoot::CurrentUser, contentKey(name), false, one) != 0 || !one) continue;
    KeyCloser closer(registry, one);
    contents.push_back({name, readOrder(registry, one), readSetting(registry, one, MV_CONTENT_COLOUR),
                        readSetting(registry, one, MV_CONTENT_PICTURE)});
  }
  return contents;
}

Record readRecord(Registry& registry) {
  Record record;
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::CurrentUser, MV_RECORD_KEY, false, key) != 0 || !key) return record;
  {
    KeyCloser closer(registry, key);
    record.exists = true;
    record.own = readWallpaper(registry, key);
    record.ownColour = readSetting(registry, key, MV_BACKGROUND);
  }
  record.contents = readContents(registry);
  return record;
}

// ---- taking the record

Result writeValue(Registry& registry, RegKey key, const char* name, const RegValue& value) {
  if (registry.regSetValue(key, name, value) != 0) return Result::failure(withArgument(text::failedToSetData, name));
  return Result();
}

Result writeSetting(Registry& registry, RegKey key, const char* name, const Setting& setting) {
  if (!putSetting(registry, key, name, setting)) return Result::failure(withArgument(text::failedToSetData, name));
  return Result();
}

// The user's own values, taken from the desktop as it is. A wallpaper inside the content's folder is an
// earlier installation's picture of the same content: the user's is in its uninstall entry, if anywhere.
Result writeOwnValues(Registry& registry, const ContentMark& mark) {
  WallpaperSetting own = currentWallpaper(registry);
  if (own.path.present && isInside(own.path.text, mark.contentFolder)) {
    const EntryRecord earlier = readEntry(registry, mark.title);
    own = earlier.picture.present ? earlier.previous : WallpaperSetting();
  }
  const Setting colour = readValue(registry, RegRoot::CurrentUser, MV_COLORS_KEY, MV_BACKGROUND);
  (void)registry.regDeleteTree(RegRoot::CurrentUser, MV_RECORD_KEY);  // a record without contents is stale
  RegKey key = 0;
  if (registry.regCreateKey(RegRoot::CurrentUser, MV_RECORD_KEY, key) != 0 || !key)
    return Result::failure(withArgument(text::failedToCreateKey, MV_RECORD_KEY));
  KeyCloser closer(registry, key);
  Result result = writeSetting(registry, key, MV_WALLPAPER, own.path);
  if (result.ok()) result = writeSetting(registry, key, MV_WALLPAPER_STYLE, own.style);
  if (result.ok()) result = writeSetting(registry, key, MV_TILE_WALLPAPER, own.tile);
  if (result.ok()) result = writeSetting(registry, key, MV_BACKGROUND, colour);
  return result;
}

// ---- releasing

struct Choice {
  Restored kind = Restored::untouched;
  WallpaperSetting wallpaper;
  Setting colour;
  std::string from;
};

// The wallpaper to show instead of the released content's: the most recent remaining picture that
// exists, else the user's own - from the record unless it lies in the folder that goes, else from the
// content's uninstall entry - and no picture when the user's is gone.
Choice wallpaperChoice(FileSystem& files, const Record& record, const EntryRecord& entry, const std::string& folder,
                       const WallpaperSetting& current) {
  const Content* latest = nullptr;
  for (const Content& other : record.contents)
    if (other.picture.present && (!latest || other.order > latest->order) && !isInside(other.picture.text, folder) &&
        fileExists(files, other.picture.text))
      latest = &other;
  if (latest) return {Restored::content, {latest->picture, {true, "0"}, {true, "0"}}, Setting(), latest->title};
  Choice choice;
  choice.kind = Restored::own;
  if (record.exists && !(record.own.path.present && isInside(record.own.path.text, folder))) {
    choice.wallpaper = record.own;
  } else if (entry.picture.present) {
    choice.wallpaper = entry.previous;
  } else {  // nothing says what the user had
    choice.wallpaper = {Setting(), current.style, current.tile};
    choice.kind = Restored::cleared;
  }
  const Setting& path = choice.wallpaper.path;
  if (path.present && !path.text.empty() && (isInside(path.text, folder) || !fileExists(files, path.text)))
    choice.kind = Restored::cleared;
  return choice;
}

// Style and tiling first, so that the change shows the picture as it was meant; a wallpaper the user
// never had is no value at all.
Restored applyWallpaper(Platform& platform, const Choice& choice) {
  Registry& registry = platform;
  RegKey key = 0;
  if (registry.regCreateKey(RegRoot::CurrentUser, MV_DESKTOP_KEY, key) != 0 || !key) return Restored::failed;
  KeyCloser closer(registry, key);
  (void)putSetting(registry, key, MV_WALLPAPER_STYLE, choice.wallpaper.style);  // the picture is what counts
  (void)putSetting(registry, key, MV_TILE_WALLPAPER, choice.wallpaper.tile);
  const std::string path = choice.kind == Restored::cleared ? std::string() : choice.wallpaper.path.text;
  if (!platform.setDeskWallpaper(path.c_str(), kUpdateAndBroadcast)) return Restored::failed;
  if (!choice.wallpaper.path.present) (void)registry.regDeleteValue(key, MV_WALLPAPER);  // none before either
  return choice.kind;
}

Choice colourChoice(const Record& record) {
  const Content* latest = nullptr;
  for (const Content& other : record.contents)
    if (other.colour.present && (!latest || other.order > latest->order)) latest = &other;
  if (latest) return {Restored::content, {}, latest->colour, latest->title};
  return {Restored::own, {}, record.ownColour, std::string()};
}

Restored applyColour(Platform& platform, const Choice& choice) {
  Registry& registry = platform;
  RegKey key = 0;
  if (registry.regCreateKey(RegRoot::CurrentUser, MV_COLORS_KEY, key) != 0 || !key) return Restored::failed;
  KeyCloser closer(registry, key);
  if (!putSetting(registry, key, MV_BACKGROUND, choice.colour)) return Restored::failed;
  int red = 0, green = 0, blue = 0;
  // The session shows the colour at once; the saved value alone would wait for the next logon.
  if (choice.colour.present && parseColour(choice.colour.text, red, green, blue))
    (void)platform.setDesktopColour(red, green, blue);  // the saved value stands whatever the session says
  return choice.kind;
}

}  // namespace

bool parseColour(const std::string& text, int& red, int& green, int& blue) {
  return text.find('\0') == std::string::npos && parseColourText(text.c_str(), red, green, blue);
}

Result recordContent(Platform& platform, const ContentMark& mark) {
  Registry& registry = platform;
  if (!titleNamesOneKey(mark.title)) return Result();
  const std::vector<Content> contents = readContents(registry);
  // While any content is recorded (an earlier installation of this one too), the desktop shows ours.
  if (contents.empty()) {
    Result result = writeOwnValues(registry, mark);
    if (!result.ok()) return result;
  }
  uint32_t order = 0;
  for (const Content& c : contents) order = std::max(order, c.order);
  const std::string keyPath = contentKey(mark.title);
  RegKey key = 0;
  if (registry.regCreateKey(RegRoot::CurrentUser, keyPath, key) != 0 || !key)
    return Result::failure(withArgument(text::failedToCreateKey, keyPath));
  KeyCloser closer(registry, key);
  // An earlier installation's picture counts only while it is the wallpaper; the still step records the new one.
  const Setting picture = readSetting(registry, key, MV_CONTENT_PICTURE);
  const Setting current = currentWallpaper(registry).path;
  if (picture.present && !(current.present && equalsIgnoreCase(current.text, picture.text)))
    (void)registry.regDeleteValue(key, MV_CONTENT_PICTURE);  // a stale value only costs a file check later
  Result result = writeValue(registry, key, MV_CONTENT_COLOUR, RegValue::text(mark.colour));
  if (result.ok()) result = writeValue(registry, key, MV_CONTENT_PAGE, RegValue::text(mark.pagePath));
  if (result.ok()) result = writeValue(registry, key, MV_CONTENT_ORDER, RegValue::dword(order + 1));
  return result;
}

bool recordPicture(Registry& registry, const std::string& title, const std::string& picture) {
  if (!titleNamesOneKey(title)) return false;
  RegKey key = 0;
  if (registry.regCreateKey(RegRoot::CurrentUser, contentKey(title), key) != 0 || !key) return false;
  KeyCloser closer(registry, key);
  return registry.regSetValue(key, MV_CONTENT_PICTURE, RegValue::text(picture)) == 0;
}

void forgetPicture(Registry& registry, const std::string& title) {
  if (!titleNamesOneKey(title)) return;
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::CurrentUser, contentKey(title), true, key) != 0 || !key) return;
  KeyCloser closer(registry, key);
  (void)registry.regDeleteValue(key, MV_CONTENT_PICTURE);  // one left behind only costs a file check later
}

Released release(Platform& platform, const std::string& title, const std::string& contentFolder) {
  Registry& registry = platform;
  Released out;
  if (!titleNamesOneKey(title)) return out;
  Record record = readRecord(registry);
  Content mine;
  bool keyGone = true;
  const auto found = std::find_if(record.contents.begin(), record.contents.end(),
                                  [&](const Content& c) { return equalsIgnoreCase(c.title, title); });
  if (found != record.contents.end()) {
    mine = *found;
    record.contents.erase(found);
    // A key that cannot be deleted keeps the content counted: the record then stays too.
    keyGone = registry.regDeleteTree(RegRoot::CurrentUser, contentKey(mine.title)) == 0;
  }
  const EntryRecord entry = readEntry(registry, title);

  const WallpaperSetting current = currentWallpaper(registry);
  const std::string& shown = current.path.text;
  const bool wallpaperOurs = current.path.present && !shown.empty() &&
                             ((mine.picture.present && equalsIgnoreCase(shown, mine.picture.text)) ||
                              (entry.picture.present && equalsIgnoreCase(shown, entry.picture.text)) ||
                              isInside(shown, contentFolder));
  if (wallpaperOurs) {
    const Choice choice = wallpaperChoice(platform, record, entry, contentFolder, current);
    out.wallpaper = applyWallpaper(platform, choice);
    if (out.wallpaper == Restored::content) out.wallpaperFrom = choice.from;
  }
  const Setting colour = readValue(registry, RegRoot::CurrentUser, MV_COLORS_KEY, MV_BACKGROUND);
  if (record.exists && mine.colour.present && colour.present && colour.text == mine.colour.text) {
    const Choice choice = colourChoice(record);
    out.colour = applyColour(platform, choice);
    if (out.colour == Restored::content) out.colourFrom = choice.from;
  }
  // The last content takes the record with it: the next installation records the desktop as it is then.
  if (record.exists && record.contents.empty() && keyGone) (void)registry.regDeleteTree(RegRoot::CurrentUser, MV_RECORD_KEY);
  return out;
}

}  // namespace mv::desktop_record
