#pragma once
// Gradient fills: a ramp of 256 colours from the gradient's stops, and where each device pixel falls on
// it.
//
// The gradient square spans -16384..16384 twips, placed in the shape by the fill's matrix. A linear
// gradient runs from its left edge to its right edge; a radial one from its centre out to the circle of
// radius 16384, or with a focal point from that point (on the x axis, -1..1 of the radius) out to the
// circle. Beyond the ends the spread mode pads with the end colours, mirrors the ramp back and forth or
// starts it again.
//
// The ramp is built as players built it, walking the stops in the order the movie lists them, each one
// drawn up to its ratio before the next is taken: stops out of order or repeated give the hard steps and
// skipped colours the players showed, not a sorted, tidy ramp. Colours go through the colour transform
// before they are mixed, in sRGB or (when the fill asks) in linear RGB.
#include <cstdint>

#include "flash/render/model.h"

namespace mv::render {

class GradientPaint {
 public:
  // Sets the paint up for a linear or radial fill style drawn through toDevice (shape twips to device
  // pixels). false when that mapping cannot be inverted: the caller paints the last stop's colour.
  bool prepare(const FillStyle& style, const Matrix& toDevice, const ColourTransform& cx);

  bool opaque() const { return opaque_; }  // every colour of the ramp has alpha 255

  // The premultiplied colours of count pixels of row y from column x.
  void fetch(int x, int y, int count, uint32_t* out) const;

  // The ramp alone, for the tests of how stops are walked (premultiplied 0xAARRGGBB).
  static void buildRamp(const FillStyle& style, const ColourTransform& cx, uint32_t (&ramp)[256]);

 private:
  // Where a position on the gradient (0 at its start, 1 at its end) lands on the ramp.
  uint32_t colourAt(double t) const;

  enum Shape : uint8_t { linear, radial, focal } shape_ = linear;
  Spread spread_ = Spread::pad;
  double focus_ = 0;         // the focal point's x in the gradient square (twips)
  Matrix inverse_;           // device pixels -> gradient square
  bool opaque_ = false;
  uint32_t ramp_[256];
};

}  // namespace mv::render
