#pragma once
// Writes installers for tests byte by byte from the package format: a minimal PE stub, the 96-byte
// header, eleven 280-byte entries, the payloads; and Moviva data files. Deliberately independent of
// the product's own format code, so that the two cannot share a mistake.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace mv::test {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text);

// A minimal PE32 image whose last section ends at its own length (the package offset).
Bytes peStub(uint32_t length = 1024);

struct SlotLayout {
  std::string name;         // "" = empty slot
  int32_t kind = 5;
  Bytes payload;            // stored bytes
  bool compressed = false;
  int32_t expandedSize = -1;  // -1: the payload's size
};

struct PackageLayout {
  uint8_t presentationKind = 8;
  uint8_t licenseFlag = 0;
  uint8_t runExtraFlag = 0;
  int32_t red = 0, green = 0, blue = 0;
  uint8_t showDesktopFlag = 0;
  std::string title;  // raw bytes; 64 characters leave no terminator
  std::array<SlotLayout, 11> slots;
};

// The stub followed by the package. Payloads follow the directory in slot order without gaps; slot 0
// spans the stub; an empty slot has start = end = 0.
Bytes buildInstaller(const Bytes& stub, const PackageLayout& layout);

// A typical package: JPEG picture, no licence, no extra file; slots 1 (library), 2 (flashax.exe),
// 3 (picture), 6 (HTML page), 8 (data file), 9 (uninstaller).
PackageLayout typicalPackage(const std::string& title, const Bytes& dataFile);

struct DataEntryLayout {
  std::string name;
  uint8_t kind = 0;
  Bytes payload;               // stored bytes
  bool compressed = false;
  int32_t expandedSize = -1;   // -1: the payload's size
};

struct DataFileLayout {
  std::string title;
  int32_t movieSource = 0;
  std::vector<DataEntryLayout> entries;  // records 1..n
  int32_t entryCount = -1;             // -1: entries.size()
};

Bytes buildDataFile(const DataFileLayout& layout);

}  // namespace mv::test
