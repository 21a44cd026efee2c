#pragma once
// Files and folders: attributes, creating and removing, copying, enumerating, open files, short names
// and version resources. Paths are Windows paths as UTF-8; failures return false / nullptr /
// attr::invalid and leave their code in lastError().
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/result.h"
#include "support/result.h"

namespace mv {

// File attribute bits (Win32 values).
namespace attr {
constexpr uint32_t readOnly = 0x1;
constexpr uint32_t hidden = 0x2;
constexpr uint32_t system = 0x4;
constexpr uint32_t directory = 0x10;
constexpr uint32_t archive = 0x20;
constexpr uint32_t normal = 0x80;
constexpr uint32_t reparsePoint = 0x400;
constexpr uint32_t invalid = 0xFFFFFFFFu;
}  // namespace attr

// An open file. Reads and writes return the number of bytes moved, or -1 with lastError() set. A write
// that the system refuses part way (a full disk) is a failure too: -1 with the system's code, whatever
// part of the data already reached the file, so that the reason is not lost in a short count.
class File {
 public:
  virtual ~File() = default;
  virtual int64_t read(void* buffer, int64_t count) = 0;
  virtual int64_t write(const void* buffer, int64_t count) = 0;
  virtual bool seek(int64_t offset) = 0;  // absolute
  virtual int64_t size() = 0;             // -1 on failure
  virtual bool close() = 0;               // false when flushing or closing failed
};

enum class OpenMode {
  Read,            // read only, others may read and write (GENERIC_READ, share read|write)
  ReadDenyWrite,   // read only, others may only read (share read)
  ReadWrite,       // existing file, read and write, share read
  CreateWrite,     // create or truncate, write only, share read
};

struct FindEntry {
  std::string name;
  uint32_t attributes = 0;
};

class FileSystem {
 public:
  // The code the last failing call left (GetLastError numbering, support/result.h). One value for all
  // topics: the platform object implements these once.
  virtual int32_t lastError() = 0;
  virtual void setLastError(int32_t code) = 0;

  virtual uint32_t getAttributes(const std::string& path) = 0;  // attr::invalid when missing
  virtual bool setAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual bool deleteFile(const std::string& path) = 0;
  virtual bool createDirectory(const std::string& path) = 0;
  virtual bool removeDirectory(const std::string& path) = 0;
  virtual bool copyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
  // FindFirstFile/FindNextFile over a pattern such as folder + "*.*"; false when the search cannot start.
  virtual bool findFiles(const std::string& pattern, std::vector<FindEntry>& out) = 0;
  virtual std::unique_ptr<File> open(const std::string& path, OpenMode mode) = 0;  // nullptr + lastError
  virtual std::string shortPathName(const std::string& path) = 0;  // "" on failure
  // Fixed file info of the version resource: dwFileVersionMS / dwFileVersionLS. False when none.
  virtual bool fileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) = 0;

 protected:
  ~FileSystem() = default;  // never deleted through a topic: the platform object owns them all
};

}  // namespace mv
