// Slot extraction: a slot's stored payload is read whole into one block of exactly its stored size,
// then written, or expanded through the codec adapter, to the destination its kind decides.
#include "package/slots.h"

#include <algorithm>
#include <new>

#include "package/dcl_library.h"
#include "package/format.h"
#include "package/package_reader.h"
#include "platform/file_helpers.h"
#include "support/paths.h"
#include "support/user_texts.h"
#include "platform/system_errors.h"

namespace mv {

namespace {

// What must hold before anything is written for a slot; shows its own message when it does not.
Result checkEntry(const PackageSession& s, int k, const PackageEntry& e, const std::string& destination,
                  int64_t fileSize) {
  if (!isPlainFileName(e.name)) {
    s.reporter->error(std::string(text::unsafeSlotName) + e.name);
    return rc::unsafeName;
  }
  const std::string slot = text::slotWord + std::to_string(k) + " (" + e.name + ")";
  if (destination.empty()) {
    s.reporter->error(std::string(text::damagedPackage) + slot + text::kindWithoutDestination + std::to_string(e.kind));
    return rc::damagedPackage;
  }
  if (!slotInsideFile(e, fileSize)) {
    s.reporter->error(std::string(text::damagedPackage) + slot + text::pointsOutsideFile + text::fileLine +
                      s.tempCopyPath);
    return rc::damagedPackage;
  }
  return 0;
}

Result expandPayload(Platform& platform, PackageSession& s, File& stream, const PackageEntry& e,
                     const std::string& destination, uint8_t* block, int64_t size) {
  DclLibrary& library = sessionLibrary(platform, s);
  if (!library.available()) return rc::codecUnavailable;
  Result r = readExactly(platform, stream, block, size);
  if (r != 0) return r;
  return library.expandToFile(destination, block, size_t(size), e.expandedSize);
}

Result writePayload(FileSystem& files, File& stream, const std::string& destination, uint8_t* block, int64_t size) {
  Result r = readExactly(files, stream, block, size);
  if (r != 0) return r;
  std::unique_ptr<File> out = files.open(destination, OpenMode::CreateWrite);
  if (!out) return lastIoError(files);
  int64_t written = out->write(block, size);
  if (written < 0) r = lastIoError(files);
  else if (written < size) r = rc::shortIo;
  if (!out->close() && r == 0) r = lastIoError(files);
  return r;
}

}  // namespace

Result extractSlot(Platform& platform, PackageSession& s, File& stream, int k, bool showProgress) {
  Progress* progress = showProgress ? s.progress : nullptr;
  if (progress) progress->showStatus(text::writingFiles);
  if (k < 0 || k >= kSlotCount) {
    s.reporter->fileError(oserr::invalidParameter, std::string());
    return oserr::invalidParameter;
  }
  const PackageEntry e = s.directory.entries[k];
  std::string destination;
  bool reported = false;
  Result r = 0;

  if (e.name.empty()) {
    r = rc::emptySlotName;
  } else {
    destination = slotDestination(e, s.windowsFolder, s.contentFolder);
    // Damage that would write outside the destination folders, or read outside the file, is refused
    // before anything is touched.
    const int64_t fileSize = stream.size();
    if (fileSize < 0) {
      r = lastIoError(platform);
    } else {
      Result refused = checkEntry(s, k, e, destination, fileSize);
      if (refused != 0) return refused;
      if (!stream.seek(e.start)) r = lastIoError(platform);
    }
  }

  if (r == 0) {
    if (progress) progress->stepProgress();

    // Clear the way. A library that stays busy is reported here, at once.
    if (extensionOf(destination) == ".dll") {
      r = deleteWithRetry(platform, destination, s.reporter, 5000);
      reported = r != 0;
    } else {
      r = deleteFileForced(platform, destination);
    }
  }

  if (r == 0) {
    const int64_t storedSize = e.storedSize();  // >= 1: checked against the file above
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size_t(storedSize)]);
    if (!block) r = rc::noMemory;
    else if (e.compressed) r = expandPayload(platform, s, stream, e, destination, block.get(), storedSize);
    else r = writePayload(platform, stream, destination, block.get(), storedSize);
  }

  // A busy destination is kept and counts as extracted.
  if (r == rc::fileBusy) return 0;
  if (r != 0 && !reported) s.reporter->fileError(r, destination);
  return r;
}

Result extractInstallSlots(Platform& platform, PackageSession& s) {
  const int first = s.runExtra ? slot::extra : slot::htmlPage;
  const int last = s.directory.entries[slot::further].name.empty() ? slot::uninstaller : slot::further;

  std::unique_ptr<File> stream = platform.open(s.tempCopyPath, OpenMode::Read);
  if (!stream) {
    Result r = lastIoError(platform);
    s.reporter->fileError(r, s.tempCopyPath);
    return r;
  }
  Result r = 0;
  for (int k = first; k <= last && r == 0 && !s.installAborted; ++k) {
    if (k == slot::unused) continue;
    r = extractSlot(platform, s, *stream, k, true);
  }
  stream->close();
  return r;
}

Result extractStartupSlot(Platform& platform, PackageSession& s, int k) {
  if (k < 0 || k >= kSlotCount || s.directory.entries[k].name.empty()) return rc::emptySlotName;
  std::unique_ptr<File> stream = platform.open(s.tempCopyPath, OpenMode::Read);
  if (!stream) {
    Result r = lastIoError(platform);
    s.reporter->fileError(r, s.contentFolder);
    return r;
  }
  Result r = extractSlot(platform, s, *stream, k, false);
  stream->close();
  return r;
}

}  // namespace mv
