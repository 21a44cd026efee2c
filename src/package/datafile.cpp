// The Moviva data file reader: header, directory records and entry blocks (layout in datafile_format.h).
#include "package/datafile.h"

#include <new>
#include <vector>

#include "package/dcl_library.h"
#include "platform/file_helpers.h"
#include "support/paths.h"
#include "support/user_texts.h"
#include "platform/system_errors.h"

namespace mv {

namespace {

// I/O results of the entry steps: the operating system's codes and short reads or writes.
bool isIoError(Result r) { return r.code() > 0 || r == rc::shortIo; }

}  // namespace

Result DataFileReader::readHeader(FileSystem& files, File& f) {
  uint8_t bytes[kDataHeaderSize];
  Result r = readExactly(files, f, bytes, kDataHeaderSize);
  if (r == 0) header_ = parseDataHeader(bytes);
  return r;
}

Result DataFileReader::readDataHeader(FileSystem& files, PackageSession& session) {
  const std::string& path = session.dataFilePath;
  std::unique_ptr<File> f = files.open(path, OpenMode::ReadWrite);
  Result r = f ? readHeader(files, *f) : lastIoError(files);
  if (f) f->close();
  if (r != 0) session.reporter->fileError(r, path);
  return r;
}

Result DataFileReader::openDataFile(Platform& platform, PackageSession& session, const std::string& path, bool report) {
  if (open_) {
    session.reporter->information(std::string(text::quillonError) + text::dataFileInUse);
    return 0;
  }
  table_.fill(DataRecord());

  std::unique_ptr<File> f = platform.open(path, OpenMode::ReadWrite);
  Result r = f ? readHeader(platform, *f) : lastIoError(platform);
  int64_t size = -1;
  if (r == 0 && (size = f->size()) < 0) r = lastIoError(platform);

  if (r == 0) {
    const int32_t count = entryCount();
    if (!entryCountFits(count)) {
      // The table holds 109 records; a count outside it means the header is damaged.
      session.reporter->error(std::string(text::damagedDataFile) + text::tooManyEntries + std::to_string(count) +
                   text::fileLine + path);
      f->close();
      return rc::damagedDataFile;
    }
    // The records follow the header: one read for all of them (at most 109 of 264 bytes).
    std::vector<uint8_t> bytes(size_t(count > 0 ? count : 0) * kDataRecordSize);
    if (count > 0) r = readExactly(platform, *f, bytes.data(), int64_t(bytes.size()));
    for (int i = 1; i <= count && r == 0; ++i) table_[i] = parseDataRecord(bytes.data() + size_t(i - 1) * kDataRecordSize);
  }

  if (r != 0) {
    if (f) f->close();
    if (report) session.reporter->error(std::string(text::problemOpeningDataFile) + path + "\r\n\r\n" + std::to_string(r.code()));
    return r;
  }
  file_ = std::move(f);
  platform_ = &platform;
  session_ = &session;
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
    session_->reporter->error(std::string(text::unsafeEntryName) + record.name);
    return rc::unsafeName;
  }
  auto damaged = [&]() {
    session_->reporter->error(std::string(text::damagedDataFile) + entry + text::pointsOutsideFile + text::fileLine + path_);
    return rc::damagedDataFile;
  };
  const int64_t blockOffset = record.blockOffset;
  const int64_t payloadOffset = blockOffset + kDataBlockHeaderSize;
  if (blockOffset < 0 || payloadOffset > fileSize_) return damaged();

  std::string name = record.name;
  for (char& c : name)
    if (c == '/') c = '\\';
  const std::string destination = withTrailingBackslash(folder) + name;

  uint8_t blockBytes[kDataBlockHeaderSize];
  Result r = file_->seek(blockOffset) ? readExactly(*platform_, *file_, blockBytes, kDataBlockHeaderSize) : lastIoError(*platform_);
  int32_t kind = 0;
  bool created = false;
  if (r == 0) {
    const DataBlockHeader block = parseDataBlockHeader(blockBytes);
    kind = block.kind;
    const int64_t expanded = block.expanded;
    const int64_t stored = block.stored;
    const bool compressed = block.compressed != 0;
    // Sizes from the file are checked against the file before anything is allocated or read.
    if (expanded < 0) return damaged();
    if (expanded == 0) {
      r = 0;  // nothing to write
    } else if (compressed ? (stored < 0 || payloadOffset + stored > fileSize_)
                          : payloadOffset + expanded > fileSize_) {
      return damaged();
    } else {
      const std::string parent = parentOf(destination);
      if (!parent.empty() && !folderExists(*platform_, parent)) forceFolders(*platform_, parent);

      if (compressed) {
        std::unique_ptr<uint8_t[]> payload(new (std::nothrow) uint8_t[size_t(stored > 0 ? stored : 1)]);
        if (!payload) {
          r = rc::noMemory;
        } else {
          r = readExactly(*platform_, *file_, payload.get(), stored);
          if (r == 0) {
            DclLibrary& library = sessionLibrary(*platform_, *session_);
            created = library.available();
            r = library.expandToFile(destination, payload.get(), size_t(stored), expanded);
          }
        }
      } else {
        std::unique_ptr<File> out = platform_->open(destination, OpenMode::CreateWrite);
        if (!out) {
          r = lastIoError(*platform_);
        } else {
          created = true;
          std::unique_ptr<uint8_t[]> payload(new (std::nothrow) uint8_t[size_t(expanded)]);
          if (!payload) {
            r = rc::noMemory;
          } else {
            r = readExactly(*platform_, *file_, payload.get(), expanded);
            if (r == 0) {
              int64_t written = out->write(payload.get(), expanded);
              if (written < 0) r = lastIoError(*platform_);
              else if (written < expanded) r = rc::shortIo;
            }
          }
          if (!out->close() && r == 0) r = lastIoError(*platform_);
        }
      }
    }
  }

  // Without the library a compressed entry gets the message of a compressed slot at start-up, naming the
  // entry's file: the status line's code alone would not say what is missing.
  if (r == rc::codecUnavailable)
    session_->reporter->fileError(r, destination);
  else if (isIoError(r))
    session_->reporter->error(std::string(text::quillonError) + text::problemReadingDataFile + errorDescription(*platform_, r));
  // A failed entry leaves nothing behind. Its own failure is what is reported: a partial file that
  // resists deletion adds nothing the user can act on.
  if (r != 0 && created) (void)deleteFileForced(*platform_, destination);
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
  Result r = lastIoError(*platform_);
  session_->reporter->error(std::string(text::problemClosingFile) + path_ + "\r\n" + errorDescription(*platform_, r));
  return r;
}

}  // namespace mv
