// Morph shapes at the ratio of their placement (also as clipping layers), buttons in their up state with
// their colour transforms, nine-slice sprites, and damaged records of these kinds.
#include "display_builder.h"
#include "render_support.h"

namespace rendertest {
namespace {

constexpr int kPx = 20;
const Rgb kWhite{255, 255, 255};
const Colour kRed{220, 20, 20}, kBlue{20, 40, 200};

std::string onWhite(const std::string& tags) { return movie(6, 100, 100, swftest::bg(255, 255, 255) + tags); }

// Red 20 x 20 pixels at the top left, to blue 20 x 20 pixels 60 pixels further right.
MorphRects slidingSquare() {
  return MorphRects{kRed, kBlue, {0, 0, 20 * kPx, 20 * kPx}, {60 * kPx, 0, 80 * kPx, 20 * kPx}};
}

std::string placedAt(uint16_t depth, uint16_t id, int32_t y, int ratio) {
  Place p(depth, id);
  p.matrix(Mat::at(0, y));
  std::string t = p.tag();
  if (ratio < 0) return t;
  // PlaceObject2 with the ratio flag: the ratio follows the matrix.
  const std::string body = t.substr(2);
  return tag(26, char(body[0] | 0x10) + body.substr(1) + le16(ratio));
}

TEST(RenderMorph, DrawnAtTheRatioOfItsPlacementAndAtTheStartWithoutOne) {
  const MorphRects plain = slidingSquare();
  MorphRects outlined = slidingSquare();
  outlined.morph2 = true;
  outlined.lineWidth = 4 * kPx;
  outlined.startLine = Colour{0, 0, 0};
  outlined.endLine = Colour{0, 200, 0};
  Image img = draw(onWhite(plain.tag(1) + outlined.tag(2) + placedAt(1, 1, 0, -1) + placedAt(2, 1, 25 * kPx, 32768) +
                           placedAt(3, 1, 50 * kPx, 65535) + placedAt(4, 2, 75 * kPx, 65535)),
                   100, 100);
  EXPECT_PIXEL(img, 10, 10, (Rgb{220, 20, 20}), 0);  // no ratio: the start
  EXPECT_PIXEL(img, 70, 10, kWhite, 0);
  EXPECT_PIXEL(img, 40, 35, (Rgb{120, 30, 110}), 2);  // half way: 30..50, colours between
  EXPECT_PIXEL(img, 25, 35, kWhite, 0);
  EXPECT_PIXEL(img, 55, 35, kWhite, 0);
  EXPECT_PIXEL(img, 70, 60, (Rgb{20, 40, 200}), 0);  // the end
  EXPECT_PIXEL(img, 10, 60, kWhite, 0);
  EXPECT_PIXEL(img, 70, 85, (Rgb{20, 40, 200}), 0);  // DefineMorphShape2: fill inside, the end's line around
  EXPECT_PIXEL(img, 60, 85, (Rgb{0, 200, 0}), 0);
}

TEST(RenderMorph, AStraightEdgePairedWithACurveBendsThroughItsMiddle) {
  // A 40 x 40 pixel square whose top edge becomes a curve bulging 20 pixels up (control point 40 up).
  Records start(1, 0), end(0, 0);
  start.move(0, 0, 0, 1).rectangle(0, 0, 40 * kPx, 40 * kPx);
  end.move(0, 0).curveTo(20 * kPx, -40 * kPx, 40 * kPx, 0).lineTo(40 * kPx, 40 * kPx).lineTo(0, 40 * kPx).lineTo(0, 0);
  const std::string styles = std::string(1, '\1') + '\0' + rgba(kRed) + rgba(kRed) + '\0';
  Image img = draw(onWhite(defineMorph(1, styles, start, end) + placedAt(1, 1, 50 * kPx, 32768)), 100, 100);
  EXPECT_PIXEL(img, 20, 42, (Rgb{220, 20, 20}), 0);  // half way: the top's middle 10 pixels up
  EXPECT_PIXEL(img, 20, 38, kWhite, 0);
  EXPECT_PIXEL(img, 1, 46, kWhite, 0);               // its ends stay at the corners
}

TEST(RenderMorph, AMorphAsAClippingLayerMasksAtItsRatio) {
  Place clip(1, 1);
  clip.matrix(Mat::at(0, 0));
  clip.clipDepth = 5;
  const std::string po2 = clip.tag().substr(2);
  // flags | ratio; the ratio goes before the clip depth.
  const std::string withRatio = char(po2[0] | 0x10) + po2.substr(1, po2.size() - 3) + le16(65535) + po2.substr(po2.size() - 2);
  Image img = draw(onWhite(slidingSquare().tag(1) + rectangleShape(2, Colour{0, 0, 0}, 0, 0, 100 * kPx, 100 * kPx) +
                           tag(26, withRatio) + place(2, 2)),
                   100, 100);
  EXPECT_PIXEL(img, 70, 10, (Rgb{0, 0, 0}), 0);  // inside the morph at its end
  EXPECT_PIXEL(img, 10, 10, kWhite, 0);          // where it started: masked out
  EXPECT_PIXEL(img, 70, 50, kWhite, 0);
}

TEST(RenderButtons, OnlyTheUpStateShowsWithTheButtonsColourTransform) {
  const std::string shapes = rectangleShape(1, kRed, 0, 0, 20 * kPx, 20 * kPx) + rectangleShape(2, kBlue, 0, 0, 20 * kPx, 20 * kPx);
  // DefineButton: up (red at 0,0), over and down (blue at 40,0), hit test only (blue at 0,40).
  const std::string button1 = defineButton(10, {{0x01, 1, 1, Mat::at(0, 0), ""}, {0x06, 2, 2, Mat::at(40 * kPx, 0), ""},
                                                {0x08, 2, 3, Mat::at(0, 40 * kPx), ""}},
                                           false);
  const std::string cxform = tag(23, le16(10) + multiplyOnly(128, 256, 256));
  // DefineButton2: up and hit test (blue at 60,60 with its own transform, blue channel halved, in multiply
  // mode over grey).
  Bits halfBlue;
  halfBlue.ub(0, 1).ub(1, 1).ub(10, 4).sb(256, 10).sb(256, 10).sb(128, 10).sb(256, 10);
  const std::string button2 = defineButton(11, {{0x29, 2, 1, Mat::at(60 * kPx, 60 * kPx), halfBlue.bytes() + char(3)}}, true);
  const std::string grey = rectangleShape(3, Colour{200, 200, 200}, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx);
  Image img = draw(onWhite(shapes + grey + button1 + cxform + button2 + place(1, 10) + place(2, 3) + place(3, 11)), 100, 100);
  EXPECT_PIXEL(img, 10, 10, (Rgb{110, 20, 20}), 1);  // up state, red halved
  EXPECT_PIXEL(img, 50, 10, kWhite, 0);
  EXPECT_PIXEL(img, 10, 50, kWhite, 0);
  EXPECT_PIXEL(img, 70, 70, (Rgb{16, 31, 78}), 1);   // (20, 40, 100) times grey
  EXPECT_PIXEL(img, 55, 55, (Rgb{200, 200, 200}), 0);
}

TEST(RenderScalingGrid, CornersKeepTheirSizeWhenTheSpriteIsStretched) {
  // A red 40 x 40 pixel frame 5 pixels wide around blue, the grid at its inner edge.
  Styles s;
  s.version = 3;
  const int red = s.solid(kRed), blue = s.solid(kBlue);
  Records r;
  r.move(0, 0, 0, red, 0).rectangle(0, 0, 40 * kPx, 40 * kPx);
  r.move(5 * kPx, 5 * kPx, red, blue, 0).rectangle(5 * kPx, 5 * kPx, 35 * kPx, 35 * kPx);
  const std::string frame = defineShape(3, 1, s, r) + spriteOf(2, place(1, 1));
  const std::string grid = scalingGrid(2, 5 * kPx, 5 * kPx, 35 * kPx, 35 * kPx);
  Image img = draw(onWhite(frame + grid + place(1, 2, Mat::scaled(2, 1, 0, 0)) + place(2, 2, Mat::at(0, 50 * kPx))), 100, 100);
  EXPECT_PIXEL(img, 2, 20, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 7, 20, (Rgb{20, 40, 200}), 0);   // stretched without the grid: still red
  EXPECT_PIXEL(img, 73, 20, (Rgb{20, 40, 200}), 0);
  EXPECT_PIXEL(img, 76, 20, (Rgb{220, 20, 20}), 0);  // the right edge 5 pixels wide, ending at 80
  EXPECT_PIXEL(img, 81, 20, kWhite, 0);
  EXPECT_PIXEL(img, 40, 2, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 40, 7, (Rgb{20, 40, 200}), 0);
  EXPECT_PIXEL(img, 7, 60, (Rgb{20, 40, 200}), 0);   // at its own size the grid changes nothing
  EXPECT_PIXEL(img, 37, 60, (Rgb{220, 20, 20}), 0);
}

TEST(RenderDisplayTags, DamagedMorphsButtonsAndPlacementsAreLeftOutAtEveryCut) {
  Place3 filtered(Place(3, 1));
  filtered.base.matrix(Mat::at(0, 0));
  filtered.filters = {blurFilter(4, 4, 1), shadowFilter({0, 0, 0, 255}, 4, 0.7, 4, 1, 0x21), skippedFilters()};
  filtered.blend = 3;
  const std::string tags[] = {slidingSquare().tag(2), defineButton(4, {{0x01, 1, 1, Mat::at(0, 0), ""}}, true),
                              filtered.tag(), placedAt(4, 2, 0, 100), scalingGrid(2, 0, 0, 100, 100)};
  const std::string good = rectangleShape(1, kRed, 0, 0, 50 * kPx, 50 * kPx);
  for (const std::string& t : tags) {
    const size_t header = (uint8_t(t[0]) & 0x3F) == 0x3F ? 6 : 2;
    const int code = (uint8_t(t[0]) | uint8_t(t[1]) << 8) >> 6;
    for (size_t keep = 0; keep + header < t.size(); ++keep) {
      const std::string cut = tag(code, t.substr(header, keep));
      Image img = draw(onWhite(good + cut + place(1, 1) + place(5, 2) + place(6, 4)), 100, 100);
      ASSERT_EQ(img.width, 100) << "tag " << code << " cut to " << keep;
      EXPECT_PIXEL(img, 60, 60, kWhite, 0);
    }
  }
}

}  // namespace
}  // namespace rendertest
