// DclLibrary: loads the PKWARE Data Compression Library (ours or the original) from the Windows folder
// and expands implode streams through its published entry point "_explode" and two callbacks. Only the
// library's published interface is used here, so any library with that interface may sit behind it.
#include "package/dcl_library.h"

#include <algorithm>

#include "dcl/memory_streams.h"
#include "dcl/pklib.h"
#include "package/install_layout.h"
#include "platform/file_helpers.h"
#include "support/user_texts.h"
#include "platform/system_errors.h"

namespace mv {

namespace {

// The expansion work area: one for the whole process (expansions never overlap), of the size the
// library's explode requires.
alignas(16) char g_workArea[CMP_EXPLODE_WORK_SIZE];

// The expansion's output: the destination file, cut at a limit. The library has no way to hear of a
// failed write, so the first one is remembered for expand to return: without it a full disk would
// only show as a file of the wrong size. Either ends the input: expanding the rest is wasted work.
struct FileOutput {
  FileSystem* files = nullptr;
  File* file = nullptr;
  int64_t limit = -1;    // most bytes written to the file; negative: no limit
  int64_t produced = 0;  // bytes the library has handed on
  Result writeError = 0; // the code of the first write the file refused (a full disk: 112)

  bool take(const uint8_t* bytes, size_t size) {
    int64_t n = int64_t(size);
    if (limit >= 0) n = std::max<int64_t>(0, std::min<int64_t>(n, limit - produced));
    produced += int64_t(size);
    if (n > 0 && writeError == 0) {
      const int64_t written = file->write(bytes, n);
      if (written < 0) writeError = lastIoError(*files);
      else if (written < n) writeError = rc::shortIo;
    }
    return !(limit >= 0 && produced > limit) && writeError == 0;  // past the limit: the stream ends here
  }
};

}  // namespace

std::string DclLibrary::libraryPath(System& system) {
  std::string folder = system.windowsDirectory();
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return layout::libraryPath(folder);
}

DclLibrary::DclLibrary(Platform& platform, PackageSession& session)
    : platform_(platform), reporter_(*session.reporter) {
  available_ = false;
  const std::string path = libraryPath(platform_);
  uint32_t attributes = platform_.getAttributes(path);
  if (attributes == attr::invalid || (attributes & attr::directory)) return;  // no library: silently off

  library_ = platform_.loadLibrary(path);
  if (!library_) {
    Result code = platform_.lastError();
    if (!session.codecWarningShown) {
      session.codecWarningShown = true;
      reporter_.error(std::string(text::compressionProblem) + "\r\n\r\n" + errorDescription(platform_, code));
    }
    return;
  }
  implode_ = platform_.getProcAddress(library_, "_implode");
  explode_ = platform_.getProcAddress(library_, "_explode");
  crc32_ = platform_.getProcAddress(library_, "_crc32");
  if (implode_ && explode_ && crc32_) {
    available_ = true;
  } else {
    platform_.freeLibrary(library_);
    library_ = implode_ = explode_ = crc32_ = nullptr;
  }
}

DclLibrary::~DclLibrary() { release(); }

void DclLibrary::release() {
  if (available_ && library_) platform_.freeLibrary(library_);
  available_ = false;
  library_ = implode_ = explode_ = crc32_ = nullptr;
}

Result DclLibrary::expand(const std::string& path, const uint8_t* block, size_t size) {
  return expand(path, block, size, -1);
}

Result DclLibrary::expand(const std::string& path, const uint8_t* block, size_t size, int64_t limit) {
  // The input stream reads the block where it lies: the library only ever copies out of it.
  FileOutput sink;
  sink.limit = limit;
  sink.files = &platform_;
  Result createError = 0;
  std::unique_ptr<File> output = platform_.open(path, OpenMode::CreateWrite);
  if (!output) {
    createError = platform_.lastError();
    if (createError == 0) createError = oserr::accessDenied;
  } else if (available_ && explode_) {
    sink.file = output.get();
    dcl::MemoryStreams streams(block, size, [&sink](const uint8_t* bytes, size_t n) { return sink.take(bytes, n); });
    using ExplodeFn = unsigned int(DCL_CALL*)(dcl_read_fn, dcl_write_fn, char*, void*);
    auto explode = reinterpret_cast<ExplodeFn>(explode_);
    // Its status is not examined: the callers check the written size.
    (void)explode(dcl::readMemory, dcl::writeToSink, g_workArea, &streams);
  }
  // Closing flushes: a full disk may show only here.
  if (output && !output->close() && sink.writeError == 0 && createError == 0) sink.writeError = lastIoError(platform_);
  output.reset();

  if (createError) {
    reporter_.error(std::string(text::zipError) + "\r\n\r\n" + errorDescription(platform_, createError));
    return createError;
  }
  return sink.writeError;
}

Result DclLibrary::expandToFile(const std::string& path, const uint8_t* block, size_t size, int64_t expectedSize) {
  if (!available_) return rc::codecUnavailable;
  // Never more than one byte past the expected size: enough for the size check to refuse it.
  Result r = expand(path, block, size, std::max<int64_t>(expectedSize, 0) + 1);
  release();  // the library goes before the result is looked at
  if (r != 0) return r;
  if (!fileExists(platform_, path)) return rc::expandedMissing;
  int64_t written = fileSizeOf(platform_, path);
  if (written < 0) return lastIoError(platform_);
  return written == expectedSize ? 0 : rc::wrongSize;
}

}  // namespace mv
