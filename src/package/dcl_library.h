#pragma once
// DclLibrary: the adapter to the PKWARE Data Compression Library "impborl.dll" in the Windows folder,
// loaded at run time; an installation keeps one for all its compressed files (sessionLibrary).
#include <cstdint>
#include <memory>
#include <string>

#include "package/session.h"
#include "platform/platform.h"

namespace mv {

class DclLibrary {
 public:
  // Loads and checks the library (see dcl_library.cpp); a library that exists but does not load is
  // told to the session's reporter, once per session. The platform outlives the adapter.
  DclLibrary(Platform& platform, PackageSession& session);
  virtual ~DclLibrary();  // release
  DclLibrary(const DclLibrary&) = delete;
  DclLibrary& operator=(const DclLibrary&) = delete;

  bool available() const { return available_; }
  // Expands an implode stream held in memory into a new file at path, writing at most `limit` bytes
  // (negative: no limit) and telling how many bytes the file took. Once the stream has produced more
  // than the limit, the library is given no more input, so that a damaged or hostile stream cannot fill
  // the disk. 0, the system's code when the destination cannot be created (after the "Zip Error"
  // message), or the code of the first write the file refused (a full disk: 112; no message, the caller
  // reports it). The library's status is ignored; callers check the written size.
  Result expand(const std::string& path, const uint8_t* block, size_t size, int64_t limit, int64_t& written);
  // Expands a stream into a new file that must come out at exactly `expectedSize` bytes: 0, the
  // codes of expand (a refused write before any size check), -35 without a library, -7 when the codec's buffers do not fit, -16 when no file
  // was written, -13 when it has another size. Never writes more than one byte past the expected size.
  Result expandToFile(const std::string& path, const uint8_t* block, size_t size, int64_t expectedSize);
  void release();

  // Library path: Windows folder (as the system reports it) + "impborl.dll".
  static std::string libraryPath(System& system);

 private:
  Platform& platform_;
  Reporter& reporter_;
  bool available_ = false;
  void* library_ = nullptr;
  void* implode_ = nullptr;
  void* explode_ = nullptr;
  void* crc32_ = nullptr;
};

// The session's library: loaded when its first compressed file needs it and kept for those after it, so
// that an installation loads it once. A library that is missing or does not load is looked for again at
// the next compressed file (its warning still shown once per session). releaseSessionLibrary frees it
// when the installation ends.
DclLibrary& sessionLibrary(Platform& platform, PackageSession& session);
void releaseSessionLibrary(PackageSession& session);

}  // namespace mv
