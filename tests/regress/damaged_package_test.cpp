// Installer files damaged in every field of the format: the PE headers that locate the package, the
// package header, each field of each of the eleven entries, the integrity record, truncation anywhere.
// Whatever the damage: no crash or sanitizer report, every failure comes with a message and a code,
// nothing is written outside the installer's folders, nothing is left open (harness::runInstallerFile
// checks those rules). Where the format lets the installer see the damage, the code is the one for it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "package/package_writer.h"
#include "support/crc32.h"

namespace mv {
namespace {

using test::Bytes;
using test::bytesOf;

constexpr size_t kStub = 1024;  // the package starts here
constexpr size_t kEntries = kStub + 96;

Bytes implode(const std::string& text, int type) {
  return dclImplode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), type, 4096);
}

Bytes sampleDataFile() {
  test::DataFileLayout d;
  d.title = "Demo";
  std::string movie(400, 'm'), page = "<html>" + std::string(300, 'p') + "</html>";
  d.entries = {{"Demo.swf", 11, implode(movie, 0), true, int32_t(movie.size())},
               {"pages\\info.html", 0, implode(page, 1), true, int32_t(page.size())},
               {"back.jpg", 0, bytesOf("\xFF\xD8 picture"), false, -1}};
  return test::buildDataFile(d);
}

// Every slot filled, compressed and stored ones, a data file with compressed entries.
Bytes sampleInstaller() {
  test::PackageLayout p = test::typicalPackage("Demo", sampleDataFile());
  p.licenseFlag = 1;
  p.runExtraFlag = 1;
  p.slots[4] = {"licence.txt", 5, bytesOf("Licence\r\n"), false, -1};
  p.slots[5] = {"extra.exe", 1, bytesOf("MZ extra"), false, -1};
  std::string page = "<html><body>" + std::string(200, 'x') + "</body></html>";
  p.slots[6] = {"Demo.html", 2, implode(page, 1), true, int32_t(page.size())};
  p.slots[7] = {"unused.bin", 5, bytesOf("unused"), false, -1};
  std::string uninstaller(500, 'u');
  p.slots[9] = {"uninstall.exe", 5, implode(uninstaller, 0), true, int32_t(uninstaller.size())};
  p.slots[10] = {"further.txt", 10, bytesOf("further"), false, -1};
  return test::buildInstaller(test::peStub(kStub), p);
}

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

class DamagedPackage : public ::testing::Test {
 protected:
  harness::Outcome run(const Bytes& file) { return harness::runInstallerFile(box, file.data(), file.size()); }

  // Runs one damaged file; the rules must hold. Returns the outcome for further checks.
  harness::Outcome expectSafe(const Bytes& file, const std::string& what) {
    harness::Outcome o = run(file);
    EXPECT_EQ(o.problem, "") << what;
    if (o.firstFailure() != 0) { EXPECT_FALSE(o.messages.empty()) << what; }
    ++variants;
    return o;
  }

  harness::Sandbox box;
  int variants = 0;
};

TEST_F(DamagedPackage, TheUndamagedSampleInstallsWhole) {
  Bytes file = sampleInstaller();
  harness::Outcome o = run(file);
  EXPECT_EQ(o.problem, "");
  EXPECT_EQ(o.firstFailure(), 0);
  EXPECT_TRUE(o.messages.empty());
  for (const char* step : {"slot 1", "slot 2", "slot 3", "slot 4", "slot 5", "slot 6", "slot 8", "slot 9", "slot 10",
                           "openDataFile", "entry 1", "entry 2", "entry 3", "closeDataFile"})
    EXPECT_TRUE(o.ran(step)) << step;
}

TEST_F(DamagedPackage, TruncatedAnywhere) {
  const Bytes file = sampleInstaller();
  for (size_t size = 0; size < file.size(); size += (size < kStub + 3200 ? 61 : 7)) {
    Bytes cut(file.begin(), file.begin() + long(size));
    harness::Outcome o = expectSafe(cut, "cut at " + std::to_string(size));
    EXPECT_NE(o.firstFailure(), 0) << "cut at " << size;
    if (size >= 0x40 + 0x200 && size < kStub + 3176) {
      EXPECT_EQ(o.code("readPackageDirectory"), rc::directoryIncomplete) << "cut at " << size;
    }
  }
}

TEST_F(DamagedPackage, ExecutableHeaders) {
  const Bytes file = sampleInstaller();
  const size_t coff = 0x84, sections = coff + 20 + 0xE0;
  struct Field {
    const char* name;
    size_t at;
    int width;
  } fields[] = {{"MZ", 0, 2},           {"e_lfanew", 0x3C, 4},          {"PE signature", 0x80, 4},
                {"sections", coff + 2, 2}, {"symbol table", coff + 8, 4}, {"symbols", coff + 12, 4},
                {"optional size", coff + 16, 2}, {"raw size", sections + 16, 4}, {"raw pointer", sections + 20, 4}};
  const uint32_t values[] = {0, 1, 3, 0x40, 0x3FF, 0x401, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu,
                             uint32_t(file.size()), uint32_t(file.size() + 1)};
  for (const Field& f : fields)
    for (uint32_t v : values) {
      Bytes d = file;
      if (f.width == 2) put16(d, f.at, uint16_t(v));
      else put32(d, f.at, v);
      // The headers may move the package anywhere: refused, or read from there like any other bytes.
      expectSafe(d, std::string(f.name) + " = " + std::to_string(v));
    }
  Bytes notExe = file;
  notExe[0] = 'Z';
  EXPECT_EQ(run(notExe).code("readPackageDirectory"), rc::damagedPackage);
}

TEST_F(DamagedPackage, HeaderFields) {
  const Bytes file = sampleInstaller();
  // Byte fields: presentation kind, licence flag, run-extra flag, reserved, show-desktop flag, padding.
  for (size_t at : {0, 1, 2, 3, 7, 28, 29, 94, 95})
    for (uint8_t v : {0x00, 0x01, 0x04, 0x08, 0x7F, 0x80, 0xFF}) {
      Bytes d = file;
      d[kStub + at] = v;
      harness::Outcome o = expectSafe(d, "header byte " + std::to_string(at) + " = " + std::to_string(v));
      EXPECT_EQ(o.firstFailure(), 0) << "header byte " << at << " is not read by the extraction";
    }
  // Colours: any value.
  for (size_t at : {16, 20, 24})
    for (uint32_t v : {0u, 255u, 256u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
      Bytes d = file;
      put32(d, kStub + at, v);
      EXPECT_EQ(expectSafe(d, "colour").firstFailure(), 0);
    }
}

TEST_F(DamagedPackage, ContentTitle) {
  const Bytes file = sampleInstaller();
  const std::vector<std::string> refused = {"", ".", "..", "..\\..\\evil", "a\\b", "a/b", "C:", "a:b", "a*b", "a?",
                                            "a\"b", "a<b", "a>b", "a|b", std::string("a\x01", 2), "\t"};
  for (const std::string& title : refused) {
    Bytes d = file;
    std::memset(&d[kStub + 30], 0, 64);
    std::memcpy(&d[kStub + 30], title.data(), title.size());
    harness::Outcome o = expectSafe(d, "title \"" + title + "\"");
    EXPECT_EQ(o.code("readPackageDirectory"), rc::badTitle) << title;
    EXPECT_FALSE(o.ran("slot 1")) << "nothing is written for title " << title;
  }
  // 64 characters without a terminator, high bytes, spaces and dots are folder names Windows takes.
  for (const std::string& title : {std::string(64, 'T'), std::string("\xE9t\xE9 ", 4), std::string("a.b c")}) {
    Bytes d = file;
    std::memset(&d[kStub + 30], 0, 64);
    std::memcpy(&d[kStub + 30], title.data(), title.size());
    EXPECT_EQ(expectSafe(d, "title " + title).firstFailure(), 0) << title;
  }
}

TEST_F(DamagedPackage, IntegrityRecord) {
  Bytes file = sampleInstaller();
  // The record: "MVCK" and the CRC-32 of the package taken with the record's 8 bytes as zero.
  const uint32_t crc = mv::crc32Update(0, file.data() + kStub, file.size() - kStub);
  std::memcpy(&file[kStub + 8], "MVCK", 4);
  put32(file, kStub + 12, crc);
  EXPECT_EQ(expectSafe(file, "integrity").firstFailure(), 0);

  // Any byte of the package changed, or the record itself: refused before anything is written.
  for (size_t at : {size_t(0), size_t(13), size_t(30), size_t(96 + 256), size_t(3176), file.size() - kStub - 1}) {
    Bytes d = file;
    d[kStub + at] ^= 0x20;
    harness::Outcome o = expectSafe(d, "integrity, byte " + std::to_string(at));
    EXPECT_EQ(o.code("readPackageDirectory"), rc::integrityFailed) << at;
    EXPECT_FALSE(o.ran("slot 1"));
  }
  // A marker that is almost ours is no record: the package is read as one without.
  Bytes almost = file;
  almost[kStub + 11] = 'X';
  EXPECT_EQ(expectSafe(almost, "marker MVCX").firstFailure(), 0);
}

TEST_F(DamagedPackage, EveryEntryField) {
  const Bytes file = sampleInstaller();
  const uint32_t size = uint32_t(file.size());
  const std::vector<uint32_t> offsets = {0, 1, size - 1, size, size + 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
  for (int k = 0; k < 11; ++k) {
    const size_t e = kEntries + 280 * size_t(k);
    const std::string slot = "slot " + std::to_string(k);
    // Name length: empty, longer than the name (leftover bytes become part of it), the longest.
    for (uint8_t v : {0, 1, 20, 200, 255}) {
      Bytes d = file;
      d[e] = v;
      expectSafe(d, slot + " name length " + std::to_string(v));
    }
    // Name characters that would leave the destination folder or that Windows refuses.
    for (const std::string& name : {std::string(".."), std::string("..\\x.txt"), std::string("a\\b"),
                                     std::string("a/b"), std::string("C:x"), std::string("\\x"),
                                     std::string("x\x01", 2), std::string(".")}) {
      Bytes d = file;
      d[e] = uint8_t(name.size());
      std::memcpy(&d[e + 1], name.data(), name.size());
      harness::Outcome o = expectSafe(d, slot + " name " + name);
      if (k >= 1 && k != 7) { EXPECT_EQ(o.code(slot), rc::unsafeName) << slot << " name " << name; }
    }
    // Start and end offsets.
    for (size_t field : {256, 260})
      for (uint32_t v : offsets) {
        Bytes d = file;
        put32(d, e + field, v);
        harness::Outcome o = expectSafe(d, slot + (field == 256 ? " start " : " end ") + std::to_string(v));
        const int32_t start = int32_t(field == 256 ? v : d[e + 256] | d[e + 257] << 8 | d[e + 258] << 16 | d[e + 259] << 24);
        const int32_t end = int32_t(field == 260 ? v : d[e + 260] | d[e + 261] << 8 | d[e + 262] << 16 | d[e + 263] << 24);
        if (start < 0 || end < start || int64_t(end) >= int64_t(size)) {
          EXPECT_EQ(o.code("readPackageDirectory"), rc::damagedPackage) << slot << " " << start << ".." << end;
        }
      }
    // Kind: the ones without a destination are refused; others move the file between the folders.
    for (uint32_t v : {0u, 1u, 2u, 3u, 4u, 6u, 7u, 8u, 9u, 10u, 11u, 0xFFFFFFFFu, 0x80000000u}) {
      Bytes d = file;
      put32(d, e + 264, v);
      harness::Outcome o = expectSafe(d, slot + " kind " + std::to_string(v));
      // Slot 1 is extracted before the content folder exists: only the Windows folder's kinds have a
      // destination then (a content kind once wrote the library into the current folder).
      const bool contentKind = v == 1 || v == 4 || v == 5 || v == 6 || v == 10;
      if (k == 1 && contentKind) {
        EXPECT_EQ(o.code("readPackageDirectory"), rc::damagedPackage) << "slot 1 kind " << v;
      }
      if (k >= 1 && k != 7 && (v == 0 || v == 7 || v == 8 || v == 9 || v > 10)) {
        EXPECT_EQ(o.code(slot), rc::damagedPackage) << slot << " kind " << v;
      }
    }
    // Compressed flag: a stored payload read as a stream, a stream written as it is.
    for (uint8_t v : {0x00, 0x01, 0x80, 0xFF}) {
      Bytes d = file;
      d[e + 268] = v;
      expectSafe(d, slot + " compressed " + std::to_string(v));
    }
    // Padding and packed size are never read; expanded size decides only for compressed payloads.
    for (uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      Bytes d = file;
      put32(d, e + 268, (v & 0xFFFFFF00u) | d[e + 268]);
      put32(d, e + 272, v);
      EXPECT_EQ(expectSafe(d, slot + " packed size").firstFailure(), 0) << slot;
      Bytes x = file;
      put32(x, e + 276, v);
      harness::Outcome o = expectSafe(x, slot + " expanded size " + std::to_string(v));
      if (k == 6 || k == 9) { EXPECT_EQ(o.code(slot), rc::wrongSize) << slot << " expanded " << v; }
      else { EXPECT_EQ(o.firstFailure(), 0) << slot << " expanded " << v; }
    }
  }
  std::printf("[          ] %d damaged installers\n", variants);
}

TEST_F(DamagedPackage, CompressedPayloadBytes) {
  // Every byte of the HTML page's implode stream flipped in turn: whatever comes out is either the
  // page or refused with -13, and never anything outside the folders.
  const Bytes file = sampleInstaller();
  const size_t e = kEntries + 280 * 6;
  const uint32_t start = file[e + 256] | file[e + 257] << 8 | file[e + 258] << 16 | uint32_t(file[e + 259]) << 24;
  const uint32_t end = file[e + 260] | file[e + 261] << 8 | file[e + 262] << 16 | uint32_t(file[e + 263]) << 24;
  for (uint32_t at = start; at <= end; ++at)
    for (uint8_t mask : {0x01, 0x80, 0xFF}) {
      Bytes d = file;
      d[at] ^= mask;
      harness::Outcome o = expectSafe(d, "stream byte " + std::to_string(at - start));
      const Result r = o.code("slot 6");
      EXPECT_TRUE(r == 0 || r == rc::wrongSize) << "stream byte " << at - start << ": " << r;
    }
}

}  // namespace
}  // namespace mv
