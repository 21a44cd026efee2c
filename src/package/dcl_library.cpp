// DclLibrary: loads the PKWARE Data Compression Library (ours or the original) from the Windows folder
// and expands implode streams through its published entry point "_explode" and two callbacks. Only the
// library's published interface is used here, so any library with that interface may sit behind it.
#include "package/dcl_library.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "dcl/memory_streams.h"
#include "dcl/pklib.h"
#include "support/install_layout.h"
#include "platform/file_helpers.h"
#include "support/user_texts.h"
#include "platform/system_errors.h"

namespace mv {

namespace {

// The expansion work area: one for the whole process (expansions never overlap), of the size the
// library's explode requires.
alignas(16) char g_workArea[CMP_EXPLODE_WORK_SIZE];

// Most bytes the output collects before it writes them: the library hands its output on in pieces of a
// few KiB, and each write is a call into the system.
constexpr int64_t kOutputBuffer = 1 << 20;

// The expansion's output: the destination file, cut at a limit, written in large pieces. The library
// has no way to hear of a failed write, so the first one is remembered for expand to return: without it
// a full disk would only show as a file of the wrong size. Either ends the input: expanding the rest is
// wasted work.
struct FileOutput {
  FileOutput(FileSystem& fileSystem, File& out, int64_t most) : files(fileSystem), file(out), limit(most) {
    const int64_t wanted = limit >= 0 ? std::min(limit, kOutputBuffer) : kOutputBuffer;
    // Without memory for the buffer every piece is written as it comes.
    if (wanted > 0) buffer.reset(new (std::nothrow) uint8_t[size_t(wanted)]);
    capacity = buffer ? wanted : 0;
  }

  FileSystem& files;
  File& file;
  int64_t limit;         // most bytes written to the file; negative: no limit
  int64_t produced = 0;  // bytes the library has handed on
  int64_t written = 0;   // bytes the file took
  Result writeError = 0; // the code of the first write the file refused (a full disk: 112)
  std::unique_ptr<uint8_t[]> buffer;  // what is not written yet: held bytes of capacity
  int64_t capacity = 0, held = 0;

  bool take(const uint8_t* bytes, size_t size) {
    int64_t n = int64_t(size);
    if (limit >= 0) n = std::max<int64_t>(0, std::min<int64_t>(n, limit - produced));
    produced += int64_t(size);
    if (n > 0 && writeError == 0 && held + n > capacity) flush();
    if (n > 0 && writeError == 0) {
      if (n > capacity) {
        write(bytes, n);
      } else {
        std::memcpy(buffer.get() + held, bytes, size_t(n));
        held += n;
      }
    }
    return !(limit >= 0 && produced > limit) && writeError == 0;  // past the limit: the stream ends here
  }

  // Writes what is held; the caller's last step before the file is closed.
  void flush() {
    if (held > 0 && writeError == 0) write(buffer.get(), held);
    held = 0;
  }

 private:
  void write(const uint8_t* bytes, int64_t n) {
    const int64_t put = file.write(bytes, n);
    if (put > 0) written += put;
    if (put < 0) writeError = lastIoError(files);
    else if (put < n) writeError = rc::shortIo;
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

Result DclLibrary::expand(const std::string& path, const uint8_t* block, size_t size, int64_t limit,
                          int64_t& written) {
  written = 0;
  std::unique_ptr<File> output = platform_.open(path, OpenMode::CreateWrite);
  if (!output) {
    Result createError = platform_.lastError();
    if (createError == 0) createError = oserr::accessDenied;
    reporter_.error(std::string(text::zipError) + "\r\n\r\n" + errorDescription(platform_, createError));
    return createError;
  }
  FileOutput sink(platform_, *output, limit);
  if (available_ && explode_) {
    // The input stream reads the block where it lies: the library only ever copies out of it.
    dcl::MemoryStreams streams(block, size, [&sink](const uint8_t* bytes, size_t n) { return sink.take(bytes, n); });
    using ExplodeFn = unsigned int(DCL_CALL*)(dcl_read_fn, dcl_write_fn, char*, void*);
    auto explode = reinterpret_cast<ExplodeFn>(explode_);
    // Its status is not examined: the callers check the written size.
    (void)explode(dcl::readMemory, dcl::writeToSink, g_workArea, &streams);
    sink.flush();
  }
  // Closing flushes: a full disk may show only here.
  if (!output->close() && sink.writeError == 0) sink.writeError = lastIoError(platform_);
  written = sink.written;
  return sink.writeError;
}

Result DclLibrary::expandToFile(const std::string& path, const uint8_t* block, size_t size, int64_t expectedSize) {
  if (!available_) return rc::codecUnavailable;
  // Never more than one byte past the expected size: enough for the size check to refuse it.
  int64_t written = 0;
  Result r = expand(path, block, size, std::max<int64_t>(expectedSize, 0) + 1, written);
  if (r != 0) return r;
  if (!fileExists(platform_, path)) return rc::expandedMissing;
  // The file holds exactly what was written into it after it was created: no need to open it again.
  return written == expectedSize ? 0 : rc::wrongSize;
}

DclLibrary& sessionLibrary(Platform& platform, PackageSession& session) {
  if (!session.codecLibrary || !session.codecLibrary->available())
    session.codecLibrary.reset(new DclLibrary(platform, session));
  return *session.codecLibrary;
}

void releaseSessionLibrary(PackageSession& session) { session.codecLibrary.reset(); }

void DclLibraryRelease::operator()(DclLibrary* library) const { delete library; }

}  // namespace mv
