#pragma once
// Hand-built SWF movies for the renderer's tests: bit packing, shapes with their style arrays and
// records, text, bitmaps and placements, written field by field from the format.
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "../swf_builder.h"

namespace rendertest {

using swftest::tag;

struct Bits {
  std::string out;
  uint32_t acc = 0;
  int n = 0;
  Bits& ub(uint32_t v, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      acc = acc << 1 | ((v >> i) & 1);
      if (++n == 8) {
        out += char(acc);
        acc = 0;
        n = 0;
      }
    }
    return *this;
  }
  Bits& sb(int32_t v, int bits) { return ub(uint32_t(v) & (bits == 32 ? ~0u : (1u << bits) - 1), bits); }
  Bits& align() {
    if (n) ub(0, 8 - n);
    return *this;
  }
  Bits& u8(int v) { align(); out += char(v); return *this; }
  Bits& u16(int v) { align(); out += char(v & 255); out += char((v >> 8) & 255); return *this; }
  Bits& raw(const std::string& s) { align(); out += s; return *this; }
  std::string bytes() { align(); return out; }
};

inline int bitsFor(std::initializer_list<int32_t> values) {
  int need = 1;
  for (int32_t v : values) {
    int b = 1;
    while (!(v >= -(int64_t(1) << (b - 1)) && v < (int64_t(1) << (b - 1)))) ++b;
    need = std::max(need, b);
  }
  return need;
}

inline std::string rect(int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  Bits b;
  const int n = bitsFor({x0, x1, y0, y1});
  b.ub(uint32_t(n), 5).sb(x0, n).sb(x1, n).sb(y0, n).sb(y1, n);
  return b.bytes();
}

// a, b, c, d as in x' = a x + c y + tx, y' = b x + d y + ty; tx, ty in twips.
struct Mat {
  double a = 1, b = 0, c = 0, d = 1;
  int32_t tx = 0, ty = 0;
  static Mat at(int32_t tx, int32_t ty) { return {1, 0, 0, 1, tx, ty}; }
  static Mat scaled(double sx, double sy, int32_t tx = 0, int32_t ty = 0) { return {sx, 0, 0, sy, tx, ty}; }
  static Mat rotated(double degrees, int32_t tx = 0, int32_t ty = 0) {
    const double r = degrees * 3.14159265358979 / 180;
    return {std::cos(r), std::sin(r), -std::sin(r), std::cos(r), tx, ty};
  }
};

inline void matrixBits(Bits& b, const Mat& m) {
  b.align();
  auto fixed = [](double v) { return int32_t(std::lround(v * 65536)); };
  if (m.a != 1 || m.d != 1) {
    const int n = bitsFor({fixed(m.a), fixed(m.d)});
    b.ub(1, 1).ub(uint32_t(n), 5).sb(fixed(m.a), n).sb(fixed(m.d), n);
  } else {
    b.ub(0, 1);
  }
  if (m.b != 0 || m.c != 0) {
    const int n = bitsFor({fixed(m.b), fixed(m.c)});
    b.ub(1, 1).ub(uint32_t(n), 5).sb(fixed(m.b), n).sb(fixed(m.c), n);
  } else {
    b.ub(0, 1);
  }
  const int n = bitsFor({m.tx, m.ty});
  b.ub(uint32_t(n), 5).sb(m.tx, n).sb(m.ty, n);
  b.align();
}

inline std::string matrix(const Mat& m) {
  Bits b;
  matrixBits(b, m);
  return b.bytes();
}

struct Colour {
  uint8_t r, g, b, a = 255;
};

inline std::string rgb(Colour c) { return std::string{char(c.r), char(c.g), char(c.b)}; }
inline std::string rgba(Colour c) { return rgb(c) + char(c.a); }

// Fill styles; version 3 shapes write colours with alpha.
struct Styles {
  int version = 1;
  std::vector<std::string> fills, lines;
  std::string colour(Colour c) const { return version >= 3 ? rgba(c) : rgb(c); }
  int solid(Colour c) { fills.push_back(std::string(1, '\0') + colour(c)); return int(fills.size()); }
  int gradient(bool radial, const Mat& m, std::vector<std::pair<int, Colour>> stops) {
    std::string s(1, char(radial ? 0x12 : 0x10));
    s += matrix(m);
    s += char(stops.size());
    for (auto& st : stops) s += char(st.first) + colour(st.second);
    fills.push_back(s);
    return int(fills.size());
  }
  int bitmap(uint16_t id, const Mat& m, bool repeat, bool smooth) {
    std::string s(1, char(0x40 | (repeat ? 0 : 1) | (smooth ? 0 : 2)));
    s += char(id & 255);
    s += char(id >> 8);
    s += matrix(m);
    fills.push_back(s);
    return int(fills.size());
  }
  int line(int width, Colour c) {
    lines.push_back(std::string{char(width & 255), char(width >> 8)} + colour(c));
    return int(lines.size());
  }
  static std::string count(size_t n) {
    if (n < 255) return std::string(1, char(n));
    return std::string("\xFF", 1) + char(n & 255) + char(n >> 8);
  }
  std::string bytes() const {
    std::string s = count(fills.size());
    for (auto& f : fills) s += f;
    s += count(lines.size());
    for (auto& l : lines) s += l;
    return s;
  }
};

// Shape records, with the pen's absolute position kept so that edges can be given by their ends.
struct Records {
  Bits bits;
  int fillBits = 4, lineBits = 4;
  int32_t x = 0, y = 0;
  explicit Records(int fills = 4, int lines = 4) : fillBits(fills), lineBits(lines) {
    bits.ub(uint32_t(fillBits), 4).ub(uint32_t(lineBits), 4);
  }
  // A style change: move to (mx, my); -1 leaves a style as it is.
  Records& move(int32_t mx, int32_t my, int fill0 = -1, int fill1 = -1, int line = -1) {
    int flags = 0x01 | (fill0 >= 0 ? 0x02 : 0) | (fill1 >= 0 ? 0x04 : 0) | (line >= 0 ? 0x08 : 0);
    bits.ub(0, 1).ub(uint32_t(flags), 5);
    const int n = bitsFor({mx, my});
    bits.ub(uint32_t(n), 5).sb(mx, n).sb(my, n);
    if (fill0 >= 0) bits.ub(uint32_t(fill0), fillBits);
    if (fill1 >= 0) bits.ub(uint32_t(fill1), fillBits);
    if (line >= 0) bits.ub(uint32_t(line), lineBits);
    x = mx;
    y = my;
    return *this;
  }
  // A style change with new style arrays (the indices refer to them).
  Records& newStyles(const Styles& s, int fill0, int fill1, int line) {
    bits.ub(0, 1).ub(0x10 | 0x02 | 0x04 | 0x08, 5);
    bits.ub(uint32_t(fill0), fillBits).ub(uint32_t(fill1), fillBits).ub(uint32_t(line), lineBits);
    bits.raw(s.bytes());
    bits.ub(uint32_t(fillBits), 4).ub(uint32_t(lineBits), 4);
    return *this;
  }
  Records& lineTo(int32_t nx, int32_t ny) {
    const int32_t dx = nx - x, dy = ny - y;
    const int n = std::max(2, bitsFor({dx, dy}));
    bits.ub(1, 1).ub(1, 1).ub(uint32_t(n - 2), 4);
    if (dx != 0 && dy != 0) bits.ub(1, 1).sb(dx, n).sb(dy, n);
    else if (dx == 0) bits.ub(0, 1).ub(1, 1).sb(dy, n);
    else bits.ub(0, 1).ub(0, 1).sb(dx, n);
    x = nx;
    y = ny;
    return *this;
  }
  Records& curveTo(int32_t cx, int32_t cy, int32_t nx, int32_t ny) {
    const int32_t a = cx - x, b = cy - y, c = nx - cx, d = ny - cy;
    const int n = std::max(2, bitsFor({a, b, c, d}));
    bits.ub(1, 1).ub(0, 1).ub(uint32_t(n - 2), 4).sb(a, n).sb(b, n).sb(c, n).sb(d, n);
    x = nx;
    y = ny;
    return *this;
  }
  Records& rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    return lineTo(x1, y0).lineTo(x1, y1).lineTo(x0, y1).lineTo(x0, y0);
  }
  std::string end() {
    bits.ub(0, 6);
    return bits.bytes();
  }
};

// DefineShape (version 1), DefineShape2 or DefineShape3.
inline std::string defineShape(int version, uint16_t id, const Styles& styles, Records& records) {
  const int code = version == 1 ? 2 : version == 2 ? 22 : 32;
  std::string body{char(id & 255), char(id >> 8)};
  body += rect(0, 20, 0, 20);  // bounds: not used for drawing
  body += styles.bytes();
  body += records.end();
  return tag(code, body);
}

// A movie whose shape with one solid fill covers (x0, y0)-(x1, y1), in twips.
inline std::string rectangleShape(uint16_t id, Colour c, int32_t x0, int32_t y0, int32_t x1, int32_t y1, int version = 3) {
  Styles s;
  s.version = version;
  const int f = s.solid(c);
  Records r;
  r.move(x0, y0, 0, f, 0).rectangle(x0, y0, x1, y1);
  return defineShape(version, id, s, r);
}

// PlaceObject2 with the fields given.
struct Place {
  explicit Place(uint16_t d, int c = -1) : depth(d), character(c) {}
  uint16_t depth;
  int character;  // -1: none
  bool move = false;
  bool hasMatrix = false;
  Mat m;
  bool hasColour = false;
  int mul[4] = {256, 256, 256, 256}, add[4] = {0, 0, 0, 0};
  int clipDepth = 0;
  std::string name;

  Place& matrix(const Mat& mm) { hasMatrix = true; m = mm; return *this; }
  Place& colour(std::initializer_list<int> mults, std::initializer_list<int> adds) {
    hasColour = true;
    std::copy(mults.begin(), mults.end(), mul);
    std::copy(adds.begin(), adds.end(), add);
    return *this;
  }
  std::string tag() const {
    int flags = (move ? 1 : 0) | (character >= 0 ? 2 : 0) | (hasMatrix ? 4 : 0) | (hasColour ? 8 : 0) |
                (name.empty() ? 0 : 0x20) | (clipDepth ? 0x40 : 0);
    Bits b;
    b.u8(flags).u16(depth);
    if (character >= 0) b.u16(character);
    if (hasMatrix) matrixBits(b, m);
    if (hasColour) {
      const int n = bitsFor({mul[0], mul[1], mul[2], mul[3], add[0], add[1], add[2], add[3]});
      b.ub(1, 1).ub(1, 1).ub(uint32_t(n), 4);
      for (int v : mul) b.sb(v, n);
      for (int v : add) b.sb(v, n);
      b.align();
    }
    if (!name.empty()) b.raw(name + '\0');
    if (clipDepth) b.u16(clipDepth);
    return swftest::tag(26, b.bytes());
  }
};

inline std::string place(uint16_t depth, uint16_t id, const Mat& m = Mat()) {
  Place p(depth, id);
  p.matrix(m);
  return p.tag();
}

inline std::string removeObject2(uint16_t depth) { return tag(28, std::string{char(depth & 255), char(depth >> 8)}); }
inline std::string removeObject(uint16_t id, uint16_t depth) {
  return tag(5, std::string{char(id & 255), char(id >> 8), char(depth & 255), char(depth >> 8)});
}

inline std::string le16(int v) { return std::string{char(v & 255), char((v >> 8) & 255)}; }

// A movie of the given stage size in pixels with these tags and a ShowFrame after them.
inline std::string movie(int version, int widthPx, int heightPx, const std::string& tags, const std::string& later = "") {
  std::string body = rect(0, widthPx * 20, 0, heightPx * 20) + le16(12 << 8) + le16(1) + tags + swftest::showFrame() +
                     later + swftest::endTag();
  return std::string("FWS") + char(version) + swftest::le32(uint32_t(8 + body.size())) + body;
}

inline std::string zlibOf(const std::string& bytes) { return swftest::deflateBytes(bytes); }

}  // namespace rendertest
