#pragma once
// The process-wide installer state: set up by start-up, read everywhere.
#include <string>

#include "package/format.h"

namespace mv {

// Status line, progress bar and the one-second pause of the installer window. Implementations do
// nothing when the presentation kind is silent.
class WindowHelpers {
 public:
  virtual ~WindowHelpers() = default;
  virtual void showStatus(const std::string& text) = 0;
  virtual void stepProgress() = 0;  // advance one step, then pause
  virtual void pause() = 0;
};

struct InstallerState {
  std::string windowsFolder;    // with trailing backslash
  std::string systemFolder;     // with trailing backslash
  std::string executablePath;
  std::string executableFolder; // with trailing backslash
  std::string tempFolder;       // TEMP + "MVVA"[n] + "\"
  std::string tempCopyPath;     // tempFolder + "temp.dat"
  PackageDirectory directory;
  std::string contentTitle;
  std::string contentFolder;    // windowsFolder + "Web\Wallpaper\" + title + " dir\"
  std::string dataFilePath;     // contentFolder + name of slot 8
  bool folderCreated = false;
  uint8_t presentationKind = 0;
  bool licenseShown = false;
  bool runExtra = false;
  bool silent = false;
  bool flashRestartPending = false;
  int flashInstallMode = 2;
  bool installing = false;
  bool installAborted = false;
  WindowHelpers* window = nullptr;  // the installer window's helpers; nullptr = none (do nothing)
};

// The one state of the process (tests reset it with resetState()).
inline InstallerState& state() {
  static InstallerState s;
  return s;
}
inline void resetState() { state() = InstallerState(); }

// Window helper calls that tolerate a missing window.
inline void showStatus(const std::string& text) { if (state().window) state().window->showStatus(text); }
inline void stepProgress() { if (state().window) state().window->stepProgress(); }
inline void pause() { if (state().window) state().window->pause(); }

}  // namespace mv
