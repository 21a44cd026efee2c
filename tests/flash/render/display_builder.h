#pragma once
// Hand-built display tags for the renderer's tests, benchmark and fuzz seeds: morph shapes, buttons,
// PlaceObject3 with filters and blend modes, and scaling grids, written field by field from the format.
#include <cstring>

#include "movie_builder.h"

namespace rendertest {

inline std::string fixed16(double v) { return swftest::le32(uint32_t(int32_t(std::lround(v * 65536)))); }
inline std::string fixed8(double v) { return le16(int(std::lround(v * 256)) & 0xFFFF); }

// DefineMorphShape from its style arrays (MORPHFILLSTYLEARRAY and MORPHLINESTYLEARRAY) and the start and
// end records; the bounds are not used for drawing.
inline std::string defineMorph(uint16_t id, const std::string& styles, Records& start, Records& end) {
  const std::string startBits = start.end();
  return swftest::tag(46, le16(id) + rect(0, 20, 0, 20) + rect(0, 20, 0, 20) +
                              swftest::le32(uint32_t(styles.size() + startBits.size())) + styles + startBits + end.end());
}

// A morph between two solid rectangles (twips), optionally outlined by a line that morphs too.
// morph2 writes DefineMorphShape2 with MORPHLINESTYLE2 (round caps and joins).
struct MorphRects {
  Colour startFill, endFill;
  int32_t s[4], e[4];  // x0, y0, x1, y1
  int lineWidth = 0;
  Colour startLine{0, 0, 0}, endLine{0, 0, 0};
  bool morph2 = false;

  std::string tag(uint16_t id) const {
    std::string styles = std::string(1, '\1') + '\0' + rgba(startFill) + rgba(endFill);
    if (lineWidth) {
      styles += '\1' + le16(lineWidth) + le16(lineWidth);
      if (morph2) styles += le16(0);  // round caps and joins, no fill
      styles += rgba(startLine) + rgba(endLine);
    } else {
      styles += '\0';
    }
    Records start(1, 1);
    start.move(s[0], s[1], 0, 1, lineWidth ? 1 : 0).rectangle(s[0], s[1], s[2], s[3]);
    Records end(0, 0);
    end.move(e[0], e[1]).rectangle(e[0], e[1], e[2], e[3]);
    const std::string startBits = start.end();
    std::string body = le16(id) + rect(s[0], s[2], s[1], s[3]) + rect(e[0], e[2], e[1], e[3]);
    if (morph2) body += rect(s[0], s[2], s[1], s[3]) + rect(e[0], e[2], e[1], e[3]) + char(1);
    body += swftest::le32(uint32_t(styles.size() + startBits.size())) + styles + startBits + end.end();
    return swftest::tag(morph2 ? 84 : 46, body);
  }
};

// Filters (FILTERLIST entries).
inline std::string blurFilter(double x, double y, int passes) { return char(1) + fixed16(x) + fixed16(y) + char(passes << 3); }
inline std::string shadowFilter(Colour c, double blur, double angle, double distance, double strength, int flags) {
  return char(0) + rgba(c) + fixed16(blur) + fixed16(blur) + fixed16(angle) + fixed16(distance) + fixed8(strength) +
         char(flags);
}
inline std::string glowFilter(Colour c, double blur, double strength, int flags) {
  return char(2) + rgba(c) + fixed16(blur) + fixed16(blur) + fixed8(strength) + char(flags);
}
inline std::string bevelFilter(Colour shadow, Colour highlight, double blur, double angle, double distance, int flags) {
  return char(3) + rgba(highlight) + rgba(shadow) + fixed16(blur) + fixed16(blur) + fixed16(angle) +
         fixed16(distance) + fixed8(1) + char(flags);
}
inline std::string colourMatrixFilter(const float (&m)[20]) {
  std::string s(1, char(6));
  for (float v : m) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    s += swftest::le32(bits);
  }
  return s;
}
// Filters the renderer leaves out: a gradient glow and a convolution.
inline std::string skippedFilters() {
  return char(4) + std::string(1, '\2') + rgba({0, 0, 0}) + rgba({255, 255, 255}) + '\0' + '\xFF' + std::string(19, '\0') +
         char(5) + '\1' + '\1' + std::string(8, '\0') + swftest::le32(0x3F800000) + rgba({0, 0, 0}) + '\0';
}

// PlaceObject3: a PlaceObject2 with the second flags byte and the fields it announces.
struct Place3 {
  Place base;
  std::vector<std::string> filters;
  int blend = -1, cache = -1, visible = -1;
  explicit Place3(const Place& p) : base(p) {}

  std::string tag() const {
    std::string po2 = base.tag();
    const size_t header = (uint8_t(po2[0]) & 0x3F) == 0x3F ? 6 : 2;
    const std::string body = po2.substr(header);
    const int flags = (filters.empty() ? 0 : 0x01) | (blend >= 0 ? 0x02 : 0) | (cache >= 0 ? 0x04 : 0) |
                      (visible >= 0 ? 0x20 : 0);
    std::string out = body.substr(0, 1) + char(flags) + body.substr(1);
    if (!filters.empty()) {
      out += char(filters.size());
      for (const std::string& f : filters) out += f;
    }
    if (blend >= 0) out += char(blend);
    if (cache >= 0) out += char(cache);
    if (visible >= 0) out += char(visible) + rgba({0, 0, 0, 0});
    return swftest::tag(70, out);
  }
};

// A button record: states 0x01 up, 0x02 over, 0x04 down, 0x08 hit test.
struct ButtonRecord {
  int states;
  uint16_t id, depth;
  Mat m;
  std::string extra;  // DefineButton2: CXFORMWITHALPHA (an identity one when empty)
};

inline std::string defineButton(uint16_t id, const std::vector<ButtonRecord>& records, bool button2) {
  std::string body = le16(id);
  if (button2) body += std::string(1, '\0') + le16(0);
  for (const ButtonRecord& r : records) {
    body += char(r.states) + le16(r.id) + le16(r.depth) + matrix(r.m);
    if (button2) body += r.extra.empty() ? std::string(1, '\0') : r.extra;
  }
  body += '\0';
  if (!button2) body += '\0';  // no actions
  return swftest::tag(button2 ? 34 : 7, body);
}

// CXFORM with multiplication terms only (8.8).
inline std::string multiplyOnly(int r, int g, int b) {
  Bits bits;
  const int n = bitsFor({r, g, b});
  bits.ub(0, 1).ub(1, 1).ub(uint32_t(n), 4).sb(r, n).sb(g, n).sb(b, n);
  return bits.bytes();
}

inline std::string scalingGrid(uint16_t id, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  return swftest::tag(78, le16(id) + rect(x0, x1, y0, y1));
}

inline std::string spriteOf(uint16_t id, const std::string& tags) {
  return swftest::tag(39, le16(id) + le16(1) + tags + swftest::showFrame() + swftest::endTag());
}

}  // namespace rendertest
