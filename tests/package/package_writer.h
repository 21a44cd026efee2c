#pragma once
// The tests' one writer of installers and Moviva data files: a minimal PE stub, the package directory
// and the data file's header, records and block headers laid out by the format's own serialisation
// (package/format.h, package/datafile_format.h), then payloads, an integrity record and whatever a
// damaged or foreign file holds (leftover name bytes, changed entry or block fields). Tests that must not
// share a mistake with the format code read its output byte by byte, and the Python end-to-end writer
// (tests/e2e/e2e_lib.py) writes the format independently.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mv::test {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text);

// A minimal PE32 image whose last section ends at its own length (the package offset).
Bytes peStub(uint32_t length = 1024);

struct SlotLayout {
  std::string name;         // raw bytes (Windows-1252); "" = empty slot
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
  // Where an empty slot points: false, start = end = 0 (and a slot without a name stores nothing); true,
  // every slot after 0 is stored at the next position, an empty one with start = end = that position.
  bool slotsAtCursor = false;
  char nameFill = 0;  // fills the name fields after the names: bytes the reader must never take
  std::function<void(int slot, uint8_t* entry)> tweakEntry = nullptr;  // the 280 bytes, after layout
  bool integrity = false;     // the "MVCK" record and the package's CRC-32 (over the tweaked bytes)
  bool recordLength = true;   // with the record: the package's length in header bytes 3..6
  Bytes trailer;              // bytes after the package (a code signature's certificate table)
};

// The stub followed by the package: payloads follow the directory in slot order without gaps; slot 0
// spans the stub.
Bytes buildInstaller(const Bytes& stub, const PackageLayout& layout);
// Where slot k's first payload byte lies in buildInstaller's output.
size_t payloadOffset(const Bytes& stub, const PackageLayout& layout, int k);

// A typical package: JPEG picture, no licence, no extra file; slots 1 (library), 2 (flashax.exe),
// 3 (picture), 6 (HTML page), 8 (data file), 9 (uninstaller).
PackageLayout typicalPackage(const std::string& title, const Bytes& dataFile);

struct DataEntryLayout {
  std::string name;            // raw bytes (Windows-1252)
  uint8_t kind = 0;
  Bytes payload;               // stored bytes
  bool compressed = false;
  int32_t expandedSize = -1;   // -1: the payload's size
  bool badOffset = false;      // the record points past the end of the file
  std::function<void(uint8_t* blockHeader)> tweakBlock = nullptr;  // the 44 bytes, after layout
};

struct DataFileLayout {
  std::string title;  // raw bytes
  int32_t movieSource = 0;
  std::vector<DataEntryLayout> entries;  // records 1..n
  std::optional<int32_t> entryCount;     // default: entries.size()
};

Bytes buildDataFile(const DataFileLayout& layout);

}  // namespace mv::test
