// The one scaling rule of the windows: designed pixels (96 dots per inch) to the display's pixels.
#include "support/dpi_scale.h"

#include <gtest/gtest.h>

#include <cstdlib>

using mv::DpiScale;

namespace {

const int kResolutions[] = {120, 144, 168, 192, 288};

TEST(DpiScale, AtNinetySixEveryValueIsItsOwn) {
  for (int v = -3000; v <= 3000; ++v) {
    ASSERT_EQ(v, (DpiScale{96})(v));
    ASSERT_EQ(v, (DpiScale{96}).unscale(v));
  }
}

// Half pixels round towards the larger coordinate on both sides of zero (the content band starts at -1),
// so a layout moved by whole designed pixels keeps every distance between its edges.
TEST(DpiScale, HalvesRoundAlikeOnBothSidesOfZero) {
  EXPECT_EQ(2, (DpiScale{144})(1));
  EXPECT_EQ(-1, (DpiScale{144})(-1));
  for (int dpi : kResolutions) {
    const DpiScale s{dpi};
    for (int v = -500; v <= 500; ++v) ASSERT_EQ(s(v + 96) - s(v), dpi) << dpi << " at " << v;
  }
}

// The designed spans of the windows: each scaled size is within a pixel of its exact size, boxes that
// meet in the design still meet, laid out from the near or the far edge, and the design comes back.
TEST(DpiScale, DesignedBoxesScaleWithinAPixelAndStillMeet) {
  const int spans[][2] = {{-1, 152}, {1, 350}, {1, 419}, {-1, 190}, {1, 347}, {36, 25}, {182, 80},
                          {153, 103}, {0, 63}, {0, 359}, {7, 39}, {96, 75}};
  for (int dpi : kResolutions) {
    const DpiScale s{dpi};
    for (const auto& sp : spans) {
      ASSERT_LE(std::abs(s.span(sp[0], sp[1]) - sp[1] * dpi / 96.0), 1.0) << dpi << ": " << sp[0] << "+" << sp[1];
      ASSERT_EQ(s(sp[0]) + s.span(sp[0], sp[1]), s(sp[0] + sp[1]));
      ASSERT_LE(std::abs(s.unscale(s(sp[1])) - sp[1]), 1);
    }
    for (int width = 300; width < 1400; width += 7)  // Install 6 designed pixels left of Cancel
      ASSERT_LE(std::abs(s.fromFar(width, 83) - s.fromFar(width, 89) - 6 * dpi / 96.0), 1.0) << dpi;
  }
}

}  // namespace
