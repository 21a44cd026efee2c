// The Flash Player decision at start-up.
//
//   installed control          installer started   old control file removed
//   none, or version 0 to 5    yes                 no
//   6 release 79               no                  no
//   6 another release, 7 up    yes                 yes (before the installer starts)
//
// The control file is System folder + "Macromed\Flash\Flash.ocx", or "swflash.ocx" when that is absent.
#include "flash/flash_player.h"

#include "package/install_layout.h"
#include "platform/file_helpers.h"

namespace mv {

namespace {

const char* const kControlNames[] = {"Macromed\\Flash\\Flash.ocx", "Macromed\\Flash\\swflash.ocx"};

// The installed control file, or "" when there is none.
std::string installedControlFile(const std::string& systemFolder) {
  for (const char* name : kControlNames) {
    std::string path = systemFolder + name;
    if (fileExists(platform(), path)) return path;
  }
  return std::string();
}

}  // namespace

void readFileVersion(const std::string& path, int& major, int& release) {
  uint32_t ms = 0, ls = 0;
  if (!platform().fileVersion(path, ms, ls)) return;
  major = int(ms >> 16);
  release = int(ls >> 16);
}

FlashVersion readFlashVersion(const std::string& systemFolder) {
  FlashVersion v;
  std::string file = installedControlFile(systemFolder);
  if (!file.empty()) readFileVersion(file, v.major, v.release);
  return v;
}

Result runFlashInstaller(const std::string& windowsFolder, WindowHandle owner) {
  // Start-up wrote the installer into the Windows folder.
  const std::string installer = layout::flashInstallerPath(windowsFolder);
  if (!fileExists(platform(), installer)) return rc::flashInstallerMissing;
  const int swHide = 0;
  intptr_t shell = platform().shellExecute(owner, nullptr, installer, "/Q", nullptr, swHide);
  // Bringing the installer window back to the front is the owner's concern (the caller's window).
  if (shell > 32) return rc::ok;
  if (shell >= 1) return Result(shell);
  return rc::noMemory;
}

bool removeFlashControlFile(const std::string& systemFolder) {
  std::string file = installedControlFile(systemFolder);
  if (file.empty()) return false;
  return !platform().deleteFile(file);
}

bool checkFlashPlayer(const std::string& systemFolder, const std::string& windowsFolder, WindowHandle owner) {
  FlashVersion v = readFlashVersion(systemFolder);
  bool restartPending = false;
  if (v.major <= 5) {
    runFlashInstaller(windowsFolder, owner);
  } else if (v.major == 6 && v.release == 79) {
    // The expected player: nothing to do.
  } else {
    // The old control file goes before the installer starts, so that the deletion can never reach
    // the file the installer writes.
    restartPending = removeFlashControlFile(systemFolder);
    runFlashInstaller(windowsFolder, owner);
  }
  return restartPending;
}

}  // namespace mv
