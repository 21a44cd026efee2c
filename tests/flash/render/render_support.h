#pragma once
// Loading and drawing hand-built movies in the renderer's tests, reading reference pictures (PNG), and
// comparing pictures.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "flash/render/first_frame.h"
#include "flash/render/libjpeg_decoder.h"
#include "movie_builder.h"

namespace rendertest {

using mv::render::FirstFrame;
using mv::render::FrameStatus;
using mv::render::Image;
using mv::render::Limits;

inline const mv::render::LibjpegDecoder& jpegDecoder() {
  static mv::render::LibjpegDecoder decoder;
  return decoder;
}

inline std::shared_ptr<const FirstFrame> load(const std::string& swf, FrameStatus* why = nullptr,
                                              const Limits& limits = Limits(), bool withJpeg = true) {
  return FirstFrame::load(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), withJpeg ? &jpegDecoder() : nullptr,
                          limits, why);
}

// The movie's first frame at width x height; an empty picture when the movie is refused.
inline Image draw(const std::string& swf, int width, int height, const Limits& limits = Limits()) {
  Image out;
  auto frame = load(swf, nullptr, limits);
  EXPECT_TRUE(frame) << "the movie was refused";
  if (frame) {
    EXPECT_TRUE(frame->draw(width, height, out));
  }
  return out;
}

struct Rgb {
  int r, g, b;
};
inline Rgb pixel(const Image& img, int x, int y) {
  const uint32_t p = img.at(x, y);
  return {int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255)};
}
inline std::ostream& operator<<(std::ostream& o, const Rgb& c) {
  return o << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
inline ::testing::AssertionResult near(const Rgb& got, const Rgb& want, int tolerance) {
  if (std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
      std::abs(got.b - want.b) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << got << " is not within " << tolerance << " of " << want;
}
#define EXPECT_PIXEL(img, x, y, want, tol) EXPECT_TRUE(::rendertest::near(::rendertest::pixel(img, x, y), want, tol)) \
  << " at (" << (x) << ", " << (y) << ")"

inline std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A non-interlaced 8-bit RGB or RGBA PNG (what Java's ImageIO writes); an empty picture otherwise.
inline Image readPng(const std::string& path) {
  const std::string d = readFile(path);
  Image img;
  if (d.size() < 8 || d.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return img;
  auto be32 = [&](size_t i) {
    return uint32_t(uint8_t(d[i])) << 24 | uint32_t(uint8_t(d[i + 1])) << 16 | uint32_t(uint8_t(d[i + 2])) << 8 |
           uint8_t(d[i + 3]);
  };
  int width = 0, height = 0, channels = 0;
  std::string idat;
  for (size_t i = 8; i + 8 <= d.size();) {
    const uint32_t len = be32(i);
    const std::string type = d.substr(i + 4, 4);
    if (i + 12 + len > d.size()) return img;
    if (type == "IHDR") {
      width = int(be32(i + 8));
      height = int(be32(i + 12));
      const int depth = uint8_t(d[i + 16]), colour = uint8_t(d[i + 17]), interlace = uint8_t(d[i + 20]);
      if (depth != 8 || interlace != 0 || (colour != 2 && colour != 6)) return img;
      channels = colour == 2 ? 3 : 4;
    } else if (type == "IDAT") {
      idat += d.substr(i + 8, len);
    }
    i += 12 + len;
  }
  if (!width || !height) return img;
  const size_t stride = size_t(width) * channels;
  std::string raw((stride + 1) * height, '\0');
  uLongf size = uLongf(raw.size());
  if (uncompress(reinterpret_cast<Bytef*>(&raw[0]), &size, reinterpret_cast<const Bytef*>(idat.data()),
                 uLong(idat.size())) != Z_OK)
    return img;
  std::vector<uint8_t> prev(stride, 0), cur(stride);
  img.width = width;
  img.height = height;
  img.pixels.resize(size_t(width) * height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* line = reinterpret_cast<const uint8_t*>(&raw[(stride + 1) * y]);
    const int filter = line[0];
    for (size_t x = 0; x < stride; ++x) {
      const int a = x >= size_t(channels) ? cur[x - channels] : 0, b = prev[x],
                c = x >= size_t(channels) ? prev[x - channels] : 0;
      int p = line[1 + x];
      switch (filter) {
        case 1: p += a; break;
        case 2: p += b; break;
        case 3: p += (a + b) / 2; break;
        case 4: {
          const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
          p += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
          break;
        }
        default: break;
      }
      cur[x] = uint8_t(p);
    }
    for (int x = 0; x < width; ++x) {
      const uint8_t* q = &cur[size_t(x) * channels];
      img.pixels[size_t(y) * width + x] = 0xFF000000u | uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2];
    }
    prev.swap(cur);
  }
  return img;
}

// How far a picture is from a reference: the mean absolute difference per channel (0..255), and the
// share of pixels whose every channel is within `close`.
struct Difference {
  double meanError = 255;
  double closeShare = 0;
};
inline Difference compare(const Image& a, const Image& b, int close = 24) {
  Difference d;
  if (a.width != b.width || a.height != b.height || a.pixels.empty()) return d;
  uint64_t sum = 0, closeCount = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const int e = std::abs(int(a.pixels[i] >> shift & 255) - int(b.pixels[i] >> shift & 255));
      sum += uint64_t(e);
      worst = std::max(worst, e);
    }
    if (worst <= close) ++closeCount;
  }
  d.meanError = double(sum) / (3.0 * double(a.pixels.size()));
  d.closeShare = double(closeCount) / double(a.pixels.size());
  return d;
}

}  // namespace rendertest
