#pragma once
// The Moviva data file (package slot 8) as bytes: a 1,240-byte header, entryCount directory records of
// 264 bytes, then entry blocks (44-byte "CHUN" header + payload). Pure functions over bytes; the
// installer's reader and the packaging tool both use them.
//
//   header   entryCount at 212, data title at 248 (64 bytes, zero-terminated when shorter), movie
//            source at 1204; the other bytes are zero
//   record   kind (1), -, name (256, zero-terminated), padding (2), block offset (4)
//   block    "CHUN", kind, expanded size, stored size, compressed flag, reserved; then the payload:
//            stored size bytes of an implode stream when compressed, else the expanded size bytes of
//            the file itself
//
// The title and the names are stored as Windows-1252 and held here as UTF-8, the program's text: they are
// converted when parsed and serialised, never through the ANSI code page.
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

constexpr int kDataHeaderSize = 1240;
constexpr int kDataRecordSize = 264;
constexpr int kDataBlockHeaderSize = 44;
constexpr int kMaxDataRecords = 109;  // the entry table has 110 records, index 0 unused
constexpr int kDataTitleSize = 64;
constexpr int kDataNameSize = 256;    // the name field, terminator included
constexpr char kDataBlockMarker[4] = {'C', 'H', 'U', 'N'};

struct DataFileHeader {
  int32_t entryCount = 0;
  std::string title;  // up to 64 characters, as UTF-8
  int32_t movieSource = 0;
};

struct DataRecord {
  uint8_t kind = 0;
  std::string name;  // as UTF-8
  int32_t blockOffset = 0;
};

struct DataBlockHeader {
  std::string marker;  // 4 bytes, "CHUN" in every file we know
  int32_t kind = 0;
  int32_t expanded = 0;
  int32_t stored = 0;
  int32_t compressed = 0;  // non-zero: the payload is an implode stream
  // Bytes of payload that follow the header: the stored size when compressed, else the expanded size.
  int64_t payloadSize() const { return compressed ? stored : expanded; }
};

// Each reads exactly its structure's size in bytes; nothing is checked here.
DataFileHeader parseDataHeader(const uint8_t* bytes);
DataRecord parseDataRecord(const uint8_t* bytes);
DataBlockHeader parseDataBlockHeader(const uint8_t* bytes);
// Each writes exactly its structure's size; names and titles longer than their fields are cut. Texts must
// fit Windows-1252 (a character without a byte is written as "?").
void serializeDataHeader(const DataFileHeader& header, uint8_t* bytes);
void serializeDataRecord(const DataRecord& record, uint8_t* bytes);
void serializeDataBlockHeader(const DataBlockHeader& block, uint8_t* bytes);

// Entry kind 3: the entry is a copy of a movie made at installation, not read from the file. Record 1
// is such a copy also when the header's movie source is 3.
constexpr uint8_t kMovieCopyKind = 3;
constexpr bool entryIsMovieCopy(int index, uint8_t kind, int32_t movieSource) {
  return kind == kMovieCopyKind || (index == 1 && movieSource == kMovieCopyKind);
}

// Where record i (1-based, as the installer counts) lies in the file.
constexpr int64_t dataRecordOffset(int index) { return kDataHeaderSize + int64_t(kDataRecordSize) * (index - 1); }
// The bytes an entry's block takes in the file: its header and its payload.
constexpr int64_t dataBlockSize(int64_t payloadSize) { return kDataBlockHeaderSize + payloadSize; }
// The entry count the record table can hold: 0..109.
constexpr bool entryCountFits(int32_t count) { return count >= 0 && count <= kMaxDataRecords; }

// A whole data file in memory, every offset checked against its size (the packaging tool, fuzzers).
struct DataFileEntryView {
  int index = 0;  // 1-based, as the installer counts
  DataRecord record;
  bool blockInside = false;  // the block header lies inside the file; `block` is read only then
  DataBlockHeader block;
};
struct DataFileView {
  DataFileHeader header;
  std::vector<DataFileEntryView> entries;
};
enum class DataFileDamage {
  none,
  shorterThanHeader,     // the file ends before its 1,240-byte header
  entryCountOutOfRange,  // the entry count is outside 0..109
  recordsDoNotFit,       // the directory records run past the end of the file
};
// Reads header, records and the block headers that lie inside the file; anything but `none` means
// nothing past the header could be read.
DataFileDamage parseDataFile(const uint8_t* data, size_t size, DataFileView& view);
// Where an entry's payload lies: false when its block or payload runs outside the file.
bool entryPayload(const DataFileEntryView& entry, size_t fileSize, int64_t& offset, int64_t& count);

// A whole data file made from its entries (records in order, each block right after the previous one).
struct DataFileEntry {
  std::string name;
  std::vector<uint8_t> payload;  // an implode stream when compressed, else the file itself
  int32_t expanded = 0;
  bool compressed = false;
};
std::vector<uint8_t> serializeDataFile(const std::string& title, const std::vector<DataFileEntry>& entries);

}  // namespace mv
