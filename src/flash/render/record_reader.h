#pragma once
// SWF's records made of fields, read into the renderer's model: colours (RGB, RGBA), matrices (MATRIX) and
// colour transforms (CXFORM, CXFORMWITHALPHA), over the one bit reader (swf/bit_reader.h).
#include "flash/render/model.h"
#include "swf/bit_reader.h"

namespace mv::render {

class RecordReader : public BitReader {
 public:
  using BitReader::BitReader;

  Rgba rgb() {
    Rgba c;
    c.r = u8();
    c.g = u8();
    c.b = u8();
    return c;
  }
  Rgba rgba() {
    Rgba c = rgb();
    c.a = u8();
    return c;
  }

  Matrix matrix() {
    align();
    Matrix m;
    if (ub(1)) {
      unsigned n = ub(5);
      m.a = fb(n);
      m.d = fb(n);
    }
    if (ub(1)) {
      unsigned n = ub(5);
      m.b = fb(n);
      m.c = fb(n);
    }
    unsigned n = ub(5);
    m.tx = sb(n);
    m.ty = sb(n);
    align();
    return m;
  }

  // CXFORM (withAlpha false) or CXFORMWITHALPHA: multipliers in 8.8 fixed point, then additions.
  ColourTransform colourTransform(bool withAlpha) {
    align();
    ColourTransform t;
    const bool hasAdd = ub(1) != 0, hasMul = ub(1) != 0;
    const unsigned n = ub(4);
    const int channels = withAlpha ? 4 : 3;
    if (hasMul)
      for (int i = 0; i < channels; ++i) t.mul[i] = float(sb(n)) / 256.0f;
    if (hasAdd)
      for (int i = 0; i < channels; ++i) t.add[i] = float(sb(n));
    align();
    return t;
  }
};

}  // namespace mv::render
