// crc32: the library's checksum entry point. The usual reflected CRC-32 (polynomial 0xEDB88320) without the
// pre- and post-inversion, which the library leaves to its caller.
#include "dcl/pklib.h"

#include <cstdint>

namespace {

struct CrcTable {
  uint32_t v[256] = {};
};

constexpr CrcTable makeCrcTable() {
  CrcTable t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t.v[n] = c;
  }
  return t;
}

constexpr CrcTable kCrcTable = makeCrcTable();

}  // namespace

extern "C" unsigned long DCL_CALL dcl_crc32(char* buffer, unsigned int* size, unsigned long* old_crc) {
  uint32_t crc = static_cast<uint32_t>(*old_crc);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(buffer);
  for (unsigned int n = *size; n != 0; --n) crc = kCrcTable.v[(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}
