#pragma once
// Reading the Moviva data file (package slot 8) at installation: its header, its directory records,
// and its entries written out as files. The layout is in datafile_format.h.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package/datafile_format.h"
#include "package/session.h"
#include "platform/platform.h"

namespace mv {

// The reader's state lives for the whole run (one per process, see dataFile()).
class DataFileReader {
 public:
  // Reads the header of the session's data file; reports a failure with the file's path.
  Result readDataHeader(PackageSession& session);
  // Opens a data file and reads its records; entries are then extracted, and failures reported, for
  // this session until the file is closed.
  Result openDataFile(PackageSession& session, const std::string& path, bool report);
  // skipKind true: the kind is not handed back. kindOut may be nullptr.
  Result extractDataEntry(const std::string& folder, int index, bool skipKind, uint8_t* kindOut);
  Result closeDataFile();

  bool isOpen() const { return open_; }
  int32_t entryCount() const { return header_.entryCount; }
  int32_t movieSource() const { return header_.movieSource; }
  const std::string& dataTitle() const { return header_.title; }
  const DataRecord& record(int index) const { return table_[index]; }  // 1..109

 private:
  Result readHeader(File& f);
  DataFileHeader header_;
  PackageSession* session_ = nullptr;  // the one that opened the file
  std::array<DataRecord, kMaxDataRecords + 1> table_{};
  std::unique_ptr<File> file_;
  std::string path_;
  int64_t fileSize_ = 0;
  bool open_ = false;
};

DataFileReader& dataFile();

}  // namespace mv
