#include "package/datafile_format.h"

#include <algorithm>
#include <cstring>

#include "support/bytes.h"
#include "support/text_encoding.h"

namespace mv {

namespace {

// Header field offsets
constexpr int hEntryCount = 212, hTitle = 248, hMovieSource = 1204;
// Record field offsets
constexpr int rKind = 0, rName = 2, rBlockOffset = 260;
// Block header field offsets
constexpr int bMarker = 0, bKind = 4, bExpanded = 8, bStored = 12, bCompressed = 16;

void putText(uint8_t* field, size_t fieldSize, const std::string& text) {
  std::memcpy(field, text.data(), std::min(text.size(), fieldSize));
}

}  // namespace

DataFileHeader parseDataHeader(const uint8_t* bytes) {
  DataFileHeader h;
  h.entryCount = readLe32(bytes + hEntryCount);
  h.title = windows1252ToUtf8(fixedString(bytes + hTitle, kDataTitleSize));
  h.movieSource = readLe32(bytes + hMovieSource);
  return h;
}

DataRecord parseDataRecord(const uint8_t* bytes) {
  DataRecord r;
  r.kind = bytes[rKind];
  r.name = windows1252ToUtf8(fixedString(bytes + rName, kDataNameSize));
  r.blockOffset = readLe32(bytes + rBlockOffset);
  return r;
}

DataBlockHeader parseDataBlockHeader(const uint8_t* bytes) {
  DataBlockHeader b;
  b.marker.assign(reinterpret_cast<const char*>(bytes + bMarker), 4);
  b.kind = readLe32(bytes + bKind);
  b.expanded = readLe32(bytes + bExpanded);
  b.stored = readLe32(bytes + bStored);
  b.compressed = readLe32(bytes + bCompressed);
  return b;
}

void serializeDataHeader(const DataFileHeader& header, uint8_t* bytes) {
  std::memset(bytes, 0, kDataHeaderSize);
  writeLe32(bytes + hEntryCount, uint32_t(header.entryCount));
  putText(bytes + hTitle, kDataTitleSize, toWindows1252(header.title));
  writeLe32(bytes + hMovieSource, uint32_t(header.movieSource));
}

void serializeDataRecord(const DataRecord& record, uint8_t* bytes) {
  std::memset(bytes, 0, kDataRecordSize);
  bytes[rKind] = record.kind;
  putText(bytes + rName, kDataNameSize - 1, toWindows1252(record.name));  // always zero-terminated
  writeLe32(bytes + rBlockOffset, uint32_t(record.blockOffset));
}

void serializeDataBlockHeader(const DataBlockHeader& block, uint8_t* bytes) {
  std::memset(bytes, 0, kDataBlockHeaderSize);
  putText(bytes + bMarker, 4, block.marker);
  writeLe32(bytes + bKind, uint32_t(block.kind));
  writeLe32(bytes + bExpanded, uint32_t(block.expanded));
  writeLe32(bytes + bStored, uint32_t(block.stored));
  writeLe32(bytes + bCompressed, uint32_t(block.compressed));
}

DataFileDamage parseDataFile(const uint8_t* data, size_t size, DataFileView& view) {
  view = DataFileView();
  if (size < size_t(kDataHeaderSize)) return DataFileDamage::shorterThanHeader;
  view.header = parseDataHeader(data);
  const int32_t count = view.header.entryCount;
  if (!entryCountFits(count)) return DataFileDamage::entryCountOutOfRange;
  if (dataRecordOffset(count + 1) > int64_t(size)) return DataFileDamage::recordsDoNotFit;
  for (int i = 1; i <= count; ++i) {
    DataFileEntryView e;
    e.index = i;
    e.record = parseDataRecord(data + dataRecordOffset(i));
    const int64_t at = e.record.blockOffset;
    if (at >= 0 && at + kDataBlockHeaderSize <= int64_t(size)) {
      e.blockInside = true;
      e.block = parseDataBlockHeader(data + at);
    }
    view.entries.push_back(e);
  }
  return DataFileDamage::none;
}

bool entryPayload(const DataFileEntryView& entry, size_t fileSize, int64_t& offset, int64_t& count) {
  if (!entry.blockInside) return false;
  offset = int64_t(entry.record.blockOffset) + kDataBlockHeaderSize;
  count = entry.block.payloadSize();
  return count >= 0 && offset + count <= int64_t(fileSize);
}

std::vector<uint8_t> serializeDataFile(const std::string& title, const std::vector<DataFileEntry>& entries) {
  std::vector<uint8_t> data(size_t(dataRecordOffset(int(entries.size()) + 1)), 0);
  DataFileHeader header;
  header.entryCount = int32_t(entries.size());
  header.title = title;
  serializeDataHeader(header, data.data());
  for (size_t i = 0; i < entries.size(); ++i) {
    const DataFileEntry& e = entries[i];
    DataRecord record;
    record.name = e.name;
    record.blockOffset = int32_t(data.size());
    serializeDataRecord(record, data.data() + dataRecordOffset(int(i) + 1));
    DataBlockHeader block;
    block.marker.assign(kDataBlockMarker, 4);
    block.expanded = e.expanded;
    block.stored = int32_t(e.payload.size());
    block.compressed = e.compressed ? 1 : 0;
    uint8_t blockBytes[kDataBlockHeaderSize];
    serializeDataBlockHeader(block, blockBytes);
    data.insert(data.end(), blockBytes, blockBytes + kDataBlockHeaderSize);
    data.insert(data.end(), e.payload.begin(), e.payload.end());
  }
  return data;
}

}  // namespace mv
