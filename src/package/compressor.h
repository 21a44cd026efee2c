#pragma once
// TCompressor: the adapter to the PKWARE Data Compression Library "impborl.dll" in the Windows folder,
// loaded at run time for one compressed file and released after it.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace mv {

class TCompressor {
 public:
  TCompressor();           // create: load and check the library (see compressor.cpp)
  virtual ~TCompressor();  // release
  TCompressor(const TCompressor&) = delete;
  TCompressor& operator=(const TCompressor&) = delete;

  bool available() const { return available_; }
  // Expands an implode stream held in memory into a new file at path. 0, or the system's code when the
  // destination cannot be created (after the "Zip Error" message). The library's status is ignored;
  // callers check the written size.
  Result expand(const std::string& path, const uint8_t* block, size_t size);
  // The same, writing at most `limit` bytes (negative: no limit). Once the stream has produced more, the
  // library is given no more input, so that a damaged or hostile stream cannot fill the disk. Callers
  // pass the expected size + 1: a longer stream still shows as a wrong size.
  Result expand(const std::string& path, const uint8_t* block, size_t size, int64_t limit);
  void release();

  // Library path: Windows folder (as the system reports it) + "impborl.dll".
  static std::string libraryPath();
  // Process-wide: forget that the one-time warning was shown (tests only).
  static void resetWarning();

 private:
  struct Streams;
  bool available_ = false;
  void* library_ = nullptr;
  void* implode_ = nullptr;
  void* explode_ = nullptr;
  void* crc32_ = nullptr;
};

}  // namespace mv
