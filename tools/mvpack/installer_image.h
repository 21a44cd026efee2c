#pragma once
// An installer as the examining commands read it, ours or not: the package directory at packageOffset,
// the slots, and the Moviva data file in slot 8 with its entries. Every offset and size is checked
// against the bytes before use.
#include <cstdint>
#include <string>
#include <vector>

#include "package/datafile_format.h"
#include "package/format.h"

namespace mvpack {

class InstallerImage {
 public:
  // Reads the installer. packageOffset from the stub's PE headers unless `offset` >= 0 is given.
  // ToolError when the file cannot be read or no package offset can be found.
  static InstallerImage load(const std::string& path, int64_t offset = -1);

  const std::string& path() const { return path_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  int64_t size() const { return int64_t(bytes_.size()); }
  int64_t offset() const { return offset_; }
  bool offsetFromHeaders() const { return offsetFromHeaders_; }
  // False when the file ends before the 3,176 bytes of the directory; dir() is then all zero.
  bool directoryComplete() const { return complete_; }
  const mv::PackageDirectory& dir() const { return dir_; }

  bool hasIntegrityRecord() const;
  uint32_t recordedCrc() const;
  uint32_t recordedLength() const;  // 0: the record's package runs to the end of the file
  // Where the package ends: packageOffset + the recorded length, else the end of the file. May lie
  // beyond the end of a truncated file.
  int64_t packageEnd() const;
  // Over the package up to packageEnd() (or the end of a truncated file), header bytes 8..15 as zero.
  uint32_t computedCrc() const;
  // The PE checksum in the optional header (0: none recorded), and the one the whole file has now.
  uint32_t recordedPeChecksum() const;
  uint32_t computedPeChecksum() const;
  // The Authenticode certificate table that code signing appended (size 0: not signed).
  mv::CertificateTable certificate() const;

  // The slot's file as the installer would write it: the stored bytes, expanded when compressed.
  // False with `problem` when the slot points outside the file or does not expand to its size.
  bool readSlot(int k, std::vector<uint8_t>& out, std::string& problem) const;

 private:
  std::string path_;
  std::vector<uint8_t> bytes_;
  int64_t offset_ = 0;
  bool offsetFromHeaders_ = false;
  bool complete_ = false;
  mv::PackageDirectory dir_;
};

// Parses a data file's header, records and block headers. False with `problem` when the header or the
// record table does not fit (nothing further can be read); block headers outside the file are marked
// unreadable and left to readDataEntry to report.
bool parseDataFile(const std::vector<uint8_t>& data, mv::DataFileView& view, std::string& problem);
// An entry's file: its payload, expanded when compressed. False with `problem` when it does not fit in
// the data file or does not expand to its expanded size.
bool readDataEntry(const std::vector<uint8_t>& data, const mv::DataFileEntryView& entry, std::vector<uint8_t>& out,
                   std::string& problem);

}  // namespace mvpack
