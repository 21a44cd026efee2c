// PlaceObject3: blend modes over what is below, alpha and erase inside a layer, filters (blur, drop
// shadow, glow, bevel, colour matrix; others left out), the visible and cache-as-bitmap flags, and the
// bound on layers.
#include "display_builder.h"
#include "render_support.h"

namespace rendertest {
namespace {

constexpr int kPx = 20;
const Rgb kWhite{255, 255, 255};
const Colour kBlack{0, 0, 0};

std::string onWhite(const std::string& tags) { return movie(6, 100, 100, swftest::bg(255, 255, 255) + tags); }

Place3 placed(uint16_t depth, uint16_t id, int32_t x, int32_t y) {
  Place p(depth, id);
  p.matrix(Mat::at(x, y));
  return Place3(p);
}

// A 10 x 10 pixel square of colour (100, 150, 250) in each blend mode, over (200, 100, 50).
TEST(RenderBlendModes, EachModeCombinesTheSquareWithWhatIsBelow) {
  struct Case {
    int mode;
    Rgb want;
  };
  const Case cases[] = {
      {1, {100, 150, 250}},  {2, {100, 150, 250}}, {3, {78, 59, 49}},    {4, {222, 191, 251}},
      {5, {200, 150, 250}},  {6, {100, 100, 50}},  {7, {100, 50, 200}},  {8, {255, 250, 255}},
      {9, {100, 0, 0}},      {10, {55, 155, 205}}, {11, {200, 100, 50}}, {12, {200, 100, 50}},
      {13, {188, 118, 98}},  {14, {157, 127, 247}},
  };
  std::string tags = rectangleShape(1, Colour{200, 100, 50}, 0, 0, 100 * kPx, 100 * kPx) +
                     rectangleShape(2, Colour{100, 150, 250}, 0, 0, 10 * kPx, 10 * kPx) + place(1, 1);
  uint16_t depth = 2;
  for (const Case& c : cases) {
    const int i = depth - 2;
    Place3 p = placed(depth++, 2, (i % 7) * 14 * kPx, (i / 7) * 14 * kPx);
    p.blend = c.mode;
    tags += p.tag();
  }
  Image img = draw(onWhite(tags), 100, 100);
  for (int i = 0; i < int(std::size(cases)); ++i)
    EXPECT_PIXEL(img, (i % 7) * 14 + 5, (i / 7) * 14 + 5, cases[i].want, 2) << "blend mode " << cases[i].mode;
}

TEST(RenderBlendModes, AlphaAndEraseCutThroughTheLayerTheyAreIn) {
  // A sprite in layer mode: a red square, over its right half a square that is half transparent in
  // alpha mode and over its bottom a square in erase mode.
  const std::string shapes = rectangleShape(1, Colour{220, 20, 20}, 0, 0, 40 * kPx, 40 * kPx) +
                             rectangleShape(2, Colour{0, 0, 0, 128}, 0, 0, 20 * kPx, 20 * kPx, 3) +
                             rectangleShape(3, kBlack, 0, 0, 40 * kPx, 10 * kPx);
  Place3 alpha = placed(2, 2, 20 * kPx, 0), erase = placed(3, 3, 0, 30 * kPx), layer = placed(1, 4, 0, 0);
  alpha.blend = 11;
  erase.blend = 12;
  layer.blend = 2;
  Image img = draw(onWhite(shapes + spriteOf(4, place(1, 1) + alpha.tag() + erase.tag()) + layer.tag()), 100, 100);
  EXPECT_PIXEL(img, 10, 10, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 30, 10, (Rgb{237, 137, 137}), 2);  // red kept at half its alpha over white
  EXPECT_PIXEL(img, 10, 35, kWhite, 0);                // erased
}

TEST(RenderFilters, BlurShadowGlowBevelAndColourMatrix) {
  const std::string square = rectangleShape(1, kBlack, 0, 0, 20 * kPx, 20 * kPx) +
                             rectangleShape(2, Colour{200, 200, 200}, 0, 0, 20 * kPx, 20 * kPx);
  Place3 blurred = placed(1, 1, 5 * kPx, 5 * kPx);
  blurred.filters = {blurFilter(10, 10, 1)};
  Place3 shadow = placed(2, 2, 55 * kPx, 5 * kPx);  // to the right: angle 0, 10 pixels, sharp
  shadow.filters = {shadowFilter({0, 0, 255, 255}, 1, 0, 10, 1, 0x21)};
  Place3 glow = placed(3, 2, 5 * kPx, 55 * kPx);
  glow.filters = {glowFilter({255, 0, 0, 255}, 8, 2, 0x21), skippedFilters()};
  Place3 bevel = placed(4, 2, 55 * kPx, 55 * kPx);  // inner: lit from the top left
  bevel.filters = {bevelFilter({0, 0, 0, 255}, {255, 255, 255, 255}, 3, 0.785398, 3, 0xA1)};
  Image img = draw(onWhite(square + blurred.tag() + shadow.tag() + glow.tag() + bevel.tag()), 100, 100);

  EXPECT_PIXEL(img, 15, 15, (Rgb{0, 0, 0}), 0);        // blur: the middle stays black,
  EXPECT_PIXEL(img, 5, 15, (Rgb{128, 128, 128}), 20);  // the edge is half way,
  EXPECT_PIXEL(img, 15, 1, (Rgb{200, 200, 200}), 40);  // a little of it 4 pixels out,
  EXPECT_PIXEL(img, 31, 15, (Rgb{255, 255, 255}), 0);  // and no further
  EXPECT_PIXEL(img, 65, 15, (Rgb{200, 200, 200}), 0);  // shadow: the object on top,
  EXPECT_PIXEL(img, 80, 15, (Rgb{0, 0, 255}), 4);      // the shadow beside it
  EXPECT_PIXEL(img, 50, 15, kWhite, 0);
  EXPECT_PIXEL(img, 15, 53, (Rgb{255, 60, 60}), 60);   // glow: red around the square
  EXPECT_PIXEL(img, 15, 65, (Rgb{200, 200, 200}), 0);
  const Rgb lit = pixel(img, 56, 65), dark = pixel(img, 74, 65), middle = pixel(img, 65, 65);
  EXPECT_GT(lit.r, 230);   // bevel: the side towards the light is lighter,
  EXPECT_LT(dark.r, 120);  // the far side darker,
  EXPECT_TRUE(near(middle, Rgb{200, 200, 200}, 2));  // the middle as it was

  // A colour matrix that swaps red and blue.
  const float swap[20] = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
  Place3 swapped = placed(1, 3, 0, 0);
  swapped.filters = {colourMatrixFilter(swap)};
  Image swappedImg = draw(onWhite(rectangleShape(3, Colour{250, 100, 20}, 0, 0, 50 * kPx, 50 * kPx) + swapped.tag()), 100, 100);
  EXPECT_PIXEL(swappedImg, 25, 25, (Rgb{20, 100, 250}), 1);
}

TEST(RenderPlaceObject3, HiddenObjectsAreLeftOutAndCachingChangesNothing) {
  const std::string shape = rectangleShape(1, Colour{10, 200, 10}, 0, 0, 20 * kPx, 20 * kPx);
  Place3 hidden = placed(1, 1, 0, 0), shown = placed(2, 1, 40 * kPx, 0), cached = placed(3, 1, 0, 40 * kPx);
  hidden.visible = 0;
  shown.visible = 1;
  cached.cache = 1;
  Image img = draw(onWhite(shape + hidden.tag() + shown.tag() + cached.tag()), 100, 100);
  EXPECT_PIXEL(img, 10, 10, kWhite, 0);
  EXPECT_PIXEL(img, 50, 10, (Rgb{10, 200, 10}), 0);
  EXPECT_PIXEL(img, 10, 50, (Rgb{10, 200, 10}), 0);
}

TEST(RenderPlaceObject3, LayersAreBoundedAndABoundReachedLeavesTheBackground) {
  // Sprites nested eight deep, each blurred: eight frame-sized layers at once.
  std::string tags = rectangleShape(1, kBlack, 0, 0, 50 * kPx, 50 * kPx);
  std::string inner = place(1, 1);
  for (uint16_t id = 2; id < 10; ++id) {
    tags += spriteOf(id, inner);
    Place3 p = placed(1, id, 0, 0);
    p.filters = {blurFilter(2, 2, 1)};
    inner = p.tag();
  }
  const std::string swf = onWhite(tags + inner);
  Limits tight;
  tight.maxLayerPixels = 7 * 100 * 100;
  Image out;
  auto frame = load(swf, nullptr, tight);
  ASSERT_TRUE(frame);
  EXPECT_FALSE(frame->draw(100, 100, out));
  EXPECT_PIXEL(out, 10, 10, kWhite, 0);
  tight.maxLayerPixels = 8 * 100 * 100;
  Image img = draw(swf, 100, 100, tight);
  EXPECT_PIXEL(img, 25, 25, (Rgb{0, 0, 0}), 0);
}

}  // namespace
}  // namespace rendertest
