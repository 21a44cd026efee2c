#pragma once
// What the mvpack tests share: files as bytes, little-endian fields, a minimal PE image, a temporary
// folder, and the built mvpack program run as a user runs it.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace mvtest {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

inline uint32_t le32(const Bytes& b, size_t at) {
  return uint32_t(b.at(at)) | uint32_t(b.at(at + 1)) << 8 | uint32_t(b.at(at + 2)) << 16 | uint32_t(b.at(at + 3)) << 24;
}
inline void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = uint8_t(v >> (8 * i));
}

inline Bytes readFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}
inline void writeFile(const fs::path& p, const Bytes& b) {
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}
inline Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline void writeText(const fs::path& p, const std::string& s) { writeFile(p, text(s)); }

// A minimal PE32 image: DOS header, "PE\0\0", COFF header, a 224-byte optional header and one section
// whose raw data (a byte pattern) ends the file at `size` bytes. CheckSum at kPeChecksumField is 0.
constexpr size_t kPeChecksumField = 0x80 + 24 + 64;
inline Bytes peImage(size_t size = 0x600) {
  Bytes b(size, 0);
  b[0] = 'M', b[1] = 'Z';
  put32(b, 0x3C, 0x80);
  std::memcpy(b.data() + 0x80, "PE\0\0", 4);
  const size_t coff = 0x84;
  b[coff] = 0x4C, b[coff + 1] = 0x01;  // i386
  b[coff + 2] = 1;                     // one section
  b[coff + 16] = 0xE0;                 // optional header size
  b[coff + 20] = 0x0B, b[coff + 21] = 0x01;
  const size_t section = coff + 20 + 0xE0;
  std::memcpy(b.data() + section, ".text", 5);
  put32(b, section + 16, uint32_t(size - 0x200));  // SizeOfRawData
  put32(b, section + 20, 0x200);                   // PointerToRawData
  for (size_t i = 0x200; i < size; ++i) b[i] = uint8_t(i * 7);
  return b;
}

// A fresh folder under /tmp, removed with everything in it at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "mvpack-test") {
    std::string pattern = "/tmp/" + prefix + ".XXXXXX";
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

struct ToolRun {
  int code = -1;
  std::string output;
};

// Runs the built mvpack program (in MV_BUILD, else the current folder); output is stdout and stderr
// together.
inline ToolRun runMvpack(const std::string& args) {
  const char* build = std::getenv("MV_BUILD");
  const std::string cmd = "'" + std::string(build ? build : ".") + "/mvpack' " + args + " 2>&1";
  ToolRun r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  const int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

inline std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

}  // namespace mvtest
