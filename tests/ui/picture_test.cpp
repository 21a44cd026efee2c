// The picture readers on their own: which bitmaps pass the header check, and what the JPEG decoder
// makes of colour, grey and CMYK pictures and of large ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "installer/win32/picture.h"
#include "ui_test_support.h"

using namespace mv::win32;
using namespace mv::uitest;

namespace {

void set32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = (x >> (8 * i)) & 0xFF;
}
void set16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = x & 0xFF;
  v[at + 1] = (x >> 8) & 0xFF;
}

TEST(BmpCheck, AcceptsCompleteBitmaps) {
  std::vector<uint8_t> b = solidBmp(7, 3, 1, 2, 3);  // rows padded to 24 bytes
  EXPECT_TRUE(isLoadableBmp(b.data(), b.size()));
  set32(b, 22, static_cast<uint32_t>(-3));  // top-down
  EXPECT_TRUE(isLoadableBmp(b.data(), b.size()));

  // 8-bit palette picture with a 2-colour table.
  std::vector<uint8_t> p(14 + 40 + 8 + 4 * 2, 0);
  p[0] = 'B';
  p[1] = 'M';
  set32(p, 10, 14 + 40 + 8);
  set32(p, 14, 40);
  set32(p, 18, 3);
  set32(p, 22, 2);
  set16(p, 26, 1);
  set16(p, 28, 8);
  set32(p, 46, 2);
  EXPECT_TRUE(isLoadableBmp(p.data(), p.size()));

  // OS/2 core header, 24 bits.
  std::vector<uint8_t> c(14 + 12 + 4 * 2, 0);
  c[0] = 'B';
  c[1] = 'M';
  set32(c, 10, 26);
  set32(c, 14, 12);
  set16(c, 18, 1);
  set16(c, 20, 2);
  set16(c, 22, 1);
  set16(c, 24, 24);
  EXPECT_TRUE(isLoadableBmp(c.data(), c.size()));
}

TEST(BmpCheck, RefusesWhatPointsOutsideTheFile) {
  const std::vector<uint8_t> good = solidBmp(7, 3, 1, 2, 3);
  auto refused = [&](auto change) {
    std::vector<uint8_t> b = good;
    change(b);
    return !isLoadableBmp(b.data(), b.size());
  };
  EXPECT_TRUE(refused([](auto& b) { b.pop_back(); }));                  // last row cut
  EXPECT_TRUE(refused([](auto& b) { b[1] = 'N'; }));                    // no signature
  EXPECT_TRUE(refused([](auto& b) { set32(b, 10, 0x7FFFFFF0); }));      // pixel data beyond the end
  EXPECT_TRUE(refused([](auto& b) { set32(b, 10, 20); }));              // pixel data inside the header
  EXPECT_TRUE(refused([](auto& b) { set32(b, 14, 41); }));              // unknown header size
  EXPECT_TRUE(refused([](auto& b) { set32(b, 14, 124); }));             // V5 header longer than the file's rest
  EXPECT_TRUE(refused([](auto& b) { set32(b, 18, 0); }));               // no width
  EXPECT_TRUE(refused([](auto& b) { set32(b, 18, static_cast<uint32_t>(-7)); }));
  EXPECT_TRUE(refused([](auto& b) { set32(b, 22, 0); }));               // no height
  EXPECT_TRUE(refused([](auto& b) { set32(b, 18, 30000); set32(b, 22, 30000); }));  // 900 Mpixels
  EXPECT_TRUE(refused([](auto& b) { set16(b, 26, 2); }));               // planes
  EXPECT_TRUE(refused([](auto& b) { set16(b, 28, 7); }));               // bits per pixel
  EXPECT_TRUE(refused([](auto& b) { set32(b, 30, 4); }));               // embedded JPEG
  EXPECT_TRUE(refused([](auto& b) { set32(b, 30, BI_BITFIELDS); }));    // masks with 24 bits
  EXPECT_TRUE(refused([](auto& b) { set32(b, 30, BI_RLE8); }));         // RLE with 24 bits
  EXPECT_TRUE(refused([](auto& b) { set32(b, 46, 1000); }));            // colour table beyond the end
  EXPECT_FALSE(isLoadableBmp(good.data(), 25));
  EXPECT_FALSE(isLoadableBmp(nullptr, 0));
}

TEST(BmpCheck, RleNeedsItsSizeAndBottomUpRows) {
  std::vector<uint8_t> p(14 + 40 + 4 * 256 + 4, 0);
  p[0] = 'B';
  p[1] = 'M';
  set32(p, 10, 14 + 40 + 4 * 256);
  set32(p, 14, 40);
  set32(p, 18, 4);
  set32(p, 22, 1);
  set16(p, 26, 1);
  set16(p, 28, 8);
  set32(p, 30, BI_RLE8);
  set32(p, 34, 4);
  // 4 pixels of colour 0, end of bitmap
  p[p.size() - 4] = 4;
  p[p.size() - 2] = 0;
  p[p.size() - 1] = 1;
  EXPECT_TRUE(isLoadableBmp(p.data(), p.size()));
  set32(p, 34, 0);
  EXPECT_FALSE(isLoadableBmp(p.data(), p.size()));
  set32(p, 34, 5);
  EXPECT_FALSE(isLoadableBmp(p.data(), p.size()));
  set32(p, 34, 4);
  set32(p, 22, static_cast<uint32_t>(-1));
  EXPECT_FALSE(isLoadableBmp(p.data(), p.size()));
}

// One pixel of a decoded picture: blue, green, red.
struct Bgr {
  int b, g, r;
};
Bgr pixel(HBITMAP bmp, int x, int y) {
  DIBSECTION ds;
  EXPECT_EQ(static_cast<int>(sizeof(ds)), GetObjectW(bmp, sizeof(ds), &ds));
  const uint8_t* bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
  const uint8_t* p = bits + static_cast<size_t>(ds.dsBm.bmWidthBytes) * y + x * 3;
  return Bgr{p[0], p[1], p[2]};
}
// Width and height as the DIB's header has them (negative height: rows top-down).
SIZE bitmapSize(HBITMAP bmp) {
  DIBSECTION ds;
  GetObjectW(bmp, sizeof(ds), &ds);
  return SIZE{ds.dsBmih.biWidth, ds.dsBmih.biHeight};
}

std::vector<uint8_t> encode(int w, int h, int components, const uint8_t* value) {
  return writeJpeg(w, h, JpegSettings{components, 98, false}, [&](int, uint8_t* row) {
    for (int x = 0; x < w; ++x) std::memcpy(row + x * components, value, size_t(components));
  });
}

TEST(JpegDecoder, ColourGreyAndCmyk) {
  std::vector<uint8_t> colour = solidJpeg(40, 20, 250, 128, 10);
  HBITMAP b = decodeJpeg(colour.data(), colour.size(), 350, 150);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(40, bitmapSize(b).cx);
  EXPECT_EQ(20, std::abs(bitmapSize(b).cy));
  Bgr p = pixel(b, 20, 10);
  EXPECT_NEAR(250, p.r, 4);
  EXPECT_NEAR(128, p.g, 4);
  EXPECT_NEAR(10, p.b, 4);
  DeleteObject(b);

  const uint8_t grey[] = {90};
  std::vector<uint8_t> g = encode(16, 16, 1, grey);
  b = decodeJpeg(g.data(), g.size(), 350, 150);
  ASSERT_NE(nullptr, b);
  p = pixel(b, 8, 8);
  EXPECT_NEAR(90, p.r, 3);
  EXPECT_NEAR(90, p.g, 3);
  EXPECT_NEAR(90, p.b, 3);
  DeleteObject(b);

  // Stored inverted, as Adobe writes CMYK: 255 = no ink. C=255,M=127,Y=0 inverted (no cyan, half
  // magenta, full yellow), K=255 (no black) gives red 255, green ~127, blue 0.
  const uint8_t cmyk[] = {255, 127, 0, 255};
  std::vector<uint8_t> k = encode(16, 16, 4, cmyk);
  b = decodeJpeg(k.data(), k.size(), 350, 150);
  ASSERT_NE(nullptr, b);
  p = pixel(b, 8, 8);
  EXPECT_NEAR(255, p.r, 4);
  EXPECT_NEAR(127, p.g, 4);
  EXPECT_NEAR(0, p.b, 4);
  DeleteObject(b);
}

TEST(JpegDecoder, LargePicturesAreDecodedSmallerButNeverBelowTheBox) {
  std::vector<uint8_t> big = solidJpeg(1500, 700, 10, 20, 30);
  HBITMAP b = decodeJpeg(big.data(), big.size(), 350, 150);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(375, bitmapSize(b).cx);  // 1/4: 1/8 would be 187 x 87, smaller than the box
  EXPECT_EQ(175, std::abs(bitmapSize(b).cy));
  DeleteObject(b);
}

TEST(JpegDecoder, RefusesWhatIsNoJpeg) {
  std::vector<uint8_t> j = solidJpeg(32, 32, 1, 2, 3);
  EXPECT_EQ(nullptr, decodeJpeg(j.data(), 2, 350, 150));
  EXPECT_EQ(nullptr, decodeJpeg(j.data(), 100, 350, 150));  // headers cut before the frame
  std::vector<uint8_t> bad = j;
  bad[0] = 0;
  EXPECT_EQ(nullptr, decodeJpeg(bad.data(), bad.size(), 350, 150));
  // A frame header of 65500 x 65500 is refused before any pixel memory is taken.
  for (size_t i = 0; i + 8 < j.size(); ++i)
    if (j[i] == 0xFF && j[i + 1] == 0xC0) {
      bad = j;
      bad[i + 5] = 0xFF;
      bad[i + 6] = 0xDC;
      bad[i + 7] = 0xFF;
      bad[i + 8] = 0xDC;
      break;
    }
  EXPECT_EQ(nullptr, decodeJpeg(bad.data(), bad.size(), 350, 150));
  EXPECT_EQ(nullptr, decodeJpeg(nullptr, 0, 350, 150));
}

// A picture with detail in every block: diagonal colour gradients crossed by thin stripes.
std::vector<uint8_t> detailedJpeg(int w, int h, bool progressive) {
  return writeJpeg(w, h, JpegSettings{3, 85, progressive}, [&](int y, uint8_t* row) {
    for (int x = 0; x < w; ++x) {
      const bool stripe = (x + 2 * y) % 23 < 3;
      row[x * 3] = static_cast<uint8_t>(stripe ? 250 : (x * 255) / w);
      row[x * 3 + 1] = static_cast<uint8_t>(stripe ? 240 : (y * 255) / h);
      row[x * 3 + 2] = static_cast<uint8_t>(stripe ? 20 : ((x + y) * 127) / (w + h) + 64);
    }
  });
}

// What the installer showed before it used the system's decoder: libjpeg's own decoding (BGR rows),
// at 1/denom scale.
std::vector<uint8_t> libjpegDecode(const std::vector<uint8_t>& data, unsigned denom, unsigned& w, unsigned& h) {
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_EXT_BGR;
  d.scale_num = 1;
  d.scale_denom = denom;
  jpeg_start_decompress(&d);
  w = d.output_width;
  h = d.output_height;
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 3);
  while (d.output_scanline < d.output_height) {
    JSAMPROW p = pixels.data() + static_cast<size_t>(d.output_scanline) * w * 3;
    jpeg_read_scanlines(&d, &p, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return pixels;
}

// How far the system's decoding is from libjpeg's, per channel, over squares of 4 x 4 pixels: decoders
// differ in how they fill in the colour that JPEG keeps at half resolution, which moves single pixels
// at sharp colour edges by up to 140 levels but a square of them by little (Wine's decoder against
// libjpeg-turbo on the striped picture below: 2.1 levels on average, 13 at most). A wrong channel
// order, offset or scale moves every square by tens of levels.
struct Difference {
  double mean = 0;
  double largest = 0;
};
Difference compareWithLibjpeg(HBITMAP b, const std::vector<uint8_t>& data, unsigned denom) {
  unsigned w = 0, h = 0;
  std::vector<uint8_t> reference = libjpegDecode(data, denom, w, h);
  EXPECT_EQ(static_cast<LONG>(w), bitmapSize(b).cx);
  EXPECT_EQ(static_cast<LONG>(h), std::abs(bitmapSize(b).cy));
  constexpr unsigned kCell = 4;
  Difference d;
  double sum = 0;
  unsigned cells = 0;
  for (unsigned cy = 0; cy + kCell <= h; cy += kCell)
    for (unsigned cx = 0; cx + kCell <= w; cx += kCell) {
      int ours[3] = {0, 0, 0}, theirs[3] = {0, 0, 0};
      for (unsigned y = cy; y < cy + kCell; ++y)
        for (unsigned x = cx; x < cx + kCell; ++x) {
          const Bgr p = pixel(b, static_cast<int>(x), static_cast<int>(y));
          const uint8_t* r = reference.data() + (static_cast<size_t>(y) * w + x) * 3;
          ours[0] += p.b, ours[1] += p.g, ours[2] += p.r;
          for (int c = 0; c < 3; ++c) theirs[c] += r[c];
        }
      for (int c = 0; c < 3; ++c) {
        const double diff = std::abs(ours[c] - theirs[c]) / double(kCell * kCell);
        sum += diff;
        d.largest = std::max(d.largest, diff);
      }
      cells += 3;
    }
  d.mean = sum / cells;
  return d;
}

TEST(JpegDecoder, PixelsAtFullSizeWithinTheCallersLimit) {
  std::vector<uint8_t> j = solidJpeg(70, 30, 200, 100, 50);
  DecodedPicture p;
  EXPECT_FALSE(decodeJpegPixels(j.data(), j.size(), 70 * 30 - 1, p));  // refused before decoding
  EXPECT_EQ(0u, p.width);
  ASSERT_TRUE(decodeJpegPixels(j.data(), j.size(), 70 * 30, p));
  EXPECT_EQ(70u, p.width);
  EXPECT_EQ(30u, p.height);
  ASSERT_EQ(p.stride() * 30, p.bgr.size());
  EXPECT_EQ(212u, p.stride());  // rows padded to 4 bytes
  const uint8_t* last = p.bgr.data() + p.stride() * 29 + 69 * 3;
  EXPECT_NEAR(50, last[0], 4);
  EXPECT_NEAR(100, last[1], 4);
  EXPECT_NEAR(200, last[2], 4);
  EXPECT_FALSE(decodeJpegPixels(j.data(), 100, 1u << 20, p));  // cut before its frame
}

TEST(JpegDecoder, ShowsWhatLibjpegShowed) {
  // Baseline and progressive pictures at their own size.
  for (bool progressive : {false, true}) {
    std::vector<uint8_t> j = detailedJpeg(340, 140, progressive);
    HBITMAP b = decodeJpeg(j.data(), j.size(), 350, 150);
    ASSERT_NE(nullptr, b) << progressive;
    Difference d = compareWithLibjpeg(b, j, 1);
    EXPECT_LT(d.mean, 4.0) << progressive << " " << d.largest;
    EXPECT_LT(d.largest, 32) << progressive << " " << d.mean;
    DeleteObject(b);
  }
  // A large one reduced to a quarter: averaged squares where libjpeg scaled in its inverse DCT.
  std::vector<uint8_t> big = detailedJpeg(1500, 700, false);
  HBITMAP b = decodeJpeg(big.data(), big.size(), 350, 150);
  ASSERT_NE(nullptr, b);
  Difference d = compareWithLibjpeg(b, big, 4);
  EXPECT_LT(d.mean, 4.0) << d.largest;
  EXPECT_LT(d.largest, 32) << d.mean;
  DeleteObject(b);
}

}  // namespace

// A picture that is not shown says why: too large (its size and the limits, found in the header before
// anything is decoded), not decodable, or not readable.
TEST(PictureFile, RefusalsSayWhy) {
  using Problem = mv::PictureOutcome::Problem;
  const std::string dir = tempDir();
  mv::PictureOutcome why;

  // 8000 x 6000: each side fits, the pixels do not.
  std::vector<uint8_t> j = solidJpeg(32, 24, 1, 2, 3);
  for (size_t i = 0; i + 8 < j.size(); ++i)
    if (j[i] == 0xFF && j[i + 1] == 0xC0) {
      j[i + 5] = 6000 >> 8;
      j[i + 6] = 6000 & 0xFF;
      j[i + 7] = 8000 >> 8;
      j[i + 8] = 8000 & 0xFF;
      break;
    }
  ASSERT_TRUE(writeFile(dir + "large.jpg", j));
  EXPECT_EQ(nullptr, loadPicture(realFiles(), dir + "large.jpg", 350, 150, &why));
  EXPECT_EQ(Problem::TooLarge, why.problem);
  EXPECT_EQ(8000u, why.width);
  EXPECT_EQ(6000u, why.height);
  EXPECT_EQ(uint32_t(mv::kMaxPictureSide), why.maxSide);
  EXPECT_EQ(mv::kMaxPicturePixels, why.maxPixels);

  // A bitmap one pixel wider than a side may be.
  std::vector<uint8_t> b = solidBmp(4, 2, 1, 2, 3);
  set32(b, 18, uint32_t(mv::kMaxPictureSide) + 1);
  ASSERT_TRUE(writeFile(dir + "wide.bmp", b));
  EXPECT_EQ(nullptr, loadPicture(realFiles(), dir + "wide.bmp", 350, 150, &why));
  EXPECT_EQ(Problem::TooLarge, why.problem);
  EXPECT_EQ(uint32_t(mv::kMaxPictureSide) + 1, why.width);
  EXPECT_EQ(2u, why.height);

  // Cut short in its headers, and a file that is not there.
  std::vector<uint8_t> cut = solidJpeg(32, 24, 1, 2, 3);
  cut.resize(20);
  ASSERT_TRUE(writeFile(dir + "cut.jpg", cut));
  EXPECT_EQ(nullptr, loadPicture(realFiles(), dir + "cut.jpg", 350, 150, &why));
  EXPECT_EQ(Problem::NotDecodable, why.problem);
  EXPECT_EQ(nullptr, loadPicture(realFiles(), dir + "missing.jpg", 350, 150, &why));
  EXPECT_EQ(Problem::Unreadable, why.problem);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, DWORD(why.code.code()));

  // A good picture clears an earlier refusal.
  ASSERT_TRUE(writeFile(dir + "good.jpg", solidJpeg(32, 24, 1, 2, 3)));
  HBITMAP shown = loadPicture(realFiles(), dir + "good.jpg", 350, 150, &why);
  ASSERT_NE(nullptr, shown);
  EXPECT_TRUE(why);
  DeleteObject(shown);
}
