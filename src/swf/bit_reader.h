#pragma once
// Reading SWF fields from a byte range. Whole-byte fields are little-endian and start on a byte
// boundary; bit fields are packed from the most significant bit of each byte. A read past the end gives
// zero and marks the reader failed, so a parser reads on and checks failed() where it matters. The records
// made of fields (colours, matrices, colour transforms) are read by the renderer (flash/render/record_reader.h).
#include <cstddef>
#include <cstdint>

namespace mv {

// A rectangle (RECT): a 5-bit field size n, then four signed fields of n bits, in twips.
struct SwfRect {
  int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
};

class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool failed() const { return failed_; }
  const uint8_t* data() const { return data_; }
  size_t position() const { return pos_; }
  size_t remaining() const { return pos_ <= size_ ? size_ - pos_ : 0; }

  void align() { bits_ = 0; }

  uint8_t u8() {
    align();
    if (pos_ >= size_) {
      failed_ = true;
      return 0;
    }
    return data_[pos_++];
  }
  uint16_t u16() {
    uint16_t lo = u8();
    return uint16_t(lo | u8() << 8);
  }
  int16_t s16() { return int16_t(u16()); }
  uint32_t u32() {
    uint32_t lo = u16();
    return lo | uint32_t(u16()) << 16;
  }
  void skip(size_t n) {
    align();
    if (n > remaining()) {
      pos_ = size_;
      failed_ = true;
    } else {
      pos_ += n;
    }
  }

  // n unsigned bits, 0..32.
  uint32_t ub(unsigned n) {
    uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i) {
      if (bits_ == 0) {
        if (pos_ >= size_) {
          failed_ = true;
          return 0;
        }
        current_ = data_[pos_++];
        bits_ = 8;
      }
      --bits_;
      v = (v << 1) | ((current_ >> bits_) & 1u);
    }
    return v;
  }
  // n bits, two's complement.
  int32_t sb(unsigned n) {
    if (n == 0) return 0;
    uint32_t v = ub(n);
    if (n < 32 && (v & (1u << (n - 1)))) v |= ~((1u << n) - 1);
    return int32_t(v);
  }
  // n bits of 16.16 fixed point.
  double fb(unsigned n) { return sb(n) / 65536.0; }

  SwfRect rect() {
    align();
    SwfRect r;
    unsigned n = ub(5);
    r.xmin = sb(n);
    r.xmax = sb(n);
    r.ymin = sb(n);
    r.ymax = sb(n);
    align();
    return r;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  uint8_t current_ = 0;
  unsigned bits_ = 0;
  bool failed_ = false;
};

}  // namespace mv
