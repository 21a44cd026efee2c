#pragma once
// `mvpack build`: an installer from a manifest, the stub and the files the manifest names.
#include <cstdint>
#include <string>
#include <vector>

#include "manifest.h"

namespace mvpack {

struct BuildOptions {
  // Command-line values that take the place of the manifest's.
  std::string output, stub, library, uninstaller, flashInstaller;
  bool integrity = true;  // record "MVCK" and the package's CRC-32 in header bytes 8..15, and the PE checksum
  bool progress = false;  // draw a progress bar (stderr is a terminal)
};

struct BuildResult {
  std::string output;
  int64_t stubSize = 0;
  int64_t totalSize = 0;
  int entries = 0;
  int64_t contentBytes = 0;   // sum of the content files
  int64_t dataFileBytes = 0;  // the Moviva data file as packed
  uint32_t crc = 0;
  uint32_t peChecksum = 0;  // 0: none recorded
  double seconds = 0;
  std::vector<std::string> warnings;
  std::vector<std::string> summary;  // one line per slot, for the report
};

// Builds the installer; ToolError naming the file and the reason on any failure, in which case no
// output file is left behind (the installer is written to "<output>.partial" and renamed at the end).
BuildResult buildInstaller(const Manifest& manifest, const BuildOptions& options);

// The Moviva data file for a list of content files (exposed for tests and the benchmark).
struct ContentFile {
  std::string name;   // relative, "\" separated
  std::string path;   // where to read it
};
std::vector<ContentFile> collectContent(const std::string& folder, const std::string& mainFile,
                                        std::vector<std::string>& warnings);

}  // namespace mvpack
