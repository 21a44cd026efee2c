// The data file's byte layout and the package directory's integrity record and kind table, as pure
// functions over bytes: what is written reads back, and damage is named, never read past.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "package/datafile_format.h"
#include "package/format.h"
#include "package_test_util.h"
#include "support/crc32.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::vector<DataFileEntry> sampleEntries() {
  return {{"ocean.swf", bytesOf("FWS movie"), 9, false},
          {"pics\\wave.jpg", Bytes{0x00, 0x06, 's', 't', 'r', 'e', 'a', 'm'}, 4000, true},
          {"empty.txt", {}, 0, false}};
}

TEST(DataFileFormat, SerializedFileParsesBackWithEveryEntryInPlace) {
  const std::vector<DataFileEntry> entries = sampleEntries();
  const Bytes data = serializeDataFile("Ocean Waves", entries);
  DataFileView view;
  ASSERT_EQ(parseDataFile(data.data(), data.size(), view), DataFileDamage::none);
  EXPECT_EQ(view.header.entryCount, 3);
  EXPECT_EQ(view.header.title, "Ocean Waves");
  EXPECT_EQ(view.header.movieSource, 0);
  ASSERT_EQ(view.entries.size(), 3u);
  EXPECT_EQ(view.entries[0].record.blockOffset, dataRecordOffset(4));  // first block right after the table
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    const DataFileEntryView& e = view.entries[i];
    EXPECT_EQ(e.index, int(i) + 1);
    EXPECT_EQ(e.record.name, entries[i].name);
    EXPECT_EQ(e.record.kind, 0);
    ASSERT_TRUE(e.blockInside);
    EXPECT_EQ(e.block.marker, "CHUN");
    EXPECT_EQ(e.block.expanded, entries[i].expanded);
    EXPECT_EQ(e.block.compressed != 0, entries[i].compressed);
    int64_t at = 0, count = 0;
    ASSERT_TRUE(entryPayload(e, data.size(), at, count));
    EXPECT_EQ(Bytes(data.begin() + at, data.begin() + at + count), entries[i].payload);
  }
  // The blocks follow each other without gaps and end with the file.
  const DataFileEntryView& last = view.entries.back();
  EXPECT_EQ(size_t(last.record.blockOffset + kDataBlockHeaderSize + last.block.payloadSize()), data.size());
}

// The packaging tool sums a data file's size before it writes one: the sum must be the file it gets.
TEST(DataFileFormat, SizeFromTheRecordsAndBlocksIsTheSerialisedSize) {
  const std::vector<DataFileEntry> entries = sampleEntries();
  int64_t size = dataRecordOffset(int(entries.size()) + 1);
  for (const DataFileEntry& e : entries) size += dataBlockSize(int64_t(e.payload.size()));
  EXPECT_EQ(size, int64_t(serializeDataFile("Ocean Waves", entries).size()));
}

TEST(DataFileFormat, FieldsRoundTripAtTheirLimits) {
  uint8_t header[kDataHeaderSize];
  DataFileHeader h;
  h.entryCount = kMaxDataRecords;
  h.title = std::string(kDataTitleSize, 'T');  // fills the field: no terminator
  h.movieSource = 3;
  serializeDataHeader(h, header);
  DataFileHeader back = parseDataHeader(header);
  EXPECT_EQ(back.entryCount, kMaxDataRecords);
  EXPECT_EQ(back.title, h.title);
  EXPECT_EQ(back.movieSource, 3);

  uint8_t record[kDataRecordSize];
  DataRecord r;
  r.kind = kMovieCopyKind;
  r.name = std::string(300, 'n');  // longer than the field: cut so that a terminator stays
  r.blockOffset = -5;
  serializeDataRecord(r, record);
  DataRecord rb = parseDataRecord(record);
  EXPECT_EQ(rb.kind, kMovieCopyKind);
  EXPECT_EQ(rb.name, std::string(kDataNameSize - 1, 'n'));
  EXPECT_EQ(rb.blockOffset, -5);

  uint8_t block[kDataBlockHeaderSize];
  DataBlockHeader b;
  b.marker = "CHUN";
  b.kind = 11;
  b.expanded = 0x7FFFFFFF;
  b.stored = 12;
  b.compressed = 1;
  serializeDataBlockHeader(b, block);
  DataBlockHeader bb = parseDataBlockHeader(block);
  EXPECT_EQ(bb.marker, "CHUN");
  EXPECT_EQ(bb.kind, 11);
  EXPECT_EQ(bb.expanded, 0x7FFFFFFF);
  EXPECT_EQ(bb.payloadSize(), 12);
}

TEST(DataFileFormat, DamageIsNamedBeforeAnythingPastItIsRead) {
  Bytes data = serializeDataFile("T", sampleEntries());
  DataFileView view;
  EXPECT_EQ(parseDataFile(data.data(), kDataHeaderSize - 1, view), DataFileDamage::shorterThanHeader);

  for (int32_t count : {-1, kMaxDataRecords + 1, int32_t(0x80000000)}) {
    Bytes bad = data;
    DataFileHeader h = parseDataHeader(bad.data());
    h.entryCount = count;
    serializeDataHeader(h, bad.data());
    EXPECT_EQ(parseDataFile(bad.data(), bad.size(), view), DataFileDamage::entryCountOutOfRange) << count;
    EXPECT_TRUE(view.entries.empty());
  }

  // Three records need 1,240 + 3 x 264 bytes; one byte less cannot hold them.
  EXPECT_EQ(parseDataFile(data.data(), size_t(dataRecordOffset(4)) - 1, view), DataFileDamage::recordsDoNotFit);
  ASSERT_EQ(parseDataFile(data.data(), size_t(dataRecordOffset(4)), view), DataFileDamage::none);
  EXPECT_FALSE(view.entries[0].blockInside);  // the blocks are cut off

  // A block header that starts inside but runs past the end, and a payload that does.
  ASSERT_EQ(parseDataFile(data.data(), data.size(), view), DataFileDamage::none);
  DataFileEntryView e = view.entries[1];
  int64_t at = 0, count = 0;
  EXPECT_FALSE(entryPayload(e, size_t(e.record.blockOffset + kDataBlockHeaderSize + 1), at, count));
  e.block.stored = -1;
  EXPECT_FALSE(entryPayload(e, data.size(), at, count));
  e.blockInside = false;
  e.block.stored = 1;
  EXPECT_FALSE(entryPayload(e, data.size(), at, count));  // no block, no payload
  DataFileView cut;
  ASSERT_EQ(parseDataFile(data.data(), size_t(view.entries[1].record.blockOffset + kDataBlockHeaderSize - 1), cut),
            DataFileDamage::none);
  EXPECT_TRUE(cut.entries[0].blockInside);
  EXPECT_FALSE(cut.entries[1].blockInside);
}

TEST(DataFileFormat, MovieCopiesAreKindThreeOrTheFirstRecordOfAnInstallerMovie) {
  EXPECT_TRUE(entryIsMovieCopy(2, 3, 0));
  EXPECT_TRUE(entryIsMovieCopy(1, 0, 3));
  EXPECT_FALSE(entryIsMovieCopy(2, 0, 3));
  EXPECT_FALSE(entryIsMovieCopy(1, 11, 0));
}

TEST(IntegrityRecord, CrcInPiecesEqualsTheCrcWithTheRecordZeroed) {
  Bytes package(kDirectorySize + 100);
  for (size_t i = 0; i < package.size(); ++i) package[i] = uint8_t(i * 37 + 11);
  Bytes zeroed = package;
  std::memset(zeroed.data() + kIntegrityOffset, 0, kIntegritySize);
  const uint32_t expected = crc32Update(0, zeroed.data(), zeroed.size());
  EXPECT_EQ(packageCrcUpdate(0, package.data(), package.size(), 0), expected);
  // Split anywhere, even inside the record's 8 bytes.
  for (size_t cut : {size_t(0), size_t(1), size_t(8), size_t(9), size_t(12), size_t(16), size_t(17), size_t(200)}) {
    uint32_t crc = packageCrcUpdate(0, package.data(), cut, 0);
    crc = packageCrcUpdate(crc, package.data() + cut, package.size() - cut, int64_t(cut));
    EXPECT_EQ(crc, expected) << cut;
  }
}

TEST(IntegrityRecord, SetRecordSurvivesTheDirectoryRoundTrip) {
  PackageDirectory dir;
  EXPECT_FALSE(hasIntegrityRecord(dir.header));
  setIntegrityRecord(dir.header, 0xBA51FB6D);
  uint8_t bytes[kDirectorySize];
  serializeDirectory(dir, bytes);
  EXPECT_EQ(std::memcmp(bytes + kIntegrityOffset, "MVCK\x6D\xFB\x51\xBA", 8), 0);
  PackageDirectory back = parseDirectory(bytes);
  EXPECT_TRUE(hasIntegrityRecord(back.header));
  EXPECT_EQ(recordedCrc(back.header), 0xBA51FB6Du);
}

TEST(IntegrityRecord, LengthBoundsThePackageAndNeedsTheRecord) {
  PackageDirectory dir;
  setPackageLength(dir.header, 5000);  // without the marker a length means nothing
  EXPECT_EQ(recordedPackageLength(dir.header), 0u);
  EXPECT_EQ(packageEnd(dir.header, 1000, 9000), 9000);

  setIntegrityRecord(dir.header, 0x12345678);
  uint8_t bytes[kDirectorySize];
  serializeDirectory(dir, bytes);
  EXPECT_EQ(std::memcmp(bytes + kPackageLengthOffset, "\x88\x13\0\0", 4), 0);  // bytes 3..6, little-endian
  PackageDirectory back = parseDirectory(bytes);
  EXPECT_EQ(recordedPackageLength(back.header), 5000u);
  EXPECT_EQ(packageEnd(back.header, 1000, 9000), 6000);
  EXPECT_EQ(packageEnd(back.header, 1000, 5500), 6000);  // a truncated file: the end lies beyond it

  setPackageLength(back.header, 0);  // a record written before the length: to the end of the file
  EXPECT_EQ(packageEnd(back.header, 1000, 9000), 9000);
}

// The security entry of a PE32 optional header (data directory entry 4) holds the certificate table's
// file offset and size.
TEST(CertificateTable, ReadFromTheSecurityEntryOfTheDataDirectory) {
  std::string exe = test::fakeExecutable();
  auto image = [&] { return reinterpret_cast<const uint8_t*>(exe.data()); };
  const size_t optional = 0x84 + 20;
  EXPECT_EQ(certificateTable(image(), exe.size()).size, 0);  // no data directory entries at all

  test::putLe32(exe, optional + 92, 16);  // NumberOfRvaAndSizes
  EXPECT_EQ(certificateTable(image(), exe.size()).size, 0);  // entries, but no certificate table
  test::putLe32(exe, optional + 96 + 4 * 8, 0x9000);
  test::putLe32(exe, optional + 96 + 4 * 8 + 4, 0x5A8);
  CertificateTable t = certificateTable(image(), exe.size());
  EXPECT_EQ(t.offset, 0x9000);
  EXPECT_EQ(t.size, 0x5A8);

  // Too few entries, headers cut short, or no PE signature: none.
  test::putLe32(exe, optional + 92, 4);
  EXPECT_EQ(certificateTable(image(), exe.size()).size, 0);
  test::putLe32(exe, optional + 92, 16);
  EXPECT_EQ(certificateTable(image(), optional + 96 + 4 * 8 + 4).size, 0);
  EXPECT_EQ(certificateTable(image(), optional + 96 + 4 * 8 + 8).size, 0x5A8);
  exe[0x80] = 'X';
  EXPECT_EQ(certificateTable(image(), exe.size()).size, 0);
  EXPECT_EQ(certificateTable(nullptr, 0).size, 0);
}

TEST(SlotKinds, OneTableDecidesEveryKindsDestination) {
  const SlotDestination expected[] = {
      SlotDestination::none,          SlotDestination::contentFolder, SlotDestination::wallpaperFolder,
      SlotDestination::windowsFolder, SlotDestination::contentFolder, SlotDestination::contentFolder,
      SlotDestination::contentFolder, SlotDestination::none,          SlotDestination::none,
      SlotDestination::none,          SlotDestination::contentFolder, SlotDestination::none};
  for (int32_t kind = 0; kind < 12; ++kind) EXPECT_EQ(destinationOfKind(kind), expected[kind]) << kind;
  EXPECT_EQ(destinationOfKind(-1), SlotDestination::none);
  // The kinds the packaging tool writes all have the destination their use needs.
  EXPECT_EQ(destinationOfKind(slotkind::dataFile), SlotDestination::contentFolder);
  EXPECT_EQ(destinationOfKind(slotkind::wallpaperPage), SlotDestination::wallpaperFolder);
  EXPECT_EQ(destinationOfKind(slotkind::windowsFolder), SlotDestination::windowsFolder);
}

TEST(SlotKinds, SlotBoundsAreCheckedAgainstTheFileSize) {
  PackageEntry e;
  e.start = 10;
  e.end = 19;
  EXPECT_TRUE(slotInsideFile(e, 20));
  EXPECT_FALSE(slotInsideFile(e, 19));
  e.end = 9;
  EXPECT_FALSE(slotInsideFile(e, 100));  // ends before it starts
  e.start = -1;
  e.end = 5;
  EXPECT_FALSE(slotInsideFile(e, 100));
}

}  // namespace
}  // namespace mv
