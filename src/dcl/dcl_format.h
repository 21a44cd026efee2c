#pragma once
// The PKWARE Data Compression Library "implode" stream format: constants and the fixed Huffman codes
// shared by the decoder (explode.cpp) and the encoder (implode.cpp).
//
// Stream layout
//   byte 0   literal mode: 0 = binary (literals are plain 8-bit values), 1 = ASCII (literals are Huffman coded)
//   byte 1   dictionary size code k = 4, 5 or 6: the window is 64 << k = 1024, 2048 or 4096 bytes, and
//            k is the number of plain low-order bits of a distance
//   then     a bit stream, packed into bytes from the least significant bit up, of symbols:
//              0, literal                   a literal byte follows (8 plain bits, or its ASCII code)
//              1, length code, distance     a copy of `length` bytes from `distance` bytes back
//            ending with the end code: 1, then the length code of length 519 (which no copy uses).
//            Bits after the end code, up to the end of its byte, are zero; data after it is ignored.
//
// Lengths 2..518: one of 16 Huffman-coded symbols with a base and 0..8 plain extra bits (length 519 is
// the end code). Distances 1..4096: (high << lowBits) + low + 1, where `high` (0..63) is one of 64
// Huffman-coded symbols and `low` has lowBits plain bits: 2 for a copy of length 2 (so such copies reach
// 256 bytes back at most), otherwise the dictionary size code k.
//
// All plain fields (literal bytes in binary mode, extra length bits, low distance bits) are read least
// significant bit first, like the stream itself. The Huffman codes are fixed by the format. They are
// canonical codes in which the shortest code is all ones and each following code of the same length is
// one less, and the bits go into the stream in the order they are written down (first bit first). So the
// value a reader sees in its low bits is the bit-reversed, inverted canonical code: `codeOf` below.
#include <cstddef>
#include <cstdint>

namespace dcl {

// The first address at or after p with alignment a: where the codec state starts in a caller's work area.
inline void* alignUp(char* p, size_t a) {
  uintptr_t v = reinterpret_cast<uintptr_t>(p);
  return reinterpret_cast<void*>((v + a - 1) & ~uintptr_t(a - 1));
}

constexpr unsigned kMinMatch = 2;
constexpr unsigned kMaxMatch = 518;
constexpr unsigned kEndLength = 519;
constexpr unsigned kMaxDict = 4096;
constexpr unsigned kMaxDistance2 = 256;  // farthest reach of a copy of length 2

// Length symbols 0..15: length = base + extra bits.
constexpr uint16_t kLengthBase[16] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 16, 24, 40, 72, 136, 264};
constexpr uint8_t kLengthExtra[16] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
constexpr uint8_t kLengthCodeBits[16] = {3, 2, 3, 3, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 7, 7};

// Distance symbols 0..63 (the high part of a distance).
constexpr uint8_t kDistCodeBits[64] = {
    2, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
    7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};

// Literal code lengths of ASCII mode, by byte value.
constexpr uint8_t kLiteralCodeBits[256] = {
    11, 12, 12, 12, 12, 12, 12, 12, 12, 8,  7,  12, 12, 7,  12, 12,  //
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,  //
    4,  10, 8,  12, 10, 12, 10, 8,  7,  7,  8,  9,  7,  6,  7,  8,   //
    7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8,  12, 11, 7,  9,  11,  //
    12, 6,  7,  6,  6,  5,  7,  8,  8,  6,  11, 9,  6,  7,  6,  6,   //
    7,  11, 6,  6,  6,  7,  9,  8,  9,  9,  11, 8,  11, 9,  12, 8,   //
    12, 5,  6,  6,  6,  5,  6,  6,  6,  5,  11, 7,  5,  6,  5,  5,   //
    6,  10, 5,  5,  5,  5,  8,  7,  8,  8,  10, 11, 11, 12, 12, 12,  //
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  //
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  //
    13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  //
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  //
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  //
    12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12,  //
    13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,  //
    13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13};

constexpr unsigned kMaxCodeBits = 13;

// The stream value (as read least significant bit first) of each symbol of a code given by its lengths:
// canonical codes counted up in symbol order within each length, then inverted and bit-reversed.
template <unsigned N>
struct CodeTable {
  uint16_t value[N] = {};
};

template <unsigned N>
constexpr CodeTable<N> codeOf(const uint8_t (&bits)[N]) {
  CodeTable<N> t{};
  unsigned code = 0;
  for (unsigned len = 1; len <= kMaxCodeBits; ++len) {
    for (unsigned s = 0; s < N; ++s) {
      if (bits[s] != len) continue;
      unsigned inverted = ~code & ((1u << len) - 1);
      unsigned reversed = 0;
      for (unsigned b = 0; b < len; ++b) reversed |= ((inverted >> b) & 1u) << (len - 1 - b);
      t.value[s] = static_cast<uint16_t>(reversed);
      ++code;
    }
    code <<= 1;
  }
  return t;
}

inline constexpr CodeTable<16> kLengthCode = codeOf(kLengthCodeBits);
inline constexpr CodeTable<64> kDistCode = codeOf(kDistCodeBits);
inline constexpr CodeTable<256> kLiteralCode = codeOf(kLiteralCodeBits);

// Spot checks against the code values other implementations publish.
static_assert(kLengthCode.value[0] == 0x05 && kLengthCode.value[1] == 0x03 && kLengthCode.value[15] == 0x00);
static_assert(kDistCode.value[0] == 0x03 && kDistCode.value[1] == 0x0D && kDistCode.value[63] == 0x00);

// Length symbol of a copy length 2..519.
constexpr unsigned lengthSymbol(unsigned length) {
  unsigned s = 0;
  while (s < 15 && kLengthBase[s + 1] <= length) ++s;
  return s;
}

}  // namespace dcl
