// explode: the decoder of the PKWARE Data Compression Library "implode" stream format.
//
// The stream format is described in dcl_format.h. This file holds the whole decoder: its state lives in one
// struct placed in the caller's work area (CMP_EXPLODE_WORK_SIZE bytes), the code tables are built once when
// the program or library is loaded, and nothing else is allocated or kept between calls.
//
// Results (pklib.h): CMP_NO_ERROR at the end code; CMP_INVALID_DICTSIZE or CMP_INVALID_MODE for a bad
// header; CMP_BAD_DATA for a copy that reaches before the start of the output; CMP_ABORT when the input ends
// before the end code. In every case all output decoded before the stop has been passed to write_buf: for a
// truncated stream that is everything up to the last complete symbol.
//
// Speed: the input is read through a 64-bit bit buffer that is refilled with one unaligned load while more
// than 8 input bytes are buffered; every symbol is decoded with one table look-up per Huffman code; runs of
// literals are decoded from the bits at hand; copies move 16 or 8 bytes at a time when the distance allows. Near the end of the buffered input the refill
// goes byte by byte and asks read_buf for more; once read_buf has nothing more, the bits that are missing
// read as zeros and `count` goes negative on the symbol that needed them, which is how truncation is seen.
#include <cstddef>
#include <cstring>

#include "dcl/dcl_format.h"
#include "dcl/pklib.h"

namespace dcl {
namespace {

// ---- decoding tables: indexed by the next bits of the stream, built when the program or library loads

struct LengthEntry {
  uint16_t base;      // the length for extra bits 0 (519 = the end code)
  uint8_t codeBits;   // length of the Huffman code
  uint8_t extraBits;  // plain bits that follow it
};
struct DistEntry {
  uint8_t high;      // the distance symbol (high bits of distance - 1)
  uint8_t codeBits;  // length of its code
};

constexpr unsigned kLengthLookup = 7;  // longest length code
constexpr unsigned kDistLookup = 8;    // longest distance code

struct Tables {
  LengthEntry length[1u << kLengthLookup] = {};
  DistEntry dist[1u << kDistLookup] = {};
  uint16_t literal[1u << kMaxCodeBits] = {};  // ASCII mode: byte | code length << 8
};

// Filled by a dynamic initialiser, before anything can call explode: as constants the 17 KB of tables
// would be most of impborl.dll's file.
Tables makeTables() {
  Tables t{};
  for (unsigned s = 0; s < 16; ++s)
    for (unsigned i = kLengthCode.value[s]; i < (1u << kLengthLookup); i += 1u << kLengthCodeBits[s])
      t.length[i] = {kLengthBase[s], kLengthCodeBits[s], kLengthExtra[s]};
  for (unsigned s = 0; s < 64; ++s)
    for (unsigned i = kDistCode.value[s]; i < (1u << kDistLookup); i += 1u << kDistCodeBits[s])
      t.dist[i] = {static_cast<uint8_t>(s), kDistCodeBits[s]};
  for (unsigned s = 0; s < 256; ++s)
    for (unsigned i = kLiteralCode.value[s]; i < (1u << kMaxCodeBits); i += 1u << kLiteralCodeBits[s])
      t.literal[i] = static_cast<uint16_t>(s | kLiteralCodeBits[s] << 8);
  return t;
}

const Tables kTables = makeTables();

// ---- the work area

constexpr unsigned kWindow = kMaxDict;               // history kept for copies
constexpr unsigned kFlushAt = 2 * kWindow;           // output is handed on once this much is buffered
constexpr unsigned kCopySlack = 16;                  // copies may write up to 15 bytes past their end
constexpr unsigned kOutSize = kFlushAt + kMaxMatch + kCopySlack;
constexpr unsigned kInSize = 2048;

struct Explode {
  dcl_read_fn read;
  dcl_write_fn write;
  void* param;
  const uint8_t* in;     // next unread input byte in inBuf
  const uint8_t* inEnd;  // end of the input in inBuf
  bool eof;              // read_buf has said there is no more
  unsigned pos;          // out[0, pos) is decoded output
  unsigned flushed;      // out[flushed, pos) is not yet written
  uint8_t inBuf[kInSize];
  uint8_t out[kOutSize];

  // Asks read_buf for more input once inBuf is used up. False when there is none.
  bool readMore() {
    if (eof) return false;
    unsigned int size = kInSize;
    unsigned int got = read(reinterpret_cast<char*>(inBuf), &size, param);
    if (got == 0) {
      eof = true;
      return false;
    }
    if (got > kInSize) got = kInSize;  // a callback that claims more than it was asked for
    in = inBuf;
    inEnd = inBuf + got;
    return true;
  }

  // Byte-wise refill near the end of the buffered input: afterwards count > 56, or the input has ended.
  void refillSlow(uint64_t& bits, int& count) {
    bits &= count > 0 ? ~uint64_t{0} >> (64 - count) : 0;  // the fast refill may leave a partial byte above
    while (count <= 56) {
      if (in == inEnd && !readMore()) break;
      bits |= uint64_t{*in++} << count;
      count += 8;
    }
  }

  void flush() {
    unsigned int n = pos - flushed;
    if (n) write(reinterpret_cast<char*>(out + flushed), &n, param);
    flushed = pos;
  }

  // Hands on the buffered output and keeps the last kWindow bytes as history.
  void slide() {
    flush();
    std::memmove(out, out + pos - kWindow, kWindow);
    pos = flushed = kWindow;
  }

  template <bool kAsciiLiterals>
  unsigned decode(unsigned lowBits);
};

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

// Copies `length` bytes from `dist` bytes back (dist <= bytes already decoded). Copies overlap when
// length > dist: the bytes just written are read again, repeating the last dist bytes.
inline void copyMatch(uint8_t* dst, unsigned dist, unsigned length) {
  const uint8_t* src = dst - dist;
  uint8_t* end = dst + length;
  if (dist >= 16) {
    do {
      std::memcpy(dst, src, 16);
      dst += 16;
      src += 16;
    } while (dst < end);
  } else if (dist >= 8) {
    do {
      std::memcpy(dst, src, 8);
      dst += 8;
      src += 8;
    } while (dst < end);
  } else if (dist == 1) {
    std::memset(dst, *src, length);
  } else {
    do *dst++ = *src++;
    while (dst < end);
  }
}

template <bool kAsciiLiterals>
unsigned Explode::decode(unsigned lowBits) {
  uint64_t bits = 0;  // stream bits, next bit lowest
  int count = 0;      // how many of them are valid (negative: a symbol needed bits past the end)
  const unsigned lowMask = (1u << lowBits) - 1;
  for (;;) {
    if (inEnd - in >= 8) {
      bits |= load64(in) << count;
      in += (63 - count) >> 3;
      count |= 56;
    } else {
      refillSlow(bits, count);
    }
    // A symbol takes at most 1 + 7 + 8 + 8 + 6 = 30 bits, so one refill covers it.
    if (bits & 1) {
      // 1: a copy. Length code and its extra bits, then distance code and the low distance bits.
      const LengthEntry& le = kTables.length[(bits >> 1) & ((1u << kLengthLookup) - 1)];
      unsigned n = 1 + le.codeBits;
      unsigned length = le.base + static_cast<unsigned>((bits >> n) & ((1u << le.extraBits) - 1));
      n += le.extraBits;
      bits >>= n;
      count -= n;
      if (length == kEndLength) return count < 0 ? CMP_ABORT : CMP_NO_ERROR;
      const DistEntry& de = kTables.dist[bits & ((1u << kDistLookup) - 1)];
      unsigned dist;
      if (length == 2) {
        dist = (unsigned{de.high} << 2) + static_cast<unsigned>((bits >> de.codeBits) & 3) + 1;
        n = de.codeBits + 2u;
      } else {
        dist = (unsigned{de.high} << lowBits) + static_cast<unsigned>((bits >> de.codeBits) & lowMask) + 1;
        n = de.codeBits + lowBits;
      }
      bits >>= n;
      count -= n;
      if (count < 0) return CMP_ABORT;
      if (dist > pos) return CMP_BAD_DATA;  // before the start of the output: never copy unwritten bytes
      copyMatch(out + pos, dist, length);
      pos += length;
    } else {
      // 0: a literal. Literals tend to come in runs: while the bits at hand hold another whole literal,
      // it is decoded without a refill (at most 12 in a row, far less than the room kept past kFlushAt
      // for the longest copy).
      constexpr int kLongest = kAsciiLiterals ? 1 + kMaxCodeBits : 9;
      do {
        unsigned literal;
        if (kAsciiLiterals) {
          unsigned e = kTables.literal[(bits >> 1) & ((1u << kMaxCodeBits) - 1)];
          literal = e & 0xFF;
          unsigned n = 1 + (e >> 8);
          bits >>= n;
          count -= n;
        } else {
          literal = static_cast<unsigned>(bits >> 1) & 0xFF;
          bits >>= 9;
          count -= 9;
        }
        if (count < 0) return CMP_ABORT;
        out[pos++] = static_cast<uint8_t>(literal);
      } while (count >= kLongest && !(bits & 1));
    }
    if (pos >= kFlushAt) slide();
  }
}

static_assert(sizeof(Explode) + alignof(Explode) - 1 <= CMP_EXPLODE_WORK_SIZE, "explode work area too small");

}  // namespace
}  // namespace dcl

extern "C" unsigned int DCL_CALL dcl_explode(dcl_read_fn read_buf, dcl_write_fn write_buf, char* work_buf,
                                             void* param) {
  using namespace dcl;
  Explode* s = static_cast<Explode*>(alignUp(work_buf, alignof(Explode)));
  s->read = read_buf;
  s->write = write_buf;
  s->param = param;
  s->in = s->inEnd = s->inBuf;
  s->eof = false;
  s->pos = s->flushed = 0;

  // Header: literal mode, dictionary size code.
  uint8_t header[2];
  for (int i = 0; i < 2; ++i) {
    if (s->in == s->inEnd && !s->readMore()) return CMP_ABORT;
    header[i] = *s->in++;
  }
  if (header[1] < 4 || header[1] > 6) return CMP_INVALID_DICTSIZE;
  if (header[0] > 1) return CMP_INVALID_MODE;

  unsigned result = header[0] == CMP_ASCII ? s->decode<true>(header[1]) : s->decode<false>(header[1]);
  s->flush();
  return result;
}
