#pragma once
// The Flash Player decision at start-up: leave a control of version 6 release 79, or of version 7 or
// later, alone; otherwise start "flashax.exe /Q" (and remove a control file of another release of
// version 6 first).
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/shell.h"
#include "support/result.h"

namespace mv {

struct FlashVersion {
  int major = 0;
  int release = 0;
};

// systemFolder and windowsFolder end with a backslash. The control files are looked for, read and
// removed through `files`; the installer is started through `shell`.
void readFileVersion(FileSystem& files, const std::string& path, int& major, int& release);
FlashVersion readFlashVersion(FileSystem& files, const std::string& systemFolder);
// Starts windowsFolder + "flashax.exe /Q": 0 started; -401 missing; 1..32 the shell's error; -7 the
// shell returned 0.
Result runFlashInstaller(FileSystem& files, Shell& shell, const std::string& windowsFolder, WindowHandle owner);
// true when a control file was found and its deletion failed
bool removeFlashControlFile(FileSystem& files, const std::string& systemFolder);
// Makes the decision and acts on it. True when an old control file resisted deletion: the new player
// needs a restart. Never a downgrade: a control of version 7 or later is neither removed nor replaced.
bool checkFlashPlayer(FileSystem& files, Shell& shell, const std::string& systemFolder,
                      const std::string& windowsFolder, WindowHandle owner);

}  // namespace mv
