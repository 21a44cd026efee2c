#pragma once
// The Moviva data file (package slot 8): a 1,240-byte header, entryCount directory records of 264
// bytes, then entry blocks (44-byte "CHUN" header + payload).
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mv {

constexpr int kDataHeaderSize = 1240;
constexpr int kDataRecordSize = 264;
constexpr int kDataBlockHeaderSize = 44;
constexpr int kMaxDataRecords = 109;  // the entry table has 110 records, index 0 unused

namespace datafield {
constexpr int entryCount = 212, title = 248, titleSize = 64, movieSource = 1204;
constexpr int recKind = 0, recName = 2, recNameSize = 256, recBlockOffset = 260;
constexpr int blkMarker = 0, blkKind = 4, blkExpanded = 8, blkStored = 12, blkCompressed = 16;
}  // namespace datafield

struct DataRecord {
  uint8_t kind = 0;
  std::string name;
  int32_t blockOffset = 0;
};

// The reader's state lives for the whole run (one per process, see dataFile()).
class DataFileReader {
 public:
  Result readDataHeader();  // uses state().dataFilePath
  Result openDataFile(const std::string& path, bool report);
  // skipKind true: the kind is not handed back. kindOut may be nullptr.
  Result extractDataEntry(const std::string& folder, int index, bool skipKind, uint8_t* kindOut);
  Result closeDataFile();

  bool isOpen() const { return open_; }
  int32_t entryCount() const;
  int32_t movieSource() const;
  std::string dataTitle() const;
  const DataRecord& record(int index) const { return table_[index]; }  // 1..109
  const std::array<uint8_t, kDataHeaderSize>& header() const { return header_; }

 private:
  std::array<uint8_t, kDataHeaderSize> header_{};
  std::array<DataRecord, kMaxDataRecords + 1> table_{};
  std::unique_ptr<File> file_;
  std::string path_;
  int64_t fileSize_ = 0;
  bool open_ = false;
};

DataFileReader& dataFile();

}  // namespace mv
