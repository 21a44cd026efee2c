// The still wallpaper's picture: the stage in its own colour with the package's around it, what counts as
// a frame that draws nothing, and screens above the drawn bound scaled up from the largest picture drawn.
#include "flash/render/still_frame.h"

#include "render_support.h"

namespace rendertest {
namespace {

using mv::render::ScaleMode;
using mv::render::StillLook;
using mv::render::StillPicture;
using mv::render::StillStatus;

constexpr int kPx = 20;
const Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{220, 20, 20}, kBlue{20, 40, 200};

// A 100 x 50 stage on white with a black square (x 40..60, y 15..35) in its middle.
std::string squareOnWhite() {
  return movie(6, 100, 50, swftest::bg(255, 255, 255) +
                               rectangleShape(1, Colour{0, 0, 0}, 40 * kPx, 15 * kPx, 60 * kPx, 35 * kPx) + place(1, 1));
}

// A 100 x 50 stage: its left half red, its right half blue.
std::string halves() {
  return movie(6, 100, 50, rectangleShape(1, Colour{220, 20, 20}, 0, 0, 50 * kPx, 50 * kPx) +
                               rectangleShape(2, Colour{20, 40, 200}, 50 * kPx, 0, 100 * kPx, 50 * kPx) +
                               place(1, 1) + place(2, 2));
}

// The screen-sized picture, gathered row by row.
Image rowsOf(const StillPicture& picture) {
  Image out;
  out.width = picture.width();
  out.height = picture.height();
  out.pixels.resize(size_t(out.width) * size_t(out.height));
  for (int y = 0; y < out.height; ++y) picture.copyRow(y, out.pixels.data() + size_t(y) * size_t(out.width));
  return out;
}

StillLook look(ScaleMode scale, uint32_t margin, std::optional<uint32_t> stage = std::nullopt) {
  StillLook l;
  l.scale = scale;
  l.margin = margin;
  l.stageColour = stage;
  return l;
}

TEST(StillFrame, TheStageKeepsItsColourAndThePackagesGoesAroundIt) {
  const std::string swf = squareOnWhite();
  auto frame = mv::render::loadStillFrame(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), nullptr, nullptr);
  ASSERT_TRUE(frame);
  StillPicture picture;
  ASSERT_EQ(picture.draw(*frame, 200, 200, look(ScaleMode::showAll, 0x000000)), StillStatus::drawn);
  Image shown = rowsOf(picture);
  EXPECT_PIXEL(shown, 100, 10, kBlack, 0);   // the band above the stage (y 50..150): the package's colour
  EXPECT_PIXEL(shown, 5, 100, kWhite, 0);    // the stage: the movie's own white
  EXPECT_PIXEL(shown, 100, 100, kBlack, 0);  // the square
  EXPECT_PIXEL(shown, 100, 195, kBlack, 0);

  // The page's bgcolor replaces the movie's on the stage alone.
  ASSERT_EQ(picture.draw(*frame, 200, 200, look(ScaleMode::showAll, 0x0B2A4A, 0x00FF00)), StillStatus::drawn);
  shown = rowsOf(picture);
  EXPECT_PIXEL(shown, 5, 100, (Rgb{0, 255, 0}), 0);
  EXPECT_PIXEL(shown, 100, 10, (Rgb{11, 42, 74}), 0);

  // Within the drawn bound the rows are the renderer's picture itself, margin and all.
  mv::render::DrawOptions options;
  options.scale = ScaleMode::noScale;
  options.margin = 0x0B2A4A;
  Image direct;
  ASSERT_TRUE(frame->draw(1024, 768, direct, options));
  ASSERT_EQ(picture.draw(*frame, 1024, 768, look(ScaleMode::noScale, 0x0B2A4A)), StillStatus::drawn);
  EXPECT_EQ(rowsOf(picture).pixels, direct.pixels);
  EXPECT_EQ(picture.drawn().width, 1024);
}

TEST(StillFrame, AFrameThatDrawsNothingIsBlankWhateverItsColours) {
  const std::string empty = movie(6, 100, 50, swftest::bg(255, 255, 255));
  auto frame = load(empty, nullptr, mv::render::stillLimits());
  ASSERT_TRUE(frame);
  StillPicture picture;
  for (ScaleMode mode : {ScaleMode::showAll, ScaleMode::noBorder, ScaleMode::noScale, ScaleMode::exactFit}) {
    EXPECT_EQ(picture.draw(*frame, 300, 100, look(mode, 0x000000)), StillStatus::blank);
    EXPECT_EQ(picture.draw(*frame, 300, 100, look(mode, 0xFFFFFF, 0x123456)), StillStatus::blank);
  }
  // A shape in the margin's colour on the stage is a picture.
  frame = load(squareOnWhite(), nullptr, mv::render::stillLimits());
  ASSERT_TRUE(frame);
  EXPECT_EQ(picture.draw(*frame, 300, 100, look(ScaleMode::showAll, 0x000000)), StillStatus::drawn);
  // A screen without area, or beyond any screen: no picture.
  EXPECT_EQ(picture.draw(*frame, 0, 100, look(ScaleMode::showAll, 0)), StillStatus::badSize);
  EXPECT_EQ(picture.draw(*frame, 65536, 100, look(ScaleMode::showAll, 0)), StillStatus::badSize);
}

TEST(StillFrame, ScreensUpTo4096OnASideAndWiderOnesWithinTheAreaAreDrawnWhole) {
  using mv::render::stillDrawnSize;
  for (auto [w, h] : {std::pair{1920, 1080}, {4096, 4096}, {4097, 2160}, {5120, 1440}, {5120, 2880}, {16384, 1024}}) {
    EXPECT_EQ(stillDrawnSize(w, h).width, w);
    EXPECT_EQ(stillDrawnSize(w, h).height, h);
  }
  // Above the area: the largest picture of the screen's shape within it.
  for (auto [w, h] : {std::pair{7680, 4320}, {15360, 8640}, {8192, 8192}}) {
    const auto s = stillDrawnSize(w, h);
    EXPECT_LE(uint64_t(s.width) * uint64_t(s.height), mv::render::kMaxStillDrawnPixels) << w << "x" << h;
    EXPECT_LE(s.width, mv::render::kMaxStillDrawnSide);
    EXPECT_GT(uint64_t(s.width + 1) * uint64_t(s.height + 1), mv::render::kMaxStillDrawnPixels * 99 / 100)
        << "no smaller than needed: " << w << "x" << h;
    EXPECT_NEAR(double(s.width) / s.height, double(w) / h, double(w) / h * 0.01 + 1.0 / s.height);
  }
  EXPECT_EQ(stillDrawnSize(7680, 4320).width, 5461);
  EXPECT_EQ(stillDrawnSize(8192, 8192).width, 4096);
  // Above the side: the longest side at the bound.
  EXPECT_EQ(stillDrawnSize(20000, 1000).width, 16384);
  EXPECT_EQ(stillDrawnSize(20000, 1000).height, 819);
  EXPECT_EQ(stillDrawnSize(65535, 2).height, 1);
}

TEST(StillFrame, ALargerScreenIsScaledUpRowByRow) {
  auto frame = load(halves(), nullptr, mv::render::stillLimits());
  ASSERT_TRUE(frame);
  StillPicture picture;
  ASSERT_EQ(picture.draw(*frame, 7680, 4320, look(ScaleMode::exactFit, 0)), StillStatus::drawn);
  EXPECT_EQ(picture.width(), 7680);
  EXPECT_EQ(picture.height(), 4320);
  EXPECT_LT(picture.drawn().width, 7680);
  std::vector<uint32_t> row(7680);
  for (int y : {0, 2160, 4319}) {
    picture.copyRow(y, row.data());
    Image one;
    one.width = 7680;
    one.height = 1;
    one.pixels = row;
    EXPECT_PIXEL(one, 0, 0, kRed, 0);
    EXPECT_PIXEL(one, 3835, 0, kRed, 0);
    EXPECT_PIXEL(one, 3845, 0, kBlue, 0);
    EXPECT_PIXEL(one, 7679, 0, kBlue, 0);
    // The edge between the halves stays within a pixel or two of the screen's middle.
    int firstBlue = 0;
    while (firstBlue < 7680 && (row[size_t(firstBlue)] & 0xFF) < 110) ++firstBlue;
    EXPECT_NEAR(firstBlue, 3840, 2);
  }
}

}  // namespace
}  // namespace rendertest
