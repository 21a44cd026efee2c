#pragma once
// The Flash Player decision at start-up: leave a control of version 6 release 79 alone, otherwise
// start "flashax.exe /Q" (and remove an old control file of version 6 or later first).
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace mv {

struct FlashVersion {
  int major = 0;
  int release = 0;
};

void readFileVersion(const std::string& path, int& major, int& release);
FlashVersion readFlashVersion();
// 0 started; -401 missing; 1..32 the shell's error; -7 the shell returned 0.
Result runFlashInstaller(int mode, WindowHandle owner);
bool removeFlashControlFile();  // true when a control file was found and its deletion failed
// Always 0. Sets state().flashRestartPending when an old control file resisted deletion.
Result checkFlashPlayer(WindowHandle owner);

}  // namespace mv
