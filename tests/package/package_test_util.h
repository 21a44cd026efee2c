#pragma once
// Test material: a small PE image written byte by byte, packages and Moviva data files described by their
// contents and written by package_writer.h, and implode streams made of literals.
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "package/datafile_format.h"
#include "package/format.h"
#include "package/session.h"
#include "package_writer.h"
#include "platform/dialogs.h"
#include "platform/platform.h"
#include "platform/system_errors.h"
#include "support/system_text_trim.h"
#include "support/user_texts.h"

namespace mv::test {

inline void putLe32(std::string& s, size_t at, uint32_t v) {
  if (s.size() < at + 4) s.resize(at + 4, '\0');
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline void putLe16(std::string& s, size_t at, uint16_t v) {
  s[at] = char(v & 0xFF);
  s[at + 1] = char(v >> 8);
}
inline void putBytes(std::string& s, size_t at, const std::string& bytes) {
  if (s.size() < at + bytes.size()) s.resize(at + bytes.size(), '\0');
  std::memcpy(&s[at], bytes.data(), bytes.size());
}

// Bytes that differ from position to position, so that misplaced reads show.
inline std::string patternBytes(size_t size, uint32_t seed = 1) {
  std::string s(size, '\0');
  uint32_t x = seed * 2654435761u + 12345;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345;
    s[i] = char(x >> 16);
  }
  return s;
}

// A PE32 image of `imageSize` bytes (>= 0x600): DOS header, "PE\0\0" at 0x80, a COFF header with three
// sections (.text at 0x200, .data up to imageSize, .bss without raw data) and a 224-byte optional
// header. With symbols, a COFF symbol table of `symbols` records and a string table of `strings` bytes
// (its length field included) follow the sections.
inline std::string fakeExecutable(uint32_t imageSize = 0x600, uint32_t symbols = 0, uint32_t strings = 4) {
  std::string s = patternBytes(imageSize, 7);
  std::memset(&s[0], 0, 0x200);
  s[0] = 'M';
  s[1] = 'Z';
  putLe32(s, 0x3C, 0x80);
  putBytes(s, 0x80, std::string("PE\0\0", 4));
  const size_t coff = 0x84;
  putLe16(s, coff + 0, 0x14C);  // i386
  putLe16(s, coff + 2, 3);      // sections
  putLe32(s, coff + 8, symbols ? imageSize : 0);
  putLe32(s, coff + 12, symbols);
  putLe16(s, coff + 16, 0xE0);
  putLe16(s, coff + 18, 0x0102);
  putLe16(s, coff + 20, 0x10B);  // optional header magic
  const size_t table = coff + 20 + 0xE0;
  auto section = [&](int i, const char* name, uint32_t rawSize, uint32_t rawPointer) {
    size_t at = table + 40 * i;
    putBytes(s, at, std::string(name));
    putLe32(s, at + 16, rawSize);
    putLe32(s, at + 20, rawPointer);
  };
  section(0, ".text", 0x200, 0x200);
  section(1, ".data", imageSize - 0x400, 0x400);
  section(2, ".bss", 0, 0);
  if (symbols) {
    s += patternBytes(18 * symbols, 9);
    std::string lengthField;
    putLe32(lengthField, 0, strings);
    s += lengthField + std::string(strings > 4 ? strings - 4 : 0, 'x');
  }
  return s;
}

// An implode stream (PKWARE DCL) that codes every byte as a literal: header byte 0 (binary literals),
// header byte 6 (4,096-byte dictionary), then per byte a 0 bit and its 8 bits, and the end code:
// a 1 bit, the length code of symbol 15 (seven 0 bits as the stream stores it) and eight 1 bits
// (length 264 + 255 = 519). Bits are packed from the least significant end of each byte.
inline std::string literalImplode(const std::string& data) {
  std::string out("\x00\x06", 2);
  uint32_t buffer = 0;
  int count = 0;
  auto bits = [&](uint32_t value, int n) {
    buffer |= value << count;
    count += n;
    while (count >= 8) {
      out.push_back(char(buffer & 0xFF));
      buffer >>= 8;
      count -= 8;
    }
  };
  for (unsigned char c : data) {
    bits(0, 1);
    bits(c, 8);
  }
  bits(1, 1);
  bits(0, 7);
  bits(0xFF, 8);
  if (count > 0) out.push_back(char(buffer & 0xFF));
  return out;
}

// A slot by its content, stored as it is or as literalImplode(content).
struct SlotContent {
  std::string name;            // "" = empty slot
  int32_t kind = 5;
  std::string content;         // the file as it should be written
  bool compressed = false;     // stored as literalImplode(content)
  int32_t expandedDelta = 0;   // added to the declared expanded size
  std::string stored() const { return compressed ? literalImplode(content) : content; }
};

// A whole installer, written by package_writer.h: stub, directory, payloads in slot order without gaps.
// Slot 0 spans the stub; an empty slot has start = end = the position where its payload would be; the
// name fields hold '#' after the names.
struct PackageBuilder {
  std::string stub = fakeExecutable();
  uint8_t presentationKind = 8, licenseFlag = 0, runExtraFlag = 0, showDesktopFlag = 0;
  int32_t red = 1, green = 2, blue = 3;
  std::string title = "Demo";  // up to 64 bytes
  std::array<SlotContent, 11> slots;
  bool integrity = false;       // write the "MVCK" record and its CRC-32
  bool recordLength = true;     // with the record: the package's length in header bytes 3..6
  std::string trailer;          // bytes after the package (a code signature's certificate table)
  // Changes to entry fields after layout: (slot, entry bytes (280)).
  std::function<void(int, std::string&)> tweakEntry = nullptr;

  std::string build() const {
    PackageLayout layout;
    layout.presentationKind = presentationKind;
    layout.licenseFlag = licenseFlag;
    layout.runExtraFlag = runExtraFlag;
    layout.showDesktopFlag = showDesktopFlag;
    layout.red = red;
    layout.green = green;
    layout.blue = blue;
    layout.title = title;
    layout.slots[0] = {"install.exe", 6, {}, false, 0};
    for (int k = 1; k < 11; ++k) {
      const SlotContent& slot = slots[k];
      layout.slots[k] = {slot.name, slot.kind, bytesOf(slot.stored()), slot.compressed,
                         int32_t(slot.content.size()) + slot.expandedDelta};
    }
    layout.slotsAtCursor = true;
    layout.nameFill = '#';  // leftover text after the name, which must never be read
    if (tweakEntry)
      layout.tweakEntry = [this](int k, uint8_t* entry) {
        std::string e(reinterpret_cast<const char*>(entry), 280);
        tweakEntry(k, e);
        std::memcpy(entry, e.data(), 280);
      };
    layout.integrity = integrity;
    layout.recordLength = recordLength;
    layout.trailer = bytesOf(trailer);
    const Bytes file = buildInstaller(bytesOf(stub), layout);
    return std::string(file.begin(), file.end());
  }

  // Absolute offset of slot k's first payload byte in build()'s output.
  size_t payloadOffset(int k) const {
    size_t position = stub.size() + kDirectorySize;
    for (int i = 1; i < k; ++i) position += slots[i].stored().size();
    return position;
  }
};

// A data file entry by its content, stored as it is or as literalImplode(content).
struct DataEntryContent {
  std::string name;
  uint8_t kind = 0;
  std::string content;
  bool compressed = false;
  int32_t expandedDelta = 0;   // added to the declared expanded size
  bool badOffset = false;      // the record points past the end of the file
  std::function<void(std::string& blockHeader)> tweakBlock = nullptr;
};

// A Moviva data file, written by package_writer.h.
struct DataFileBuilder {
  std::string title = "Demo";
  int32_t movieSource = 0;
  std::vector<DataEntryContent> entries;
  std::optional<int32_t> entryCount;  // default: entries.size()

  std::string build() const {
    DataFileLayout layout;
    layout.title = title;
    layout.movieSource = movieSource;
    layout.entryCount = entryCount;
    for (const DataEntryContent& entry : entries) {
      DataEntryLayout e;
      e.name = entry.name;
      e.kind = entry.kind;
      e.payload = bytesOf(entry.compressed ? literalImplode(entry.content) : entry.content);
      e.compressed = entry.compressed;
      e.expandedSize = int32_t(entry.content.size()) + entry.expandedDelta;
      e.badOffset = entry.badOffset;
      if (entry.tweakBlock)
        e.tweakBlock = [tweak = entry.tweakBlock](uint8_t* header) {
          std::string h(reinterpret_cast<const char*>(header), 44);
          tweak(h);
          std::memcpy(header, h.data(), 44);
        };
      layout.entries.push_back(std::move(e));
    }
    const Bytes bytes = buildDataFile(layout);
    std::string file(bytes.begin(), bytes.end());
    // Bytes the reader never looks at hold something: a signature in the header, a mark in each record.
    putBytes(file, 0, "MOVIVA DATA");
    for (size_t i = 0; i < entries.size(); ++i) file[size_t(dataRecordOffset(int(i) + 1)) + 1] = 0x55;
    return file;
  }
};

// Window helpers that record what the installer window would show.
// The reports as message boxes with the texts the installer shows, so that the tests read what a user
// would: a file error in its three forms (busy, temp copy, any other), errors and notices as they are.
class BoxReporter : public Reporter {
 public:
  explicit BoxReporter(Dialogs& dialogs) : dialogs_(dialogs) {}
  void fileError(Result code, const std::string& fileName) override {
    std::string message = text::installationError;
    if (code == rc::fileBusy) message += text::fileBusy + fileName;
    else if (code == rc::tempCopyFailed)
      message += fileName + errorDescription(platform(), code) + "\r\n\r\n" + text::retryAdvice;
    else message += errorDescription(platform(), code) + "\r\n\r\n" + text::problemWithFile + fileName + ". ";
    error(message);
  }
  void error(const std::string& text) override { dialogs_.messageBox(text, text::errorCaption, BoxKind::ErrorAbort); }
  void information(const std::string& text) override {
    dialogs_.messageBox(text, text::informationCaption, BoxKind::InformationAbort);
  }

 private:
  Dialogs& dialogs_;
};

struct RecordingWindow : Progress {
  std::vector<std::string> events;  // "status <text>", "step", "pause"
  std::function<void()> onStep;
  void showStatus(const std::string& text) override { events.push_back("status " + text); }
  void stepProgress() override {
    events.push_back("step");
    if (onStep) onStep();
  }
  void pause() override { events.push_back("pause"); }
  int steps() const {
    int n = 0;
    for (const std::string& e : events) n += e == "step";
    return n;
  }
};

}  // namespace mv::test
