// Damaged and hostile movies: what is refused and why, what is left out, and the bounds on work.
#include "render_support.h"

namespace rendertest {
namespace {

constexpr int kPx = 20;
const Colour kRed{220, 20, 20};

std::string redSquareMovie(int version = 6) {
  return movie(version, 100, 100, swftest::bg(255, 255, 255) + rectangleShape(1, kRed, 0, 0, 50 * kPx, 50 * kPx) + place(1, 1));
}

FrameStatus statusOf(const std::string& swf, const Limits& limits = Limits()) {
  FrameStatus why = FrameStatus::ok;
  auto frame = load(swf, &why, limits);
  EXPECT_EQ(frame != nullptr, why == FrameStatus::ok);
  return why;
}

TEST(RenderHostile, HeadersThatAreRefused) {
  EXPECT_EQ(statusOf(""), FrameStatus::notSwf);
  EXPECT_EQ(statusOf("FWS\x06"), FrameStatus::notSwf);
  EXPECT_EQ(statusOf("GIF89a" + std::string(20, '\0')), FrameStatus::notSwf);
  Limits panel;  // the movie panel's range
  panel.newestVersion = 6;
  EXPECT_EQ(statusOf(redSquareMovie(7), panel), FrameStatus::versionTooNew);
  EXPECT_EQ(statusOf(redSquareMovie(11)), FrameStatus::versionTooNew);
  EXPECT_EQ(statusOf(redSquareMovie(2)), FrameStatus::versionTooOld);
  EXPECT_EQ(statusOf(redSquareMovie(3)), FrameStatus::ok);
  EXPECT_EQ(statusOf(std::string("FWS\x06\x0A\0\0\0\xF8", 9)), FrameStatus::damaged);  // the frame RECT is cut
  std::string corrupt = swftest::cwsOf(redSquareMovie());
  for (size_t i = 12; i < corrupt.size(); i += 3) corrupt[i] = char(corrupt[i] ^ 0x5A);
  EXPECT_EQ(statusOf(corrupt), FrameStatus::damaged);
  Limits small;
  small.maxMovieBytes = 64;
  EXPECT_EQ(statusOf(redSquareMovie(), small), FrameStatus::tooLarge);
}

TEST(RenderHostile, VersionsThreeToTenAreDrawnAndLzmaMoviesAreRefusedByName) {
  for (int version = 7; version <= 10; ++version) {
    SCOPED_TRACE(version);
    for (const std::string& swf : {redSquareMovie(version), swftest::cwsOf(redSquareMovie(version))})
      EXPECT_PIXEL(draw(swf, 100, 100), 10, 10, (Rgb{220, 20, 20}), 0);
  }
  std::string zws = swftest::cwsOf(redSquareMovie(13));
  zws[0] = 'Z';
  EXPECT_EQ(statusOf(zws), FrameStatus::lzma);
  zws[3] = 8;
  EXPECT_EQ(statusOf(zws), FrameStatus::lzma);
}

TEST(RenderHostile, ACompressedMovieExpandingPastTheBoundIsRefused) {
  Limits small;
  small.maxMovieBytes = 64;
  EXPECT_EQ(statusOf(swftest::cwsOf(redSquareMovie()), small), FrameStatus::tooLarge);
  // One that claims 2 GB but holds a few bytes is read as far as it goes.
  std::string claims = swftest::cwsOf(redSquareMovie());
  for (int i = 0; i < 4; ++i) claims[4 + i] = char((0x80000000u >> (8 * i)) & 255);
  EXPECT_PIXEL(draw(claims, 100, 100), 10, 10, (Rgb{220, 20, 20}), 0);
  EXPECT_EQ(statusOf(claims.substr(0, 8) + swftest::deflateBytes(std::string("\x50\x00", 2))), FrameStatus::damaged);
}

TEST(RenderHostile, AMovieCutInsideATagShowsWhatCameBefore) {
  const std::string full = redSquareMovie();
  std::string cut = full.substr(0, full.size() - 8);  // inside the PlaceObject2 after the shape
  EXPECT_EQ(statusOf(cut), FrameStatus::ok);
  Image img = draw(full.substr(0, full.size() - 4), 100, 100);  // the frame ends without ShowFrame
  EXPECT_PIXEL(img, 10, 10, (Rgb{220, 20, 20}), 0);
}

TEST(RenderHostile, ACompressedMovieExpandsToNoMoreThanItDeclares) {
  std::string cws = swftest::cwsOf(redSquareMovie());
  // Declared 30 bytes shorter: the PlaceObject2 at the end is cut off.
  const std::string plain = redSquareMovie();
  const uint32_t shorter = uint32_t(plain.size() - 12);
  for (int i = 0; i < 4; ++i) cws[4 + i] = char(shorter >> (8 * i));
  Image img = draw(cws, 100, 100);
  EXPECT_PIXEL(img, 10, 10, (Rgb{255, 255, 255}), 0);
}

TEST(RenderHostile, ADamagedShapeIsLeftOutAndTheRestIsDrawn) {
  std::string shape = rectangleShape(2, kRed, 50 * kPx, 50 * kPx, 100 * kPx, 100 * kPx);
  shape = shape.substr(0, shape.size() - 3);  // its records end early
  shape[0] = char((32 << 6 | int(shape.size() - 2)) & 255);
  shape[1] = char((32 << 6 | int(shape.size() - 2)) >> 8);
  Image img = draw(movie(6, 100, 100, swftest::bg(255, 255, 255) + rectangleShape(1, kRed, 0, 0, 50 * kPx, 50 * kPx) +
                                          shape + place(1, 1) + place(2, 2)),
                   100, 100);
  EXPECT_PIXEL(img, 10, 10, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 75, 75, (Rgb{255, 255, 255}), 0);
}

TEST(RenderHostile, CountsPastWhatTheBodyHoldsStopTheRecordNotTheReader) {
  // A fill style array that claims 65535 styles in a tag of a few bytes; a font whose offsets point
  // past its tag; a text that claims 255 glyphs of 32 bits.
  const std::string styles = tag(32, le16(1) + rect(0, 20, 0, 20) + "\xFF\xFF\xFF" + std::string(4, '\0'));
  const std::string font = tag(10, le16(2) + le16(4) + le16(0x7FFF));
  Bits text;
  text.u16(3).raw(rect(0, 20, 0, 20));
  matrixBits(text, Mat());
  text.u8(32).u8(32).u8(0x88).u16(2).u16(200).u8(255);
  const std::string swf =
      movie(6, 100, 100, styles + font + tag(11, text.bytes()) + place(1, 1) + place(2, 3) +
                             rectangleShape(4, kRed, 0, 0, 10 * kPx, 10 * kPx) + place(3, 4));
  Image img = draw(swf, 100, 100);
  EXPECT_PIXEL(img, 5, 5, (Rgb{220, 20, 20}), 0);
}

TEST(RenderHostile, BoundsOnReadingRefuseTheMovie) {
  Limits tags;
  tags.maxTags = 3;
  EXPECT_EQ(statusOf(redSquareMovie(), tags), FrameStatus::limitReached);
  Limits records;
  records.maxShapeRecords = 4;
  EXPECT_EQ(statusOf(redSquareMovie(), records), FrameStatus::limitReached);
}

TEST(RenderHostile, BitmapsBeyondTheirBoundsAreLeftOut) {
  Styles s;
  const int f = s.bitmap(1, Mat::scaled(20 * kPx, 20 * kPx), false, false);
  Records r;
  r.move(0, 0, 0, f, 0).rectangle(0, 0, 40 * kPx, 40 * kPx);
  std::string pixels;
  for (int i = 0; i < 4; ++i) pixels += "\xFF\x40\x40\x40";
  const std::string bitmap = tag(36, le16(1) + char(5) + le16(2) + le16(2) + zlibOf(pixels));
  const std::string swf = movie(6, 100, 100, swftest::bg(255, 255, 255) + bitmap + defineShape(2, 2, s, r) + place(1, 2));
  Limits few;
  few.maxBitmapPixels = 3;
  Image img;
  auto frame = load(swf, nullptr, few);
  ASSERT_TRUE(frame);
  ASSERT_TRUE(frame->draw(100, 100, img));
  EXPECT_PIXEL(img, 10, 10, (Rgb{255, 255, 255}), 0);
  Image shown = draw(swf, 100, 100);
  EXPECT_PIXEL(shown, 10, 10, (Rgb{0x40, 0x40, 0x40}), 0);
}

TEST(RenderHostile, BoundsOnDrawingLeaveOnlyTheBackground) {
  // A sprite that shows itself three times at every level: 3^depth placements.
  const std::string tags = swftest::bg(0, 0, 255) + rectangleShape(1, kRed, 0, 0, 50 * kPx, 50 * kPx) +
                           tag(39, le16(2) + le16(1) + place(1, 1) + place(2, 2) + place(3, 2) + place(4, 2) + swftest::showFrame() +
                                       swftest::endTag()) +
                           place(1, 2);
  auto frame = load(movie(6, 100, 100, tags));
  ASSERT_TRUE(frame);
  Image img;
  EXPECT_FALSE(frame->draw(100, 100, img));  // millions of squares: more objects than allowed
  ASSERT_EQ(img.width, 100);
  for (uint32_t p : img.pixels) ASSERT_EQ(p, 0xFF0000FFu);

  Limits work;
  work.maxPixelWork = 1000;
  work.pixelWorkPerPicturePixel = 0;
  auto small = load(redSquareMovie(), nullptr, work);
  ASSERT_TRUE(small);
  EXPECT_FALSE(small->draw(100, 100, img));
  Limits edges;
  edges.maxEdges = 2;
  auto few = load(redSquareMovie(), nullptr, edges);
  ASSERT_TRUE(few);
  EXPECT_FALSE(few->draw(100, 100, img));
  EXPECT_FALSE(few->draw(0, 10, img));
  EXPECT_FALSE(few->draw(100000, 10, img));
  EXPECT_EQ(img.width, 0);
}

TEST(RenderHostile, CoordinatesFarOutsideTheStageDrawNothingAndBreakNothing) {
  Styles s;
  const int f = s.solid(kRed);
  const int l = s.line(65535, kRed);
  Records r;
  r.move(-(1 << 29), -(1 << 29), 0, f, l).lineTo((1 << 29), -(1 << 29)).curveTo(1 << 30, 1 << 29, -(1 << 29), 1 << 29);
  r.lineTo(-(1 << 29), -(1 << 29));
  auto frame = load(movie(6, 100, 100, swftest::bg(255, 255, 255) + defineShape(3, 1, s, r) +
                                           place(1, 1, Mat::scaled(30000, -30000, 1 << 20, 1 << 20))));
  ASSERT_TRUE(frame);
  Image img;
  frame->draw(100, 100, img);
  EXPECT_EQ(img.width, 100);
}

}  // namespace
}  // namespace rendertest
