// Morph shapes.
//
// DefineMorphShape (46): start bounds RECT, end bounds RECT, offset UI32 (of the end edges, counted from
// after it), MORPHFILLSTYLEARRAY, MORPHLINESTYLEARRAY, start edges SHAPE, end edges SHAPE.
// DefineMorphShape2 (84) adds start and end edge bounds (RECT) and a flags byte before the offset, and
// writes its lines as MORPHLINESTYLE2.
// MORPHFILLSTYLE: type UI8, then
//   0x00 solid: start RGBA, end RGBA
//   0x10 linear, 0x12 radial, 0x13 focal: start MATRIX, end MATRIX, spread UB[2], interpolation UB[2]
//        and count UB[4] as in a FILLSTYLE's gradient, count x (start ratio UI8, start RGBA, end ratio
//        UI8, end RGBA); focal: start and end focal point FIXED8
//   0x40..0x43 bitmap: id UI16, start MATRIX, end MATRIX
// MORPHLINESTYLE: start width UI16, end width UI16, start RGBA, end RGBA. MORPHLINESTYLE2: the widths,
// then the caps, join, flags and miter limit of a LINESTYLE2, then either the two colours or a
// MORPHFILLSTYLE that the line is painted with.
// The end edges carry only positions: the start's records give the styles of each edge pair. A straight
// edge paired with a curve bends through its middle; edges without a partner are left out.
#include "flash/render/morph.h"

#include <algorithm>

#include "flash/render/shapes.h"

namespace mv::render {

namespace {

bool readMorphFill(RecordReader& in, FillStyle& start, FillStyle& end) {
  const unsigned type = in.u8();
  switch (type) {
    case 0x00:
      start.kind = end.kind = FillStyle::solid;
      start.colour = in.rgba();
      end.colour = in.rgba();
      break;
    case 0x10:
    case 0x12:
    case 0x13: {
      start.kind = end.kind = type == 0x10 ? FillStyle::linear : FillStyle::radial;
      start.matrix = in.matrix();
      end.matrix = in.matrix();
      const unsigned head = in.u8();
      const unsigned spread = head >> 6;
      start.spread = end.spread = spread == 1 ? Spread::reflect : spread == 2 ? Spread::repeat : Spread::pad;
      start.linearRgb = end.linearRgb = ((head >> 4) & 3) == 1;
      const unsigned stops = head & 0x0F;
      for (unsigned s = 0; s < stops; ++s) {
        GradientStop a, b;
        a.ratio = in.u8();
        a.colour = in.rgba();
        b.ratio = in.u8();
        b.colour = in.rgba();
        start.stops.push_back(a);
        end.stops.push_back(b);
      }
      if (type == 0x13) {
        start.focus = std::max(-1.0f, std::min(1.0f, float(int16_t(in.u16())) / 256.0f));
        end.focus = std::max(-1.0f, std::min(1.0f, float(int16_t(in.u16())) / 256.0f));
      }
      if (start.stops.empty()) {  // nothing to draw with: a transparent fill
        start.kind = end.kind = FillStyle::solid;
        start.colour = end.colour = Rgba{0, 0, 0, 0};
      }
      break;
    }
    case 0x40:
    case 0x41:
    case 0x42:
    case 0x43:
      start.kind = end.kind = FillStyle::bitmap;
      start.bitmapId = end.bitmapId = in.u16();
      start.matrix = in.matrix();
      end.matrix = in.matrix();
      start.repeat = end.repeat = type == 0x40 || type == 0x42;
      start.smooth = end.smooth = type == 0x40 || type == 0x41;
      break;
    default:
      return false;  // an unknown style's size is unknown
  }
  return !in.failed();
}

unsigned styleCount(RecordReader& in) {
  unsigned count = in.u8();
  if (count == 0xFF) count = in.u16();
  return count;
}

bool readMorphLine(RecordReader& in, bool morph2, LineStyle& start, LineStyle& end) {
  start.width = in.u16();
  const uint16_t endWidth = in.u16();
  end.width = endWidth;
  if (!morph2) {
    start.colour = in.rgba();
    end.colour = in.rgba();
    return !in.failed();
  }
  readLineFlags(in, start);
  end = start;
  end.width = endWidth;
  if (!start.hasFill) {
    start.colour = in.rgba();
    end.colour = in.rgba();
    return !in.failed();
  }
  return readMorphFill(in, start.fill, end.fill);
}

uint8_t mix(uint8_t a, uint8_t b, double t) { return uint8_t(a + (b - a) * t + 0.5); }
Rgba mix(Rgba a, Rgba b, double t) { return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t), mix(a.a, b.a, t)}; }
float mix(float a, float b, double t) { return float(a + (b - a) * t); }

Matrix mix(const Matrix& p, const Matrix& q, double t) {
  auto m = [t](double a, double b) { return a + (b - a) * t; };
  return {m(p.a, q.a), m(p.b, q.b), m(p.c, q.c), m(p.d, q.d), m(p.tx, q.tx), m(p.ty, q.ty)};
}

FillStyle mix(const FillStyle& a, const FillStyle& b, double t) {
  FillStyle f = a;
  f.colour = mix(a.colour, b.colour, t);
  f.matrix = mix(a.matrix, b.matrix, t);
  f.focus = mix(a.focus, b.focus, t);
  for (size_t i = 0; i < f.stops.size() && i < b.stops.size(); ++i) {
    f.stops[i].ratio = mix(a.stops[i].ratio, b.stops[i].ratio, t);
    f.stops[i].colour = mix(a.stops[i].colour, b.stops[i].colour, t);
  }
  return f;
}

// The control point of an edge, a straight one's at its middle.
void control(const Edge& e, float& cx, float& cy) {
  cx = e.curve ? e.cx : (e.x0 + e.x1) / 2;
  cy = e.curve ? e.cy : (e.y0 + e.y1) / 2;
}

}  // namespace

bool readMorphShape(RecordReader& in, bool morph2, uint32_t& records, MorphShape& out) {
  in.rect();
  in.rect();
  if (morph2) {
    in.rect();
    in.rect();
    in.u8();
  }
  const uint32_t offset = in.u32();
  const size_t endAt = in.position() + offset;
  const unsigned fills = styleCount(in);
  for (unsigned i = 0; i < fills && !in.failed(); ++i) {
    FillStyle a, b;
    if (!readMorphFill(in, a, b)) return false;
    out.startFills.push_back(std::move(a));
    out.endFills.push_back(std::move(b));
  }
  const unsigned lines = styleCount(in);
  for (unsigned i = 0; i < lines && !in.failed(); ++i) {
    LineStyle a, b;
    if (!readMorphLine(in, morph2, a, b)) return false;
    out.startLines.push_back(a);
    out.endLines.push_back(b);
  }
  if (in.failed() || !readMorphEdges(in, records, out.startEdges)) return false;
  // The end edges start where the offset says; writers that leave it 0 put them right after.
  if (offset != 0 && endAt >= in.position() && endAt - in.position() <= in.remaining()) in.skip(endAt - in.position());
  return readMorphEdges(in, records, out.endEdges);
}

void morphAt(const MorphShape& morph, double t, Shape& out) {
  t = t < 0 ? 0 : t > 1 ? 1 : t;
  out.groups.assign(1, ShapeGroup());
  ShapeGroup& g = out.groups[0];
  for (size_t i = 0; i < morph.startFills.size(); ++i)
    g.fills.push_back(mix(morph.startFills[i], morph.endFills[i], t));
  for (size_t i = 0; i < morph.startLines.size(); ++i) {
    const LineStyle &a = morph.startLines[i], &b = morph.endLines[i];
    LineStyle l = a;
    l.width = uint16_t(a.width + (b.width - a.width) * t + 0.5);
    l.colour = mix(a.colour, b.colour, t);
    if (l.hasFill) l.fill = mix(a.fill, b.fill, t);
    g.lines.push_back(l);
  }
  const size_t count = std::min(morph.startEdges.size(), morph.endEdges.size());
  g.edges.reserve(count);
  g.edgesOfFill.assign(g.fills.size(), {});
  for (size_t i = 0; i < count; ++i) {
    const Edge &a = morph.startEdges[i], &b = morph.endEdges[i];
    Edge e = a;
    e.x0 = mix(a.x0, b.x0, t);
    e.y0 = mix(a.y0, b.y0, t);
    e.x1 = mix(a.x1, b.x1, t);
    e.y1 = mix(a.y1, b.y1, t);
    e.curve = a.curve || b.curve;
    if (e.curve) {
      float acx, acy, bcx, bcy;
      control(a, acx, acy);
      control(b, bcx, bcy);
      e.cx = mix(acx, bcx, t);
      e.cy = mix(acy, bcy, t);
    } else {
      e.cx = e.x0;
      e.cy = e.y0;
    }
    g.edges.push_back(e);
    if (e.fill0 == e.fill1) continue;
    if (e.fill0 >= 1 && e.fill0 <= g.fills.size()) g.edgesOfFill[e.fill0 - 1].push_back(uint32_t(i));
    if (e.fill1 >= 1 && e.fill1 <= g.fills.size()) g.edgesOfFill[e.fill1 - 1].push_back(uint32_t(i));
  }
}

}  // namespace mv::render
