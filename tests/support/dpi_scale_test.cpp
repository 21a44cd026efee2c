// The one scaling rule of the windows: designed pixels (96 dots per inch) to the display's pixels.
#include "support/dpi_scale.h"

#include <gtest/gtest.h>

#include <cstdlib>

using mv::DpiScale;

namespace {

const int kResolutions[] = {96, 120, 144, 168, 192, 288};

TEST(DpiScale, AtNinetySixEveryValueIsItsOwn) {
  const DpiScale s{96};
  for (int v = -3000; v <= 3000; ++v) {
    ASSERT_EQ(v, s(v));
    ASSERT_EQ(v, s.unscale(v));
  }
  EXPECT_EQ(7, s.span(-1, 7));
  EXPECT_EQ(351 - 83, s.fromFar(351, 83));
}

TEST(DpiScale, WholeMultiplesScaleExactlyAndHalvesRoundUpOnBothSidesOfZero) {
  EXPECT_EQ(700, (DpiScale{192})(350));
  EXPECT_EQ(525, (DpiScale{144})(350));
  EXPECT_EQ(-6000, (DpiScale{192})(-3000));
  // 1.5 x 1 = 1.5 -> 2; 1.5 x -1 = -1.5 -> -1 (towards the larger coordinate, not away from zero).
  EXPECT_EQ(2, (DpiScale{144})(1));
  EXPECT_EQ(-1, (DpiScale{144})(-1));
  EXPECT_EQ(-4, (DpiScale{144})(-3));  // -4.5 -> -4
  EXPECT_EQ(14, (DpiScale{120})(11));  // 13.75
}

// A layout moved by whole designed pixels keeps its shape: every edge moves alike, also across zero.
TEST(DpiScale, EdgesKeepTheirDistancesWhenTheLayoutMoves) {
  for (int dpi : kResolutions) {
    const DpiScale s{dpi};
    // The shift after which the scaled value moves by a whole number of pixels: 96 / gcd(96, dpi).
    int period = 96;
    for (int p = 1; p <= 96; ++p)
      if ((p * dpi) % 96 == 0) {
        period = p;
        break;
      }
    for (int v = -500; v <= 500; ++v) ASSERT_EQ(s(v + period) - s(v), s(period) - s(0)) << dpi << " at " << v;
  }
}

// The designed boxes of the installer window: each scaled size is within a pixel of its exact size, and
// boxes that meet in the design (laid out from the near or from the far edge) still meet.
TEST(DpiScale, DesignedBoxesScaleWithinAPixelAndStillMeet) {
  struct Span {
    int start, length;
  };
  const Span spans[] = {{-1, 152}, {1, 350}, {1, 419}, {-1, 190}, {1, 347}, {36, 25}, {182, 80}, {268, 80},
                        {151, 103}, {153, 103}, {0, 63}, {0, 359}, {0, 340}, {7, 39}, {96, 75}};
  for (int dpi : kResolutions) {
    const DpiScale s{dpi};
    for (const Span& sp : spans) {
      const double exact = sp.length * dpi / 96.0;
      ASSERT_LE(std::abs(s.span(sp.start, sp.length) - exact), 1.0) << dpi << ": " << sp.start << "+" << sp.length;
      // The next box starting where this one ends begins at its scaled end.
      ASSERT_EQ(s(sp.start) + s.span(sp.start, sp.length), s(sp.start + sp.length));
    }
    // From the far edge: Cancel 3 pixels in from the right, Install 6 pixels left of it, at any width.
    for (int width = 300; width < 1400; width += 7) {
      const int cancelLeft = s.fromFar(width, 3 + 80), installRight = s.fromFar(width, 3 + 80 + 6);
      ASSERT_EQ(cancelLeft - installRight, s(3 + 80 + 6) - s(3 + 80)) << dpi;
      ASSERT_LE(std::abs((cancelLeft - installRight) - 6 * dpi / 96.0), 1.0) << dpi;
    }
  }
}

TEST(DpiScale, UnscaleGivesTheDesignBackWithinHalfADesignedPixel) {
  for (int dpi : kResolutions) {
    const DpiScale s{dpi};
    for (int v = -400; v <= 400; ++v) ASSERT_LE(std::abs(s.unscale(s(v)) - v), 1) << dpi << " at " << v;
  }
}

}  // namespace
