// CRC-32 against the check value of the IEEE polynomial and against zlib's crc32, at every length and
// alignment around the eight-byte steps, whole and in pieces.
#include "support/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <vector>

namespace mv {
namespace {

TEST(Crc32, MatchesTheCheckValueAndZlibAtEveryLengthAlignmentAndSplit) {
  EXPECT_EQ(crc32Update(0, "123456789", 9), 0xCBF43926u);
  EXPECT_EQ(crc32Update(0, nullptr, 0), 0u);

  std::vector<uint8_t> data(4096 + 16);
  uint32_t x = 12345;
  for (uint8_t& b : data) b = uint8_t((x = x * 1103515245u + 12345u) >> 24);
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t size : {size_t(1), size_t(7), size_t(8), size_t(9), size_t(15), size_t(16), size_t(17), size_t(4096)}) {
      const uint8_t* p = data.data() + offset;
      const uint32_t expected = uint32_t(crc32(0L, p, uInt(size)));
      EXPECT_EQ(crc32Update(0, p, size), expected) << offset << " " << size;
      const size_t cut = size / 3;
      EXPECT_EQ(crc32Update(crc32Update(0, p, cut), p + cut, size - cut), expected) << offset << " " << size;
    }
  }
}

}  // namespace
}  // namespace mv
