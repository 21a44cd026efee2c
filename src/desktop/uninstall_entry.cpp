// The machine-wide uninstall entry of the content, and the names derived from the content title.
#include <algorithm>

#include "desktop/desktop.h"
#include "desktop/registry_text.h"
#include "platform/file_helpers.h"
#include "support/install_layout.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv {

using namespace desktop_detail;

namespace {

const char* const kUninstallRoot = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char* const kDisplayName = "DisplayName";
const char* const kUninstallString = "UninstallString";

// Creates (or opens) the entry key under HKEY_LOCAL_MACHINE, writes one text value, closes the key.
Result writeMachineText(Registry& registry, const std::string& keyPath, const char* name, const std::string& data) {
  RegKey key = 0;
  if (registry.regCreateKey(RegRoot::LocalMachine, keyPath, key) != 0 || !key)
    return Result::failure(withArgument(text::failedToCreateKey, keyPath));
  KeyCloser closer(registry, key);
  if (registry.regSetValue(key, name, RegValue::text(data)) != 0)
    return Result::failure(withArgument(text::failedToSetData, name));
  return Result();
}

}  // namespace

bool containsWallpaperWord(const std::string& text) {
  return asciiLower(text).find("wallpaper") != std::string::npos;
}

std::string uninstallDisplayName(const std::string& title) {
  return containsWallpaperWord(title) ? title : title + text::wallpaperWord;
}

std::string installerCaption(const std::string& title) {
  std::string caption = text::installShort;
  if (!containsWallpaperWord(title)) caption += text::wallpaperWord;
  return caption + ": " + title;
}

std::string uninstallKeyPath(const std::string& title) { return kUninstallRoot + title; }

bool titleNamesOneKey(const std::string& title) {
  return !title.empty() && title.find('\\') == std::string::npos;
}

// The long form is quoted: the path has a blank in it (" dir"), and an unquoted command line would
// first be tried as "...\Wallpaper\<first word>.exe". The 8.3 form of Windows 95/98/ME has no blank.
std::string uninstallCommand(System& system, FileSystem& files, const std::string& title) {
  std::string path = layout::uninstallerPathFromEnvironment(windowsFolderFromEnvironment(system), title);
  if (isWindows9x(system)) {
    std::string shortForm = files.shortPathName(path);
    if (!shortForm.empty()) return shortForm;
  }
  return "\"" + path + "\"";
}

Result writeUninstallEntry(Platform& platform, const std::string& title) {
  if (!titleNamesOneKey(title)) return Result();
  Registry& registry = platform;
  const std::string keyPath = uninstallKeyPath(title);

  // The per-user key of the same name is opened (created) here and deleted once the entry is written;
  // a per-user key that cannot be made changes nothing below.
  RegKey userKey = 0;
  if (registry.regCreateKey(RegRoot::CurrentUser, keyPath, userKey) == 0 && userKey) registry.regCloseKey(userKey);

  const std::string displayName = uninstallDisplayName(title);
  const std::string command = uninstallCommand(platform, platform, title);
  // A failure stops here: the per-user key is then left as it is.
  Result result = writeMachineText(registry, keyPath, kDisplayName, displayName);
  if (!result.ok()) return result;
  result = writeMachineText(registry, keyPath, kUninstallString, command);
  if (!result.ok()) return result;

  // The entry is written whatever becomes of the per-user key: a key left there is empty and harmless.
  (void)registry.regDeleteTree(RegRoot::CurrentUser, keyPath);
  return Result();
}

void writeUninstallDetails(Registry& registry, const std::string& title, const UninstallDetails& details) {
  if (!titleNamesOneKey(title)) return;
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::LocalMachine, uninstallKeyPath(title), true, key) != 0 || !key) return;
  KeyCloser closer(registry, key);
  const uint64_t kilobytes = std::min<uint64_t>((details.installedBytes + 1023) / 1024, 0xFFFFFFFFu);
  // Each value stands alone: one the system refuses leaves the others, and the entry, as they are.
  (void)registry.regSetValue(key, "NoModify", RegValue::dword(1));
  (void)registry.regSetValue(key, "NoRepair", RegValue::dword(1));
  (void)registry.regSetValue(key, "EstimatedSize", RegValue::dword(uint32_t(kilobytes)));
  (void)registry.regSetValue(key, "InstallLocation", RegValue::text(details.installLocation));
  (void)registry.regSetValue(key, "DisplayIcon", RegValue::text(details.displayIcon));
}

// Reports nothing: a value or key that cannot be deleted stays, and the clean-up goes on regardless.
void removeUninstallEntry(Registry& registry, const std::string& title) {
  if (!titleNamesOneKey(title)) return;
  const std::string keyPath = uninstallKeyPath(title);
  RegKey key = 0;
  if (registry.regOpenKey(RegRoot::LocalMachine, keyPath, true, key) != 0 || !key) return;
  (void)registry.regDeleteValue(key, kDisplayName);
  (void)registry.regDeleteValue(key, kUninstallString);
  registry.regCloseKey(key);
  (void)registry.regDeleteTree(RegRoot::LocalMachine, keyPath);
}

}  // namespace mv
