// Shapes as the renderer draws them: fill rules and edge sides, coverage at the outline, curves,
// transparency, style arrays, lines with round caps and joins, gradients.
#include <cmath>
#include <functional>

#include "render_support.h"

namespace rendertest {
namespace {

constexpr Rgb kWhite{255, 255, 255};
const Colour kRed{220, 20, 20}, kBlue{20, 40, 200};
constexpr int kPx = 20;  // twips per pixel at scale 1

// A 100 x 100 movie on white with the shape at depth 1, drawn at 100 x 100.
Image drawShape(const std::string& shapeTag, int version = 6) {
  return draw(movie(version, 100, 100, swftest::bg(255, 255, 255) + shapeTag + place(1, 1)), 100, 100);
}

// How much of the picture is covered by a colour over white, in pixels (one channel that differs).
double coveredArea(const Image& img, Colour c) {
  double sum = 0;
  for (uint32_t p : img.pixels) sum += (255.0 - (p & 255)) / (255.0 - c.b);
  return sum;
}

TEST(RenderFills, SolidRectangleCoversWholePixelsInsideAndShadesAPartlyCoveredColumn) {
  // x from 10 to 30.5 pixels, y from 10 to 20.
  Image img = drawShape(rectangleShape(1, kRed, 10 * kPx, 10 * kPx, 305 * kPx / 10, 20 * kPx));
  EXPECT_PIXEL(img, 10, 10, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 29, 19, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 9, 15, kWhite, 0);
  EXPECT_PIXEL(img, 15, 20, kWhite, 0);
  EXPECT_PIXEL(img, 30, 15, (Rgb{238, 138, 138}), 2);  // half covered
  EXPECT_PIXEL(img, 31, 15, kWhite, 0);
}

TEST(RenderFills, NestedPathsWithTheSameFillMakeAHoleWhicheverWayTheyRun) {
  Styles s;
  const int f = s.solid(kRed);
  Records r;
  r.move(10 * kPx, 10 * kPx, 0, f, 0).rectangle(10 * kPx, 10 * kPx, 90 * kPx, 90 * kPx);
  r.move(30 * kPx, 30 * kPx).rectangle(30 * kPx, 30 * kPx, 70 * kPx, 70 * kPx);  // same direction
  Image img = drawShape(defineShape(1, 1, s, r));
  EXPECT_PIXEL(img, 20, 20, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 50, 50, kWhite, 0);
}

TEST(RenderFills, AnEdgeBetweenTwoFillsBoundsBoth) {
  Styles s;
  const int a = s.solid(kRed), b = s.solid(kBlue);
  Records r;
  // Left half (red) on the right of edges going clockwise, right half (blue); the middle edge at
  // x = 50.5 has red on one side and blue on the other.
  r.move(10 * kPx, 10 * kPx, 0, a, 0).lineTo(505 * 2, 10 * kPx);
  r.move(505 * 2, 90 * kPx, 0, a, 0).lineTo(10 * kPx, 90 * kPx).lineTo(10 * kPx, 10 * kPx);
  r.move(505 * 2, 10 * kPx, 0, b, 0).lineTo(90 * kPx, 10 * kPx).lineTo(90 * kPx, 90 * kPx).lineTo(505 * 2, 90 * kPx);
  r.move(505 * 2, 10 * kPx, b, a, 0).lineTo(505 * 2, 90 * kPx);
  Image img = drawShape(defineShape(2, 1, s, r));
  EXPECT_PIXEL(img, 30, 50, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 70, 50, (Rgb{20, 40, 200}), 0);
  // The pixel the edge halves: red drawn at half coverage, then blue at half coverage over it (each
  // fill is composited on its own, as other renderers do).
  EXPECT_PIXEL(img, 50, 50, (Rgb{128, 88, 168}), 2);
}

TEST(RenderFills, AnEdgeWithTheSameFillOnBothSidesBoundsNothing) {
  Styles s;
  const int f = s.solid(kRed);
  Records r;
  r.move(10 * kPx, 10 * kPx, 0, f, 0).rectangle(10 * kPx, 10 * kPx, 90 * kPx, 90 * kPx);
  r.move(50 * kPx, 10 * kPx, f, f, 0).lineTo(50 * kPx, 90 * kPx);
  Image img = drawShape(defineShape(2, 1, s, r));
  EXPECT_PIXEL(img, 30, 50, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 70, 50, (Rgb{220, 20, 20}), 0);
}

TEST(RenderFills, ACircleOfQuadraticCurvesCoversItsArea) {
  Styles s;
  const int f = s.solid(Colour{0, 0, 0});
  Records r;
  const double radius = 30 * kPx, k = radius / std::cos(3.14159265358979 / 8);
  auto at = [](double v) { return int32_t(std::lround(v)); };
  r.move(at(50 * kPx + radius), 50 * kPx, 0, f, 0);
  for (int i = 1; i <= 8; ++i) {
    const double a = i * 3.14159265358979 / 4, m = (i - 0.5) * 3.14159265358979 / 4;
    r.curveTo(at(50 * kPx + k * std::cos(m)), at(50 * kPx + k * std::sin(m)), at(50 * kPx + radius * std::cos(a)),
              at(50 * kPx + radius * std::sin(a)));
  }
  Image img = drawShape(defineShape(1, 1, s, r));
  // Eight quadratic arcs bulge a little past the circle: within 1 % of pi r^2.
  EXPECT_NEAR(coveredArea(img, Colour{0, 0, 0}), 3.14159265358979 * 900, 0.01 * 3.14159265358979 * 900);
  EXPECT_PIXEL(img, 50, 50, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(img, 50, 21, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(img, 25, 25, kWhite, 0);  // outside the circle, inside its box
}

TEST(RenderFills, TranslucentColoursOfShape3BlendOverWhatIsBelow) {
  Image img = drawShape(rectangleShape(1, Colour{255, 0, 0, 128}, 10 * kPx, 10 * kPx, 50 * kPx, 50 * kPx, 3));
  EXPECT_PIXEL(img, 20, 20, (Rgb{255, 127, 127}), 1);
  // DefineShape (1) has no alpha: the same bytes read as RGB are opaque.
  Image opaque = drawShape(rectangleShape(1, Colour{255, 0, 0}, 10 * kPx, 10 * kPx, 50 * kPx, 50 * kPx, 1));
  EXPECT_PIXEL(opaque, 20, 20, (Rgb{255, 0, 0}), 0);
}

TEST(RenderFills, NewStylesStartAGroupWhoseIndicesReferToTheNewArrays) {
  Styles first;
  first.version = 2;
  const int red = first.solid(kRed);
  Styles second;
  second.version = 2;
  second.solid(kBlue);
  Records r;
  r.move(10 * kPx, 10 * kPx, 0, red, 0).rectangle(10 * kPx, 10 * kPx, 40 * kPx, 40 * kPx);
  r.newStyles(second, 0, 1, 0);
  r.move(60 * kPx, 10 * kPx).rectangle(60 * kPx, 10 * kPx, 90 * kPx, 40 * kPx);
  Image img = drawShape(defineShape(2, 1, first, r));
  EXPECT_PIXEL(img, 25, 25, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(img, 75, 25, (Rgb{20, 40, 200}), 0);
}

TEST(RenderFills, MoreThan254StylesUseTheExtendedCount) {
  Styles s;
  s.version = 3;
  for (int i = 0; i < 299; ++i) s.solid(Colour{uint8_t(i), 0, 0});
  const int last = s.solid(kBlue);
  Records r(9, 1);
  r.move(10 * kPx, 10 * kPx, 0, last, 0).rectangle(10 * kPx, 10 * kPx, 40 * kPx, 40 * kPx);
  Image img = drawShape(defineShape(3, 1, s, r));
  EXPECT_PIXEL(img, 25, 25, (Rgb{20, 40, 200}), 0);
}

TEST(RenderFills, AStyleIndexPastTheArrayFillsNothing) {
  Styles s;
  s.solid(kRed);
  Records r;
  r.move(10 * kPx, 10 * kPx, 0, 7, 3).rectangle(10 * kPx, 10 * kPx, 40 * kPx, 40 * kPx);
  Image img = drawShape(defineShape(2, 1, s, r));
  EXPECT_PIXEL(img, 25, 25, kWhite, 0);
}

// ---- lines

Image drawLines(const std::function<void(Records&, int)>& path, int width, double scale = 1) {
  Styles s;
  const int l = s.line(width, Colour{0, 0, 0});
  Records r;
  path(r, l);
  return draw(movie(6, 100, 100, swftest::bg(255, 255, 255) + defineShape(2, 1, s, r) + place(1, 1, Mat::scaled(scale, scale))),
              100, 100);
}

TEST(RenderLines, ALineHasRoundCapsHalfItsWidthBeyondItsEnds) {
  Image img = drawLines([](Records& r, int l) { r.move(20 * kPx, 50 * kPx, 0, 0, l).lineTo(80 * kPx, 50 * kPx); }, 10 * kPx);
  EXPECT_PIXEL(img, 50, 46, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(img, 50, 56, kWhite, 0);
  EXPECT_PIXEL(img, 16, 50, (Rgb{0, 0, 0}), 0);  // the cap reaches x = 15
  EXPECT_PIXEL(img, 82, 52, (Rgb{0, 0, 0}), 0);  // 3.2 px from the end
  EXPECT_PIXEL(img, 84, 54, kWhite, 0);          // 5.7 px from the end: a square cap would cover it
}

TEST(RenderLines, CornersAreRounded) {
  Image img = drawLines([](Records& r, int l) {
    r.move(20 * kPx, 70 * kPx, 0, 0, l).lineTo(60 * kPx, 70 * kPx).lineTo(60 * kPx, 20 * kPx);
  }, 10 * kPx);
  EXPECT_PIXEL(img, 62, 72, (Rgb{0, 0, 0}), 0);  // 3.5 px from the corner
  EXPECT_PIXEL(img, 64, 74, kWhite, 0);          // 6.4 px from it: a mitred corner would cover it
  EXPECT_PIXEL(img, 56, 66, (Rgb{0, 0, 0}), 0);  // the inner side of the corner is covered
}

TEST(RenderLines, ACurvedLineFollowsTheCurve) {
  Image img = drawLines([](Records& r, int l) {
    r.move(10 * kPx, 80 * kPx, 0, 0, l).curveTo(50 * kPx, 0, 90 * kPx, 80 * kPx);
  }, 4 * kPx);
  EXPECT_PIXEL(img, 50, 40, (Rgb{0, 0, 0}), 40);  // the curve's top: (50, 40)
  EXPECT_PIXEL(img, 50, 60, kWhite, 0);
  EXPECT_PIXEL(img, 50, 30, kWhite, 0);
}

TEST(RenderLines, WidthsScaleWithThePlacementAndNeverDropBelowOnePixel) {
  Image scaled = drawLines([](Records& r, int l) { r.move(5 * kPx, 10 * kPx, 0, 0, l).lineTo(25 * kPx, 10 * kPx); },
                           2 * kPx, 3.0);
  EXPECT_PIXEL(scaled, 40, 28, (Rgb{0, 0, 0}), 0);  // 6 px wide around y = 30
  EXPECT_PIXEL(scaled, 40, 34, kWhite, 0);
  Image hairline = drawLines([](Records& r, int l) { r.move(10 * kPx, 505 * 2, 0, 0, l).lineTo(90 * kPx, 505 * 2); }, 0);
  EXPECT_PIXEL(hairline, 50, 50, (Rgb{0, 0, 0}), 2);
  EXPECT_PIXEL(hairline, 50, 49, kWhite, 0);
  EXPECT_PIXEL(hairline, 50, 51, kWhite, 0);
}

TEST(RenderLines, LinesAreDrawnOverTheFillsOfTheirShape) {
  Styles s;
  const int f = s.solid(kRed);
  const int l = s.line(6 * kPx, kBlue);
  Records r;
  r.move(20 * kPx, 20 * kPx, 0, f, l).rectangle(20 * kPx, 20 * kPx, 80 * kPx, 80 * kPx);
  Image img = drawShape(defineShape(2, 1, s, r));
  EXPECT_PIXEL(img, 50, 21, (Rgb{20, 40, 200}), 0);  // the line covers the fill's edge from inside too
  EXPECT_PIXEL(img, 50, 50, (Rgb{220, 20, 20}), 0);
}

// ---- gradients

TEST(RenderGradients, ALinearGradientRunsAcrossItsSquareAndPadsBeyond) {
  Styles s;
  // The gradient square (32768 twips wide) scaled to 64 pixels, centred at x = 40.
  const int g = s.gradient(false, Mat::scaled(64.0 * kPx / 32768, 1, 40 * kPx, 0),
                           {{0, Colour{255, 0, 0}}, {255, Colour{0, 0, 255}}});
  Records r;
  r.move(0, 0, 0, g, 0).rectangle(0, 0, 100 * kPx, 100 * kPx);
  Image img = drawShape(defineShape(2, 1, s, r));
  EXPECT_PIXEL(img, 2, 50, (Rgb{255, 0, 0}), 0);    // before the square: the first colour
  EXPECT_PIXEL(img, 8, 50, (Rgb{255, 0, 0}), 3);    // its left edge
  EXPECT_PIXEL(img, 40, 50, (Rgb{128, 0, 127}), 3); // its middle
  EXPECT_PIXEL(img, 71, 50, (Rgb{0, 0, 255}), 3);   // its right edge
  EXPECT_PIXEL(img, 95, 50, (Rgb{0, 0, 255}), 0);   // after it: the last colour
}

TEST(RenderGradients, ARadialGradientGoesFromItsCentreToItsCircleWithStopsAndAlpha) {
  Styles s;
  s.version = 3;
  // Radius 40 pixels around (50, 50); white at the centre, red at half the radius, transparent blue at the edge.
  const int g = s.gradient(true, Mat::scaled(40.0 * kPx / 16384, 40.0 * kPx / 16384, 50 * kPx, 50 * kPx),
                           {{0, Colour{255, 255, 255}}, {128, Colour{255, 0, 0}}, {255, Colour{0, 0, 255, 0}}});
  Records r;
  r.move(0, 0, 0, g, 0).rectangle(0, 0, 100 * kPx, 100 * kPx);
  Image img = draw(movie(6, 100, 100, swftest::bg(0, 0, 0) + defineShape(3, 1, s, r) + place(1, 1)), 100, 100);
  EXPECT_PIXEL(img, 50, 50, (Rgb{255, 255, 255}), 12);
  EXPECT_PIXEL(img, 70, 50, (Rgb{255, 0, 0}), 12);  // 20 pixels out: the middle stop
  EXPECT_PIXEL(img, 98, 50, (Rgb{0, 0, 0}), 0);    // past the circle: transparent, the black below
  EXPECT_PIXEL(img, 50, 19, pixel(img, 80, 50), 0); // round: the same at the same distance
}

TEST(RenderGradients, StopsOutOfOrderAreTakenInTheirOrderNotSorted) {
  // Blue at 255 listed before red at 0: blue is drawn up to 255, and red, already behind, never shows.
  Styles s;
  const int g = s.gradient(false, Mat::scaled(100.0 * kPx / 32768, 1, 50 * kPx, 0),
                           {{255, Colour{0, 0, 255}}, {0, Colour{255, 0, 0}}});
  Records r;
  r.move(0, 0, 0, g, 0).rectangle(0, 0, 100 * kPx, 100 * kPx);
  Image img = drawShape(defineShape(2, 1, s, r));
  EXPECT_PIXEL(img, 1, 50, (Rgb{0, 0, 255}), 6);
  EXPECT_PIXEL(img, 98, 50, (Rgb{0, 0, 255}), 6);
}

}  // namespace
}  // namespace rendertest
