// Moviva data files damaged in every field: header (entry count, title, movie source, unread bytes),
// each field of the directory records, each field of the entry blocks, the payloads, truncation
// anywhere. The rules of harness::runDataFile hold for all of them (no crash, a message with every
// failure the reader reports itself, nothing outside the content folder, no file left open or behind
// after a failed entry); where the damage can be seen, the code is the one for it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "package/package_writer.h"

namespace mv {
namespace {

using test::Bytes;
using test::bytesOf;

Bytes implode(const std::string& text, int type) {
  return dclImplode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), type, 4096);
}

const std::string kMovie(400, 'm');
const std::string kPage = "<html>" + std::string(300, 'p') + "</html>";

// Records: 1 a compressed movie, 2 a compressed page in a sub-folder, 3 a stored picture.
Bytes sampleDataFile() {
  test::DataFileLayout d;
  d.title = "Demo";
  d.entries = {{"Demo.swf", 11, implode(kMovie, 0), true, int32_t(kMovie.size())},
               {"pages\\info.html", 0, implode(kPage, 1), true, int32_t(kPage.size())},
               {"back.jpg", 0, bytesOf("\xFF\xD8 picture"), false, -1}};
  return test::buildDataFile(d);
}

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
uint32_t get32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
size_t record(int i) { return 1240 + 264 * size_t(i - 1); }

class DamagedDataFile : public ::testing::Test {
 protected:
  harness::Outcome run(const Bytes& file) { return harness::runDataFile(box, file.data(), file.size()); }
  harness::Outcome expectSafe(const Bytes& file, const std::string& what) {
    harness::Outcome o = run(file);
    EXPECT_EQ(o.problem, "") << what;
    return o;
  }
  harness::Sandbox box;
};

TEST_F(DamagedDataFile, TheUndamagedSampleExtractsWhole) {
  harness::Outcome o = run(sampleDataFile());
  EXPECT_EQ(o.problem, "");
  EXPECT_EQ(o.firstFailure(), 0);
  EXPECT_TRUE(o.ran("entry 3"));
  std::string page;
  EXPECT_TRUE(box.platform().readWholeFile(std::string(harness::kContentFolder) + "pages\\info.html", page));
  EXPECT_EQ(page, kPage);
}

TEST_F(DamagedDataFile, TruncatedAnywhere) {
  const Bytes file = sampleDataFile();
  for (size_t size = 0; size < file.size(); size += (size < 2100 ? 23 : 3)) {
    harness::Outcome o = expectSafe(Bytes(file.begin(), file.begin() + long(size)), "cut at " + std::to_string(size));
    if (size < 1240) {
      EXPECT_EQ(o.code("openDataFile"), rc::shortIo) << size;
    } else if (size < record(4)) {
      EXPECT_EQ(o.code("openDataFile"), rc::shortIo) << size;  // a record cut short
    } else {
      EXPECT_NE(o.firstFailure(), 0) << size;  // the last entry's payload is cut
    }
    if (o.code("openDataFile") != 0) {
      ASSERT_FALSE(o.messages.empty());
      EXPECT_NE(o.messages.back().find("Problem opening Moviva data file."), std::string::npos);
    }
  }
}

TEST_F(DamagedDataFile, HeaderFields) {
  const Bytes file = sampleDataFile();
  for (uint32_t count : {110u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    Bytes d = file;
    put32(d, 212, count);
    harness::Outcome o = expectSafe(d, "entry count " + std::to_string(count));
    EXPECT_EQ(o.code("openDataFile"), rc::damagedDataFile) << count;
  }
  // Counts inside the table but past the records the file holds: the blocks are read as records.
  for (uint32_t count : {0u, 1u, 4u, 5u, 8u, 60u, 109u}) {
    Bytes d = file;
    put32(d, 212, count);
    expectSafe(d, "entry count " + std::to_string(count));
  }
  // Fields the reader does not act on: title, movie source, and the bytes nobody reads.
  for (size_t at : {0, 100, 216, 248, 280, 311, 312, 1000, 1204, 1208, 1239}) {
    for (uint8_t v : {0x00, 0x03, 0x80, 0xFF}) {
      Bytes d = file;
      d[at] = v;
      EXPECT_EQ(expectSafe(d, "header byte " + std::to_string(at)).firstFailure(), 0) << at;
    }
  }
}

TEST_F(DamagedDataFile, RecordFields) {
  const Bytes file = sampleDataFile();
  for (int i = 1; i <= 3; ++i) {
    const size_t r = record(i);
    const std::string entry = "entry " + std::to_string(i);
    for (uint8_t kind : {0, 3, 11, 0xFF}) {  // kind and the byte after it are not read by the reader
      Bytes d = file;
      d[r] = kind;
      d[r + 1] = kind;
      EXPECT_EQ(expectSafe(d, entry + " kind").firstFailure(), 0);
    }
    for (const std::string& name :
         {std::string("..\\x.txt"), std::string("a\\..\\..\\x"), std::string("C:\\x.txt"), std::string("\\x.txt"),
          std::string("/x.txt"), std::string("a\\\\b"), std::string("a\\"), std::string("x\x01", 2), std::string(".."),
          std::string("c:x"), std::string("a/./b")}) {
      Bytes d = file;
      std::memset(&d[r + 2], 0, 256);
      std::memcpy(&d[r + 2], name.data(), name.size());
      harness::Outcome o = expectSafe(d, entry + " name " + name);
      EXPECT_EQ(o.code(entry), rc::unsafeName) << name;
    }
    {
      // No terminator: the whole 256-byte field, then the padding and offset bytes are not part of it.
      Bytes d = file;
      std::memset(&d[r + 2], 'n', 256);
      expectSafe(d, entry + " name without terminator");
      Bytes e = file;
      std::memset(&e[r + 2], 0, 256);  // an empty name: the installation skips the record
      harness::Outcome o = expectSafe(e, entry + " empty name");
      EXPECT_FALSE(o.ran(entry));
    }
    const uint32_t size = uint32_t(file.size());
    for (uint32_t offset : {size - 43, size - 1, size, size + 1, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
      Bytes d = file;
      put32(d, r + 260, offset);
      harness::Outcome o = expectSafe(d, entry + " block offset " + std::to_string(offset));
      EXPECT_EQ(o.code(entry), rc::damagedDataFile) << entry << " offset " << offset;
    }
    for (uint32_t offset : {0u, 1u, 1240u, 2000u}) {  // inside the file, pointing at other bytes
      Bytes d = file;
      put32(d, r + 260, offset);
      expectSafe(d, entry + " block offset " + std::to_string(offset));
    }
  }
}

TEST_F(DamagedDataFile, BlockFields) {
  const Bytes file = sampleDataFile();
  const uint32_t size = uint32_t(file.size());
  for (int i = 1; i <= 3; ++i) {
    const size_t b = get32(file, record(i) + 260);
    const bool compressed = i != 3;
    const std::string entry = "entry " + std::to_string(i);
    // Marker, kind and the reserved bytes are not checked.
    for (size_t at : {0, 3, 4, 7, 20, 43}) {
      Bytes d = file;
      d[b + at] ^= 0xFF;
      EXPECT_EQ(expectSafe(d, entry + " block byte " + std::to_string(at)).firstFailure(), 0) << entry << " " << at;
    }
    // Expanded size.
    for (uint32_t v : {0u, 1u, 399u, 401u, size, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
      Bytes d = file;
      put32(d, b + 8, v);
      harness::Outcome o = expectSafe(d, entry + " expanded " + std::to_string(v));
      const int32_t expanded = int32_t(v);
      if (expanded == 0) { EXPECT_EQ(o.code(entry), 0); }
      else if (expanded < 0) { EXPECT_EQ(o.code(entry), rc::damagedDataFile) << entry << " " << expanded; }
      else if (compressed) { EXPECT_EQ(o.code(entry), rc::wrongSize) << entry << " " << expanded; }
      else if (b + 44 + int64_t(expanded) > size) { EXPECT_EQ(o.code(entry), rc::damagedDataFile) << entry << " " << expanded; }
    }
    // Stored size (read only for compressed payloads).
    for (uint32_t v : {0u, 1u, 2u, 10u, size, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
      Bytes d = file;
      put32(d, b + 12, v);
      harness::Outcome o = expectSafe(d, entry + " stored " + std::to_string(v));
      if (!compressed) continue;
      const int32_t stored = int32_t(v);
      if (stored < 0 || b + 44 + int64_t(stored) > size) {
        EXPECT_EQ(o.code(entry), rc::damagedDataFile) << stored;
      } else {
        // A stream cut short, or one followed by other bytes: its size decides.
        EXPECT_TRUE(o.code(entry) == 0 || o.code(entry) == rc::wrongSize) << stored << ": " << o.code(entry);
      }
      if (stored == 0) {
        EXPECT_EQ(o.code(entry), rc::wrongSize);
      }
    }
    // Compressed flag.
    for (uint32_t v : {0u, 1u, 0x100u, 0xFFFFFFFFu}) {
      Bytes d = file;
      put32(d, b + 16, v);
      expectSafe(d, entry + " compressed flag " + std::to_string(v));
    }
  }
}

TEST_F(DamagedDataFile, CompressedPayloadBytes) {
  const Bytes file = sampleDataFile();
  const size_t b = get32(file, record(2) + 260);
  const size_t stored = get32(file, b + 12);
  for (size_t at = b + 44; at < b + 44 + stored; ++at)
    for (uint8_t mask : {0x01, 0x10, 0xFF}) {
      Bytes d = file;
      d[at] ^= mask;
      harness::Outcome o = expectSafe(d, "payload byte " + std::to_string(at));
      EXPECT_TRUE(o.code("entry 2") == 0 || o.code("entry 2") == rc::wrongSize) << at << ": " << o.code("entry 2");
    }
}

}  // namespace
}  // namespace mv
