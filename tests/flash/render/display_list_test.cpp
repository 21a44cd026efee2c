// The display list at the first frame (placing, moving, replacing, removing, depth order, matrices,
// colour transforms, clipping layers, sprites), static text, and the stage in the picture.
#include "render_support.h"

namespace rendertest {
namespace {

constexpr int kPx = 20;
const Rgb kWhite{255, 255, 255};
const Colour kRed{220, 20, 20}, kBlue{20, 40, 200};

std::string onWhite(const std::string& tags, const std::string& later = "") {
  return movie(6, 100, 100, swftest::bg(255, 255, 255) + tags, later);
}

// A 20 x 20 pixel square of colour c with its top left corner at the origin.
std::string square(uint16_t id, Colour c) { return rectangleShape(id, c, 0, 0, 20 * kPx, 20 * kPx); }

TEST(RenderDisplayList, HigherDepthsAreDrawnOverLowerOnesWhateverTheTagOrder) {
  Image img = draw(onWhite(square(1, kRed) + square(2, kBlue) + place(5, 2, Mat::at(10 * kPx, 10 * kPx)) +
                           place(3, 1, Mat::at(20 * kPx, 20 * kPx))),
                   100, 100);
  EXPECT_PIXEL(img, 15, 15, (Rgb{20, 40, 200}), 0);
  EXPECT_PIXEL(img, 25, 25, (Rgb{20, 40, 200}), 0);  // blue (depth 5) over red (depth 3)
  EXPECT_PIXEL(img, 35, 35, (Rgb{220, 20, 20}), 0);
}

TEST(RenderDisplayList, MoveChangesTheMatrixAndReplacingKeepsIt) {
  Place move(1);
  move.move = true;
  move.matrix(Mat::at(60 * kPx, 0));
  Place replace(2, 2);
  replace.move = true;
  Image img = draw(onWhite(square(1, kRed) + square(2, kBlue) + place(1, 1, Mat::at(0, 0)) + move.tag() +
                           place(2, 1, Mat::at(0, 60 * kPx)) + replace.tag()),
                   100, 100);
  EXPECT_PIXEL(img, 10, 10, kWhite, 0);
  EXPECT_PIXEL(img, 70, 10, (Rgb{220, 20, 20}), 0);  // moved
  EXPECT_PIXEL(img, 10, 70, (Rgb{20, 40, 200}), 0);  // the character replaced, the place kept
}

TEST(RenderDisplayList, RemovedObjectsAndLaterFramesDoNotShow) {
  Image img = draw(onWhite(square(1, kRed) + place(1, 1, Mat::at(0, 0)) + place(2, 1, Mat::at(40 * kPx, 0)) +
                               place(3, 1, Mat::at(0, 40 * kPx)) + removeObject(1, 2) + removeObject2(3),
                           place(4, 1, Mat::at(40 * kPx, 40 * kPx))),
                   100, 100);
  EXPECT_PIXEL(img, 10, 10, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 50, 10, kWhite, 0);
  EXPECT_PIXEL(img, 10, 50, kWhite, 0);
  EXPECT_PIXEL(img, 50, 50, kWhite, 0);  // placed in the second frame
}

TEST(RenderDisplayList, MatricesScaleRotateAndTranslate) {
  // Rotated by 90 degrees about the origin, then moved: the square now spans x -20..0 before the move.
  Image img = draw(onWhite(square(1, kRed) + place(1, 1, Mat::rotated(90, 50 * kPx, 10 * kPx)) +
                           place(2, 1, Mat::scaled(2, 0.5, 10 * kPx, 60 * kPx))),
                   100, 100);
  EXPECT_PIXEL(img, 40, 20, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 55, 20, kWhite, 0);
  EXPECT_PIXEL(img, 45, 65, (Rgb{220, 20, 20}), 0);  // 40 wide, 10 high
  EXPECT_PIXEL(img, 45, 72, kWhite, 0);
}

TEST(RenderDisplayList, ColourTransformsMultiplyAndAddIncludingAlpha) {
  Place tinted(1, 1);
  tinted.matrix(Mat::at(0, 0)).colour({128, 256, 256, 256}, {0, 100, 0, 0});
  Place faded(2, 1);
  faded.matrix(Mat::at(50 * kPx, 0)).colour({256, 256, 256, 128}, {0, 0, 0, 0});
  Image img = draw(onWhite(square(1, Colour{200, 100, 50}) + tinted.tag() + faded.tag()), 100, 100);
  EXPECT_PIXEL(img, 10, 10, (Rgb{100, 200, 50}), 1);
  EXPECT_PIXEL(img, 60, 10, (Rgb{227, 177, 152}), 1);  // half over white
}

TEST(RenderDisplayList, PlaceObjectCarriesAColourTransformWithoutAlpha) {
  Bits b;
  b.u16(1).u16(1);
  matrixBits(b, Mat::at(0, 0));
  b.ub(1, 1).ub(0, 1).ub(9, 4).sb(-200, 9).sb(0, 9).sb(0, 9);  // add terms only: red - 200
  Image img = draw(onWhite(square(1, Colour{250, 100, 50}) + tag(4, b.bytes())), 100, 100);
  EXPECT_PIXEL(img, 10, 10, (Rgb{50, 100, 50}), 0);
}

TEST(RenderDisplayList, AClippingLayerMasksTheDepthsUpToItsClipDepth) {
  // The mask: the left half of the stage; red at depth 2 is masked, blue at depth 4 is not.
  const std::string mask = rectangleShape(3, Colour{0, 0, 0, 10}, 0, 0, 50 * kPx, 100 * kPx);
  Place clip(1, 3);
  clip.matrix(Mat()).clipDepth = 2;
  Image img = draw(onWhite(mask + rectangleShape(1, kRed, 0, 0, 100 * kPx, 40 * kPx) +
                           rectangleShape(2, kBlue, 0, 60 * kPx, 100 * kPx, 100 * kPx) + clip.tag() + place(2, 1) +
                           place(4, 2)),
                   100, 100);
  EXPECT_PIXEL(img, 20, 20, (Rgb{220, 20, 20}), 0);  // the mask's own colour and alpha do not show
  EXPECT_PIXEL(img, 70, 20, kWhite, 0);
  EXPECT_PIXEL(img, 20, 80, (Rgb{20, 40, 200}), 0);
  EXPECT_PIXEL(img, 70, 80, (Rgb{20, 40, 200}), 0);
}

std::string sprite(uint16_t id, const std::string& tags) {
  return tag(39, le16(id) + le16(2) + tags + swftest::showFrame() + place(9, 1, Mat::at(70 * kPx, 70 * kPx)) +
                     swftest::showFrame() + swftest::endTag());
}

TEST(RenderDisplayList, ASpriteShowsItsFirstFrameThroughItsPlacement) {
  Image img = draw(onWhite(square(1, kRed) + sprite(5, place(1, 1, Mat::at(0, 0)) + place(2, 1, Mat::at(20 * kPx, 0))) +
                           place(1, 5, Mat::scaled(0.5, 0.5, 10 * kPx, 10 * kPx))),
                   100, 100);
  EXPECT_PIXEL(img, 15, 15, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 25, 15, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 35, 15, kWhite, 0);
  EXPECT_PIXEL(img, 50, 50, kWhite, 0);  // its second frame's square
}

TEST(RenderDisplayList, SpritesNestedDeeperThanTheBoundAreLeftOut) {
  // Sprite 2 shows the square; sprite 3 shows sprite 2; sprite 4 shows itself (a loop).
  const std::string tags = square(1, kRed) + sprite(2, place(1, 1)) + sprite(3, place(1, 2)) +
                           sprite(4, place(1, 4) + place(2, 1, Mat::at(40 * kPx, 0))) +
                           place(1, 3, Mat::at(0, 0)) + place(2, 4, Mat::at(0, 40 * kPx));
  Limits limits;
  limits.maxNesting = 2;
  Image img = draw(onWhite(tags), 100, 100, limits);
  EXPECT_PIXEL(img, 10, 10, kWhite, 0);              // three levels down
  EXPECT_PIXEL(img, 50, 50, (Rgb{220, 20, 20}), 0);  // the loop's first level
  Image deep = draw(onWhite(tags), 100, 100);
  EXPECT_PIXEL(deep, 10, 10, (Rgb{220, 20, 20}), 0);
}

// ---- text

// A glyph: a square of 512 x 512 EM units standing on the baseline.
std::string squareGlyph() {
  Records r(1, 0);
  r.move(0, -512, -1, 1, -1).rectangle(0, -512, 512, 0);
  return r.end();
}

std::string defineFont(uint16_t id) {
  const std::string g = squareGlyph();
  return tag(10, le16(id) + le16(4) + le16(4 + int(g.size())) + g + g);
}

std::string defineFont2(uint16_t id, bool wide) {
  const std::string g = squareGlyph();
  std::string offsets;
  const int table = (wide ? 4 : 2) * 3;
  for (int v : {table, table + int(g.size()), table + 2 * int(g.size())})
    offsets += wide ? swftest::le32(uint32_t(v)) : le16(v);
  return tag(48, le16(id) + char(wide ? 0x08 : 0) + char(1) + char(4) + "Test" + le16(2) + offsets + g + g + "AB");
}

// Two glyphs (indices 0 and 1) at height 40 pixels from (10, 50), the second 30 pixels further on.
std::string defineText(uint16_t id, uint16_t font, bool withAlpha, Colour c) {
  Bits b;
  b.u16(id).raw(rect(0, 2000, 0, 2000));
  matrixBits(b, Mat());
  b.u8(1).u8(11);
  b.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01).u16(font).raw(withAlpha ? rgba(c) : rgb(c)).u16(10 * kPx).u16(50 * kPx).u16(
      40 * kPx);
  b.u8(2).ub(0, 1).sb(30 * kPx, 11).ub(1, 1).sb(30 * kPx, 11);
  b.u8(0);
  return tag(withAlpha ? 33 : 11, b.bytes());
}

TEST(RenderText, GlyphsOfDefineFontStandOnTheBaselineAtTheTextHeight) {
  Image img = draw(onWhite(defineFont(7) + defineText(8, 7, false, kBlue) + place(1, 8)), 100, 100);
  EXPECT_PIXEL(img, 15, 45, (Rgb{20, 40, 200}), 0);  // the first glyph: x 10..30, y 30..50
  EXPECT_PIXEL(img, 15, 28, kWhite, 0);
  EXPECT_PIXEL(img, 35, 45, kWhite, 0);
  EXPECT_PIXEL(img, 45, 35, (Rgb{20, 40, 200}), 0);  // the second one: x 40..60
}

TEST(RenderText, DefineFont2WithNarrowAndWideOffsetsAndDefineText2WithAlpha) {
  for (bool wide : {false, true}) {
    Image img = draw(onWhite(defineFont2(7, wide) + defineText(8, 7, true, Colour{0, 0, 0, 128}) + place(1, 8)), 100, 100);
    EXPECT_PIXEL(img, 15, 45, (Rgb{127, 127, 127}), 1) << (wide ? "wide" : "narrow");
    EXPECT_PIXEL(img, 45, 45, (Rgb{127, 127, 127}), 1) << (wide ? "wide" : "narrow");
  }
}

TEST(RenderText, AGlyphIndexPastTheFontAndAMissingFontAreLeftOut) {
  Image img = draw(onWhite(defineFont(7) + defineText(8, 9, false, kBlue) + place(1, 8)), 100, 100);
  EXPECT_PIXEL(img, 15, 45, kWhite, 0);
  const std::string oneGlyph = tag(10, le16(7) + le16(2) + squareGlyph());
  Image partial = draw(onWhite(oneGlyph + defineText(8, 7, false, kBlue) + place(1, 8)), 100, 100);
  EXPECT_PIXEL(partial, 15, 45, (Rgb{20, 40, 200}), 0);
  EXPECT_PIXEL(partial, 45, 45, kWhite, 0);
}

// ---- the stage in the picture

TEST(RenderStage, TheWholeStageIsShownCentredWithItsAspectRatio) {
  // A 100 x 50 stage, red from (0, 0) to (50, 50): into 200 x 200 it is scaled by 2 and centred.
  const std::string swf = movie(6, 100, 50, swftest::bg(0, 0, 255) + rectangleShape(1, kRed, 0, 0, 50 * kPx, 50 * kPx) +
                                                place(1, 1));
  Image img = draw(swf, 200, 200);
  EXPECT_PIXEL(img, 10, 10, (Rgb{0, 0, 255}), 0);    // above the stage: background
  EXPECT_PIXEL(img, 10, 60, (Rgb{220, 20, 20}), 0);  // the stage spans y 50..150
  EXPECT_PIXEL(img, 99, 149, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 101, 100, (Rgb{0, 0, 255}), 0);
  EXPECT_PIXEL(img, 10, 190, (Rgb{0, 0, 255}), 0);
  // Drawn again at another size, for a panel that changed.
  Image wide = draw(swf, 300, 50);
  EXPECT_PIXEL(wide, 60, 25, (Rgb{0, 0, 255}), 0);   // left of the stage (x 100..200)
  EXPECT_PIXEL(wide, 120, 25, (Rgb{220, 20, 20}), 0);
}

TEST(RenderStage, ShapesOutsideTheStageDoNotSpillIntoTheBands) {
  const std::string swf =
      movie(6, 100, 50, swftest::bg(0, 0, 255) + rectangleShape(1, kRed, -100 * kPx, -100 * kPx, 200 * kPx, 200 * kPx) +
                            place(1, 1));
  Image img = draw(swf, 100, 100);
  EXPECT_PIXEL(img, 50, 10, (Rgb{0, 0, 255}), 0);
  EXPECT_PIXEL(img, 50, 50, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 50, 90, (Rgb{0, 0, 255}), 0);
}

TEST(RenderStage, TheBackgroundIsTheFirstBackgroundTagAnywhereAndWhiteWithoutOne) {
  const std::string shape = rectangleShape(1, kRed, 0, 0, 10 * kPx, 10 * kPx) + place(1, 1);
  auto late = load(movie(6, 100, 100, shape, swftest::bg(1, 2, 3) + swftest::bg(9, 9, 9)));
  ASSERT_TRUE(late);
  EXPECT_EQ(late->background(), 0x010203u);
  auto none = load(movie(6, 100, 100, shape));
  ASSERT_TRUE(none);
  EXPECT_EQ(none->background(), 0xFFFFFFu);
}

TEST(RenderStage, ABackgroundOnlyMovieGivesExactlyItsColourEverywhere) {
  Image img = draw(movie(5, 550, 400, swftest::bg(0x33, 0x66, 0x99)), 349, 150);
  for (uint32_t p : img.pixels) ASSERT_EQ(p, 0xFF336699u);
}

TEST(RenderStage, ACompressedMovieDrawsLikeItsPlainForm) {
  const std::string plain = onWhite(square(1, kRed) + place(1, 1, Mat::rotated(30, 40 * kPx, 20 * kPx)));
  Image a = draw(plain, 100, 100), b = draw(swftest::cwsOf(plain), 100, 100);
  EXPECT_EQ(a.pixels, b.pixels);
}

}  // namespace
}  // namespace rendertest
