// Layers: filters and blend modes on premultiplied pixels (see layers.h).
//
// Blurs are box blurs, one horizontal and one vertical pass per quality pass, each a window of
// blur-size pixels (at least one) that counts pixels outside the layer as transparent. Shadows and glows
// are the layer's alpha blurred, moved by the distance along the angle, times the strength, in the
// filter's colour: under the object (outer), or from its edges inwards and over it (inner); knockout
// leaves only the effect where the object is not (outer) or only inside it (inner), and without
// "composite source" the object itself is left out. A bevel is the blurred alpha taken at the distance
// on either side: where the side towards the light is emptier, the highlight colour; where the far side
// is, the shadow colour.
// Blend modes are the separable ones of the common compositing model, on colours taken out of their
// premultiplication: result = src (1 - dst alpha) + dst (1 - src alpha) + src alpha dst alpha B(src, dst),
// where B is multiply, screen, lighten, darken, difference, add (capped), subtract (floored), invert
// (1 - dst), overlay or hard light; normal and layer are plain "over".
#include "flash/render/layers.h"

#include <algorithm>
#include <cmath>

namespace mv::render {

namespace {

// One channel of a box, row by row.
struct Plane {
  int w = 0, h = 0;
  std::vector<uint8_t> v;
  Plane(int width, int height) : w(width), h(height), v(size_t(width) * size_t(height), 0) {}
  uint8_t at(int x, int y) const { return x < 0 || y < 0 || x >= w || y >= h ? 0 : v[size_t(y) * size_t(w) + size_t(x)]; }
};

// n samples at stride, averaged over a window of 2 r + 1 around each; outside is 0.
void blurLine(uint8_t* data, size_t stride, int n, int r, std::vector<uint8_t>& line) {
  line.resize(size_t(n));
  const uint64_t scale = (uint64_t(1) << 32) / uint64_t(2 * r + 1);
  uint32_t sum = 0;
  for (int i = 0; i <= r && i < n; ++i) sum += data[size_t(i) * stride];
  for (int x = 0; x < n; ++x) {
    line[size_t(x)] = uint8_t((uint64_t(sum) * scale + (uint64_t(1) << 31)) >> 32);
    const int in = x + r + 1, out = x - r;
    if (in < n) sum += data[size_t(in) * stride];
    if (out >= 0) sum -= data[size_t(out) * stride];
  }
  for (int x = 0; x < n; ++x) data[size_t(x) * stride] = line[size_t(x)];
}

void blur(Plane& p, int rx, int ry, int passes) {
  std::vector<uint8_t> line;
  for (int pass = 0; pass < passes; ++pass) {
    if (rx > 0)
      for (int y = 0; y < p.h; ++y) blurLine(&p.v[size_t(y) * size_t(p.w)], 1, p.w, rx, line);
    if (ry > 0)
      for (int x = 0; x < p.w; ++x) blurLine(&p.v[size_t(x)], size_t(p.w), p.h, ry, line);
  }
}

// Half the window of a blur of `size` stage pixels, in picture pixels.
int radius(float size, double pixelScale) {
  const double r = (size * pixelScale - 1) / 2;
  return r <= 0 ? 0 : int(std::lround(std::min(r, 1000.0)));
}

inline uint32_t channel(uint32_t c, int shift) { return c >> shift & 255; }
inline uint32_t mul255(uint32_t a, uint32_t b) {
  const uint32_t t = a * b + 128;
  return (t + (t >> 8)) >> 8;
}
inline uint32_t premultiplied(Rgba c, uint32_t alpha) {  // c at coverage alpha (0..255)
  const uint32_t a = mul255(c.a, alpha);
  return a << 24 | mul255(c.r, a) << 16 | mul255(c.g, a) << 8 | mul255(c.b, a);
}
inline uint32_t over(uint32_t src, uint32_t dst) {
  const uint32_t k = 255 - (src >> 24);
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) out |= std::min(255u, channel(src, s) + mul255(channel(dst, s), k)) << s;
  return out;
}

class FilterRun {
 public:
  FilterRun(std::vector<uint32_t>& layer, int width, const PixelBox& box, double pixelScale)
      : layer_(layer), width_(width), box_(box), scale_(pixelScale), w_(box.x1 - box.x0), h_(box.y1 - box.y0) {}

  uint32_t& pixel(int x, int y) { return layer_[size_t(box_.y0 + y) * size_t(width_) + size_t(box_.x0 + x)]; }

  Plane alpha(bool inverted) {
    Plane p(w_, h_);
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        const uint32_t a = pixel(x, y) >> 24;
        p.v[size_t(y) * size_t(w_) + size_t(x)] = uint8_t(inverted ? 255 - a : a);
      }
    return p;
  }

  void blurColours(const Filter& f) {
    const int rx = radius(f.blurX, scale_), ry = radius(f.blurY, scale_);
    for (int shift = 0; shift < 32; shift += 8) {
      Plane p(w_, h_);
      for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) p.v[size_t(y) * size_t(w_) + size_t(x)] = uint8_t(channel(pixel(x, y), shift));
      blur(p, rx, ry, f.passes);
      for (int y = 0; y < h_; ++y)
        for (int x = 0; x < w_; ++x) {
          uint32_t& c = pixel(x, y);
          c = (c & ~(255u << shift)) | uint32_t(p.v[size_t(y) * size_t(w_) + size_t(x)]) << shift;
        }
    }
    // Rounding may leave a colour above its alpha.
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        uint32_t& c = pixel(x, y);
        const uint32_t a = c >> 24;
        c = a << 24 | std::min(a, channel(c, 16)) << 16 | std::min(a, channel(c, 8)) << 8 | std::min(a, channel(c, 0));
      }
  }

  // Drop shadow and glow.
  void shadow(const Filter& f) {
    const int dx = int(std::lround(std::cos(f.angle) * f.distance * scale_));
    const int dy = int(std::lround(std::sin(f.angle) * f.distance * scale_));
    Plane p = alpha(f.inner);
    blur(p, radius(f.blurX, scale_), radius(f.blurY, scale_), f.passes);
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        uint32_t& c = pixel(x, y);
        const uint32_t a = c >> 24;
        uint32_t k = std::min(255u, uint32_t(p.at(x - dx, y - dy) * std::max(0.0f, f.strength) + 0.5f));
        k = mul255(k, f.inner ? a : 255 - (f.knockout ? a : 0));
        const uint32_t effect = premultiplied(f.colour, k);
        if (f.knockout || !f.compositeSource) c = effect;
        else c = f.inner ? over(effect, c) : over(c, effect);
      }
  }

  void bevel(const Filter& f) {
    const int dx = int(std::lround(std::cos(f.angle) * f.distance * scale_));
    const int dy = int(std::lround(std::sin(f.angle) * f.distance * scale_));
    Plane p = alpha(false);
    blur(p, radius(f.blurX, scale_), radius(f.blurY, scale_), f.passes);
    const bool full = f.onTop && !f.inner;
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        uint32_t& c = pixel(x, y);
        const uint32_t a = c >> 24;
        const float v = (float(p.at(x + dx, y + dy)) - float(p.at(x - dx, y - dy))) * f.strength;
        const uint32_t within = full ? 255 : f.inner ? a : 255 - a;
        const uint32_t lit = mul255(std::min(255u, uint32_t(std::max(0.0f, v) + 0.5f)), within);
        const uint32_t dark = mul255(std::min(255u, uint32_t(std::max(0.0f, -v) + 0.5f)), within);
        const uint32_t effect = over(premultiplied(f.highlight, lit), premultiplied(f.colour, dark));
        if (f.knockout || !f.compositeSource) c = effect;
        else c = f.inner || full ? over(effect, c) : over(c, effect);
      }
  }

  void colourMatrix(const Filter& f) {
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        uint32_t& c = pixel(x, y);
        const float a = float(c >> 24);
        float in[4] = {0, 0, 0, a};
        if (a > 0)
          for (int i = 0; i < 3; ++i) in[i] = float(channel(c, 16 - 8 * i)) * 255.0f / a;
        float out[4];
        for (int row = 0; row < 4; ++row) {
          const float* m = f.matrix + row * 5;
          const float v = m[0] * in[0] + m[1] * in[1] + m[2] * in[2] + m[3] * in[3] + m[4];
          out[row] = v < 0 ? 0 : v > 255 ? 255 : v;
        }
        const uint32_t oa = uint32_t(out[3] + 0.5f);
        c = oa << 24;
        for (int i = 0; i < 3; ++i) c |= mul255(uint32_t(out[i] + 0.5f), oa) << (16 - 8 * i);
      }
  }

 private:
  std::vector<uint32_t>& layer_;
  int width_;
  PixelBox box_;
  double scale_;
  int w_, h_;
};

// The box grown by what a filter reaches, within `within`.
PixelBox grown(const PixelBox& box, const Filter& f, double scale, const PixelBox& within) {
  const int passes = std::max(1, f.passes);
  const int reach = int(std::ceil(f.distance * scale)) + 1;
  const int gx = radius(f.blurX, scale) * passes + reach, gy = radius(f.blurY, scale) * passes + reach;
  PixelBox b{box.x0 - gx, box.y0 - gy, box.x1 + gx, box.y1 + gy};
  if (f.kind == Filter::colourMatrix) b = within;  // may give colour to what was transparent
  return {std::max(b.x0, within.x0), std::max(b.y0, within.y0), std::min(b.x1, within.x1), std::min(b.y1, within.y1)};
}

// B(src, dst) times both alphas, on one premultiplied channel (s, d) with alphas sa, da; all 0..255,
// the result on 0..255 * 255.
int blendTerm(BlendMode mode, int s, int d, int sa, int da) {
  switch (mode) {
    case BlendMode::multiply: return s * d;
    case BlendMode::screen: return s * da + d * sa - s * d;
    case BlendMode::lighten: return std::max(s * da, d * sa);
    case BlendMode::darken: return std::min(s * da, d * sa);
    case BlendMode::difference: return std::abs(s * da - d * sa);
    case BlendMode::add: return std::min(sa * da, s * da + d * sa);
    case BlendMode::subtract: return std::max(0, d * sa - s * da);
    case BlendMode::invert: return sa * da - d * sa;
    case BlendMode::overlay:
      return 2 * d <= da ? 2 * s * d : sa * da - 2 * (da - d) * (sa - s);
    case BlendMode::hardlight:
      return 2 * s <= sa ? 2 * s * d : sa * da - 2 * (da - d) * (sa - s);
    default: return s * da;  // normal: the source's own colour
  }
}

uint32_t blendPixel(BlendMode mode, uint32_t src, uint32_t dst) {
  const int sa = int(src >> 24), da = int(dst >> 24);
  if (mode == BlendMode::alpha || mode == BlendMode::erase) {
    const uint32_t k = mode == BlendMode::alpha ? uint32_t(sa) : uint32_t(255 - sa);
    uint32_t out = 0;
    for (int s = 0; s < 32; s += 8) out |= mul255(channel(dst, s), k) << s;
    return out;
  }
  const int invertedSource = mode == BlendMode::invert ? 0 : 1;  // invert takes nothing of the source's colour
  uint32_t out = uint32_t(std::min(255, sa + da - (sa * da + 127) / 255)) << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const int s = int(channel(src, shift)), d = int(channel(dst, shift));
    const int v = invertedSource * s * (255 - da) + d * (255 - sa) + blendTerm(mode, s, d, sa, da);
    out |= uint32_t(std::min(255, std::max(0, (v + 127) / 255))) << shift;
  }
  return out;
}

}  // namespace

PixelBox paintedBox(const std::vector<uint32_t>& layer, int width, const PixelBox& within) {
  PixelBox b{within.x1, within.y1, within.x0, within.y0};
  for (int y = within.y0; y < within.y1; ++y) {
    const uint32_t* row = &layer[size_t(y) * size_t(width)];
    for (int x = within.x0; x < within.x1; ++x) {
      if (!row[x]) continue;
      b.x0 = std::min(b.x0, x);
      b.x1 = std::max(b.x1, x + 1);
      b.y0 = std::min(b.y0, y);
      b.y1 = y + 1;
    }
  }
  return b.empty() ? PixelBox{} : b;
}

uint64_t applyFilters(std::vector<uint32_t>& layer, int width, PixelBox& box, const PixelBox& within,
                      const std::vector<Filter>& filters, double pixelScale) {
  uint64_t work = 0;
  for (const Filter& f : filters) {
    if (box.empty() && f.kind != Filter::colourMatrix) break;  // nothing drawn: nothing to filter
    box = grown(box, f, pixelScale, within);
    if (box.empty()) break;
    FilterRun run(layer, width, box, pixelScale);
    switch (f.kind) {
      case Filter::blur: run.blurColours(f); break;
      case Filter::dropShadow:
      case Filter::glow: run.shadow(f); break;
      case Filter::bevel: run.bevel(f); break;
      case Filter::colourMatrix: run.colourMatrix(f); break;
    }
    work += box.area() * uint64_t(4 + 2 * std::max(1, f.passes));
  }
  return work;
}

uint64_t blendLayer(const std::vector<uint32_t>& layer, std::vector<uint32_t>& dst, const uint8_t* mask, int width,
                    const PixelBox& box, BlendMode mode, bool dstIsLayer) {
  if (!dstIsLayer && (mode == BlendMode::alpha || mode == BlendMode::erase)) return 0;
  for (int y = box.y0; y < box.y1; ++y)
    for (int x = box.x0; x < box.x1; ++x) {
      const size_t i = size_t(y) * size_t(width) + size_t(x);
      uint32_t src = layer[i];
      if (mask) {
        uint32_t masked = 0;
        for (int s = 0; s < 32; s += 8) masked |= mul255(channel(src, s), mask[i]) << s;
        src = masked;
      }
      if (!src && mode != BlendMode::alpha) continue;
      dst[i] = mode == BlendMode::normal || mode == BlendMode::layer ? over(src, dst[i]) : blendPixel(mode, src, dst[i]);
    }
  return box.area();
}

}  // namespace mv::render
