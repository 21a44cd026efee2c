// The movie's bitmaps.
//
// DefineBitsLossless (20) and DefineBitsLossless2 (36), after the character id:
//   format UI8 (3: colour-mapped, 4: 15-bit RGB, 5: 32-bit), width UI16, height UI16,
//   for format 3 the colour table size minus one UI8, then one zlib stream holding
//   3: the colour table (RGB, or RGBA in Lossless2), then one index byte per pixel, rows padded to 4 bytes;
//   4: one big-endian 16-bit word per pixel (a reserved bit, then 5 bits each of red, green and blue),
//      rows padded to 4 bytes;
//   5: four bytes per pixel, reserved (Lossless) or alpha (Lossless2), red, green, blue.
// Lossless2 colours are premultiplied by their alpha.
//
// JPEG bitmaps: DefineBits (6) holds only the image; its tables are in the movie's JPEGTables (8).
// DefineBitsJPEG2 (21) holds tables and image together, DefineBitsJPEG3 (35) too, followed by a zlib
// stream of one alpha byte per pixel (Flash writes the colours already multiplied by it; see
// applyAlphaPlane); DefineBitsJPEG4
// (90) is DefineBitsJPEG3 with a deblocking strength, which the renderer does not apply. Writers frame the parts in SOI/EOI markers of their own, and
// some start the data with an extra EOI+SOI pair; joinJpeg makes one plain stream of them.
#include "flash/render/bitmaps.h"

#include <algorithm>

#include "support/bytes.h"
#include "swf/inflate.h"

namespace mv::render {

namespace {

uint32_t premultiplied(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  // Colours above their alpha are not valid premultiplied values; they are held at the alpha.
  if (r > a) r = a;
  if (g > a) g = a;
  if (b > a) b = a;
  return a << 24 | r << 16 | g << 8 | b;
}

bool sizeAllowed(uint32_t width, uint32_t height, int maxSide, uint64_t pixelBudget) {
  return width > 0 && height > 0 && width <= uint32_t(maxSide) && height <= uint32_t(maxSide) &&
         uint64_t(width) * height <= pixelBudget;
}

}  // namespace

namespace {

// Each row of the inflated pixels (rowBytes apart, from offset `first`) through pixelOf(row, x).
template <typename PixelOf>
void fillRows(const std::vector<uint8_t>& raw, size_t first, size_t rowBytes, uint32_t width, uint32_t height,
              Bitmap& out, PixelOf pixelOf) {
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = &raw[first + rowBytes * y];
    uint32_t* dst = &out.pixels[size_t(y) * width];
    for (uint32_t x = 0; x < width; ++x) dst[x] = pixelOf(row, x);
  }
}

uint32_t expand5(uint32_t v) { return v << 3 | v >> 2; }

constexpr uint32_t kJpegNoise = 24;  // how far a JPEG's ringing may lift a colour above its alpha

}  // namespace

bool decodeLossless(const uint8_t* body, size_t size, bool withAlpha, int maxSide, uint64_t& pixelBudget,
                    Bitmap& out) {
  if (size < 5) return false;
  const unsigned format = body[0];
  const uint32_t width = readLe16(body + 1), height = readLe16(body + 3);
  size_t header = 5;
  uint32_t tableSize = 0;
  if (format == 3) {
    if (size < 6) return false;
    tableSize = uint32_t(body[5]) + 1;
    header = 6;
  } else if (format != 4 && format != 5) {
    return false;
  }
  if (!sizeAllowed(width, height, maxSide, pixelBudget)) return false;

  const size_t entry = withAlpha ? 4 : 3;
  size_t rowBytes, tableBytes = 0;
  if (format == 3) {
    rowBytes = (size_t(width) + 3) & ~size_t(3);
    tableBytes = tableSize * entry;
  } else if (format == 4) {
    rowBytes = (size_t(width) * 2 + 3) & ~size_t(3);
  } else {
    rowBytes = size_t(width) * 4;
  }
  // The buffer grows with what the stream holds; a stream shorter than the picture leaves it out.
  const size_t expected = tableBytes + rowBytes * height;
  std::vector<uint8_t> raw;
  const InflateOutcome inflated = inflateBounded(body + header, size - header, expected, raw);
  if (!inflated.ok() || inflated.produced != expected) return false;

  out.width = int(width);
  out.height = int(height);
  out.pixels.assign(size_t(width) * height, 0);
  if (format == 3) {
    uint32_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
      if (i >= tableSize) {
        table[i] = withAlpha ? 0 : 0xFF000000u;  // an index past the table: nothing, or black
        continue;
      }
      const uint8_t* e = &raw[i * entry];
      table[i] = premultiplied(withAlpha ? e[3] : 255, e[0], e[1], e[2]);
    }
    fillRows(raw, tableBytes, rowBytes, width, height, out, [&](const uint8_t* row, uint32_t x) { return table[row[x]]; });
  } else if (format == 4) {
    // A big-endian word per pixel: a reserved bit, then 5 bits each of red, green and blue; opaque in
    // both tags (the word has no room for alpha).
    fillRows(raw, 0, rowBytes, width, height, out, [](const uint8_t* row, uint32_t x) {
      const uint32_t v = uint32_t(row[2 * x]) << 8 | row[2 * x + 1];
      return 0xFF000000u | expand5((v >> 10) & 31) << 16 | expand5((v >> 5) & 31) << 8 | expand5(v & 31);
    });
  } else {
    fillRows(raw, 0, rowBytes, width, height, out, [&](const uint8_t* row, uint32_t x) {
      const uint8_t* p = row + 4 * x;
      return premultiplied(withAlpha ? p[0] : 255, p[1], p[2], p[3]);
    });
  }
  pixelBudget -= uint64_t(width) * height;
  return true;
}

std::vector<uint8_t> joinJpeg(const uint8_t* tables, size_t tablesSize, const uint8_t* image, size_t imageSize) {
  std::vector<uint8_t> out = {0xFF, 0xD8};
  bool scan = false;
  auto copyPart = [&](const uint8_t* p, size_t n) {
    size_t i = 0;
    while (i + 1 < n && !scan) {
      if (p[i] != 0xFF) return;  // not a marker where one must be: the rest is not JPEG
      const uint8_t marker = p[i + 1];
      if (marker == 0xFF) {  // fill byte
        ++i;
        continue;
      }
      if (marker == 0xD8 || marker == 0xD9) {  // SOI, EOI: the part's own frame
        i += 2;
        continue;
      }
      if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // markers without a length
        out.insert(out.end(), p + i, p + i + 2);
        i += 2;
        continue;
      }
      if (i + 4 > n) return;
      const size_t length = size_t(p[i + 2]) << 8 | p[i + 3];
      if (length < 2 || i + 2 + length > n) return;
      if (marker == 0xDA) {  // start of scan: the segment and the entropy-coded data to the part's end
        out.insert(out.end(), p + i, p + n);
        scan = true;
        return;
      }
      out.insert(out.end(), p + i, p + i + 2 + length);
      i += 2 + length;
    }
  };
  if (tables) copyPart(tables, tablesSize);
  scan = false;
  copyPart(image, imageSize);
  if (out.size() < 2 || out[out.size() - 2] != 0xFF || out[out.size() - 1] != 0xD9) {
    out.push_back(0xFF);
    out.push_back(0xD9);
  }
  return out;
}

namespace {

// Flash writes the JPEG's colours already multiplied by the alpha, and players held each colour at most
// at its alpha (a clear pixel shows nothing, whatever the JPEG says there). Other writers store the
// colours as they are, which show up as colours well above their alpha in many of the pixels that are
// not opaque; those are multiplied here, as their writers drew them.
void applyAlphaPlane(const std::vector<uint8_t>& plane, std::vector<uint32_t>& pixels) {
  size_t seeThrough = 0, above = 0;
  for (size_t i = 0; i < plane.size(); ++i) {
    if (plane[i] == 255) continue;
    ++seeThrough;
    const uint32_t p = pixels[i];
    const uint32_t top = std::max({(p >> 16) & 255, (p >> 8) & 255, p & 255});
    if (top > uint32_t(plane[i]) + kJpegNoise) ++above;
  }
  const bool straight = above * 8 > seeThrough;
  for (size_t i = 0; i < plane.size(); ++i) {
    const uint32_t p = pixels[i], a = plane[i];
    const uint32_t r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
    pixels[i] = straight ? a << 24 | (r * a + 127) / 255 << 16 | (g * a + 127) / 255 << 8 | (b * a + 127) / 255
                         : premultiplied(a, r, g, b);
  }
}

}  // namespace

bool decodeJpegBitmap(const JpegDecoder& decoder, const std::vector<uint8_t>& jpeg, const uint8_t* alpha,
                      size_t alphaSize, int maxSide, uint64_t& pixelBudget, Bitmap& out) {
  Image picture;
  if (!decoder.decode(jpeg.data(), jpeg.size(), pixelBudget, picture)) return false;
  if (!sizeAllowed(uint32_t(picture.width), uint32_t(picture.height), maxSide, pixelBudget) ||
      picture.pixels.size() != size_t(picture.width) * size_t(picture.height))
    return false;
  out.width = picture.width;
  out.height = picture.height;
  out.pixels = std::move(picture.pixels);
  for (uint32_t& p : out.pixels) p |= 0xFF000000u;
  if (alpha) {
    // One byte per pixel; a plane that is short or damaged leaves the rest opaque.
    std::vector<uint8_t> plane;
    (void)inflateBounded(alpha, alphaSize, out.pixels.size(), plane);  // what came out is used, however far it went
    applyAlphaPlane(plane, out.pixels);
  }
  pixelBudget -= uint64_t(out.width) * uint64_t(out.height);
  return true;
}

}  // namespace mv::render
