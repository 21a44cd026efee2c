#pragma once
// Little-endian field access for the package and data file formats. Callers check bounds first.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace mv {

inline int32_t readLe32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
inline uint32_t readLeU32(const uint8_t* p) { return static_cast<uint32_t>(readLe32(p)); }
inline uint16_t readLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline void writeLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}

// A zero-terminated string stored in a fixed field; a field without a zero yields all its bytes.
inline std::string fixedString(const uint8_t* p, size_t size) {
  size_t n = 0;
  while (n < size && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

}  // namespace mv
