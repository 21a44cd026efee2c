// Gradient fills (see gradients.h).
#include "flash/render/gradients.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace mv::render {

namespace {

constexpr double kHalfSquare = 16384.0;  // twips from the gradient square's centre to its edge

uint32_t premultiplied(Rgba c) {
  const uint32_t a = c.a;
  return a << 24 | (uint32_t(c.r) * a + 127) / 255 << 16 | (uint32_t(c.g) * a + 127) / 255 << 8 |
         (uint32_t(c.b) * a + 127) / 255;
}

// x to the power y for x > 0, through the system library's exp and log: the C library's own pow, which
// handles every corner of its domain, is about 3 KB of install.exe for these two curves.
double positivePower(double x, double y) { return std::exp(y * std::log(x)); }

double toLinear(uint8_t v) {
  const double s = v / 255.0;
  return s <= 0.04045 ? s / 12.92 : positivePower((s + 0.055) / 1.055, 2.4);
}

uint8_t fromLinear(double l) {
  const double s = l <= 0.0031308 ? l * 12.92 : 1.055 * positivePower(l, 1 / 2.4) - 0.055;
  return ColourTransform::clampByte(float(s * 255));
}

Rgba mix(const Rgba& a, const Rgba& b, float f, bool linearRgb) {
  auto plain = [&](uint8_t p, uint8_t q) { return uint8_t(p + (q - p) * f + 0.5f); };
  auto light = [&](uint8_t p, uint8_t q) { return fromLinear(toLinear(p) + (toLinear(q) - toLinear(p)) * f); };
  if (linearRgb) return {light(a.r, b.r), light(a.g, b.g), light(a.b, b.b), plain(a.a, b.a)};
  return {plain(a.r, b.r), plain(a.g, b.g), plain(a.b, b.b), plain(a.a, b.a)};
}

// A position past the ends, brought back by the spread mode.
double spreadPosition(double t, Spread spread) {
  switch (spread) {
    case Spread::pad:
      return t < 0 ? 0 : t > 1 ? 1 : t;
    case Spread::repeat:
      return t - std::floor(t);
    case Spread::reflect: {
      const double m = t - 2 * std::floor(t / 2);  // 0..2
      return m > 1 ? 2 - m : m;
    }
  }
  return 0;
}

}  // namespace

void GradientPaint::buildRamp(const FillStyle& style, const ColourTransform& cx, uint32_t (&ramp)[256]) {
  std::vector<GradientStop> stops = style.stops;
  for (GradientStop& s : stops) s.colour = cx.apply(s.colour);
  // Stop k is being drawn until the ramp reaches its ratio; one whose ratio is already behind is passed
  // at once, so a later, lower ratio never takes the ramp back.
  size_t k = 0;
  for (int i = 0; i < 256; ++i) {
    while (k < stops.size() && stops[k].ratio < i) ++k;
    Rgba c;
    if (k == 0) {
      c = stops.front().colour;
    } else if (k == stops.size()) {
      c = stops.back().colour;
    } else {
      const GradientStop &a = stops[k - 1], &b = stops[k];
      const int span = b.ratio - a.ratio;
      c = mix(a.colour, b.colour, span > 0 ? float(i - a.ratio) / float(span) : 1.0f, style.linearRgb);
    }
    ramp[i] = premultiplied(c);
  }
}

bool GradientPaint::prepare(const FillStyle& style, const Matrix& toDevice, const ColourTransform& cx) {
  if (style.stops.empty() || !(toDevice * style.matrix).invert(inverse_)) return false;
  shape_ = style.kind == FillStyle::linear ? linear : style.focus != 0 ? focal : radial;
  spread_ = style.spread;
  // A focus on the circle itself leaves half the plane without a position: players held it at 0.98.
  focus_ = double(std::max(-0.98f, std::min(0.98f, style.focus))) * kHalfSquare;
  buildRamp(style, cx, ramp_);
  opaque_ = true;
  for (uint32_t c : ramp_)
    if (c >> 24 != 255) opaque_ = false;
  return true;
}

uint32_t GradientPaint::colourAt(double t) const {
  const double s = spreadPosition(t, spread_) * 255 + 0.5;
  return ramp_[s >= 255 ? 255 : s <= 0 ? 0 : int(s)];
}

void GradientPaint::fetch(int x, int y, int count, uint32_t* out) const {
  const double px = x + 0.5, py = y + 0.5;
  const double u0 = inverse_.mapX(px, py), v0 = inverse_.mapY(px, py);
  const double du = inverse_.a, dv = inverse_.b;
  if (shape_ == linear && spread_ == Spread::pad) {
    // The ramp index grows by the same step from pixel to pixel (16.16 fixed point).
    const double t0 = (u0 + kHalfSquare) * (255.0 / 32768.0) + 0.5, dt = du * (255.0 / 32768.0);
    if (std::fabs(t0) < 30000 && std::fabs(t0 + dt * count) < 30000) {
      int32_t t = int32_t(t0 * 65536);
      const int32_t step = int32_t(dt * 65536);
      if (step == 0) {  // the gradient runs across the row: one colour all along it
        const int32_t index = t >> 16;
        std::fill(out, out + count, ramp_[index < 0 ? 0 : index > 255 ? 255 : index]);
        return;
      }
      for (int i = 0; i < count; ++i, t += step) {
        const int32_t index = t >> 16;
        out[i] = ramp_[index < 0 ? 0 : index > 255 ? 255 : index];
      }
    } else {
      double t = t0;
      for (int i = 0; i < count; ++i, t += dt) out[i] = ramp_[t <= 0 ? 0 : t >= 255 ? 255 : int(t)];
    }
    return;
  }
  if (shape_ == radial && spread_ == Spread::pad) {
    float u = float(u0), v = float(v0);
    const float fu = float(du), fv = float(dv), k = float(255.0 / kHalfSquare);
    for (int i = 0; i < count; ++i, u += fu, v += fv) {
      const float t = std::sqrt(u * u + v * v) * k + 0.5f;
      out[i] = ramp_[t >= 255 ? 255 : int(t)];
    }
    return;
  }
  double u = u0, v = v0;
  const double rr = kHalfSquare * kHalfSquare, ff = focus_ * focus_;
  for (int i = 0; i < count; ++i, u += du, v += dv) {
    double t;
    if (shape_ == linear) {
      t = (u + kHalfSquare) / (2 * kHalfSquare);
    } else if (shape_ == radial) {
      t = std::sqrt(u * u + v * v) / kHalfSquare;
    } else {
      // The point lies at t of the way from the focus to the circle along the ray through it.
      const double dx = u - focus_, dy = v;
      const double b = focus_ * dx, a = dx * dx + dy * dy, c = rr - ff;
      t = c > 0 ? (b + std::sqrt(std::max(0.0, b * b + a * c))) / c : (a > 0 ? 1e9 : 0);
    }
    out[i] = colourAt(t);
  }
}

}  // namespace mv::render
