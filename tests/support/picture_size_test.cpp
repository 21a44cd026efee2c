// The size a picture declares, read over bytes: each header form, and every cut of a file read only within
// its bytes (the sanitizer build sees any read past them: each cut is a buffer of exactly that size).
#include "support/picture_size.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

Bytes bmpHeader(uint32_t headerSize, uint32_t width, uint32_t height) {
  Bytes b(14 + 40, 0);
  b[0] = 'B';
  b[1] = 'M';
  put32(b, 14, headerSize);
  if (headerSize == 12) {
    b[18] = uint8_t(width), b[19] = uint8_t(width >> 8), b[20] = uint8_t(height), b[21] = uint8_t(height >> 8);
  } else {
    put32(b, 18, width);
    put32(b, 22, height);
  }
  return b;
}

// SOI, an APP0 segment, fill bytes, a table segment (DHT) and then `frame` (a marker with its segment).
Bytes jpegHeader(uint8_t frame, unsigned width, unsigned height) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0, 6, 'J', 'F', 'I', 'F', 0xFF, 0xFF, 0xFF, 0xC4, 0, 3, 0};
  const Bytes sof = {0xFF, frame, 0, 11, 8, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8),
                     uint8_t(width), 1, 1, 0x11, 0};
  b.insert(b.end(), sof.begin(), sof.end());
  return b;
}

TEST(PictureSize, BitmapHeaders) {
  uint32_t w = 0, h = 0;
  ASSERT_TRUE(mv::bmpDeclaredSize(bmpHeader(12, 640, 480).data(), 26, w, h));
  EXPECT_EQ(w, 640u);
  EXPECT_EQ(h, 480u);
  // Info header (and its later versions): signed sides, a top-down picture's negative height, any width.
  ASSERT_TRUE(mv::bmpDeclaredSize(bmpHeader(124, 40000, uint32_t(-300)).data(), 54, w, h));
  EXPECT_EQ(w, 40000u);
  EXPECT_EQ(h, 300u);
  ASSERT_TRUE(mv::bmpDeclaredSize(bmpHeader(40, 0x80000000u, 1).data(), 26, w, h));
  EXPECT_EQ(w, 0x80000000u);
  // Too short for a header, an unknown header size, not "BM".
  EXPECT_FALSE(mv::bmpDeclaredSize(bmpHeader(40, 1, 1).data(), 25, w, h));
  EXPECT_FALSE(mv::bmpDeclaredSize(bmpHeader(20, 1, 1).data(), 54, w, h));
  Bytes notBmp = bmpHeader(40, 1, 1);
  notBmp[1] = 'A';
  EXPECT_FALSE(mv::bmpDeclaredSize(notBmp.data(), notBmp.size(), w, h));
  EXPECT_FALSE(mv::bmpDeclaredSize(nullptr, 0, w, h));
}

TEST(PictureSize, JpegFrameHeaderAfterOtherSegmentsAndEveryCut) {
  for (uint8_t frame : {uint8_t(0xC0), uint8_t(0xC2), uint8_t(0xCF)}) {
    const Bytes j = jpegHeader(frame, 8000, 6000);
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(mv::jpegDeclaredSize(j.data(), j.size(), w, h)) << int(frame);
    EXPECT_EQ(w, 8000u);
    EXPECT_EQ(h, 6000u);
    // A cut anywhere inside the frame header or before it leaves no size.
    for (size_t n = 0; n < j.size(); ++n) {
      const Bytes cut(j.begin(), j.begin() + long(n));
      EXPECT_FALSE(mv::jpegDeclaredSize(cut.data(), cut.size(), w, h)) << n;
    }
  }
  uint32_t w = 0, h = 0;
  // A scan before any frame header, a frame segment too short for its sides, a broken marker.
  EXPECT_FALSE(mv::jpegDeclaredSize(jpegHeader(0xDA, 1, 1).data(), jpegHeader(0xDA, 1, 1).size(), w, h));
  Bytes shortFrame = jpegHeader(0xC0, 1, 1);
  shortFrame[17 + 3] = 7;
  EXPECT_FALSE(mv::jpegDeclaredSize(shortFrame.data(), shortFrame.size(), w, h));
  Bytes broken = jpegHeader(0xC0, 1, 1);
  broken[2] = 0x00;
  EXPECT_FALSE(mv::jpegDeclaredSize(broken.data(), broken.size(), w, h));
}

}  // namespace
