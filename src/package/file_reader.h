#pragma once
// A whole file read into memory through the platform (the installer reads the licence with it). The
// buffer is allocated without throwing, since the size comes from the file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "support/result.h"

namespace mv {

struct FileBytes {
  std::unique_ptr<uint8_t[]> data;  // never nullptr after a successful read, also for an empty file
  size_t size = 0;
  std::string text() const { return std::string(reinterpret_cast<const char*>(data.get()), size); }
};

// 0, or why the file could not be read: the system's code of the call that failed (2 for an open, 30
// for a size or read, that leaves none), 8 (not enough memory) for a file larger than maxSize or one
// that does not fit in memory, -30 for a file that ends before its size.
Result readWholeFile(FileSystem& files, const std::string& path, FileBytes& out, uint64_t maxSize = UINT64_MAX);

}  // namespace mv
