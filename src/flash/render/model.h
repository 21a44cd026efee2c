#pragma once
// The movie as the renderer holds it after reading: the characters defined before the first ShowFrame
// and the display list at that point. Shape coordinates are in twips; colours are not premultiplied,
// bitmap pixels are (0xAARRGGBB, each colour at most its alpha).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "flash/render/first_frame.h"

namespace mv::render {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
};

// x' = a x + c y + tx, y' = b x + d y + ty (SWF's ScaleX, RotateSkew0, RotateSkew1, ScaleY).
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

  double mapX(double x, double y) const { return a * x + c * y + tx; }
  double mapY(double x, double y) const { return b * x + d * y + ty; }
  // This after inner: (this * inner)(p) = this(inner(p)).
  Matrix operator*(const Matrix& m) const {
    return {a * m.a + c * m.b, b * m.a + d * m.b, a * m.c + c * m.d, b * m.c + d * m.d, a * m.tx + c * m.ty + tx,
            b * m.tx + d * m.ty + ty};
  }
  double determinant() const { return a * d - b * c; }
  bool invert(Matrix& out) const {
    const double det = determinant();
    if (!(std::fabs(det) > 1e-12) || !std::isfinite(det)) return false;
    out.a = d / det;
    out.b = -b / det;
    out.c = -c / det;
    out.d = a / det;
    out.tx = -(out.a * tx + out.c * ty);
    out.ty = -(out.b * tx + out.d * ty);
    return true;
  }
  // The geometric mean of the two scale factors (how a width scales, on average).
  double meanScale() const { return std::sqrt(std::fabs(determinant())); }
  // The largest factor by which the matrix stretches a length.
  double maxScale() const {
    const double p = a * a + b * b + c * c + d * d;
    const double q = determinant();
    const double disc = std::sqrt(std::max(0.0, p * p / 4 - q * q));
    return std::sqrt(std::max(0.0, p / 2 + disc));
  }
  static Matrix translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
  static Matrix scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
};

// c' = c * mul + add for each of red, green, blue, alpha (0..255 scale), clamped.
struct ColourTransform {
  float mul[4] = {1, 1, 1, 1};
  float add[4] = {0, 0, 0, 0};

  bool identity() const {
    for (int i = 0; i < 4; ++i)
      if (mul[i] != 1 || add[i] != 0) return false;
    return true;
  }
  // This after inner.
  ColourTransform operator*(const ColourTransform& inner) const {
    ColourTransform t;
    for (int i = 0; i < 4; ++i) {
      t.mul[i] = mul[i] * inner.mul[i];
      t.add[i] = mul[i] * inner.add[i] + add[i];
    }
    return t;
  }
  static uint8_t clampByte(float v) { return v <= 0 ? 0 : v >= 255 ? 255 : uint8_t(v + 0.5f); }
  Rgba apply(Rgba c) const {
    return {clampByte(c.r * mul[0] + add[0]), clampByte(c.g * mul[1] + add[1]), clampByte(c.b * mul[2] + add[2]),
            clampByte(c.a * mul[3] + add[3])};
  }
};

struct GradientStop {
  uint8_t ratio = 0;
  Rgba colour;
};

// How a gradient colours what lies beyond its ends: the end colours carried on (pad), the ramp mirrored
// back and forth (reflect) or started again (repeat).
enum class Spread : uint8_t { pad, reflect, repeat };

struct FillStyle {
  enum Kind : uint8_t { solid, linear, radial, bitmap } kind = solid;
  Rgba colour;
  Matrix matrix;                     // gradient square or bitmap pixels -> shape twips
  std::vector<GradientStop> stops;   // linear and radial, as the movie lists them
  Spread spread = Spread::pad;
  bool linearRgb = false;            // the ramp mixes its stops in linear RGB, not in sRGB
  float focus = 0;                   // radial: the focal point on the x axis, -1..1 of the radius
  uint16_t bitmapId = 0;
  bool repeat = false, smooth = true;
};

// The ends of open lines and the corners between segments (line styles 2; older lines are round).
enum class Cap : uint8_t { round, none, square };
enum class Join : uint8_t { round, bevel, miter };

struct LineStyle {
  uint16_t width = 0;  // twips
  Rgba colour;
  Cap startCap = Cap::round, endCap = Cap::round;
  Join join = Join::round;
  float miterLimit = 3;      // miter joins: a point reaching further from the corner than this many widths is cut off
  bool noClose = false;      // a path ending where it started keeps its caps rather than a join
  bool noHScale = false;     // the width does not follow the placement's horizontal scale
  bool noVScale = false;     // nor its vertical one
  bool hasFill = false;      // the line is painted with fill, not colour
  FillStyle fill;
};

// One edge of a shape in twips, with the styles in effect when it was drawn. Style indices count from
// 1 into the group's arrays; 0 is none.
struct Edge {
  float x0, y0, cx, cy, x1, y1;  // (cx, cy): the control point of a quadratic curve
  uint16_t fill0, fill1, line;
  bool curve;
};

// The edges drawn with one set of style arrays (a shape starts one more group with each NewStyles).
struct ShapeGroup {
  std::vector<FillStyle> fills;
  std::vector<LineStyle> lines;
  std::vector<Edge> edges;
  std::vector<std::vector<uint32_t>> edgesOfFill;  // [fill - 1]: edges with that fill on exactly one side
};

struct Shape {
  std::vector<ShapeGroup> groups;
  bool nonZero = false;  // fills by the non-zero winding rule (DefineShape4 may ask for it), else even-odd
};

// A glyph: the edges that have the text's fill on exactly one side, in the font's EM square of 1024.
struct Glyph {
  std::vector<Edge> edges;
};

// Glyph outlines with what text fields lay them out by. DefineFont3's units (20 to the EM's 1024) are
// brought to those of the other fonts as the font is read. A device font is made from the FontProvider's
// outlines as a text field asks for its characters.
struct Font {
  std::vector<Glyph> glyphs;
  std::string name;            // DefineFont2/3 (or DefineFontInfo) name, without a trailing NUL
  bool bold = false, italic = false;
  bool device = false;         // outlines of the machine's font, filled by the non-zero rule
  float ascent = 0, descent = 0;                // EM units; 0 without a layout
  std::vector<float> advances;                  // [glyph], EM units; empty without a layout
  std::unordered_map<uint32_t, uint32_t> glyphOfCode;  // character code -> glyph index
};

struct TextGlyph {
  uint16_t fontId;
  uint32_t index;
  float x, y;      // baseline origin in the text's coordinates (twips)
  float height;    // twips
  Rgba colour;
};

struct Text {
  Matrix matrix;
  std::vector<TextGlyph> glyphs;
};

// A text field laid out: what its text looks like on the first frame, in the field's coordinates (twips).
struct FieldGlyph {
  uint32_t font;   // into Movie::fonts
  uint32_t glyph;
  float x, y;      // baseline origin
  float size;      // EM size in twips
  Rgba colour;
};

struct EditText {
  Shape frame;                      // background and border, when the field has them
  std::vector<FieldGlyph> glyphs;
  Shape underlines;                 // a solid rectangle under each underlined run
  bool clipped = false;             // text reaches outside the field: drawn inside clip alone
  Shape clip;                       // the field's rectangle
};

struct Bitmap {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // premultiplied 0xAARRGGBB
};

struct DisplayObject {
  uint16_t characterId = 0;
  Matrix matrix;
  ColourTransform colour;
  uint16_t clipDepth = 0;  // a clipping layer: masks the depths above it up to this one
};

using DisplayList = std::map<uint16_t, DisplayObject>;  // by depth, drawn from the lowest

struct Sprite {
  DisplayList firstFrame;
};

struct Character {
  enum Kind : uint8_t { shape, text, sprite, bitmap, font, editText } kind;
  uint32_t index;  // into the movie's vector of that kind
};

struct Movie {
  int32_t stageLeft = 0, stageTop = 0, stageWidth = 0, stageHeight = 0;  // twips
  uint32_t background = 0xFFFFFF;
  int version = 0;  // the SWF version: how the movie's strings are encoded
  std::unordered_map<uint16_t, Character> dictionary;
  std::vector<Shape> shapes;
  std::vector<Text> texts;
  std::vector<Sprite> sprites;
  std::vector<Bitmap> bitmaps;
  std::vector<Font> fonts;          // the movie's fonts, then the device fonts its text fields use
  std::vector<EditText> editTexts;
  DisplayList stage;
  Limits limits;

  const Character* find(uint16_t id) const {
    auto it = dictionary.find(id);
    return it == dictionary.end() ? nullptr : &it->second;
  }
};

}  // namespace mv::render
