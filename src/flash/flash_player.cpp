// The Flash Player decision at start-up.
//
//   installed control          installer started   old control file removed
//   none, or version 0 to 5    yes                 no
//   6 release 79               no                  no
//   6 another release          yes                 yes (before the installer starts)
//   7 or later                 no                  no (the bundled version 6 would be a downgrade)
//
// The control file is System folder + "Macromed\Flash\Flash.ocx", or "swflash.ocx" when that is absent.
#include "flash/flash_player.h"

#include "platform/file_helpers.h"
#include "support/install_layout.h"

namespace mv {

namespace {

const char* const kControlNames[] = {"Macromed\\Flash\\Flash.ocx", "Macromed\\Flash\\swflash.ocx"};
// The bundled installer brings version 6: a control of a later major version is newer.
constexpr int kNewerThanBundled = 7;

// The installed control file, or "" when there is none.
std::string installedControlFile(FileSystem& files, const std::string& systemFolder) {
  for (const char* name : kControlNames) {
    std::string path = systemFolder + name;
    if (fileExists(files, path)) return path;
  }
  return std::string();
}

}  // namespace

void readFileVersion(FileSystem& files, const std::string& path, int& major, int& release) {
  uint32_t ms = 0, ls = 0;
  if (!files.fileVersion(path, ms, ls)) return;
  major = int(ms >> 16);
  release = int(ls >> 16);
}

FlashVersion readFlashVersion(FileSystem& files, const std::string& systemFolder) {
  FlashVersion v;
  std::string file = installedControlFile(files, systemFolder);
  if (!file.empty()) readFileVersion(files, file, v.major, v.release);
  return v;
}

Result runFlashInstaller(FileSystem& files, Shell& shell, const std::string& windowsFolder, WindowHandle owner) {
  // Start-up wrote the installer into the Windows folder.
  const std::string installer = layout::flashInstallerPath(windowsFolder);
  if (!fileExists(files, installer)) return rc::flashInstallerMissing;
  const int swHide = 0;
  intptr_t started = shell.shellExecute(owner, nullptr, installer, "/Q", nullptr, swHide);
  // Bringing the installer window back to the front is the owner's concern (the caller's window).
  if (started > 32) return rc::ok;
  if (started >= 1) return Result(int32_t(started));
  return rc::noMemory;
}

bool removeFlashControlFile(FileSystem& files, const std::string& systemFolder) {
  std::string file = installedControlFile(files, systemFolder);
  if (file.empty()) return false;
  return !files.deleteFile(file);
}

bool checkFlashPlayer(FileSystem& files, Shell& shell, const std::string& systemFolder,
                      const std::string& windowsFolder, WindowHandle owner) {
  const FlashVersion v = readFlashVersion(files, systemFolder);
  if (v.major == 6 && v.release == 79) return false;  // the expected player: nothing to do
  if (v.major >= kNewerThanBundled) return false;     // a newer player stays: never a downgrade
  // Another release of version 6 goes before the installer starts, so that the deletion can never reach
  // the file the installer writes.
  const bool restartPending = v.major == 6 && removeFlashControlFile(files, systemFolder);
  // Not examined: a missing installer or one the shell cannot start leaves start-up going on, silently.
  (void)runFlashInstaller(files, shell, windowsFolder, owner);
  return restartPending;
}

}  // namespace mv
