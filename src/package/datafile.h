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

// The reader's state lives for the whole installation (its owner keeps one).
class DataFileReader {
 public:
  // Reads the header of the session's data file; reports a failure with the file's path.
  Result readDataHeader(FileSystem& files, PackageSession& session);
  // Opens a data file and reads its records; entries are then extracted through this platform, and
  // failures reported, for this session until the file is closed. Both outlive the open file.
  Result openDataFile(Platform& platform, PackageSession& session, const std::string& path, bool report);
  // skipKind true: the kind is not handed back. kindOut may be nullptr.
  Result extractDataEntry(const std::string& folder, int index, bool skipKind, uint8_t* kindOut);
  Result closeDataFile();

  bool isOpen() const { return open_; }
  int32_t entryCount() const { return header_.entryCount; }
  int32_t movieSource() const { return header_.movieSource; }
  const std::string& dataTitle() const { return header_.title; }
  const DataRecord& record(int index) const { return table_[index]; }  // 1..109

 private:
  Result readHeader(FileSystem& files, File& f);
  DataFileHeader header_;
  Platform* platform_ = nullptr;       // those that opened the file
  PackageSession* session_ = nullptr;
  std::array<DataRecord, kMaxDataRecords + 1> table_{};
  std::unique_ptr<File> file_;
  std::string path_;
  int64_t fileSize_ = 0;
  bool open_ = false;
};

}  // namespace mv
