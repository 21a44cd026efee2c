// The private copy of the executable, the package directory read from it, and deletion with retries.
#include "package/package_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "package/format.h"
#include "support/self_check_code.h"
#include "support/bytes.h"
#include "support/crc32.h"
#include "platform/file_helpers.h"
#include "support/user_texts.h"
#include "platform/system_errors.h"

namespace mv {

Result deleteWithRetry(FileSystem& files, const std::string& path, Reporter* reportTo, int attempts) {
  Result r = rc::fileBusy;  // a failure until an attempt succeeds
  // The attempts follow each other without a pause.
  while (attempts > 0 && r != 0) {
    if (!fileExists(files, path) || files.deleteFile(path)) {
      r = 0;
    } else {
      files.setAttributes(path, attr::normal);  // read-only, hidden and system files resist deletion
      r = files.deleteFile(path) ? 0 : rc::fileBusy;
    }
    --attempts;
  }
  if (r != 0 && reportTo) reportTo->fileError(r, path);
  return r;
}

Result makeTempCopy(FileSystem& files, PackageSession& s) {
  Result r = deleteWithRetry(files, s.tempCopyPath, nullptr, 5000);
  if (r == 0 && !files.copyFile(s.executablePath, s.tempCopyPath, false)) {
    r = files.lastError();
    if (r == 0) r = rc::tempCopyFailed;
  }
  // A full disk is named, with the system's text; for any other cause (a leftover copy that stays
  // busy, access refused) the user sees the message for a temp copy that could not be made, with its
  // advice about privileges.
  if (isDiskFull(r.code())) s.reporter->fileError(r, s.tempCopyPath);
  else if (r != 0) s.reporter->fileError(rc::tempCopyFailed, s.tempCopyPath);
  return r;
}

namespace {

// An I/O error, reported with the file's path.
Result reportIoError(FileSystem& files, Reporter& reporter, const std::string& path) {
  Result r = lastIoError(files);
  reporter.fileError(r, path);
  return r;
}

// What start-up checks before it trusts the temp copy (format.h): the PE checksum of the whole file,
// certificate table included, when the headers record one; and our integrity record, the CRC-32 of the
// package from packageOffset to its end with header bytes 8..15 as zero, when the header has one. Each is
// one pass over the file in blocks, so that a large installer needs no more memory than one block.

// Feeds the bytes from..to of the file to `take` in blocks; false when they cannot all be read. Blocks
// of 1 MiB: every read is a call into the system, and an installer of a few MB is read twice.
template <typename Take>
MV_SELF_CHECK_CODE bool readInBlocks(File& f, int64_t from, int64_t to, Take take) {
  if (!f.seek(from)) return false;
  std::vector<uint8_t> buffer(size_t(std::min<int64_t>(std::max<int64_t>(to - from, 1), 1 << 20)));
  for (int64_t position = from; position < to;) {
    const int64_t want = std::min<int64_t>(int64_t(buffer.size()), to - position);
    if (f.read(buffer.data(), want) != want) return false;  // ends before its size says, or unreadable
    take(buffer.data(), size_t(want), position);
    position += want;
  }
  return true;
}

MV_SELF_CHECK_CODE bool peChecksumHolds(File& f, int64_t fileSize, int64_t field, uint32_t recorded) {
  uint64_t sum = 0;
  auto add = [&](const uint8_t* bytes, size_t n, int64_t at) { sum = peChecksumUpdate(sum, bytes, n, at, field); };
  return readInBlocks(f, 0, fileSize, add) && peChecksumFinish(sum, fileSize) == recorded;
}

MV_SELF_CHECK_CODE bool packageCrcHolds(File& f, int64_t fileSize, int64_t offset, int64_t end, uint32_t recorded) {
  if (end > fileSize) return false;  // the file ends before its package does
  uint32_t crc = 0;
  auto add = [&](const uint8_t* bytes, size_t n, int64_t at) { crc = packageCrcUpdate(crc, bytes, n, at - offset); };
  return readInBlocks(f, offset, end, add) && crc == recorded;
}

void reportDamagedPackage(Reporter& reporter, const std::string& detail, const std::string& path) {
  reporter.error(std::string(text::damagedPackage) + detail + text::fileLine + path);
}

// Every slot with a name must lie inside the package, which ends where the integrity record says or
// else at the end of the file: 0 <= start <= end < packageEnd.
Result checkSlots(Reporter& reporter, const PackageDirectory& dir, int64_t packageEnd, const std::string& path) {
  for (int k = 0; k < kSlotCount; ++k) {
    const PackageEntry& e = dir.entries[k];
    if (e.name.empty()) continue;
    if (!slotInsideFile(e, packageEnd)) {
      reportDamagedPackage(reporter, text::slotWord + std::to_string(k) + " (" + e.name + ")" + text::pointsOutsideFile, path);
      return rc::damagedPackage;
    }
  }
  return 0;
}

// Where the package starts in the open file: right after the executable image, as its PE headers (the
// file's first bytes, `probe`) describe it; -1 when they describe none.
int64_t packageOffsetIn(File& f, int64_t fileSize, const uint8_t* probe, size_t probeSize) {
  auto readLength = [&](int64_t offset, uint8_t* four) {
    return offset + 4 <= fileSize && f.seek(offset) && f.read(four, 4) == 4;
  };
  return packageOffsetFromImage(probe, probeSize, readLength);
}

// Reads the directory from the open temp copy into `dir`; reports its own failures.
Result readDirectory(FileSystem& files, Reporter& reporter, File& f, const std::string& path, PackageDirectory& dir) {
  const int64_t fileSize = f.size();
  if (fileSize < 0) return reportIoError(files, reporter, path);

  // Where the package starts: right after the executable image, as its PE headers describe it.
  std::vector<uint8_t> probe(size_t(std::min<int64_t>(kPeProbeSize, fileSize)));
  int64_t got = f.read(probe.data(), int64_t(probe.size()));
  if (got < 0) return reportIoError(files, reporter, path);
  const size_t probeSize = size_t(got);
  // The program part first, before what the parsing code makes of the file is believed: damage to that
  // code is then told as damage, not as whatever the damaged code would make of the file.
  const uint32_t checksum = recordedPeChecksum(probe.data(), probeSize);
  const bool programIntact =
      checksum == 0 || peChecksumHolds(f, fileSize, peChecksumOffset(probe.data(), probeSize), checksum);
  const int64_t packageOffset = packageOffsetIn(f, fileSize, probe.data(), probeSize);
  // A download cut short inside the directory is told as such, as for an installer without a checksum.
  const bool directoryCut = packageOffset >= 0 && packageOffset + kDirectorySize > fileSize;
  if (!programIntact && !directoryCut) {
    reporter.error(text::integrityFailed);
    return rc::integrityFailed;
  }
  if (packageOffset < 0) {
    reportDamagedPackage(reporter, text::notAnExecutable, path);
    return rc::damagedPackage;
  }

  uint8_t bytes[kDirectorySize];
  if (!f.seek(packageOffset)) return reportIoError(files, reporter, path);
  got = f.read(bytes, kDirectorySize);
  if (got < 0) return reportIoError(files, reporter, path);
  if (got < kDirectorySize) {
    reporter.fileError(rc::directoryIncomplete, path);
    return rc::directoryIncomplete;
  }
  dir = parseDirectory(bytes);

  // Bytes after the package's recorded end (a code signature's certificate table) are not part of it;
  // a file that ends before it is truncated. The PE checksum covers them too, as Windows computes it.
  const int64_t end = packageEnd(dir.header, packageOffset, fileSize);
  if (hasIntegrityRecord(dir.header) && !packageCrcHolds(f, fileSize, packageOffset, end, recordedCrc(dir.header))) {
    reporter.error(text::integrityFailed);
    return rc::integrityFailed;
  }
  return checkSlots(reporter, dir, end, path);
}

}  // namespace

Result readPackageDirectory(FileSystem& files, PackageSession& s, const std::function<Result(File&)>& whileOpen) {
  std::unique_ptr<File> f = files.open(s.tempCopyPath, OpenMode::Read);
  if (!f) return reportIoError(files, *s.reporter, s.tempCopyPath);

  PackageDirectory dir;
  Result r = readDirectory(files, *s.reporter, *f, s.tempCopyPath, dir);
  if (r == 0) {
    s.directory = dir;
    if (whileOpen) r = whileOpen(*f);
  }
  f->close();
  return r;
}

int presentationKindOf(FileSystem& files, const std::string& executablePath) {
  std::unique_ptr<File> f = files.open(executablePath, OpenMode::Read);
  if (!f) return -1;
  const int64_t fileSize = f->size();
  std::vector<uint8_t> probe(size_t(std::clamp<int64_t>(fileSize, 0, kPeProbeSize)));
  const int64_t got = f->read(probe.data(), int64_t(probe.size()));
  if (got <= 0) return -1;
  const int64_t offset = packageOffsetIn(*f, fileSize, probe.data(), size_t(got));
  uint8_t bytes[kDirectorySize];
  if (offset < 0 || offset + kDirectorySize > fileSize || !f->seek(offset) || f->read(bytes, kDirectorySize) != kDirectorySize)
    return -1;
  return parseDirectory(bytes).header.presentationKind;
}

}  // namespace mv
