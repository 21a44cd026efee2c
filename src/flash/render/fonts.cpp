// Fonts.
//
// DefineFont: an offset table of UI16 (the first offset / 2 is the glyph count) and the glyph shapes,
// offsets counted from the table's start. DefineFont2 and DefineFont3: flags UI8 (0x80 layout, 0x08 wide
// offsets, 0x04 wide codes, 0x02 italic, 0x01 bold), language UI8, name length UI8 and name, glyph count
// UI16, offset table of UI16 or UI32 with the code table's offset after it, the glyph shapes, the code
// table (UI16 or UI8 a glyph), and with a layout: ascent UI16, descent UI16, leading SI16, an advance
// SI16 and a bounds RECT a glyph, then kerning (not used: text fields do not kern by default).
// DefineFont3 has 20 units to the twip where the others have one: its EM square is 20480.
#include "flash/render/fonts.h"

#include <algorithm>

#include "flash/render/shapes.h"
#include "support/paths.h"

namespace mv::render {

namespace {

void scaleGlyph(Glyph& g, float k) {
  for (Edge& e : g.edges) {
    e.x0 *= k;
    e.y0 *= k;
    e.cx *= k;
    e.cy *= k;
    e.x1 *= k;
    e.y1 *= k;
  }
}

// Glyph shapes between consecutive offsets of the table that starts at tableStart.
FontRead readGlyphs(const uint8_t* tableStart, size_t tableBytes, const std::vector<uint32_t>& offsets,
                    uint32_t& records, Font& out) {
  for (size_t i = 0; i + 1 < offsets.size(); ++i) {
    Glyph glyph;
    const size_t start = offsets[i], end = offsets[i + 1];
    if (start <= end && end <= tableBytes) {
      RecordReader g(tableStart + start, end - start);
      if (!readGlyph(g, records, glyph)) {
        glyph.edges.clear();
        if (records == 0) return FontRead::outOfRecords;
      }
    }
    out.glyphs.push_back(std::move(glyph));
  }
  return FontRead::ok;
}

FontRead readFont1(RecordReader& in, uint32_t& records, Font& out) {
  const size_t tableStart = in.position();
  const uint16_t first = in.u16();
  const size_t count = first / 2;
  if (in.failed() || count == 0) return FontRead::ok;
  std::vector<uint32_t> offsets{first};
  for (size_t i = 1; i < count && !in.failed(); ++i) offsets.push_back(in.u16());
  if (in.failed()) return FontRead::damaged;
  const size_t tableBytes = in.position() + in.remaining() - tableStart;
  offsets.push_back(uint32_t(tableBytes));
  in.skip(in.remaining());
  return readGlyphs(in.data() + tableStart, tableBytes, offsets, records, out);
}

}  // namespace

std::string fontName(RecordReader& in) {
  const unsigned length = in.u8();
  std::string name;
  for (unsigned i = 0; i < length && !in.failed(); ++i) name += char(in.u8());
  while (!name.empty() && name.back() == '\0') name.pop_back();
  return name;
}

FontRead readFont(RecordReader& in, int fontVersion, uint32_t& records, Font& out) {
  if (fontVersion == 1) return readFont1(in, records, out);
  const unsigned flags = in.u8();
  in.u8();  // language
  out.name = fontName(in);
  out.bold = flags & 0x01;
  out.italic = flags & 0x02;
  const unsigned count = in.u16();
  if (in.failed()) return FontRead::damaged;
  if (count == 0) return FontRead::ok;  // a device font: a name, no outlines
  const size_t tableStart = in.position();
  const bool wideOffsets = flags & 0x08, wideCodes = (flags & 0x04) || fontVersion == 3;
  std::vector<uint32_t> offsets;
  offsets.reserve(std::min<size_t>(count + 1, in.remaining()));
  for (unsigned i = 0; i <= count && !in.failed(); ++i) offsets.push_back(wideOffsets ? in.u32() : in.u16());
  if (in.failed()) return FontRead::damaged;
  const size_t tableBytes = in.position() + in.remaining() - tableStart;
  const FontRead glyphs = readGlyphs(in.data() + tableStart, tableBytes, offsets, records, out);
  if (glyphs != FontRead::ok) return glyphs;
  const float unit = fontVersion == 3 ? 1.0f / 20 : 1.0f;
  if (fontVersion == 3)
    for (Glyph& g : out.glyphs) scaleGlyph(g, unit);

  // The code table and the layout, where the offset table says they are.
  if (offsets.back() > tableBytes) return FontRead::damaged;
  RecordReader rest(in.data() + tableStart + offsets.back(), tableBytes - offsets.back());
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t code = wideCodes ? rest.u16() : rest.u8();
    if (rest.failed()) return FontRead::damaged;
    out.glyphOfCode.emplace(code, i);  // the first glyph of a code counts
  }
  if (!(flags & 0x80)) return FontRead::ok;
  const float ascent = rest.u16() * unit, descent = rest.u16() * unit;
  rest.s16();  // leading: a text field's own leading counts
  std::vector<float> advances;
  for (uint32_t i = 0; i < count && !rest.failed(); ++i) advances.push_back(rest.s16() * unit);
  if (rest.failed()) return FontRead::ok;  // a layout cut short: laid out as a font without one
  out.ascent = ascent;
  out.descent = descent;
  out.advances = std::move(advances);
  in.skip(in.remaining());
  return FontRead::ok;
}

namespace {

// The outline of a device glyph as edges; a cubic step becomes two quadratic ones.
bool outlineEdges(const std::vector<OutlineStep>& steps, uint32_t& records, Glyph& out) {
  float startX = 0, startY = 0, x = 0, y = 0;
  bool open = false;
  auto add = [&](float cx, float cy, float nx, float ny, bool curve) {
    Edge e{x, y, cx, cy, nx, ny, 1, 0, 0, curve};
    out.edges.push_back(e);
    x = nx;
    y = ny;
  };
  auto close = [&] {
    if (open && (x != startX || y != startY)) add(x, y, startX, startY, false);
  };
  for (const OutlineStep& s : steps) {
    if (records == 0) return false;
    --records;
    switch (s.kind) {
      case OutlineStep::moveTo:
        close();
        x = startX = s.x[0];
        y = startY = s.y[0];
        open = true;
        break;
      case OutlineStep::lineTo:
        add(x, y, s.x[0], s.y[0], false);
        break;
      case OutlineStep::quadTo:
        add(s.x[0], s.y[0], s.x[1], s.y[1], true);
        break;
      case OutlineStep::cubicTo: {
        // Split at t = 1/2; each half's quadratic control point: (3 (c1 + c2) - (p0 + p3)) / 4.
        const float x0 = x, y0 = y;
        const float ax = (x0 + s.x[0]) / 2, ay = (y0 + s.y[0]) / 2, bx = (s.x[0] + s.x[1]) / 2,
                    by = (s.y[0] + s.y[1]) / 2, cx = (s.x[1] + s.x[2]) / 2, cy = (s.y[1] + s.y[2]) / 2;
        const float abx = (ax + bx) / 2, aby = (ay + by) / 2, bcx = (bx + cx) / 2, bcy = (by + cy) / 2;
        const float mx = (abx + bcx) / 2, my = (aby + bcy) / 2;
        add((3 * (ax + abx) - (x0 + mx)) / 4, (3 * (ay + aby) - (y0 + my)) / 4, mx, my, true);
        add((3 * (bcx + cx) - (mx + s.x[2])) / 4, (3 * (bcy + cy) - (my + s.y[2])) / 4, s.x[2], s.y[2], true);
        break;
      }
    }
  }
  close();
  return true;
}

}  // namespace

bool DeviceFonts::find(const std::string& family, bool bold, bool italic, uint32_t& font) {
  if (!provider_) return false;
  std::string name = asciiLower(family);
  if (name == "_sans") name = "arial";
  else if (name == "_serif") name = "times new roman";
  else if (name == "_typewriter") name = "courier new";
  const auto key = std::make_tuple(name, bold, italic);
  auto it = known_.find(key);
  if (it == known_.end()) {
    const FontFace* face = provider_->face(name, bold, italic);
    int64_t index = -1;
    if (face) {
      index = int64_t(fonts_.size());
      Font f;
      f.name = name;
      f.bold = bold;
      f.italic = italic;
      f.device = true;
      f.ascent = face->ascent();
      f.descent = face->descent();
      fonts_.push_back(std::move(f));
      faces_[uint32_t(index)] = face;
    }
    it = known_.emplace(key, index).first;
  }
  if (it->second < 0) return name != "times new roman" && find("times new roman", bold, italic, font);
  font = uint32_t(it->second);
  return true;
}

bool DeviceFonts::glyph(uint32_t font, char32_t code, uint32_t& glyph) {
  Font& f = fonts_[font];
  auto known = f.glyphOfCode.find(code);
  if (known != f.glyphOfCode.end()) {
    glyph = known->second;
    return true;
  }
  auto face = faces_.find(font);
  DeviceGlyph shape;
  if (face == faces_.end() || outOfRecords_ || !face->second->glyph(code, shape)) return false;
  Glyph g;
  if (!outlineEdges(shape.outline, records_, g)) {
    outOfRecords_ = true;
    return false;
  }
  glyph = uint32_t(f.glyphs.size());
  f.glyphs.push_back(std::move(g));
  f.advances.push_back(shape.advance);
  f.glyphOfCode.emplace(code, glyph);
  return true;
}

}  // namespace mv::render
