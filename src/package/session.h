#pragma once
// What the package code works on: the folders and files of one installation, the directory read at
// start-up, and where it reports. The installer owns one and hands it in; tests and tools make their own.
#include <memory>
#include <string>

#include "package/format.h"
#include "support/reporter.h"

namespace mv {

class DclLibrary;
// Frees a session's library (dcl_library.cpp), so that the session needs only the library's name here.
struct DclLibraryRelease {
  void operator()(DclLibrary* library) const;
};

struct PackageSession {
  explicit PackageSession(Reporter& reportTo) : reporter(&reportTo) {}

  std::string windowsFolder;    // with trailing backslash
  std::string executablePath;   // the running installer
  std::string tempCopyPath;     // the private copy the package is read from
  std::string contentFolder;    // with trailing backslash; "" until it is known
  std::string dataFilePath;     // contentFolder + the data file's name
  PackageDirectory directory;
  bool runExtra = false;        // the extra file (slot 5) is installed too
  bool installAborted = false;  // set while extraction runs: stop after the current slot
  bool codecWarningShown = false;  // the compression library's load failure is told once
  // The compression library, from the first compressed file to the end of the installation
  // (sessionLibrary, releaseSessionLibrary in dcl_library.h).
  std::unique_ptr<DclLibrary, DclLibraryRelease> codecLibrary;

  Reporter* reporter;             // never nullptr
  Progress* progress = nullptr;  // nullptr: nothing shows progress
};

}  // namespace mv
