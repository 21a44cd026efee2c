#pragma once
// The process-wide installer state: set up by start-up, read everywhere in the installer. The part the
// package code works on is its PackageSession, handed down as one.
#include <string>

#include "installer/error_reporter.h"
#include "package/datafile.h"
#include "package/session.h"

namespace mv {

struct InstallerState : PackageSession {
  InstallerState() : PackageSession(errorBoxes()) {}

  std::string systemFolder;     // with trailing backslash
  std::string executableFolder; // with trailing backslash
  std::string tempFolder;       // TEMP + "MVVA"[n] + "\"
  std::string contentTitle;
  bool folderCreated = false;
  uint8_t presentationKind = 0;
  bool licenseShown = false;
  bool silent = false;
  bool flashRestartPending = false;
  bool installing = false;
};

// The one state of the process (tests reset it with resetState()).
inline InstallerState& state() {
  static InstallerState s;
  return s;
}
inline void resetState() { state() = InstallerState(); }

// The installation's data file reader, one per process like the state.
inline DataFileReader& dataFile() {
  static DataFileReader reader;
  return reader;
}

// Window helper calls that tolerate a missing window.
inline void showStatus(const std::string& text) { if (state().progress) state().progress->showStatus(text); }
inline void stepProgress() { if (state().progress) state().progress->stepProgress(); }
inline void pause() { if (state().progress) state().progress->pause(); }

}  // namespace mv
