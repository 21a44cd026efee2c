#include "support/crc32.h"

#include <array>

#include "support/self_check_code.h"

namespace mv {

namespace {
MV_SELF_CHECK_CODE std::array<uint32_t, 256> makeTable() {
  std::array<uint32_t, 256> t{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[n] = c;
  }
  return t;
}
}  // namespace

MV_SELF_CHECK_CODE uint32_t crc32Update(uint32_t crc, const void* data, size_t size) {
  static const std::array<uint32_t, 256> table = makeTable();
  const uint8_t* p = static_cast<const uint8_t*>(data);
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace mv
