// Bitmaps as the renderer draws them: every lossless format, the JPEG tags with their tables and
// alpha planes, clipped and repeating fills, with and without smoothing.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "render_support.h"

namespace rendertest {
namespace {

constexpr int kPx = 20;
const Rgb kWhite{255, 255, 255};

// A movie on white whose shape, w x h bitmap pixels big, is filled with bitmap 1 at 20 screen pixels per
// bitmap pixel (or as given), drawn at 100 x 100.
Image drawBitmap(const std::string& bitmapTag, int w, int h, bool repeat = false, bool smooth = false,
                 double pixelsPerTexel = 20, bool withJpeg = true) {
  Styles s;
  const int f = s.bitmap(1, Mat::scaled(pixelsPerTexel * kPx, pixelsPerTexel * kPx), repeat, smooth);
  Records r;
  const int32_t right = int32_t(w * pixelsPerTexel * kPx), bottom = int32_t(h * pixelsPerTexel * kPx);
  r.move(0, 0, 0, f, 0).rectangle(0, 0, right, bottom);
  const std::string swf = movie(6, 100, 100, swftest::bg(255, 255, 255) + bitmapTag + defineShape(2, 2, s, r) + place(1, 2));
  Image out;
  auto frame = load(swf, nullptr, Limits(), withJpeg);
  EXPECT_TRUE(frame && frame->draw(100, 100, out));
  return out;
}

std::string lossless(int code, int format, int w, int h, const std::string& table, const std::string& pixels) {
  std::string body = le16(1) + char(format) + le16(w) + le16(h);
  if (format == 3) body += char(table.size() / (code == 36 ? 4 : 3) - 1);
  return tag(code, body + zlibOf(table + pixels));
}

TEST(RenderBitmaps, ColourMappedPixelsWithPaddedRows) {
  // Two colours, a 3 x 2 picture: rows of 3 indices padded to 4 bytes.
  const std::string table = rgb({255, 0, 0}) + rgb({0, 0, 255});
  const std::string pixels = std::string("\0\1\0\xEE", 4) + std::string("\1\0\1\xEE", 4);
  Image img = drawBitmap(lossless(20, 3, 3, 2, table, pixels), 3, 2);
  EXPECT_PIXEL(img, 10, 10, (Rgb{255, 0, 0}), 0);
  EXPECT_PIXEL(img, 30, 10, (Rgb{0, 0, 255}), 0);
  EXPECT_PIXEL(img, 50, 30, (Rgb{0, 0, 255}), 0);
  EXPECT_PIXEL(img, 30, 30, (Rgb{255, 0, 0}), 0);
}

TEST(RenderBitmaps, FifteenBitPixelsWidenToEightBitsAChannel) {
  // 5-bit red 31, green 0, blue 16 in a big-endian word; a row of one pixel padded to 4 bytes.
  const uint16_t v = uint16_t(31 << 10 | 0 << 5 | 16);
  const std::string pixels = std::string{char(v >> 8), char(v & 255), 0, 0};
  Image img = drawBitmap(lossless(20, 4, 1, 1, "", pixels), 1, 1);
  EXPECT_PIXEL(img, 10, 10, (Rgb{255, 0, 132}), 0);
}

TEST(RenderBitmaps, ThirtyTwoBitPixelsIgnoreTheReservedByteWithoutAlpha) {
  const std::string pixels = std::string("\x00\x10\x20\x30", 4) + std::string("\x55\x40\x50\x60", 4);
  Image img = drawBitmap(lossless(20, 5, 2, 1, "", pixels), 2, 1);
  EXPECT_PIXEL(img, 10, 10, (Rgb{0x10, 0x20, 0x30}), 0);
  EXPECT_PIXEL(img, 30, 10, (Rgb{0x40, 0x50, 0x60}), 0);
}

TEST(RenderBitmaps, Lossless2PixelsArePremultipliedByTheirAlpha) {
  // Half-transparent red (premultiplied 128, 0, 0), a clear pixel, and a table colour with alpha.
  const std::string pixels = std::string("\x80\x80\x00\x00", 4) + std::string(4, '\0');
  Image img = drawBitmap(lossless(36, 5, 2, 1, "", pixels), 2, 1);
  EXPECT_PIXEL(img, 10, 10, (Rgb{255, 127, 127}), 1);
  EXPECT_PIXEL(img, 30, 10, kWhite, 0);
  const std::string table = rgba({0, 0, 64, 64});
  Image mapped = drawBitmap(lossless(36, 3, 1, 1, table, std::string(4, '\0')), 1, 1);
  EXPECT_PIXEL(mapped, 10, 10, (Rgb{191, 191, 255}), 1);
}

// A 2 x 1 picture, red then blue, filling a rectangle four pictures wide.
const std::string kRedBlue = std::string("\xFF\xFF\x00\x00", 4) + std::string("\xFF\x00\x00\xFF", 4);

TEST(RenderBitmaps, ARepeatingFillTilesAndAClippedOneExtendsItsEdges) {
  Image tiled = drawBitmap(lossless(36, 5, 2, 1, "", kRedBlue), 4, 1, true, false);
  EXPECT_PIXEL(tiled, 50, 10, (Rgb{255, 0, 0}), 0);
  EXPECT_PIXEL(tiled, 70, 10, (Rgb{0, 0, 255}), 0);
  Image clipped = drawBitmap(lossless(36, 5, 2, 1, "", kRedBlue), 4, 1, false, false);
  EXPECT_PIXEL(clipped, 50, 10, (Rgb{0, 0, 255}), 0);
  EXPECT_PIXEL(clipped, 70, 10, (Rgb{0, 0, 255}), 0);
}

TEST(RenderBitmaps, SmoothedFillsBlendNeighbouringPixelsAndOthersDoNot) {
  Image sharp = drawBitmap(lossless(36, 5, 2, 1, "", kRedBlue), 2, 1, false, false);
  EXPECT_PIXEL(sharp, 19, 10, (Rgb{255, 0, 0}), 0);
  EXPECT_PIXEL(sharp, 20, 10, (Rgb{0, 0, 255}), 0);
  Image smooth = drawBitmap(lossless(36, 5, 2, 1, "", kRedBlue), 2, 1, false, true);
  EXPECT_PIXEL(smooth, 19, 10, (Rgb{134, 0, 121}), 3);
  EXPECT_PIXEL(smooth, 5, 10, (Rgb{255, 0, 0}), 0);
  // Between the two pixels' centres the blend is a clean ramp: red gives way to blue pixel by pixel,
  // each channel rounded down (so the two make up 254 once both are mixed), and no channel gains what
  // another loses.
  for (int x = 10; x < 30; ++x) {
    const uint32_t c = smooth.at(x, 10), before = smooth.at(x - 1, 10);
    const uint32_t r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
    EXPECT_EQ(r + b, r == 255 || b == 255 ? 255u : 254u) << x << ": " << r << " + " << b;
    EXPECT_EQ(g, 0u) << x;
    EXPECT_LE(r, before >> 16 & 255) << x;
    EXPECT_GE(b, before & 255) << x;
  }
}

TEST(RenderBitmaps, ADamagedZlibStreamLeavesTheBitmapOut) {
  std::string bad = tag(20, le16(1) + char(5) + le16(2) + le16(1) + std::string("\x78\x9C\xFF\xFF\xFF", 5));
  Image img = drawBitmap(bad, 2, 1);
  EXPECT_PIXEL(img, 10, 10, kWhite, 0);
}

// ---- JPEG

// A width x height JPEG of one colour, made with libjpeg.
std::string jpegOf(int width, int height, Colour c, int quality = 95) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<unsigned char> row(size_t(width) * 3);
  for (int x = 0; x < width; ++x) {
    row[size_t(x) * 3] = c.r;
    row[size_t(x) * 3 + 1] = c.g;
    row[size_t(x) * 3 + 2] = c.b;
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string bytes(reinterpret_cast<char*>(out), size);
  free(out);
  return bytes;
}

// Splits a JPEG into the tables (SOI, DQT and DHT segments, EOI) and the image (SOI, the rest).
void splitJpeg(const std::string& jpeg, std::string& tables, std::string& image) {
  tables = "\xFF\xD8";
  image = "\xFF\xD8";
  size_t i = 2;
  while (i + 4 <= jpeg.size()) {
    const uint8_t marker = uint8_t(jpeg[i + 1]);
    if (marker == 0xDA) break;
    const size_t length = size_t(uint8_t(jpeg[i + 2])) << 8 | uint8_t(jpeg[i + 3]);
    (marker == 0xDB || marker == 0xC4 ? tables : image) += jpeg.substr(i, 2 + length);
    i += 2 + length;
  }
  tables += "\xFF\xD9";
  image += jpeg.substr(i);
}

const Colour kTeal{30, 150, 130};

TEST(RenderJpeg, DefineBitsJpeg2HoldsAWholeJpeg) {
  Image img = drawBitmap(tag(21, le16(1) + jpegOf(16, 16, kTeal)), 4, 4, false, false, 1);
  EXPECT_PIXEL(img, 2, 2, (Rgb{30, 150, 130}), 4);
  EXPECT_PIXEL(img, 20, 20, kWhite, 0);
}

TEST(RenderJpeg, AnEndAndStartMarkerPairBeforeTheDataIsSkipped) {
  Image img = drawBitmap(tag(21, le16(1) + "\xFF\xD9\xFF\xD8" + jpegOf(16, 16, kTeal)), 4, 4, false, false, 1);
  EXPECT_PIXEL(img, 2, 2, (Rgb{30, 150, 130}), 4);
}

TEST(RenderJpeg, DefineBitsTakesItsTablesFromJpegTables) {
  std::string tables, image;
  splitJpeg(jpegOf(16, 16, kTeal), tables, image);
  Image img = drawBitmap(tag(8, tables) + tag(6, le16(1) + image), 4, 4, false, false, 1);
  EXPECT_PIXEL(img, 2, 2, (Rgb{30, 150, 130}), 4);
  // The tables and the image in one DefineBitsJPEG2, each framed by its own markers.
  Image joined = drawBitmap(tag(21, le16(1) + tables + image), 4, 4, false, false, 1);
  EXPECT_PIXEL(joined, 2, 2, (Rgb{30, 150, 130}), 4);
}

TEST(RenderJpeg, DefineBitsJpeg3MultipliesItsAlphaPlane) {
  const std::string jpeg = jpegOf(2, 1, Colour{0, 0, 0});
  const std::string alpha = zlibOf(std::string("\x80\x00", 2));
  Image img = drawBitmap(tag(35, le16(1) + swftest::le32(uint32_t(jpeg.size())) + jpeg + alpha), 2, 1);
  EXPECT_PIXEL(img, 10, 10, (Rgb{127, 127, 127}), 3);  // half-transparent black over white
  EXPECT_PIXEL(img, 30, 10, kWhite, 0);
}

TEST(RenderJpeg, WithoutADecoderJpegBitmapsAreLeftOutAndTheRestIsDrawn) {
  Image img = drawBitmap(tag(21, le16(1) + jpegOf(16, 16, kTeal)), 4, 4, false, false, 1, false);
  EXPECT_PIXEL(img, 2, 2, kWhite, 0);
}

TEST(RenderJpeg, ABrokenJpegIsLeftOut) {
  std::string broken = jpegOf(16, 16, kTeal);
  broken.resize(broken.size() / 3);
  Image img = drawBitmap(tag(21, le16(1) + broken), 4, 4, false, false, 1);
  EXPECT_EQ(img.width, 100);
}

TEST(RenderBitmaps, FifteenBitPixelsAreOpaqueInBothLosslessTags) {
  // The same big-endian word in DefineBitsLossless and DefineBitsLossless2, two pixels a row (no padding).
  const uint16_t v = uint16_t(0 << 10 | 31 << 5 | 8);
  const std::string pixels = std::string{char(v >> 8), char(v & 255), char(v >> 8), char(v & 255)};
  for (int code : {20, 36}) {
    SCOPED_TRACE(code);
    Image img = drawBitmap(lossless(code, 4, 2, 1, "", pixels), 2, 1);
    EXPECT_PIXEL(img, 10, 10, (Rgb{0, 255, 66}), 0);
    EXPECT_PIXEL(img, 30, 10, (Rgb{0, 255, 66}), 0);
  }
}

// A JPEG of one colour whose pixels carry the alpha plane given, in DefineBitsJPEG3 or, with a
// deblocking strength before the JPEG, DefineBitsJPEG4.
std::string jpegWithAlpha(int code, Colour c, const std::string& alpha) {
  const std::string jpeg = jpegOf(2, 1, c);
  const std::string deblock = code == 90 ? le16(0x0180) : "";
  return tag(code, le16(1) + swftest::le32(uint32_t(jpeg.size())) + deblock + jpeg + zlibOf(alpha));
}

TEST(RenderJpeg, AlphaPlanesTakeColoursMultipliedAsFlashWritesThemOrStraightAsOthersDo) {
  for (int code : {35, 90}) {
    SCOPED_TRACE(code);
    // Grey 100 at alpha 128, as Flash writes it (already multiplied): 100 + 255 * 127 / 255 over white.
    Image flash = drawBitmap(jpegWithAlpha(code, Colour{100, 100, 100}, std::string("\x80\x80", 2)), 2, 1);
    EXPECT_PIXEL(flash, 10, 10, (Rgb{227, 227, 227}), 4);
    EXPECT_PIXEL(flash, 30, 10, (Rgb{227, 227, 227}), 4);
    // Grey 200 at alpha 64 cannot be multiplied already: multiplied here, 50 + 191.
    Image straight = drawBitmap(jpegWithAlpha(code, Colour{200, 200, 200}, std::string("\x40\x40", 2)), 2, 1);
    EXPECT_PIXEL(straight, 10, 10, (Rgb{241, 241, 241}), 4);
  }
}

}  // namespace
}  // namespace rendertest
