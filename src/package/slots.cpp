// Slot extraction: a slot's stored payload is read whole into one block of exactly its stored size,
// then written, or expanded through the codec adapter, to the destination its kind decides.
#include "package/slots.h"

#include <algorithm>
#include <new>

#include "installer/error_reporter.h"
#include "installer/state.h"
#include "package/compressor.h"
#include "package/format.h"
#include "package/package_reader.h"
#include "support/file_helpers.h"
#include "support/paths.h"
#include "support/strings.h"

namespace mv {

namespace {

Result ioError() {
  Result r = platform().lastError();
  return r != 0 ? r : rc::shortIo;
}

// The size of an existing file; -1 when it cannot be opened.
int64_t fileSizeOf(const std::string& path) {
  std::unique_ptr<File> f = platform().open(path, OpenMode::Read);
  if (!f) return -1;
  int64_t size = f->size();
  f->close();
  return size;
}

// What must hold before anything is written for a slot; shows its own message when it does not.
Result checkEntry(int k, const PackageEntry& e, const std::string& destination, int64_t fileSize) {
  if (!isPlainFileName(e.name)) {
    showErrorBox(std::string(text::unsafeSlotName) + e.name);
    return rc::unsafeName;
  }
  const std::string slot = text::slotWord + std::to_string(k) + " (" + e.name + ")";
  if (destination.empty()) {
    showErrorBox(std::string(text::damagedPackage) + slot + text::kindWithoutDestination + std::to_string(e.kind));
    return rc::damagedPackage;
  }
  if (e.start < 0 || e.end < e.start || int64_t(e.end) >= fileSize) {
    showErrorBox(std::string(text::damagedPackage) + slot + text::pointsOutsideFile + text::fileLine +
                 state().tempCopyPath);
    return rc::damagedPackage;
  }
  return 0;
}

// Reads the whole payload into block; 0, -30 when fewer bytes arrive, or the I/O code.
Result readPayload(File& stream, uint8_t* block, int64_t size) {
  int64_t got = stream.read(block, size);
  if (got < 0) return ioError();
  return got < size ? rc::shortIo : 0;
}

Result expandPayload(File& stream, const PackageEntry& e, const std::string& destination, uint8_t* block,
                     int64_t size) {
  Result r;
  {
    TCompressor compressor;
    if (!compressor.available()) return rc::codecUnavailable;
    r = readPayload(stream, block, size);
    if (r == 0) {
      try {
        // Never more than one byte past the expanded size: enough for the size check to refuse it.
        r = compressor.expand(destination, block, size_t(size), std::max<int64_t>(e.expandedSize, 0) + 1);
      } catch (const std::bad_alloc&) {
        r = rc::noMemory;  // the codec's own buffers did not fit
      }
    }
  }  // the adapter, and with it the library, is released before the result is looked at
  if (r != 0) return r;
  if (!fileExists(destination)) return rc::expandedMissing;
  int64_t written = fileSizeOf(destination);
  if (written < 0) return ioError();
  return written == e.expandedSize ? 0 : rc::wrongSize;
}

Result writePayload(File& stream, const std::string& destination, uint8_t* block, int64_t size) {
  Result r = readPayload(stream, block, size);
  if (r != 0) return r;
  std::unique_ptr<File> out = platform().open(destination, OpenMode::CreateWrite);
  if (!out) return ioError();
  int64_t written = out->write(block, size);
  if (written < 0) r = ioError();
  else if (written < size) r = rc::shortIo;
  if (!out->close() && r == 0) r = ioError();
  return r;
}

}  // namespace

Result extractSlot(File& stream, int k, bool showProgress) {
  const InstallerState& s = state();
  if (showProgress) showStatus(text::writingFiles);
  if (k < 0 || k >= kSlotCount) {
    reportError(oserr::invalidParameter, std::string());
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
      r = ioError();
    } else {
      Result refused = checkEntry(k, e, destination, fileSize);
      if (refused != 0) return refused;
      if (!stream.seek(e.start)) r = ioError();
    }
  }

  if (r == 0) {
    if (showProgress) stepProgress();

    // Clear the way. A library that stays busy is reported here, at once.
    if (extensionOf(destination) == ".dll") {
      r = deleteWithRetry(destination, true, 5000);
      reported = r != 0;
    } else {
      r = deleteFileForced(destination);
    }
  }

  if (r == 0) {
    const int64_t storedSize = e.storedSize();  // >= 1: checked against the file above
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size_t(storedSize)]);
    if (!block) r = rc::noMemory;
    else if (e.compressed) r = expandPayload(stream, e, destination, block.get(), storedSize);
    else r = writePayload(stream, destination, block.get(), storedSize);
  }

  // A busy destination is kept and counts as extracted.
  if (r == rc::fileBusy) return 0;
  if (r != 0 && !reported) reportError(r, destination);
  return r;
}

Result extractInstallSlots(const std::string& tempCopyPath) {
  InstallerState& s = state();
  const int first = s.runExtra ? slot::extra : slot::htmlPage;
  const int last = s.directory.entries[slot::further].name.empty() ? slot::uninstaller : slot::further;

  std::unique_ptr<File> stream = platform().open(tempCopyPath, OpenMode::Read);
  if (!stream) {
    Result r = ioError();
    reportError(r, tempCopyPath);
    return r;
  }
  Result r = 0;
  for (int k = first; k <= last && r == 0 && !s.installAborted; ++k) {
    if (k == slot::unused) continue;
    r = extractSlot(*stream, k, true);
  }
  stream->close();
  return r;
}

Result extractStartupSlot(int k) {
  const InstallerState& s = state();
  if (k < 0 || k >= kSlotCount || s.directory.entries[k].name.empty()) return rc::emptySlotName;
  std::unique_ptr<File> stream = platform().open(s.tempCopyPath, OpenMode::Read);
  if (!stream) {
    Result r = ioError();
    reportError(r, s.contentFolder);
    return r;
  }
  Result r = extractSlot(*stream, k, false);
  stream->close();
  return r;
}

}  // namespace mv
