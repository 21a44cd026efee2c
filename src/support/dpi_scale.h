#pragma once
// The one rule that turns the windows' designed pixels (laid out at 96 dots per inch) into the pixels of a
// display of another resolution. Every position is scaled as an edge, never a size on its own: a box
// becomes the box between its scaled left and right edges, so that edges that meet in the design (a
// control's right edge and its neighbour's left edge, a band's bottom and the next band's top) still meet
// after scaling, whatever the rounding. Half pixels round up (towards the larger coordinate), the same
// for negative positions, so that shifting a layout by whole design pixels shifts every edge alike.
// At 96 dots per inch every value is its own.

namespace mv {

inline constexpr int kDesignDpi = 96;

struct DpiScale {
  int dpi = kDesignDpi;

  // A designed position (or a length measured from 0) in pixels at this resolution.
  constexpr int operator()(int designed) const {
    const long long n = static_cast<long long>(designed) * dpi + kDesignDpi / 2;
    // Floor division, also below zero.
    const long long q = n / kDesignDpi;
    return static_cast<int>((n % kDesignDpi != 0 && n < 0) ? q - 1 : q);
  }
  // The scaled length of the designed span [start, start + length): the distance between its scaled edges.
  constexpr int span(int start, int length) const { return (*this)(start + length) - (*this)(start); }
  // An edge placed `designed` pixels in from a far edge (right or bottom) that lies at `extent` pixels.
  constexpr int fromFar(int extent, int designed) const { return extent - (*this)(designed); }
  // A length in pixels at this resolution back in designed pixels (rounded to the nearest).
  constexpr int unscale(int pixels) const {
    const long long n = static_cast<long long>(pixels) * kDesignDpi + (pixels < 0 ? -dpi / 2 : dpi / 2);
    return dpi > 0 ? static_cast<int>(n / dpi) : pixels;
  }
  constexpr bool isDesign() const { return dpi == kDesignDpi; }
};

}  // namespace mv
