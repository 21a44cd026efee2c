#include "support/crc32.h"

#include <array>

#include "support/self_check_code.h"

namespace mv {

namespace {
// Eight tables: table[0] is the byte-wise one; table[k][n] is the CRC of byte n followed by k zero
// bytes, so that eight bytes are folded in with eight independent look-ups.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

MV_SELF_CHECK_CODE Tables makeTables() {
  Tables t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][n] = c;
  }
  for (uint32_t n = 0; n < 256; ++n)
    for (int k = 1; k < 8; ++k) t[k][n] = t[0][t[k - 1][n] & 0xFF] ^ (t[k - 1][n] >> 8);
  return t;
}

// Filled by a dynamic initialiser when the program or library loads, before anything can ask for a CRC:
// a table built on first use would race when impborl.dll's callers checksum from several threads at once
// (the shipped programs are built without thread-safe statics).
const Tables kTables = makeTables();
}  // namespace

MV_SELF_CHECK_CODE uint32_t crc32Update(uint32_t crc, const void* data, size_t size) {
  const Tables& t = kTables;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  crc = ~crc;
  for (; size >= 8; p += 8, size -= 8) {
    const uint32_t low = crc ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
  }
  for (size_t i = 0; i < size; ++i) crc = t[0][(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace mv
