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
#include <type_traits>

#include "flash/render/pixel_maths.h"

namespace mv::render {

namespace {

// One channel of a box, row by row.
struct Plane {
  int w = 0, h = 0;
  std::vector<uint8_t> v;
  Plane(int width, int height) : w(width), h(height), v(size_t(width) * size_t(height), 0) {}
  uint8_t at(int x, int y) const {
    return x < 0 || y < 0 || x >= w || y >= h ? 0 : v[size_t(y) * size_t(w) + size_t(x)];
  }
};

constexpr int kMaxRadius = 127;  // 255 x (2 r + 1) + r stays below 65536

// Running sums over whole rows, in blocks of a fixed length that the compiler does many at a time.
constexpr size_t kBlock = 16;
void addRow(uint16_t* __restrict sums, const uint8_t* __restrict row, size_t n) {
  size_t k = 0;
  for (; k + kBlock <= n; k += kBlock)
    for (size_t j = 0; j < kBlock; ++j) sums[k + j] = uint16_t(sums[k + j] + row[k + j]);
  for (; k < n; ++k) sums[k] = uint16_t(sums[k] + row[k]);
}
void subtractRow(uint16_t* __restrict sums, const uint8_t* __restrict row, size_t n) {
  size_t k = 0;
  for (; k + kBlock <= n; k += kBlock)
    for (size_t j = 0; j < kBlock; ++j) sums[k + j] = uint16_t(sums[k + j] - row[k + j]);
  for (; k < n; ++k) sums[k] = uint16_t(sums[k] - row[k]);
}
// sum / (2 r + 1), rounded: (sum + r) times 65536 / (2 r + 1), the top 16 bits.
inline uint8_t mean(uint16_t sum, uint16_t r, uint16_t scale) {
  return uint8_t((uint32_t(uint16_t(sum + r)) * scale) >> 16);
}
void meanRow(const uint16_t* __restrict sums, uint8_t* __restrict row, size_t n, uint16_t r, uint16_t scale) {
  size_t k = 0;
  for (; k + kBlock <= n; k += kBlock)
    for (size_t j = 0; j < kBlock; ++j) row[k + j] = mean(sums[k + j], r, scale);
  for (; k < n; ++k) row[k] = mean(sums[k], r, scale);
}

// Each column of w x h samples of C interleaved channels becomes the mean of the 2 r + 1 samples around
// each, `passes` times; outside counts as 0. Running sums over whole rows.
template <int C>
void blurColumns(uint8_t* data, int w, int h, int r, int passes) {
  const size_t stride = size_t(w) * C;
  const uint16_t scale = uint16_t(65536 / (2 * r + 1));  // r at most kMaxRadius: sums fit 16 bits
  std::vector<uint8_t> copy;
  std::vector<uint16_t> sums;
  for (int pass = 0; pass < passes; ++pass) {
    copy.assign(data, data + stride * size_t(h));
    sums.assign(stride, 0);
    for (int i = 0; i <= r && i < h; ++i) addRow(sums.data(), &copy[size_t(i) * stride], stride);
    for (int y = 0; y < h; ++y) {
      meanRow(sums.data(), data + size_t(y) * stride, stride, uint16_t(r), scale);
      const int enter = y + r + 1, leave = y - r;
      if (enter < h) addRow(sums.data(), &copy[size_t(enter) * stride], stride);
      if (leave >= 0) subtractRow(sums.data(), &copy[size_t(leave) * stride], stride);
    }
  }
}

// out (h x w) = in (w x h) turned about its diagonal.
template <typename T>
void transpose(const T* in, int w, int h, T* out) {
  constexpr int kTile = 32;
  for (int y0 = 0; y0 < h; y0 += kTile)
    for (int x0 = 0; x0 < w; x0 += kTile)
      for (int y = y0; y < std::min(h, y0 + kTile); ++y)
        for (int x = x0; x < std::min(w, x0 + kTile); ++x)
          out[size_t(x) * size_t(h) + size_t(y)] = in[size_t(y) * size_t(w) + size_t(x)];
}

// Box blur of w x h samples of C (1 or 4) interleaved channels: along columns (ry), then along rows (rx)
// as columns of the transposed samples, `passes` times each.
template <int C>
void blur(uint8_t* data, int w, int h, int rx, int ry, int passes) {
  using Sample = std::conditional_t<C == 4, uint32_t, uint8_t>;
  if (ry > 0) blurColumns<C>(data, w, h, ry, passes);
  if (rx <= 0) return;
  std::vector<Sample> turned(size_t(w) * size_t(h));
  transpose(reinterpret_cast<const Sample*>(data), w, h, turned.data());
  blurColumns<C>(reinterpret_cast<uint8_t*>(turned.data()), h, w, rx, passes);
  transpose(turned.data(), h, w, reinterpret_cast<Sample*>(data));
}

void blur(Plane& p, int rx, int ry, int passes) { blur<1>(p.v.data(), p.w, p.h, rx, ry, passes); }

// Half the window of a blur of `size` stage pixels, in picture pixels.
int radius(float size, double pixelScale) {
  const double r = (size * pixelScale - 1) / 2;
  return r <= 0 ? 0 : int(std::lround(std::min(r, double(kMaxRadius))));
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
// Premultiplied src over dst: no channel can pass 255.
inline uint32_t over(uint32_t src, uint32_t dst) { return src + scaleColour(dst, 255 - (src >> 24)); }

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
    std::vector<uint32_t> box(size_t(w_) * size_t(h_));
    for (int y = 0; y < h_; ++y) std::copy(&pixel(0, y), &pixel(0, y) + w_, &box[size_t(y) * size_t(w_)]);
    blur<4>(reinterpret_cast<uint8_t*>(box.data()), w_, h_, radius(f.blurX, scale_), radius(f.blurY, scale_), f.passes);
    // Rounding may leave a colour above its alpha.
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        const uint32_t c = box[size_t(y) * size_t(w_) + size_t(x)], a = c >> 24;
        pixel(x, y) =
            a << 24 | std::min(a, channel(c, 16)) << 16 | std::min(a, channel(c, 8)) << 8 | std::min(a, channel(c, 0));
      }
  }

  // A colour at each coverage 0..255, premultiplied.
  static void ramp(Rgba c, uint32_t (&out)[256]) {
    for (uint32_t k = 0; k < 256; ++k) out[k] = premultiplied(c, k);
  }

  // Drop shadow and glow.
  void shadow(const Filter& f) {
    uint32_t colour[256];
    ramp(f.colour, colour);
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
        const uint32_t effect = colour[k];
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
    uint32_t light[256], shade[256];
    ramp(f.highlight, light);
    ramp(f.colour, shade);
    for (int y = 0; y < h_; ++y)
      for (int x = 0; x < w_; ++x) {
        uint32_t& c = pixel(x, y);
        const uint32_t a = c >> 24;
        const float v = (float(p.at(x + dx, y + dy)) - float(p.at(x - dx, y - dy))) * f.strength;
        const uint32_t within = full ? 255 : f.inner ? a : 255 - a;
        const uint32_t lit = mul255(std::min(255u, uint32_t(std::max(0.0f, v) + 0.5f)), within);
        const uint32_t dark = mul255(std::min(255u, uint32_t(std::max(0.0f, -v) + 0.5f)), within);
        const uint32_t effect = over(light[lit], shade[dark]);
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
    return scaleColour(dst, mode == BlendMode::alpha ? uint32_t(sa) : uint32_t(255 - sa));
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
  const bool plain = mode == BlendMode::normal || mode == BlendMode::layer;
  for (int y = box.y0; y < box.y1; ++y) {
    const size_t row = size_t(y) * size_t(width);
    const uint32_t* src = &layer[row];
    uint32_t* out = &dst[row];
    const uint8_t* m = mask ? mask + row : nullptr;
    if (plain && !m) {
      for (int x = box.x0; x < box.x1; ++x)
        if (src[x]) out[x] = over(src[x], out[x]);
      continue;
    }
    for (int x = box.x0; x < box.x1; ++x) {
      const uint32_t s = m ? scaleColour(src[x], m[x]) : src[x];
      if (!s && mode != BlendMode::alpha) continue;
      out[x] = plain ? over(s, out[x]) : blendPixel(mode, s, out[x]);
    }
  }
  return box.area();
}

}  // namespace mv::render
