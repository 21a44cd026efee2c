// The Moviva data file reader: header, directory records and entry blocks.
//
//   header   1,240 bytes; entryCount at 212, data title at 248 (64), movie source at 1204
//   records  entryCount x 264 bytes from offset 1,240: kind (1), -, name (256, zero-terminated),
//            padding (2), block offset (4)
//   block    44-byte header: "CHUN", kind, expanded size, stored size, compressed flag, reserved;
//            then the payload: stored size bytes of an implode stream when compressed, else the
//            expanded size bytes of the file itself
#include "package/datafile.h"

#include <new>

#include "installer/error_reporter.h"
#include "installer/state.h"
#include "package/compressor.h"
#include "support/bytes.h"
#include "support/file_helpers.h"
#include "support/paths.h"
#include "support/strings.h"

namespace mv {

namespace {

Result ioError() {
  Result r = platform().lastError();
  return r != 0 ? r : rc::shortIo;
}

// Reads exactly count bytes; 0, -30 when fewer arrive, or the I/O code.
Result readExactly(File& f, void* buffer, int64_t count) {
  int64_t got = f.read(buffer, count);
  if (got < 0) return ioError();
  return got < count ? rc::shortIo : 0;
}

int64_t fileSizeOf(const std::string& path) {
  std::unique_ptr<File> f = platform().open(path, OpenMode::Read);
  if (!f) return -1;
  int64_t size = f->size();
  f->close();
  return size;
}

// I/O results of the entry steps: the operating system's codes and short reads or writes.
bool isIoError(Result r) { return r > 0 || r == rc::shortIo; }

}  // namespace

int32_t DataFileReader::entryCount() const { return readLe32(header_.data() + datafield::entryCount); }
int32_t DataFileReader::movieSource() const { return readLe32(header_.data() + datafield::movieSource); }
std::string DataFileReader::dataTitle() const {
  return fixedString(header_.data() + datafield::title, datafield::titleSize);
}

Result DataFileReader::readDataHeader() {
  const std::string& path = state().dataFilePath;
  std::unique_ptr<File> f = platform().open(path, OpenMode::ReadWrite);
  Result r = f ? readExactly(*f, header_.data(), kDataHeaderSize) : ioError();
  if (f) f->close();
  if (r != 0) reportError(r, path);
  return r;
}

Result DataFileReader::openDataFile(const std::string& path, bool report) {
  if (open_) {
    showInformationBox(std::string(text::quillonError) + text::dataFileInUse);
    return 0;
  }
  table_.fill(DataRecord());

  std::unique_ptr<File> f = platform().open(path, OpenMode::ReadWrite);
  Result r = f ? readExactly(*f, header_.data(), kDataHeaderSize) : ioError();
  int64_t size = -1;
  if (r == 0 && (size = f->size()) < 0) r = ioError();

  if (r == 0) {
    const int32_t count = entryCount();
    if (count < 0 || count > kMaxDataRecords) {
      // The table holds 109 records; a count outside it means the header is damaged.
      showErrorBox(std::string(text::damagedDataFile) + text::tooManyEntries + std::to_string(count) +
                   text::fileLine + path);
      f->close();
      return rc::damagedDataFile;
    }
    uint8_t bytes[kDataRecordSize];
    for (int i = 1; i <= count && r == 0; ++i) {
      r = readExactly(*f, bytes, kDataRecordSize);
      if (r != 0) break;
      DataRecord& record = table_[i];
      record.kind = bytes[datafield::recKind];
      record.name = fixedString(bytes + datafield::recName, datafield::recNameSize);
      record.blockOffset = readLe32(bytes + datafield::recBlockOffset);
    }
  }

  if (r != 0) {
    if (f) f->close();
    if (report) showErrorBox(std::string(text::problemOpeningDataFile) + path + "\r\n\r\n" + std::to_string(r));
    return r;
  }
  file_ = std::move(f);
  path_ = path;
  fileSize_ = size;
  open_ = true;
  return 0;
}

Result DataFileReader::extractDataEntry(const std::string& folder, int index, bool skipKind, uint8_t* kindOut) {
  if (kindOut) *kindOut = 0;
  if (index > entryCount() || index < 1) return rc::recordOutOfRange;
  if (!open_) return rc::dataFileNotOpen;

  const DataRecord& record = table_[index];
  const std::string entry = text::entryWord + std::to_string(index) + " (" + record.name + ")";
  // A name may hold sub-folders but must stay inside the content folder.
  if (!isContainedRelativePath(record.name)) {
    showErrorBox(std::string(text::unsafeEntryName) + record.name);
    return rc::unsafeName;
  }
  auto damaged = [&]() {
    showErrorBox(std::string(text::damagedDataFile) + entry + text::pointsOutsideFile + text::fileLine + path_);
    return rc::damagedDataFile;
  };
  const int64_t blockOffset = record.blockOffset;
  const int64_t payloadOffset = blockOffset + kDataBlockHeaderSize;
  if (blockOffset < 0 || payloadOffset > fileSize_) return damaged();

  std::string name = record.name;
  for (char& c : name)
    if (c == '/') c = '\\';
  const std::string destination = withTrailingBackslash(folder) + name;

  uint8_t block[kDataBlockHeaderSize];
  Result r = file_->seek(blockOffset) ? readExactly(*file_, block, kDataBlockHeaderSize) : ioError();
  int32_t kind = 0;
  bool created = false;
  if (r == 0) {
    kind = readLe32(block + datafield::blkKind);
    const int64_t expanded = readLe32(block + datafield::blkExpanded);
    const int64_t stored = readLe32(block + datafield::blkStored);
    const bool compressed = readLe32(block + datafield::blkCompressed) != 0;
    // Sizes from the file are checked against the file before anything is allocated or read.
    if (expanded < 0) return damaged();
    if (expanded == 0) {
      r = 0;  // nothing to write
    } else if (compressed ? (stored < 0 || payloadOffset + stored > fileSize_)
                          : payloadOffset + expanded > fileSize_) {
      return damaged();
    } else {
      const std::string parent = parentOf(destination);
      if (!parent.empty() && !folderExists(parent)) forceFolders(parent);

      if (compressed) {
        std::unique_ptr<uint8_t[]> payload(new (std::nothrow) uint8_t[size_t(stored > 0 ? stored : 1)]);
        if (!payload) {
          r = rc::noMemory;
        } else {
          r = readExactly(*file_, payload.get(), stored);
          if (r == 0) {
            TCompressor compressor;
            if (!compressor.available()) {
              r = rc::codecUnavailable;
            } else {
              created = true;
              try {
                // Never more than one byte past the expanded size: enough for the size check.
                r = compressor.expand(destination, payload.get(), size_t(stored), expanded + 1);
              } catch (const std::bad_alloc&) {
                r = rc::noMemory;
              }
              if (r == 0) {
                if (!fileExists(destination)) r = rc::expandedMissing;
                else if (fileSizeOf(destination) != expanded) r = rc::wrongSize;
              }
            }
          }
        }
      } else {
        std::unique_ptr<File> out = platform().open(destination, OpenMode::CreateWrite);
        if (!out) {
          r = ioError();
        } else {
          created = true;
          std::unique_ptr<uint8_t[]> payload(new (std::nothrow) uint8_t[size_t(expanded)]);
          if (!payload) {
            r = rc::noMemory;
          } else {
            r = readExactly(*file_, payload.get(), expanded);
            if (r == 0) {
              int64_t written = out->write(payload.get(), expanded);
              if (written < 0) r = ioError();
              else if (written < expanded) r = rc::shortIo;
            }
          }
          if (!out->close() && r == 0) r = ioError();
        }
      }
    }
  }

  if (isIoError(r))
    showErrorBox(std::string(text::quillonError) + text::problemReadingDataFile + errorDescription(r));
  // A failed entry leaves nothing behind.
  if (r != 0 && created) deleteFileForced(destination);
  if (r == 0 && !skipKind && kindOut) *kindOut = uint8_t(kind & 0xFF);
  return r;
}

Result DataFileReader::closeDataFile() {
  if (!open_) return 0;
  if (file_->close()) {
    file_.reset();
    open_ = false;
    return 0;
  }
  Result r = ioError();
  showErrorBox(std::string(text::problemClosingFile) + path_ + "\r\n" + errorDescription(r));
  return r;
}

DataFileReader& dataFile() {
  static DataFileReader reader;
  return reader;
}

}  // namespace mv
