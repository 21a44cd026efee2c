#pragma once
// Hand-built fonts and text fields for the renderer's tests: DefineFont2/3 with box glyphs and a layout,
// DefineEditText with the fields its flags call for.
#include <string>
#include <vector>

#include "movie_builder.h"

namespace rendertest {

// A glyph: a filled box in EM units of 1024 (y up from the baseline is negative), or nothing.
struct BoxGlyph {
  char code;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // x1 == x0: a blank
  int advance = 768;
};

// DefineFont2 (version 2) or DefineFont3 (version 3: every unit times 20), with codes, ascent 820,
// descent 205 and the glyphs' advances.
inline std::string defineBoxFont(int version, uint16_t id, const std::string& name, const std::vector<BoxGlyph>& glyphs,
                                 bool bold = false, bool italic = false) {
  const int k = version == 3 ? 20 : 1;
  std::vector<std::string> shapes;
  for (const BoxGlyph& g : glyphs) {
    Records r(1, 0);
    if (g.x1 != g.x0) r.move(g.x0 * k, g.y0 * k, -1, 1, -1).rectangle(g.x0 * k, g.y0 * k, g.x1 * k, g.y1 * k);
    shapes.push_back(r.end());
  }
  // Wide offsets: the table is count + 1 UI32.
  const size_t table = 4 * (glyphs.size() + 1);
  std::string offsets, body;
  size_t at = table;
  for (const std::string& s : shapes) {
    offsets += swftest::le32(uint32_t(at));
    body += s;
    at += s.size();
  }
  offsets += swftest::le32(uint32_t(at));
  std::string t = le16(id);
  t += char(0x80 | 0x08 | 0x04 | (italic ? 0x02 : 0) | (bold ? 0x01 : 0));
  t += char(1);
  t += char(name.size()) + name;
  t += le16(int(glyphs.size()));
  t += offsets + body;
  for (const BoxGlyph& g : glyphs) t += le16(uint8_t(g.code));
  t += le16(820 * k) + le16(205 * k) + le16(0);
  for (const BoxGlyph& g : glyphs) t += le16(g.advance * k);
  for (size_t i = 0; i < glyphs.size(); ++i) t += rect(0, 0, 0, 0);
  t += le16(0);  // no kerning
  return tag(version == 3 ? 75 : 48, t);
}

// The test font: 'A' a box 0..512 wide and 512 high on the baseline, 'B' a thin bar, ' ' and '*' as told.
inline std::vector<BoxGlyph> boxGlyphs() {
  return {{'A', 0, -512, 512, 0}, {'B', 0, -512, 128, 0}, {' ', 0, 0, 0, 0, 256}, {'*', 0, -256, 256, 0}};
}

struct EditText {
  int32_t x0 = 0, y0 = 0, x1 = 4000, y1 = 2000;  // twips
  int fontId = -1;
  std::string fontClass;
  int fontHeight = 400;
  Colour colour{0, 0, 255};
  bool hasColour = true;
  bool wordWrap = false, multiline = true, password = false, html = false, border = false, autoSize = false;
  bool useOutlines = true;
  bool layout = false;
  int align = 0, leftMargin = 0, rightMargin = 0, indent = 0, leading = 0;
  std::string text;

  std::string tag(uint16_t id) const {
    const bool hasFont = fontId >= 0;
    std::string t = le16(id) + rect(x0, x1, y0, y1);
    t += char(0x80 | (wordWrap ? 0x40 : 0) | (multiline ? 0x20 : 0) | (password ? 0x10 : 0) | 0x08 |
              (hasColour ? 0x04 : 0) | (hasFont ? 0x01 : 0));
    t += char((fontClass.empty() ? 0 : 0x80) | (autoSize ? 0x40 : 0) | (layout ? 0x20 : 0) | (border ? 0x08 : 0) |
              (html ? 0x02 : 0) | (useOutlines ? 0x01 : 0));
    if (hasFont) t += le16(fontId);
    if (!fontClass.empty()) t += fontClass + '\0';
    if (hasFont || !fontClass.empty()) t += le16(fontHeight);
    if (hasColour) t += rgba(colour);
    if (layout) t += char(align) + le16(leftMargin) + le16(rightMargin) + le16(indent) + le16(leading);
    t += std::string("field") + '\0';
    t += text + '\0';
    return swftest::tag(37, t);
  }
};

// A device font: DefineFont2 with a name and no glyphs.
inline std::string defineDeviceFont(uint16_t id, const std::string& name, bool bold = false) {
  return tag(48, le16(id) + char(bold ? 1 : 0) + char(1) + char(name.size()) + name + le16(0));
}

}  // namespace rendertest
