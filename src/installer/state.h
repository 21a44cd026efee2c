#pragma once
// What one run of the installer knows: set up by start-up, read and changed by the installation and the
// close. The program entry owns it and hands it to the installer's logic; the part the package code
// works on is its PackageSession, handed down as one.
#include <string>

#include "installer/error_reporter.h"
#include "package/datafile.h"
#include "package/format.h"
#include "package/session.h"

namespace mv {

// Process exit codes, for scripts that run an installer.
namespace exitcode {
constexpr int installed = 0;
constexpr int cancelled = 2;   // the user cancelled (before or during the installation)
constexpr int failed = 1;      // start-up or the installation failed
}  // namespace exitcode

struct InstallerState : PackageSession {
  explicit InstallerState(Reporter& reportTo) : PackageSession(reportTo) {}

  std::string systemFolder;     // with trailing backslash
  std::string executableFolder; // with trailing backslash
  std::string tempFolder;       // TEMP + "MVVA"[n] + "\"
  std::string contentTitle;
  bool folderCreated = false;     // this run made the content folder
  bool tempFolderCreated = false; // this run made tempFolder: only then is it deleted at close
  uint8_t presentationKind = 0;
  bool licenseShown = false;
  bool silent = false;
  bool flashRestartPending = false;
  bool installing = false;
  int exitCode = exitcode::cancelled;

  // A windowless package: no status, progress or pauses are shown.
  bool windowless() const { return presentationKind == presentation::silent; }
};

}  // namespace mv
