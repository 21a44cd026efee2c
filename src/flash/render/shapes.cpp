// Shapes, glyphs and texts.
//
// SHAPEWITHSTYLE: FILLSTYLEARRAY, LINESTYLEARRAY, NumFillBits UB[4], NumLineBits UB[4], then shape
// records up to the end record (six zero bits):
//   style change  0, flags UB[5] (NewStyles, LineStyle, FillStyle1, FillStyle0, MoveTo; all zero: end),
//                 MoveTo: bits UB[5], x SB, y SB (absolute); FillStyle0 UB[fill bits], FillStyle1,
//                 LineStyle UB[line bits]; NewStyles: the two style arrays and the two bit counts again
//                 (the indices of the same record already refer to the new arrays)
//   straight edge 1, 1, bits-2 UB[4], general UB[1]: dx SB, dy SB; else vertical UB[1], dy or dx SB
//   curved edge   1, 0, bits-2 UB[4], control dx, dy, anchor dx, dy SB (each relative to the last point)
// FILLSTYLEARRAY: count UI8 (0xFF: UI16 follows, DefineShape2 on), FILLSTYLE each:
//   0x00 solid: RGB (RGBA from DefineShape3 on)
//   0x10 linear, 0x12 radial, 0x13 focal radial gradient: MATRIX, then spread UB[2] (0 pad, 1 reflect,
//        2 repeat), interpolation UB[2] (0 sRGB, 1 linear RGB), count UB[4], count x (ratio UI8,
//        colour); the focal one ends with the focal point FIXED8 (-1..1)
//   0x40 repeating, 0x41 clipped bitmap, 0x42, 0x43 the same without smoothing: id UI16, MATRIX
// LINESTYLEARRAY: count as above, LINESTYLE each: width UI16 (twips), colour; in DefineShape4
// LINESTYLE2: width UI16, start cap UB[2] (0 round, 1 none, 2 square), join UB[2] (0 round, 1 bevel,
// 2 miter), has fill UB[1], no horizontal scale UB[1], no vertical scale UB[1], pixel hinting UB[1],
// reserved UB[5], no close UB[1], end cap UB[2], then the miter limit FIXED8 (miter joins only), then
// a FILLSTYLE (has fill) or an RGBA colour.
//
// The side of an edge a fill lies on (FillStyle0 left, FillStyle1 right, going along the edge) does not
// matter to the even-odd rule the renderer fills with; an edge with the same fill on both sides bounds
// nothing and is left out of that fill.
#include "flash/render/shapes.h"

#include <algorithm>

namespace mv::render {

namespace {

// A gradient's records: spread and interpolation in the top four bits of the count byte. Spread 3 and
// interpolation 2 and 3 are reserved; players took them as pad and plain sRGB.
void readGradient(RecordReader& in, int shapeVersion, bool focal, FillStyle& f) {
  const unsigned head = in.u8();
  const unsigned spread = head >> 6;
  f.spread = spread == 1 ? Spread::reflect : spread == 2 ? Spread::repeat : Spread::pad;
  f.linearRgb = ((head >> 4) & 3) == 1;
  const unsigned stops = head & 0x0F;
  for (unsigned s = 0; s < stops; ++s) {
    GradientStop g;
    g.ratio = in.u8();
    g.colour = shapeVersion >= 3 ? in.rgba() : in.rgb();
    f.stops.push_back(g);
  }
  if (focal) f.focus = std::max(-1.0f, std::min(1.0f, float(int16_t(in.u16())) / 256.0f));
}

bool readFillStyle(RecordReader& in, int shapeVersion, FillStyle& f) {
  const unsigned type = in.u8();
  switch (type) {
    case 0x00:
      f.kind = FillStyle::solid;
      f.colour = shapeVersion >= 3 ? in.rgba() : in.rgb();
      return true;
    case 0x10:
    case 0x12:
    case 0x13:
      f.kind = type == 0x10 ? FillStyle::linear : FillStyle::radial;
      f.matrix = in.matrix();
      readGradient(in, shapeVersion, type == 0x13, f);
      if (f.stops.empty()) {  // nothing to draw with: a transparent fill
        f.kind = FillStyle::solid;
        f.colour = Rgba{0, 0, 0, 0};
      }
      return true;
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
      f.kind = FillStyle::bitmap;
      f.bitmapId = in.u16();
      f.matrix = in.matrix();
      f.repeat = type == 0x40 || type == 0x42;
      f.smooth = type == 0x40 || type == 0x41;
      return true;
    default:
      return false;  // the size of an unknown style is unknown: nothing after it can be read
  }
}

// A style array: its count (UI8; 0xFF: a UI16 follows, DefineShape2 on), then each style through readOne.
template <typename Style, typename ReadOne>
bool readStyleArray(RecordReader& in, int shapeVersion, std::vector<Style>& out, ReadOne readOne) {
  unsigned count = in.u8();
  if (count == 0xFF && shapeVersion >= 2) count = in.u16();
  out.clear();
  out.reserve(std::min<size_t>(count, in.remaining()));
  for (unsigned i = 0; i < count && !in.failed(); ++i) {
    Style style;
    if (!readOne(style)) return false;
    out.push_back(std::move(style));
  }
  return !in.failed();
}

bool readFillStyles(RecordReader& in, int shapeVersion, std::vector<FillStyle>& out) {
  return readStyleArray(in, shapeVersion, out, [&](FillStyle& f) { return readFillStyle(in, shapeVersion, f); });
}

bool readLineStyles(RecordReader& in, int shapeVersion, std::vector<LineStyle>& out) {
  return readStyleArray(in, shapeVersion, out, [&](LineStyle& l) {
    if (shapeVersion >= 4) return readLineStyle2(in, l);
    l.width = in.u16();
    l.colour = shapeVersion >= 3 ? in.rgba() : in.rgb();
    return true;
  });
}

// Reads shape records into groups (a shape) or into one group without styles (a glyph).
bool readRecords(RecordReader& in, int shapeVersion, bool withStyles, uint32_t& records, std::vector<ShapeGroup>& groups) {
  if (groups.empty()) groups.emplace_back();
  in.align();
  unsigned fillBits = in.ub(4), lineBits = in.ub(4);
  int64_t x = 0, y = 0;
  uint16_t fill0 = 0, fill1 = 0, line = 0;
  for (;;) {
    if (records == 0) return false;
    --records;
    if (in.ub(1) == 0) {
      const unsigned flags = in.ub(5);
      if (in.failed()) return false;
      if (flags == 0) break;  // end of shape
      if (flags & 0x01) {
        const unsigned n = in.ub(5);
        x = in.sb(n);
        y = in.sb(n);
      }
      const bool f0 = flags & 0x02, f1 = flags & 0x04, l = flags & 0x08;
      if (f0) fill0 = uint16_t(in.ub(fillBits));
      if (f1) fill1 = uint16_t(in.ub(fillBits));
      if (l) line = uint16_t(in.ub(lineBits));
      if (flags & 0x10) {
        if (!withStyles) return false;
        groups.emplace_back();
        if (!readFillStyles(in, shapeVersion, groups.back().fills)) return false;
        if (!readLineStyles(in, shapeVersion, groups.back().lines)) return false;
        fillBits = in.ub(4);
        lineBits = in.ub(4);
        if (!f0) fill0 = 0;
        if (!f1) fill1 = 0;
        if (!l) line = 0;
      }
    } else {
      Edge e;
      e.x0 = float(x);
      e.y0 = float(y);
      const bool straight = in.ub(1) != 0;
      const unsigned n = in.ub(4) + 2;
      if (straight) {
        int32_t dx = 0, dy = 0;
        if (in.ub(1)) {
          dx = in.sb(n);
          dy = in.sb(n);
        } else if (in.ub(1)) {
          dy = in.sb(n);
        } else {
          dx = in.sb(n);
        }
        x += dx;
        y += dy;
        e.curve = false;
        e.cx = e.x0;
        e.cy = e.y0;
      } else {
        const int32_t cdx = in.sb(n), cdy = in.sb(n), adx = in.sb(n), ady = in.sb(n);
        e.cx = float(x + cdx);
        e.cy = float(y + cdy);
        x += int64_t(cdx) + adx;
        y += int64_t(cdy) + ady;
        e.curve = true;
      }
      if (in.failed()) return false;
      // Positions wander by at most 2^31 per record; far outside any stage they are held back.
      x = std::max<int64_t>(-(int64_t(1) << 40), std::min<int64_t>(int64_t(1) << 40, x));
      y = std::max<int64_t>(-(int64_t(1) << 40), std::min<int64_t>(int64_t(1) << 40, y));
      e.x1 = float(x);
      e.y1 = float(y);
      e.fill0 = fill0;
      e.fill1 = fill1;
      e.line = line;
      groups.back().edges.push_back(e);
    }
  }
  return !in.failed();
}

Cap capOf(unsigned bits) { return bits == 1 ? Cap::none : bits == 2 ? Cap::square : Cap::round; }

}  // namespace

void readLineFlags(RecordReader& in, LineStyle& out) {
  out.startCap = capOf(in.ub(2));
  const unsigned join = in.ub(2);
  out.join = join == 1 ? Join::bevel : join == 2 ? Join::miter : Join::round;
  out.hasFill = in.ub(1) != 0;
  out.noHScale = in.ub(1) != 0;
  out.noVScale = in.ub(1) != 0;
  in.ub(1);  // pixel hinting: the renderer places lines where they are
  in.ub(5);
  out.noClose = in.ub(1) != 0;
  out.endCap = capOf(in.ub(2));
  if (join == 2) out.miterLimit = std::max(1.0f, float(in.u16()) / 256.0f);
}

bool readLineStyle2(RecordReader& in, LineStyle& out) {
  out.width = in.u16();
  readLineFlags(in, out);
  if (out.hasFill) {
    if (!readFillStyle(in, 4, out.fill)) return false;
  } else {
    out.colour = in.rgba();
  }
  return !in.failed();
}

bool readShape(RecordReader& in, int shapeVersion, uint32_t& records, Shape& out) {
  out.groups.clear();
  out.groups.emplace_back();
  if (!readFillStyles(in, shapeVersion, out.groups[0].fills)) return false;
  if (!readLineStyles(in, shapeVersion, out.groups[0].lines)) return false;
  if (!readRecords(in, shapeVersion, true, records, out.groups)) return false;
  for (ShapeGroup& g : out.groups) {
    g.edgesOfFill.assign(g.fills.size(), {});
    const size_t fills = g.fills.size();
    for (uint32_t i = 0; i < g.edges.size(); ++i) {
      const Edge& e = g.edges[i];
      if (e.fill0 == e.fill1) continue;
      if (e.fill0 >= 1 && e.fill0 <= fills) g.edgesOfFill[e.fill0 - 1].push_back(i);
      if (e.fill1 >= 1 && e.fill1 <= fills) g.edgesOfFill[e.fill1 - 1].push_back(i);
    }
  }
  return true;
}

bool readGlyph(RecordReader& in, uint32_t& records, Glyph& out) {
  std::vector<ShapeGroup> groups;
  if (!readRecords(in, 1, false, records, groups)) return false;
  out.edges.clear();
  for (const Edge& e : groups[0].edges)
    if ((e.fill0 != 0) != (e.fill1 != 0)) out.edges.push_back(e);
  return true;
}

bool readMorphEdges(RecordReader& in, uint32_t& records, std::vector<Edge>& out) {
  std::vector<ShapeGroup> groups;
  if (!readRecords(in, 3, false, records, groups)) return false;
  out = std::move(groups[0].edges);
  return true;
}

// TEXTRECORDs: a flags byte (0: the end); with its top bit set a style record follows: font id UI16
// (flag 0x08), colour RGB or RGBA (0x04), x offset SI16 (0x01), y offset SI16 (0x02), height UI16
// (with the font), then the glyph count UI8. A byte without the top bit is the older form of a glyph
// record: its low 7 bits are the count (a style record is then one record of its own). Glyph entries:
// index UB[glyph bits], advance SB[advance bits]; each record ends on a byte boundary.
bool readText(RecordReader& in, bool withAlpha, uint32_t& glyphs, Text& out) {
  out.matrix = in.matrix();
  const unsigned glyphBits = in.u8(), advanceBits = in.u8();
  if (in.failed() || glyphBits > 32 || advanceBits > 32) return false;
  uint16_t font = 0;
  bool haveFont = false;
  Rgba colour{0, 0, 0, 255};
  float x = 0, y = 0, height = 0;
  for (;;) {
    const unsigned flags = in.u8();
    if (in.failed()) return false;
    if (flags == 0) break;
    unsigned count;
    if (flags & 0x80) {
      if (flags & 0x08) {
        font = in.u16();
        haveFont = true;
      }
      if (flags & 0x04) colour = withAlpha ? in.rgba() : in.rgb();
      if (flags & 0x01) x = in.s16();
      if (flags & 0x02) y = in.s16();
      if (flags & 0x08) height = in.u16();
      count = in.u8();
    } else {
      count = flags & 0x7F;
    }
    for (unsigned i = 0; i < count; ++i) {
      if (glyphs == 0) return false;
      --glyphs;
      const uint32_t index = in.ub(glyphBits);
      const int32_t advance = in.sb(advanceBits);
      if (in.failed()) return false;
      if (haveFont) out.glyphs.push_back({font, index, x, y, height, colour});
      x += float(advance);
    }
    in.align();
  }
  return true;
}

}  // namespace mv::render
