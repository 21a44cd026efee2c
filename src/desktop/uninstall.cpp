// The machine-wide uninstall entry of the content, and the names derived from the content title.
#include "desktop/desktop.h"
#include "desktop/registry_text.h"
#include "platform/file_helpers.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv {

using namespace desktop_detail;

namespace {

const char* const kUninstallRoot = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char* const kDisplayName = "DisplayName";
const char* const kUninstallString = "UninstallString";

// The title names one key below the list of installed programs. An empty title (or one with a
// backslash, which would reach the list itself or another key) addresses nothing.
bool titleNamesOneKey(const std::string& title) {
  return !title.empty() && title.find('\\') == std::string::npos;
}

// Creates (or opens) the entry key under HKEY_LOCAL_MACHINE, writes one text value, closes the key.
Status writeMachineText(const std::string& keyPath, const char* name, const std::string& data) {
  Registry& p = platform();
  RegKey key = 0;
  if (p.regCreateKey(RegRoot::LocalMachine, keyPath, key) != 0 || !key)
    return Status::failure(withArgument(text::failedToCreateKey, keyPath));
  KeyCloser closer(key);
  if (p.regSetValue(key, name, RegValue::text(data)) != 0)
    return Status::failure(withArgument(text::failedToSetData, name));
  return Status();
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

// The long form is quoted: the path has a blank in it (" dir"), and an unquoted command line would
// first be tried as "...\Wallpaper\<first word>.exe". The 8.3 form of Windows 95/98/ME has no blank.
std::string uninstallCommand(const std::string& title) {
  std::string path = windowsFolderFromEnvironment(platform()) + "WEB\\Wallpaper\\" + title + " dir\\uninstall.exe";
  if (isWindows9x()) {
    std::string shortForm = platform().shortPathName(path);
    if (!shortForm.empty()) return shortForm;
  }
  return "\"" + path + "\"";
}

Status writeUninstallEntry(const std::string& title) {
  if (!titleNamesOneKey(title)) return Status();
  Registry& p = platform();
  const std::string keyPath = uninstallKeyPath(title);

  // The per-user key of the same name is opened (created) here and deleted once the entry is written.
  RegKey userKey = 0;
  if (p.regCreateKey(RegRoot::CurrentUser, keyPath, userKey) == 0 && userKey) p.regCloseKey(userKey);

  const std::string displayName = uninstallDisplayName(title);
  const std::string command = uninstallCommand(title);
  // A failure stops here: the per-user key is then left as it is.
  Status status = writeMachineText(keyPath, kDisplayName, displayName);
  if (!status.ok()) return status;
  status = writeMachineText(keyPath, kUninstallString, command);
  if (!status.ok()) return status;

  p.regDeleteTree(RegRoot::CurrentUser, keyPath);
  return Status();
}

void removeUninstallEntry(const std::string& title) {
  if (!titleNamesOneKey(title)) return;
  Registry& p = platform();
  const std::string keyPath = uninstallKeyPath(title);
  RegKey key = 0;
  if (p.regOpenKey(RegRoot::LocalMachine, keyPath, true, key) != 0 || !key) return;
  p.regDeleteValue(key, kDisplayName);
  p.regDeleteValue(key, kUninstallString);
  p.regCloseKey(key);
  p.regDeleteTree(RegRoot::LocalMachine, keyPath);
}

}  // namespace mv
