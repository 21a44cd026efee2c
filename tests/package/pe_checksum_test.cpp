// The PE checksum of an installer file: where its field is, and its value as Windows computes it.
#include <gtest/gtest.h>

#include <cstring>

#include "package/format.h"
#include "package_test_util.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

// A small PE file: bytes (i * 7 + 3) & 0xFF with a DOS header, "PE\0\0" at 0x80, a 224-byte optional
// header, and 0xDEADBEEF in the CheckSum field at 0xD8 (which the checksum does not cover).
Bytes smallPe(size_t size) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = uint8_t(i * 7 + 3);
  b[0] = 'M', b[1] = 'Z';
  b[0x3C] = 0x80, b[0x3D] = b[0x3E] = b[0x3F] = 0;
  std::memcpy(&b[0x80], "PE\0\0", 4);
  b[0x94] = 0xE0, b[0x95] = 0;
  b[0xD8] = 0xEF, b[0xD9] = 0xBE, b[0xDA] = 0xAD, b[0xDB] = 0xDE;
  return b;
}

uint32_t checksumOf(const Bytes& b) { return peChecksumOf(b.data(), b.size()); }

TEST(PeChecksum, KnownAnswers) {
  // Computed independently (Python, the 32-bit word sum that pefile uses, the field zeroed, the file padded
  // to 4 bytes): an even length, an odd one whose last byte counts as a word of its own, and a longer one.
  EXPECT_EQ(checksumOf(smallPe(0x200)), 0x8113u);
  EXPECT_EQ(checksumOf(smallPe(0x201)), 0x8117u);
  EXPECT_EQ(checksumOf(smallPe(0x1003)), 0x1CA7u);
  // Only the 16-bit sum and the length: a zero field and the recorded value give the same answer.
  Bytes cleared = smallPe(0x200);
  ASSERT_TRUE(setPeChecksum(cleared.data(), cleared.size(), 0));
  EXPECT_EQ(checksumOf(cleared), 0x8113u);
}

TEST(PeChecksum, ManyCarriesFoldBackIntoSixteenBits) {
  // 0xFFFF words in 1 MiB: the sum wraps thousands of times, and the length adds above 16 bits.
  Bytes b = smallPe(0x100000);
  std::memset(&b[0x200], 0xFF, b.size() - 0x200);
  const uint32_t sum = checksumOf(b) - 0x100000;
  EXPECT_LE(sum, 0xFFFFu);
  // The same file read as a whole or in blocks of any size and parity, the field cut at any point.
  const int64_t field = peChecksumOffset(b.data(), b.size());
  for (size_t block : {1u, 2u, 3u, 7u, 0xD9u, 4096u, 65537u}) {
    uint64_t s = 0;
    for (size_t at = 0; at < b.size(); at += block)
      s = peChecksumUpdate(s, b.data() + at, std::min(block, b.size() - at), int64_t(at), field);
    EXPECT_EQ(peChecksumFinish(s, int64_t(b.size())), checksumOf(b)) << "blocks of " << block;
  }
}

TEST(PeChecksum, AnyChangedByteChangesIt) {
  const Bytes good = smallPe(0x1003);
  const uint32_t expected = checksumOf(good);
  for (size_t at : {size_t(0), size_t(0x3C), size_t(0xD7), size_t(0xDC), size_t(0x800), size_t(0x1002)}) {
    Bytes flipped = good;
    flipped[at] ^= 0x20;
    EXPECT_NE(checksumOf(flipped), expected) << "byte " << at;
  }
  // The field itself is not covered: writing the checksum does not change it.
  Bytes written = good;
  ASSERT_TRUE(setPeChecksum(written.data(), written.size(), expected));
  EXPECT_EQ(recordedPeChecksum(written.data(), written.size()), expected);
  EXPECT_EQ(checksumOf(written), expected);
}

TEST(PeChecksum, TheFieldIsFoundOnlyInPeHeaders) {
  const Bytes pe = smallPe(0x200);
  EXPECT_EQ(peChecksumOffset(pe.data(), pe.size()), 0xD8);
  EXPECT_EQ(recordedPeChecksum(pe.data(), pe.size()), 0xDEADBEEFu);
  // The test package builder's executable (its optional header starts at 0x98 too).
  const std::string fake = test::fakeExecutable();
  EXPECT_EQ(peChecksumOffset(reinterpret_cast<const uint8_t*>(fake.data()), fake.size()), 0xD8);
  EXPECT_EQ(recordedPeChecksum(reinterpret_cast<const uint8_t*>(fake.data()), fake.size()), 0u);

  auto offsetWith = [&](size_t at, std::initializer_list<uint8_t> bytes, size_t size = 0x200) {
    Bytes b = pe;
    std::copy(bytes.begin(), bytes.end(), b.begin() + at);
    return peChecksumOffset(b.data(), size);
  };
  EXPECT_EQ(offsetWith(0, {'Z', 'M'}), -1);               // no "MZ"
  EXPECT_EQ(offsetWith(0x80, {'P', 'X'}), -1);            // no "PE\0\0"
  EXPECT_EQ(offsetWith(0x3C, {0xF0, 0xFF, 0xFF, 0xFF}), -1);  // e_lfanew far outside
  EXPECT_EQ(offsetWith(0x94, {67, 0}), -1);               // an optional header too short to hold the field
  EXPECT_EQ(offsetWith(0x94, {68, 0}), 0xD8);
  EXPECT_EQ(offsetWith(0, {'M'}, 0xDB), -1);              // bytes that end inside the field
  Bytes noField = pe;
  noField[0] = 'X';
  EXPECT_EQ(recordedPeChecksum(noField.data(), noField.size()), 0u);
  EXPECT_FALSE(setPeChecksum(noField.data(), noField.size(), 1));
  EXPECT_EQ(recordedPeChecksum(nullptr, 0), 0u);
}

}  // namespace
}  // namespace mv
