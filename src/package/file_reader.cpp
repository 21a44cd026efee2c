#include "package/file_reader.h"

#include <new>

namespace mv {

namespace {

// The code the failed call left, or `otherwise` when it left none.
Result failure(FileSystem& files, int32_t otherwise) {
  const int32_t code = files.lastError();
  return code != 0 ? code : otherwise;
}

}  // namespace

Result readWholeFile(FileSystem& files, const std::string& path, FileBytes& out, uint64_t maxSize) {
  out = FileBytes();
  std::unique_ptr<File> f = files.open(path, OpenMode::Read);
  if (!f) return failure(files, oserr::fileNotFound);
  Result r = rc::ok;
  const int64_t size = f->size();
  if (size < 0) {
    r = failure(files, oserr::readFault);
  } else if (uint64_t(size) > maxSize || uint64_t(size) > SIZE_MAX) {
    r = oserr::notEnoughMemory;
  } else {
    out.data.reset(new (std::nothrow) uint8_t[size ? size_t(size) : 1]);
    if (!out.data) {
      r = oserr::notEnoughMemory;
    } else {
      const int64_t got = size ? f->read(out.data.get(), size) : 0;
      if (got < 0) r = failure(files, oserr::readFault);
      else if (got != size) r = rc::shortIo;
      else out.size = size_t(size);
    }
  }
  f->close();  // only read from: a failed close loses nothing
  if (r != rc::ok) out = FileBytes();
  return r;
}

}  // namespace mv
