#pragma once
// Whole files for tests and test programs, by a path of the machine that runs them: natively a POSIX
// path, under Wine a Windows one (UTF-8, any characters).
#include <cstdio>
#include <string>

#ifdef _WIN32
#include "support/text_encoding.h"  // the names as UTF-16 (mv_support, which every test links)
#endif

namespace testcommon {

// The bytes of a whole file; false when it cannot be opened or read to its end.
inline bool readWholeFile(const std::string& path, std::string& out) {
  out.clear();
#ifdef _WIN32
  FILE* f = _wfopen(mv::utf8ToWide(path).c_str(), L"rb");
#else
  FILE* f = std::fopen(path.c_str(), "rb");
#endif
  if (!f) return false;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.append(buffer, n);
  const bool read = !std::ferror(f);
  std::fclose(f);
  return read;
}

// The bytes of a whole file; "" when it cannot be read.
inline std::string wholeFile(const std::string& path) {
  std::string bytes;
  return readWholeFile(path, bytes) ? bytes : std::string();
}

}  // namespace testcommon
