// The stage fitted into pictures of other shapes under each scale mode, and the background chosen by the
// caller.
#include "render_support.h"

namespace rendertest {
namespace {

using mv::render::DrawOptions;
using mv::render::ScaleMode;

constexpr int kPx = 20;
const Rgb kRed{220, 20, 20}, kBlue{20, 40, 200}, kGrey{50, 50, 50};

// A 100 x 50 stage on grey: its left half red, its right half blue.
std::string halves() {
  return movie(6, 100, 50, swftest::bg(50, 50, 50) + rectangleShape(1, Colour{220, 20, 20}, 0, 0, 50 * kPx, 50 * kPx) +
                               rectangleShape(2, Colour{20, 40, 200}, 50 * kPx, 0, 100 * kPx, 50 * kPx) +
                               place(1, 1) + place(2, 2));
}

Image drawAs(const std::string& swf, int width, int height, DrawOptions options) {
  Image out;
  auto frame = load(swf);
  EXPECT_TRUE(frame);
  if (frame) EXPECT_TRUE(frame->draw(width, height, out, options));
  return out;
}

TEST(RenderScaleMode, EachModeFitsTheStageAsThePlayerDoes) {
  const std::string swf = halves();
  DrawOptions o;
  o.scale = ScaleMode::exactFit;  // x by 2, y by 4: the stage fills the picture
  Image fit = drawAs(swf, 200, 200, o);
  EXPECT_PIXEL(fit, 2, 2, kRed, 0);
  EXPECT_PIXEL(fit, 98, 197, kRed, 0);
  EXPECT_PIXEL(fit, 102, 197, kBlue, 0);

  o.scale = ScaleMode::noBorder;  // by 4 (400 x 200), centred: x -100..300, the overhang cut off
  Image cut = drawAs(swf, 200, 200, o);
  EXPECT_PIXEL(cut, 0, 0, kRed, 0);
  EXPECT_PIXEL(cut, 98, 100, kRed, 0);
  EXPECT_PIXEL(cut, 102, 100, kBlue, 0);
  EXPECT_PIXEL(cut, 199, 199, kBlue, 0);

  o.scale = ScaleMode::noScale;  // 1:1, centred: x 50..150, y 75..125
  Image plain = drawAs(swf, 200, 200, o);
  EXPECT_PIXEL(plain, 49, 100, kGrey, 0);
  EXPECT_PIXEL(plain, 51, 76, kRed, 0);
  EXPECT_PIXEL(plain, 148, 123, kBlue, 0);
  EXPECT_PIXEL(plain, 100, 74, kGrey, 0);
  EXPECT_PIXEL(plain, 100, 126, kGrey, 0);
  EXPECT_PIXEL(plain, 151, 100, kGrey, 0);
  // Smaller than the stage: its middle, x 20..80 and y 15..35 of the stage.
  Image middle = drawAs(swf, 60, 20, o);
  EXPECT_PIXEL(middle, 0, 0, kRed, 0);
  EXPECT_PIXEL(middle, 29, 19, kRed, 0);
  EXPECT_PIXEL(middle, 31, 0, kBlue, 0);
  EXPECT_PIXEL(middle, 59, 19, kBlue, 0);
}

TEST(RenderScaleMode, ShowAllIsTheDefaultAndTheCallersBackgroundReplacesTheMovies) {
  const std::string swf = halves();
  Image byDefault = draw(swf, 200, 200);
  EXPECT_EQ(drawAs(swf, 200, 200, DrawOptions{}).pixels, byDefault.pixels);
  DrawOptions o;
  o.scale = ScaleMode::showAll;
  o.background = 0x00FF00;
  Image green = drawAs(swf, 200, 200, o);
  EXPECT_PIXEL(green, 100, 10, (Rgb{0, 255, 0}), 0);  // the band above the stage (y 50..150)
  EXPECT_PIXEL(green, 10, 100, kRed, 0);
  EXPECT_PIXEL(green, 190, 100, kBlue, 0);
  auto frame = load(swf);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->background(), 0x323232u);  // the movie's own stays what it says
  // Bits above the colour are ignored: the picture stays opaque.
  o.background = 0x12FF00FF;
  EXPECT_EQ(drawAs(swf, 200, 200, o).at(100, 10), 0xFFFF00FFu);
}

}  // namespace
}  // namespace rendertest
