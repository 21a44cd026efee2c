// Drawing the first frame: the display list from the lowest depth up, each character through its
// placement's matrix and colour transform, clipping layers as masks.
//
// A shape is drawn group by group (each NewStyles starts one): first every fill, each as the region its
// edges bound under the even-odd rule (or the non-zero rule, when the shape asks), then every line style.
// Colours are composited premultiplied onto the opaque picture. Gradients span the gradient square
// (-16384..16384 twips) that their matrix places in the shape (gradients.h). Bitmap fills map bitmap pixels into the
// shape by their matrix (20 twips a pixel when unscaled); repeating ones tile, clipped ones extend their
// edge pixels; smoothed ones are sampled bilinearly, the others take the nearest pixel.
// A clipping layer's fills (not its lines, colours or transparency) make a mask for the depths above it
// up to its clip depth.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "flash/render/gradients.h"
#include "flash/render/layers.h"
#include "flash/render/model.h"
#include "flash/render/morph.h"
#include "flash/render/pixel_maths.h"
#include "flash/render/raster.h"
#include "flash/render/scaling_grid.h"
#include "flash/render/stage_fit.h"
#include "flash/render/stroke.h"

namespace mv::render {

namespace {

constexpr double kFlatness = 0.15;  // pixels a flattened curve may stray from the curve
constexpr double kArcError = 0.1;   // pixels an arc's chords may cut into a line's round ends
constexpr int kMaxCurvePieces = 100;

inline uint32_t premultiply(Rgba c) {
  const uint32_t a = c.a;
  return a << 24 | (uint32_t(c.r) * a + 127) / 255 << 16 | (uint32_t(c.g) * a + 127) / 255 << 8 |
         (uint32_t(c.b) * a + 127) / 255;
}

// The work one picture may take, counted: objects drawn, lines handed to the rasteriser and pixels
// visited. Counts rather than a clock, so that a movie draws the same on a slow machine as on a fast one.
class Budget {
 public:
  // The pixel work allowed grows with the picture: a screen-sized still needs more visits than the
  // movie panel, for the same movie.
  Budget(const Limits& limits, uint64_t picturePixels)
      : limits_(limits), maxWork_(std::max(limits.maxPixelWork, limits.pixelWorkPerPicturePixel * picturePixels)) {}
  bool exceeded() const { return exceeded_; }
  bool object() {
    if (++objects_ > limits_.maxObjects) exceeded_ = true;
    return !exceeded_;
  }
  bool edges(uint64_t n) {
    edges_ += n;
    if (edges_ > limits_.maxEdges) exceeded_ = true;
    return !exceeded_;
  }
  bool work(uint64_t n) {
    work_ += n;
    if (work_ > maxWork_) exceeded_ = true;
    return !exceeded_;
  }
  void fail() { exceeded_ = true; }
  // Layers alive at once hold at most Limits::maxLayerPixels pixels.
  bool takeLayer(uint64_t pixels) {
    layerPixels_ += pixels;
    if (layerPixels_ > limits_.maxLayerPixels) exceeded_ = true;
    return !exceeded_;
  }
  void releaseLayer(uint64_t pixels) { layerPixels_ -= pixels; }

 private:
  const Limits& limits_;
  const uint64_t maxWork_;
  uint64_t objects_ = 0, edges_ = 0, work_ = 0, layerPixels_ = 0;
  bool exceeded_ = false;
};

// What a fill paints with: one colour, a gradient or a bitmap; premultiplied 0xAARRGGBB.
class Paint {
 public:
  enum Kind { none, solid, gradient, bitmap };

  static Paint ofColour(Rgba colour, const ColourTransform& cx) {
    Paint p;
    p.kind_ = solid;
    p.colour_ = premultiply(cx.apply(colour));
    p.opaque_ = p.colour_ >> 24 == 255;
    return p;
  }

  static Paint of(const FillStyle& style, const Matrix& toDevice, const ColourTransform& cx, const Movie& movie) {
    Paint p;
    switch (style.kind) {
      case FillStyle::solid:
        return ofColour(style.colour, cx);
      case FillStyle::linear:
      case FillStyle::radial: {
        if (!p.gradient_.prepare(style, toDevice, cx)) return ofColour(style.stops.back().colour, cx);
        p.kind_ = gradient;
        p.opaque_ = p.gradient_.opaque();
        return p;
      }
      case FillStyle::bitmap: {
        const Character* c = movie.find(style.bitmapId);
        if (!c || c->kind != Character::bitmap) return p;
        const Bitmap& b = movie.bitmaps[c->index];
        if (b.width <= 0 || b.height <= 0 || !(toDevice * style.matrix).invert(p.inverse_)) return p;
        p.kind_ = bitmap;
        p.bitmap_ = &b;
        p.repeat_ = style.repeat;
        p.smooth_ = style.smooth;
        p.transform_ = cx;
        p.transformed_ = !cx.identity();
        return p;
      }
    }
    return p;
  }

  Kind kind() const { return kind_; }
  uint32_t colour() const { return colour_; }
  bool opaque() const { return opaque_; }  // every colour it gives has alpha 255

  // The colours of count pixels of row y from column x.
  void fetch(int x, int y, int count, uint32_t* out) const {
    if (kind_ == gradient) {
      gradient_.fetch(x, y, count, out);
      return;
    }
    const double px = x + 0.5, py = y + 0.5;
    const double u0 = inverse_.mapX(px, py), v0 = inverse_.mapY(px, py);
    const double du = inverse_.a, dv = inverse_.b;
    if (!smooth_) {
      double u = u0, v = v0;
      for (int i = 0; i < count; ++i, u += du, v += dv) out[i] = texel(coordinate(u), coordinate(v));
    } else if (std::fabs(u0) < 30000 && std::fabs(v0) < 30000 && std::fabs(u0 + du * count) < 30000 &&
               std::fabs(v0 + dv * count) < 30000) {
      // Bilinear in 16.16 fixed point: the four pixels around (u - 0.5, v - 0.5), weighted in 1/256ths.
      int32_t u = int32_t((u0 - 0.5) * 65536), v = int32_t((v0 - 0.5) * 65536);
      const int32_t su = int32_t(du * 65536), sv = int32_t(dv * 65536);
      const int w = bitmap_->width, h = bitmap_->height;
      const uint32_t* pixels = bitmap_->pixels.data();
      // A bitmap drawn larger than it is keeps the same four pixels for several device pixels: their
      // rows are set up as spans once.
      int lastX = 0, lastY = 0;
      Span top, bottom;
      for (int i = 0; i < count; ++i, u += su, v += sv) {
        const int tx = u >> 16, ty = v >> 16;
        const uint32_t wx = uint32_t(u >> 8) & 255, wy = uint32_t(v >> 8) & 255;
        if (i == 0 || tx != lastX || ty != lastY) {
          lastX = tx;
          lastY = ty;
          if (unsigned(tx) < unsigned(w - 1) && unsigned(ty) < unsigned(h - 1)) {
            const uint32_t* p = pixels + size_t(ty) * size_t(w) + size_t(tx);
            top = Span(p[0], p[1]);
            bottom = Span(p[w], p[w + 1]);
          } else {
            top = Span(texel(tx, ty), texel(tx + 1, ty));
            bottom = Span(texel(tx, ty + 1), texel(tx + 1, ty + 1));
          }
        }
        out[i] = lerp(top.at(wx), bottom.at(wx), wy);
      }
    } else {
      double u = u0 - 0.5, v = v0 - 0.5;
      for (int i = 0; i < count; ++i, u += du, v += dv) {
        const int tx = coordinate(u), ty = coordinate(v);
        const double fu = tx, fv = ty;
        const uint32_t wx = std::min(255u, uint32_t((u - fu) * 256)), wy = std::min(255u, uint32_t((v - fv) * 256));
        const uint32_t top = lerp(texel(tx, ty), texel(tx + 1, ty), wx);
        const uint32_t bottom = lerp(texel(tx, ty + 1), texel(tx + 1, ty + 1), wx);
        out[i] = lerp(top, bottom, wy);
      }
    }
    if (transformed_)
      for (int i = 0; i < count; ++i) out[i] = transformPixel(out[i]);
  }

 private:
  // Bitmap coordinates far outside the bitmap only ever wrap or clamp: kept in int range.
  static int coordinate(double u) {
    if (u <= -1e9) return -1000000000;
    if (u >= 1e9) return 1000000000;
    const int i = int(u);
    return u < i ? i - 1 : i;
  }

  uint32_t texel(int x, int y) const {
    const int w = bitmap_->width, h = bitmap_->height;
    if (unsigned(x) >= unsigned(w)) {
      if (repeat_) {
        x %= w;
        if (x < 0) x += w;
      } else {
        x = x < 0 ? 0 : w - 1;
      }
    }
    if (unsigned(y) >= unsigned(h)) {
      if (repeat_) {
        y %= h;
        if (y < 0) y += h;
      } else {
        y = y < 0 ? 0 : h - 1;
      }
    }
    return bitmap_->pixels[size_t(y) * size_t(w) + size_t(x)];
  }

  // lerp(a, b, w) for a fixed pair: a * 256 + (b - a) * w per channel, two channels at a time. The
  // differences may wrap below zero, but each channel's sum lies in 0..65280, so the 32-bit sums are
  // exact and come out as lerp's to the bit.
  struct Span {
    Span() = default;
    Span(uint32_t a, uint32_t b)
        : rb((a & 0x00FF00FFu) << 8), ag((a >> 8 & 0x00FF00FFu) << 8),
          drb((b & 0x00FF00FFu) - (a & 0x00FF00FFu)), dag((b >> 8 & 0x00FF00FFu) - (a >> 8 & 0x00FF00FFu)) {}
    uint32_t at(uint32_t w) const { return ((rb + drb * w) >> 8 & 0x00FF00FFu) | ((ag + dag * w) & 0xFF00FF00u); }
    uint32_t rb = 0, ag = 0, drb = 0, dag = 0;
  };

  // a + (b - a) * w / 256 for each channel, two channels at a time.
  static uint32_t lerp(uint32_t a, uint32_t b, uint32_t w) {
    const uint32_t rb = ((a & 0x00FF00FFu) * (256 - w) + (b & 0x00FF00FFu) * w) >> 8 & 0x00FF00FFu;
    const uint32_t ag = (((a >> 8) & 0x00FF00FFu) * (256 - w) + ((b >> 8) & 0x00FF00FFu) * w) & 0xFF00FF00u;
    return rb | ag;
  }

  uint32_t transformPixel(uint32_t c) const {
    const uint32_t a = c >> 24;
    Rgba plain;
    plain.a = uint8_t(a);
    if (a) {
      plain.r = uint8_t(std::min<uint32_t>(255, (((c >> 16) & 255) * 255 + a / 2) / a));
      plain.g = uint8_t(std::min<uint32_t>(255, (((c >> 8) & 255) * 255 + a / 2) / a));
      plain.b = uint8_t(std::min<uint32_t>(255, ((c & 255) * 255 + a / 2) / a));
    } else {
      plain.r = plain.g = plain.b = 0;
    }
    return premultiply(transform_.apply(plain));
  }

  Kind kind_ = none;
  uint32_t colour_ = 0;
  Matrix inverse_;  // device pixels -> bitmap pixels
  bool opaque_ = false;
  GradientPaint gradient_;
  const Bitmap* bitmap_ = nullptr;
  bool repeat_ = false, smooth_ = true;
  ColourTransform transform_;
  bool transformed_ = false;
};

class Drawer {
 public:
  // stageScale: device pixels per twip of the stage (lines that do not scale are as wide as it makes them).
  Drawer(const Movie& movie, Image& image, int x0, int y0, int x1, int y1, Budget& budget, double stageScale)
      : movie_(movie), image_(image), clipX0_(x0), clipY0_(y0), clipX1_(x1), clipY1_(y1), budget_(budget),
        stageScale_(stageScale) {
    row_.resize(size_t(image.width));
  }

  // mask: what is drawn is multiplied by it (null: nothing masks). maskOut: not a picture but a clipping
  // layer's mask is being drawn (the union of the fills' coverage).
  bool drawList(const DisplayList& list, const Matrix& m, const ColourTransform& cx, const uint8_t* mask,
                uint8_t* maskOut, int nesting) {
    struct Layer {
      uint16_t until;
      std::vector<uint8_t> mask;
    };
    std::vector<Layer> layers;
    std::vector<uint8_t> combined;
    const uint8_t* current = mask;
    for (const auto& entry : list) {
      if (budget_.exceeded()) return false;
      const uint16_t depth = entry.first;
      const DisplayObject& o = entry.second;
      const size_t before = layers.size();
      layers.erase(std::remove_if(layers.begin(), layers.end(), [&](const Layer& l) { return l.until < depth; }),
                   layers.end());
      if (layers.size() != before) current = combine(layers, mask, combined);
      const Matrix om = m * o.matrix;
      const ColourTransform ocx = cx * o.colour;
      if (o.clipDepth > 0) {
        // Inside a mask being drawn, a clipping layer adds nothing to it.
        if (maskOut || o.clipDepth <= depth) continue;
        if (int(layers.size()) >= movie_.limits.maxActiveClips) {
          budget_.fail();
          return false;
        }
        Layer layer{o.clipDepth, std::vector<uint8_t>(size_t(image_.width) * size_t(image_.height), 0)};
        drawCharacter(o.characterId, om, ocx, nullptr, layer.mask.data(), nesting, o.ratio);
        layers.push_back(std::move(layer));
        current = combine(layers, mask, combined);
        continue;
      }
      if (!o.visible) continue;
      if (grid_ && drawOnGrid(o, m, cx, current, maskOut)) continue;
      if (o.needsLayer() && !maskOut) drawLayered(o, om, ocx, current, nesting);
      else drawCharacter(o.characterId, om, ocx, current, maskOut, nesting, o.ratio);
    }
    return !budget_.exceeded();
  }

 private:
  template <typename Layers>
  const uint8_t* combine(const Layers& layers, const uint8_t* mask, std::vector<uint8_t>& out) {
    if (layers.empty()) return mask;
    const size_t n = size_t(image_.width) * size_t(image_.height);
    budget_.work(n * (layers.size() + 1));
    out = layers[0].mask;
    for (size_t i = 1; i < layers.size(); ++i)
      for (size_t p = 0; p < n; ++p) out[p] = uint8_t(scaleColour(out[p], layers[i].mask[p]));
    if (mask)
      for (size_t p = 0; p < n; ++p) out[p] = uint8_t(scaleColour(out[p], mask[p]));
    return out.data();
  }

  // The object drawn alone into a transparent layer, filtered, then blended onto this picture.
  void drawLayered(const DisplayObject& o, const Matrix& m, const ColourTransform& cx, const uint8_t* mask,
                   int nesting) {
    const uint64_t pixels = uint64_t(image_.width) * uint64_t(image_.height);
    if (!budget_.takeLayer(pixels) || !budget_.work(pixels)) return;
    Image layer;
    layer.width = image_.width;
    layer.height = image_.height;
    layer.pixels.assign(size_t(pixels), 0);
    Drawer inner(movie_, layer, clipX0_, clipY0_, clipX1_, clipY1_, budget_, stageScale_);
    inner.inLayer_ = true;
    inner.drawCharacter(o.characterId, m, cx, nullptr, nullptr, nesting, o.ratio);
    const PixelBox clip{clipX0_, clipY0_, clipX1_, clipY1_};
    PixelBox box = paintedBox(layer.pixels, layer.width, clip);
    budget_.work(clip.area());
    // Filters' sizes are in stage pixels.
    budget_.work(applyFilters(layer.pixels, layer.width, box, clip, o.filters, stageScale_ * 20));
    if (!budget_.exceeded())
      budget_.work(blendLayer(layer.pixels, image_.pixels, mask, image_.width, box, o.blend, inLayer_));
    budget_.releaseLayer(pixels);
  }

  // A shape directly inside a sprite with a scaling grid, its edges moved onto the grid. false: not
  // a shape, drawn as usual.
  bool drawOnGrid(const DisplayObject& o, const Matrix& m, const ColourTransform& cx, const uint8_t* mask,
                  uint8_t* maskOut) {
    const Character* c = movie_.find(o.characterId);
    if (!c || c->kind != Character::shape || o.needsLayer() || !budget_.object()) return false;
    Shape warped;
    warpShape(movie_.shapes[c->index], o.matrix, *grid_, warped);
    drawShape(warped, m, cx * o.colour, mask, maskOut);
    return true;
  }

  void drawCharacter(uint16_t id, const Matrix& m, const ColourTransform& cx, const uint8_t* mask, uint8_t* maskOut,
                     int nesting, uint16_t ratio = 0) {
    if (!budget_.object()) return;
    const Character* c = movie_.find(id);
    if (!c) return;
    switch (c->kind) {
      case Character::shape:
        drawShape(movie_.shapes[c->index], m, cx, mask, maskOut);
        break;
      case Character::morph: {
        Shape shape;
        morphAt(movie_.morphs[c->index], ratio / 65535.0, shape);
        drawShape(shape, m, cx, mask, maskOut);
        break;
      }
      case Character::text:
        drawText(movie_.texts[c->index], m, cx, mask, maskOut);
        break;
      case Character::editText:
        drawEditText(movie_.editTexts[c->index], m, cx, mask, maskOut);
        break;
      case Character::sprite: {
        if (nesting + 1 >= movie_.limits.maxNesting) break;
        const Sprite& sprite = movie_.sprites[c->index];
        const GridWarp* outer = grid_;
        GridWarp warp;
        const auto g = movie_.scalingGrids.find(id);
        const bool gridded =
            g != movie_.scalingGrids.end() && gridWarp(g->second, sprite.firstFrame, movie_, m, stageScale_, warp);
        grid_ = gridded ? &warp : nullptr;
        drawList(sprite.firstFrame, m, cx, mask, maskOut, nesting + 1);
        grid_ = outer;
        break;
      }
      default:
        break;  // bitmaps and fonts are not placed by themselves
    }
  }

  void drawShape(const Shape& shape, const Matrix& m, const ColourTransform& cx, const uint8_t* mask,
                 uint8_t* maskOut) {
    for (const ShapeGroup& g : shape.groups) {
      for (size_t f = 0; f < g.fills.size(); ++f) {
        const std::vector<uint32_t>& edges = g.edgesOfFill[f];
        if (edges.empty()) continue;
        Paint paint;
        if (!maskOut) {
          paint = Paint::of(g.fills[f], m, cx, movie_);
          if (paint.kind() == Paint::none) continue;
        }
        rasterizer_.reset(clipX0_, clipY0_, clipX1_, clipY1_);
        // Under the non-zero rule an edge winds by the side the fill is on (FillStyle1: its right).
        for (uint32_t i : edges) addEdge(g.edges[i], m, shape.nonZero && g.edges[i].fill1 != f + 1);
        fill(!shape.nonZero, paint, mask, maskOut);
      }
      if (maskOut) continue;
      for (size_t l = 0; l < g.lines.size(); ++l) strokeLines(g, uint16_t(l + 1), m, cx, mask);
    }
  }

  void drawText(const Text& text, const Matrix& m, const ColourTransform& cx, const uint8_t* mask, uint8_t* maskOut) {
    const Matrix tm = m * text.matrix;
    for (const TextGlyph& g : text.glyphs) {
      if (!budget_.object()) return;
      const Character* c = movie_.find(g.fontId);
      if (!c || c->kind != Character::font) continue;
      const Font& font = movie_.fonts[c->index];
      if (g.index >= font.glyphs.size()) continue;
      const Glyph& glyph = font.glyphs[g.index];
      if (glyph.edges.empty()) continue;
      const double scale = g.height / 1024.0;
      const Matrix gm = tm * Matrix::translate(g.x, g.y) * Matrix::scale(scale, scale);
      drawGlyph(glyph, gm, true, maskOut ? Paint() : Paint::ofColour(g.colour, cx), mask, maskOut);
    }
  }

  void drawGlyph(const Glyph& glyph, const Matrix& m, bool evenOdd, const Paint& paint, const uint8_t* mask,
                 uint8_t* maskOut) {
    rasterizer_.reset(clipX0_, clipY0_, clipX1_, clipY1_);
    for (const Edge& e : glyph.edges) addEdge(e, m);
    fill(evenOdd, paint, mask, maskOut);
  }

  // A text field: its background and border, then its text, inside the field's rectangle when the text
  // reaches out of it. The machine's glyphs are filled by the non-zero rule, as their fonts mean.
  void drawEditText(const EditText& field, const Matrix& m, const ColourTransform& cx, const uint8_t* mask,
                    uint8_t* maskOut) {
    drawShape(field.frame, m, cx, mask, maskOut);
    std::vector<uint8_t> clip;
    const uint8_t* inside = mask;
    if (field.clipped && !maskOut && !field.glyphs.empty()) {
      clip.assign(size_t(image_.width) * size_t(image_.height), 0);
      drawShape(field.clip, m, cx, nullptr, clip.data());
      if (mask)
        for (size_t p = 0; p < clip.size(); ++p) clip[p] = uint8_t(scaleColour(clip[p], mask[p]));
      budget_.work(clip.size());
      inside = clip.data();
    }
    for (const FieldGlyph& g : field.glyphs) {
      if (!budget_.object()) return;
      const Font& font = movie_.fonts[g.font];
      if (g.glyph >= font.glyphs.size() || font.glyphs[g.glyph].edges.empty()) continue;
      const double scale = g.size / 1024.0;
      const Matrix gm = m * Matrix::translate(g.x, g.y) * Matrix::scale(scale, scale);
      drawGlyph(font.glyphs[g.glyph], gm, !font.device, maskOut ? Paint() : Paint::ofColour(g.colour, cx), inside,
                maskOut);
    }
    drawShape(field.underlines, m, cx, inside, maskOut);
  }

  static int curvePieces(double x0, double y0, double cx, double cy, double x1, double y1) {
    const double ddx = x0 - 2 * cx + x1, ddy = y0 - 2 * cy + y1;
    const double dd = std::sqrt(ddx * ddx + ddy * ddy);
    const double n = std::ceil(std::sqrt(dd / (8 * kFlatness)));
    return n < 1 ? 1 : n > kMaxCurvePieces ? kMaxCurvePieces : int(n);
  }

  // An edge in device pixels, curves flattened; reversed: from its end to its start.
  void addEdge(const Edge& e, const Matrix& m, bool reversed = false) {
    double x0 = m.mapX(e.x0, e.y0), y0 = m.mapY(e.x0, e.y0);
    double x1 = m.mapX(e.x1, e.y1), y1 = m.mapY(e.x1, e.y1);
    if (reversed) {
      std::swap(x0, x1);
      std::swap(y0, y1);
    }
    if (!e.curve) {
      budget_.edges(1);
      rasterizer_.line(float(x0), float(y0), float(x1), float(y1));
      return;
    }
    const double cx = m.mapX(e.cx, e.cy), cy = m.mapY(e.cx, e.cy);
    const int n = curvePieces(x0, y0, cx, cy, x1, y1);
    budget_.edges(uint64_t(n));
    double px = x0, py = y0;
    for (int i = 1; i <= n; ++i) {
      const double t = double(i) / n, u = 1 - t;
      const double qx = i == n ? x1 : u * u * x0 + 2 * u * t * cx + t * t * x1;
      const double qy = i == n ? y1 : u * u * y0 + 2 * u * t * cy + t * t * y1;
      rasterizer_.line(float(px), float(py), float(qx), float(qy));
      px = qx;
      py = qy;
    }
  }

  // The lines of one line style: its edges joined into polylines where they meet, outlined in the
  // shape's coordinates (so that a stretching matrix stretches the pen too; a line that does not scale
  // is outlined in device pixels, as wide as the stage scales it), filled non-zero together. A polyline
  // that ends where it started is joined there unless its style says no-close.
  void strokeLines(const ShapeGroup& g, uint16_t style, const Matrix& m, const ColourTransform& cx,
                   const uint8_t* mask) {
    const LineStyle& ls = g.lines[style - 1];
    const double scale = m.meanScale(), stretch = m.maxScale();
    if (!(scale > 0) || !std::isfinite(scale)) return;
    const bool fixedWidth = ls.noHScale || ls.noVScale;
    const Matrix pen = fixedWidth ? Matrix() : m;
    // A line fixed in one direction only still follows the placement's scale in the other.
    double placedScale = 1;
    if (ls.noHScale != ls.noVScale) placedScale = (ls.noHScale ? std::hypot(m.c, m.d) : std::hypot(m.a, m.b)) / stageScale_;
    // Lines thinner than a pixel are drawn a pixel wide.
    const double halfWidth = fixedWidth ? std::max(ls.width / 2.0 * stageScale_ * placedScale, 0.5)
                                        : std::max(ls.width / 2.0, 0.5 / scale);
    const double devRadius = halfWidth * (fixedWidth ? 1 : stretch);
    double step = devRadius > kArcError ? 2 * std::acos(1 - kArcError / devRadius) : 3.2;
    step = std::max(step, 2 * 3.14159265358979 / 128);
    step = std::min(step, 3.14159265358979 / 4);
    const StrokeStyle shape{ls.startCap, ls.endCap, ls.join, ls.miterLimit};
    StrokeStyle closed = shape;
    closed.startCap = closed.endCap = Cap::none;

    rasterizer_.reset(clipX0_, clipY0_, clipX1_, clipY1_);
    std::vector<Point> polyline, outline;
    auto flush = [&] {
      if (polyline.empty()) return;
      outline.clear();
      const bool joinEnds = !ls.noClose && !shape.allRound() && polyline.size() > 2 &&
                            polyline.front().x == polyline.back().x && polyline.front().y == polyline.back().y;
      if (joinEnds) polyline.push_back(polyline[1]);  // once more around the first corner, without caps
      stroke(polyline, halfWidth, step, joinEnds ? closed : shape, outline);
      polyline.clear();
      if (!budget_.edges(outline.size())) return;
      for (size_t i = 0; i < outline.size(); ++i) {
        const Point& a = outline[i];
        const Point& b = outline[(i + 1) % outline.size()];
        rasterizer_.line(float(pen.mapX(a.x, a.y)), float(pen.mapY(a.x, a.y)), float(pen.mapX(b.x, b.y)),
                         float(pen.mapY(b.x, b.y)));
      }
    };
    auto point = [&](double x, double y) -> Point {
      return fixedWidth ? Point{m.mapX(x, y), m.mapY(x, y)} : Point{x, y};
    };
    for (const Edge& e : g.edges) {
      if (e.line != style) continue;
      const Point start = point(e.x0, e.y0);
      if (polyline.empty() || polyline.back().x != start.x || polyline.back().y != start.y) {
        flush();
        polyline.push_back(start);
      }
      if (e.curve) {
        const int n = curvePieces(m.mapX(e.x0, e.y0), m.mapY(e.x0, e.y0), m.mapX(e.cx, e.cy), m.mapY(e.cx, e.cy),
                                  m.mapX(e.x1, e.y1), m.mapY(e.x1, e.y1));
        for (int i = 1; i < n; ++i) {
          const double t = double(i) / n, u = 1 - t;
          polyline.push_back(point(u * u * e.x0 + 2 * u * t * e.cx + t * t * e.x1, u * u * e.y0 + 2 * u * t * e.cy + t * t * e.y1));
        }
      }
      polyline.push_back(point(e.x1, e.y1));
      if (budget_.exceeded()) return;
    }
    flush();
    const Paint paint = ls.hasFill ? Paint::of(ls.fill, m, cx, movie_) : Paint::ofColour(ls.colour, cx);
    if (paint.kind() != Paint::none) fill(false, paint, mask, nullptr);
  }

  void fill(bool evenOdd, const Paint& paint, const uint8_t* mask, uint8_t* maskOut) {
    if (budget_.exceeded()) return;
    const int width = image_.width;
    uint32_t* pixels = image_.pixels.data();
    const uint64_t work = rasterizer_.sweep(evenOdd, [&](int y, int x, int count, uint32_t c) {
      const size_t base = size_t(y) * size_t(width) + size_t(x);
      if (maskOut) {
        uint8_t* out = maskOut + base;
        for (int i = 0; i < count; ++i) out[i] = uint8_t(out[i] + scaleColour(255u - out[i], c));
        return;
      }
      uint32_t* dst = pixels + base;
      const bool flat = paint.kind() == Paint::solid;
      if (mask) {
        if (!flat) paint.fetch(x, y, count, row_.data());
        const uint8_t* m = mask + base;
        for (int i = 0; i < count; ++i) {
          const uint32_t k = scaleColour(c, m[i]);
          if (!k) continue;
          const uint32_t src = scaleColour(flat ? paint.colour() : row_[size_t(i)], k);
          dst[i] = src + scaleColour(dst[i], 255 - (src >> 24));
        }
      } else if (flat) {
        const uint32_t src = c == 255 ? paint.colour() : scaleColour(paint.colour(), c);
        const uint32_t a = src >> 24;
        if (a == 255) {
          std::fill(dst, dst + count, src);
        } else if (a) {
          // What lies below repeats along a row (a background, a gradient across it): blended once per change.
          uint32_t under = dst[0], over = src + scaleColour(under, 255 - a);
          for (int i = 0; i < count; ++i) {
            if (dst[i] != under) {
              under = dst[i];
              over = src + scaleColour(under, 255 - a);
            }
            dst[i] = over;
          }
        }
      } else if (c == 255 && paint.opaque()) {
        paint.fetch(x, y, count, dst);  // covers what is below: straight into the picture
      } else {
        paint.fetch(x, y, count, row_.data());
        for (int i = 0; i < count; ++i) {
          uint32_t src = row_[size_t(i)];
          if (c < 255) src = scaleColour(src, c);
          const uint32_t a = src >> 24;
          if (a == 255) dst[i] = src;
          else if (a) dst[i] = src + scaleColour(dst[i], 255 - a);
        }
      }
    });
    budget_.work(work);
  }

  const Movie& movie_;
  Image& image_;
  int clipX0_, clipY0_, clipX1_, clipY1_;
  Budget& budget_;
  double stageScale_;
  Rasterizer rasterizer_;
  std::vector<uint32_t> row_;
  bool inLayer_ = false;             // image_ is a layer, not the opaque frame
  const GridWarp* grid_ = nullptr;   // the scaling grid of the sprite whose list is being drawn
};

}  // namespace

namespace {

// The picture before anything of the frame is drawn: the margin's colour, the stage's inside its area.
void fillBackground(Image& out, uint32_t margin, uint32_t stage, const StageFit* fit) {
  out.pixels.assign(size_t(out.width) * size_t(out.height), margin);
  if (!fit || stage == margin) return;
  for (int y = fit->y0; y < fit->y1; ++y) {
    uint32_t* row = out.pixels.data() + size_t(y) * size_t(out.width);
    std::fill(row + fit->x0, row + fit->x1, stage);
  }
}

}  // namespace

bool FirstFrame::draw(int width, int height, Image& out, const DrawOptions& options) const {
  const Movie& m = *movie_;
  out = Image();
  if (width <= 0 || height <= 0 || width > m.limits.maxFrameSide || height > m.limits.maxFrameSide) return false;
  out.width = width;
  out.height = height;
  const uint32_t background = 0xFF000000u | (options.background ? *options.background & 0xFFFFFFu : m.background);
  const uint32_t margin = options.margin ? 0xFF000000u | (*options.margin & 0xFFFFFFu) : background;
  if (m.stageWidth <= 0 || m.stageHeight <= 0) {
    fillBackground(out, margin, background, nullptr);
    return true;
  }

  const StageFit fit = fitStage(m.stageLeft, m.stageTop, m.stageWidth, m.stageHeight, width, height, options.scale);
  fillBackground(out, margin, background, &fit);
  const Matrix& stage = fit.toPicture;
  const int x0 = fit.x0, y0 = fit.y0, x1 = fit.x1, y1 = fit.y1;

  Budget budget(m.limits, uint64_t(width) * uint64_t(height));
  Drawer drawer(m, out, x0, y0, x1, y1, budget, stage.meanScale());
  if (!drawer.drawList(m.stage, stage, ColourTransform(), nullptr, nullptr, 0)) {
    fillBackground(out, margin, background, &fit);
    return false;
  }
  return true;
}

Limits Limits::forInstaller() {
  Limits limits;
  limits.maxMovieBytes = 64u << 20;
  limits.maxShapeRecords = 1u << 20;
  limits.maxObjects = 50000;
  limits.maxEdges = 2u << 20;
  limits.maxPixelWork = 64u << 20;
  limits.maxBitmapPixels = 16u << 20;
  return limits;
}

}  // namespace mv::render
