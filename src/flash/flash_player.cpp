// The Flash Player decision at start-up.
//
//   installed control          installer started   old control file removed
//   none, or version 0 to 5    yes                 no
//   6 release 79               no                  no
//   6 another release, 7 up    yes                 yes (before the installer starts)
//
// The control file is System folder + "Macromed\Flash\Flash.ocx", or "swflash.ocx" when that is absent.
#include "flash/flash_player.h"

#include "installer/state.h"
#include "support/file_helpers.h"

namespace mv {

namespace {

const char* const kControlNames[] = {"Macromed\\Flash\\Flash.ocx", "Macromed\\Flash\\swflash.ocx"};

// The installed control file, or "" when there is none.
std::string installedControlFile() {
  for (const char* name : kControlNames) {
    std::string path = state().systemFolder + name;
    if (fileExists(path)) return path;
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

FlashVersion readFlashVersion() {
  FlashVersion v;
  std::string file = installedControlFile();
  if (!file.empty()) readFileVersion(file, v.major, v.release);
  return v;
}

Result runFlashInstaller(int mode, WindowHandle owner) {
  // Start-up hands in mode 2, which selects the Windows folder, where start-up wrote the installer.
  // No other mode is in use; every mode looks there.
  (void)mode;
  const std::string installer = state().windowsFolder + "flashax.exe";
  if (!fileExists(installer)) return rc::flashInstallerMissing;
  const int swHide = 0;
  intptr_t shell = platform().shellExecute(owner, nullptr, installer, "/Q", nullptr, swHide);
  // Bringing the installer window back to the front is the owner's concern (the caller's window).
  if (shell > 32) return rc::ok;
  if (shell >= 1) return Result(shell);
  return rc::noMemory;
}

bool removeFlashControlFile() {
  std::string file = installedControlFile();
  if (file.empty()) return false;
  return !platform().deleteFile(file);
}

Result checkFlashPlayer(WindowHandle owner) {
  FlashVersion v = readFlashVersion();
  if (v.major <= 5) {
    runFlashInstaller(state().flashInstallMode, owner);
  } else if (v.major == 6 && v.release == 79) {
    // The expected player: nothing to do.
  } else {
    // The old control file goes before the installer starts, so that the deletion can never reach
    // the file the installer writes.
    bool deletionFailed = removeFlashControlFile();
    runFlashInstaller(state().flashInstallMode, owner);
    if (deletionFailed) state().flashRestartPending = true;
  }
  return rc::ok;
}

}  // namespace mv
