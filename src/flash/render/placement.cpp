// Placements and buttons.
//
// PlaceObject2 (26): flags UI8 (0x80 clip actions, 0x40 clip depth, 0x20 name, 0x10 ratio, 0x08 colour
// transform, 0x04 matrix, 0x02 character, 0x01 move), depth UI16, then as the flags say the id UI16,
// MATRIX, CXFORMWITHALPHA, ratio UI16, name (zero-terminated), clip depth UI16. Move without a
// character changes the object at the depth; with one it replaces the character and keeps the rest.
// PlaceObject3 (70): the same first flags, a second flags byte (0x40 opaque background, 0x20 visible,
// 0x10 image, 0x08 class name, 0x04 cache as bitmap, 0x02 blend mode, 0x01 filters), the depth, a class
// name (zero-terminated) when flagged, the fields above, then FILTERLIST, blend mode UI8, bitmap cache UI8,
// visible UI8 and the background RGBA, each when flagged.
// FILTERLIST: count UI8, then filters, each an id UI8 and its fields (FIXED: 16.16, FIXED8: 8.8):
//   0 drop shadow   RGBA, blur x FIXED, blur y FIXED, angle FIXED, distance FIXED, strength FIXED8,
//                   flags UI8 (0x80 inner, 0x40 knockout, 0x20 composite source, low 5 bits passes)
//   1 blur          blur x FIXED, blur y FIXED, UI8 (top 5 bits passes)
//   2 glow          RGBA, blur x, blur y, strength, flags as the drop shadow's
//   3 bevel         highlight RGBA, shadow RGBA (the order players read them in; the format's documentation
//                   names the shadow first), blur x, blur y, angle, distance, strength, flags UI8
//                   (0x80 inner, 0x40 knockout, 0x20 composite source, 0x10 on top, low 4 bits passes)
//   4 gradient glow, 7 gradient bevel: count UI8, count RGBA, count ratios UI8, blur x, blur y, angle,
//                   distance, strength, flags
//   5 convolution   columns UI8, rows UI8, divisor FLOAT, bias FLOAT, columns x rows FLOAT, RGBA, UI8
//   6 colour matrix 20 FLOAT
// Gradient glows and bevels and convolutions are left out.
// BUTTONRECORD: flags UI8 (0x20 blend mode, 0x10 filters, 0x08 hit test, 0x04 down, 0x02 over, 0x01
// up; 0 ends the records), id UI16, depth UI16, MATRIX, in DefineButton2 a CXFORMWITHALPHA and, when
// flagged, a FILTERLIST and a blend mode UI8. DefineButton2 starts with a flags UI8 and the actions'
// offset UI16.
#include "flash/render/placement.h"

#include <cmath>
#include <cstring>

namespace mv::render {

namespace {

float fixed16(RecordReader& in) { return float(int32_t(in.u32()) / 65536.0); }
float fixed8(RecordReader& in) { return float(int16_t(in.u16()) / 256.0); }
float single(RecordReader& in) {
  const uint32_t bits = in.u32();
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return std::isfinite(f) ? f : 0.0f;
}

// Blur sizes beyond this many pixels look the same as this many.
float blurSize(float v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

// A filter's shared tail: blur, the angle and distance when it has them, strength and flags.
void readShadowLike(RecordReader& in, bool offset, bool bevel, Filter& f) {
  f.blurX = blurSize(fixed16(in));
  f.blurY = blurSize(fixed16(in));
  if (offset) {
    f.angle = fixed16(in);
    f.distance = fixed16(in);
  }
  f.strength = fixed8(in);
  const unsigned flags = in.u8();
  f.inner = flags & 0x80;
  f.knockout = flags & 0x40;
  f.compositeSource = flags & 0x20;
  f.onTop = bevel && (flags & 0x10);
  f.passes = int(flags & (bevel ? 0x0F : 0x1F));
}

}  // namespace

bool readFilters(RecordReader& in, std::vector<Filter>& out) {
  const unsigned count = in.u8();
  for (unsigned i = 0; i < count && !in.failed(); ++i) {
    Filter f;
    const unsigned id = in.u8();
    switch (id) {
      case 0:
        f.kind = Filter::dropShadow;
        f.colour = in.rgba();
        readShadowLike(in, true, false, f);
        break;
      case 1:
        f.kind = Filter::blur;
        f.blurX = blurSize(fixed16(in));
        f.blurY = blurSize(fixed16(in));
        f.passes = int(in.u8() >> 3);
        break;
      case 2:
        f.kind = Filter::glow;
        f.colour = in.rgba();
        readShadowLike(in, false, false, f);
        break;
      case 3:
        f.kind = Filter::bevel;
        f.highlight = in.rgba();
        f.colour = in.rgba();
        readShadowLike(in, true, true, f);
        break;
      case 4:
      case 7: {
        const unsigned colours = in.u8();
        in.skip(colours * 5 + 19);
        continue;
      }
      case 5: {
        const unsigned columns = in.u8(), rows = in.u8();
        in.skip(8 + size_t(columns) * rows * 4 + 5);
        continue;
      }
      case 6:
        f.kind = Filter::colourMatrix;
        for (float& v : f.matrix) v = single(in);
        break;
      default:
        return false;  // the size of an unknown filter is unknown
    }
    if (!in.failed()) out.push_back(f);
  }
  return !in.failed();
}

void readPlacement(RecordReader& in, bool placeObject3, DisplayList& list) {
  const unsigned flags = in.u8();
  const unsigned more = placeObject3 ? in.u8() : 0;
  const uint16_t depth = in.u16();
  if (in.failed()) return;
  DisplayObject o;
  auto existing = list.find(depth);
  const bool move = flags & 0x01, hasCharacter = flags & 0x02;
  if (move) {
    if (existing == list.end()) return;  // nothing to move
    o = existing->second;
  } else if (!hasCharacter) {
    return;
  }
  if ((more & 0x08) || ((more & 0x10) && hasCharacter))
    while (in.remaining() > 0 && in.u8() != 0) {
    }
  if (hasCharacter) o.characterId = in.u16();
  if (flags & 0x04) o.matrix = in.matrix();
  if (flags & 0x08) o.colour = in.colourTransform(true);
  if (flags & 0x10) o.ratio = in.u16();
  if (flags & 0x20)
    while (in.remaining() > 0 && in.u8() != 0) {
    }
  if (flags & 0x40) o.clipDepth = in.u16();
  if (in.failed()) return;
  if (more & 0x01) {
    std::vector<Filter> filters;
    if (!readFilters(in, filters)) return;
    o.filters = std::move(filters);
  }
  if (more & 0x02) {
    const unsigned mode = in.u8();
    o.blend = mode >= 2 && mode <= 14 ? BlendMode(mode - 1) : BlendMode::normal;
  }
  if (more & 0x04) o.cacheAsBitmap = in.u8() != 0;
  if (more & 0x20) o.visible = in.u8() != 0;
  if (in.failed()) return;
  list[depth] = std::move(o);
}

bool readButtonUpState(RecordReader& in, bool button2, DisplayList& out) {
  if (button2) {
    in.u8();
    in.u16();
  }
  for (;;) {
    const unsigned flags = in.u8();
    if (in.failed()) return false;
    if (flags == 0) return true;
    DisplayObject o;
    o.characterId = in.u16();
    const uint16_t depth = in.u16();
    o.matrix = in.matrix();
    if (button2) {
      o.colour = in.colourTransform(true);
      if ((flags & 0x10) && !readFilters(in, o.filters)) return false;
      if (flags & 0x20) {
        const unsigned mode = in.u8();
        o.blend = mode >= 2 && mode <= 14 ? BlendMode(mode - 1) : BlendMode::normal;
      }
    }
    if (in.failed()) return false;
    // Only the up state shows; the first record at a depth counts.
    if ((flags & 0x01) && !out.count(depth)) out[depth] = std::move(o);
  }
}

}  // namespace mv::render
