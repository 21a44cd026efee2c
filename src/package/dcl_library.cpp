// DclLibrary: loads the PKWARE Data Compression Library (ours or the original) from the Windows folder
// and expands implode streams through its published entry point "_explode" and two callbacks. Only the
// library's published interface is used here, so any library with that interface may sit behind it.
#include "package/dcl_library.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include "dcl/pklib.h"
#include "platform/file_helpers.h"
#include "support/user_texts.h"
#include "platform/system_errors.h"

namespace mv {

namespace {

constexpr const char* kLibraryName = "impborl.dll";

// The expansion work area: one for the whole process (expansions never overlap), of the size the
// library's explode requires.
alignas(16) char g_workArea[CMP_EXPLODE_WORK_SIZE];

// The expansion's two streams: the input (the compressed block in memory) and the output (the
// destination file). The callbacks get them as the library's opaque parameter.
struct ExpandStreams {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t position = 0;
  File* output = nullptr;
  int64_t limit = -1;    // most bytes written to the output; negative: no limit
  int64_t produced = 0;  // bytes the library has handed on
  Result writeError = 0; // the code of the first write the output refused (a full disk: 112)
};

// read_buf: up to *size bytes of the input stream; 0 when it is exhausted or anything goes wrong.
unsigned int DCL_CALL readCallback(char* buf, unsigned int* size, void* param) {
  ExpandStreams* s = static_cast<ExpandStreams*>(param);
  if (!s || !buf || !size) return 0;
  if (s->limit >= 0 && s->produced > s->limit) return 0;  // past the limit: the stream ends here
  if (s->writeError) return 0;  // the output cannot take more: expanding the rest is wasted work
  size_t n = std::min<size_t>(*size, s->size - s->position);
  if (n) std::memcpy(buf, s->data + s->position, n);
  s->position += n;
  return static_cast<unsigned int>(n);
}

// write_buf: *size bytes to the output file. The library has no way to hear of a failure, so the
// first one is remembered for expand to return: without it a full disk would only show as a file of
// the wrong size.
void DCL_CALL writeCallback(char* buf, unsigned int* size, void* param) {
  ExpandStreams* s = static_cast<ExpandStreams*>(param);
  if (!s || !s->output || !buf || !size || *size == 0) return;
  int64_t n = *size;
  if (s->limit >= 0) n = std::max<int64_t>(0, std::min<int64_t>(n, s->limit - s->produced));
  s->produced += *size;
  if (n <= 0 || s->writeError) return;
  int64_t written = s->output->write(buf, n);
  if (written < 0) s->writeError = lastIoError(platform());
  else if (written < n) s->writeError = rc::shortIo;
}

}  // namespace

std::string DclLibrary::libraryPath() {
  std::string folder = platform().windowsDirectory();
  if (!folder.empty() && folder.back() == '\\') return folder + kLibraryName;
  return folder + "\\" + kLibraryName;
}

DclLibrary::DclLibrary(PackageSession& session) : reporter_(*session.reporter) {
  available_ = false;
  const std::string path = libraryPath();
  uint32_t attributes = platform().getAttributes(path);
  if (attributes == attr::invalid || (attributes & attr::directory)) return;  // no library: silently off

  library_ = platform().loadLibrary(path);
  if (!library_) {
    Result code = platform().lastError();
    if (!session.codecWarningShown) {
      session.codecWarningShown = true;
      reporter_.error(std::string(text::compressionProblem) + "\r\n\r\n" + errorDescription(platform(), code));
    }
    return;
  }
  implode_ = platform().getProcAddress(library_, "_implode");
  explode_ = platform().getProcAddress(library_, "_explode");
  crc32_ = platform().getProcAddress(library_, "_crc32");
  if (implode_ && explode_ && crc32_) {
    available_ = true;
  } else {
    platform().freeLibrary(library_);
    library_ = implode_ = explode_ = crc32_ = nullptr;
  }
}

DclLibrary::~DclLibrary() { release(); }

void DclLibrary::release() {
  if (available_ && library_) platform().freeLibrary(library_);
  available_ = false;
  library_ = implode_ = explode_ = crc32_ = nullptr;
}

Result DclLibrary::expand(const std::string& path, const uint8_t* block, size_t size) {
  return expand(path, block, size, -1);
}

Result DclLibrary::expand(const std::string& path, const uint8_t* block, size_t size, int64_t limit) {
  // The input stream reads the block where it lies: the library only ever copies out of it.
  ExpandStreams streams;
  streams.data = block;
  streams.size = block ? size : 0;
  streams.limit = limit;

  Result createError = 0;
  std::unique_ptr<File> output = platform().open(path, OpenMode::CreateWrite);
  if (!output) {
    createError = platform().lastError();
    if (createError == 0) createError = oserr::accessDenied;
  } else if (available_ && explode_) {
    streams.output = output.get();
    using ExplodeFn = unsigned int(DCL_CALL*)(dcl_read_fn, dcl_write_fn, char*, void*);
    auto explode = reinterpret_cast<ExplodeFn>(explode_);
    explode(readCallback, writeCallback, g_workArea, &streams);  // its status is the callers' concern
  }
  // Closing flushes: a full disk may show only here.
  if (output && !output->close() && streams.writeError == 0 && createError == 0) streams.writeError = lastIoError(platform());
  output.reset();

  if (createError) {
    reporter_.error(std::string(text::zipError) + "\r\n\r\n" + errorDescription(platform(), createError));
    return createError;
  }
  return streams.writeError;
}

Result DclLibrary::expandToFile(const std::string& path, const uint8_t* block, size_t size, int64_t expectedSize) {
  if (!available_) return rc::codecUnavailable;
  // Never more than one byte past the expected size: enough for the size check to refuse it.
  Result r = expand(path, block, size, std::max<int64_t>(expectedSize, 0) + 1);
  release();  // the library goes before the result is looked at
  if (r != 0) return r;
  if (!fileExists(platform(), path)) return rc::expandedMissing;
  int64_t written = fileSizeOf(platform(), path);
  if (written < 0) return lastIoError(platform());
  return written == expectedSize ? 0 : rc::wrongSize;
}

}  // namespace mv
