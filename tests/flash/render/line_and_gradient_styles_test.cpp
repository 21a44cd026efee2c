// DefineShape4's line styles (caps, joins, no-close, fills on lines, lines that do not scale) and fill
// rule, and gradients: spread modes, linear-RGB mixing, focal points, stops out of order.
#include "render_support.h"

namespace rendertest {
namespace {

constexpr int kPx = 20;
const Rgb kWhite{255, 255, 255};
const Colour kBlack{0, 0, 0};

enum CapKind { round = 0, none = 1, square = 2 };
enum JoinKind { roundJoin = 0, bevel = 1, miter = 2 };

struct Line2 {
  int width = 10 * kPx;
  int startCap = round, endCap = round, join = roundJoin;
  double miterLimit = 3;
  bool noClose = false, noScale = false;
  Colour colour = kBlack;
  std::string fill;  // a FILLSTYLE painting the line instead of its colour

  std::string bytes() const {
    Bits b;
    b.u16(width).ub(uint32_t(startCap), 2).ub(uint32_t(join), 2).ub(fill.empty() ? 0 : 1, 1);
    b.ub(noScale, 1).ub(noScale, 1).ub(0, 1).ub(0, 5).ub(noClose, 1).ub(uint32_t(endCap), 2);
    if (join == miter) b.u16(int(miterLimit * 256));
    return b.raw(fill.empty() ? rgba(colour) : fill).bytes();
  }
};

std::string defineShape4(uint16_t id, const Styles& s, Records& r, bool nonZero = false) {
  const std::string body =
      le16(id) + rect(0, 20, 0, 20) + rect(0, 20, 0, 20) + char(nonZero ? 0x04 : 0) + s.bytes() + r.end();
  return tag(83, body);
}

// A version 8 movie on white, 100 x 100 pixels, showing shape 1 (placed with m), drawn at its size.
Image drawShape(const std::string& shape, const Mat& m = Mat()) {
  return draw(movie(8, 100, 100, swftest::bg(255, 255, 255) + shape + place(1, 1, m)), 100, 100);
}

// Line style 1 along the points given (pixels).
Image drawPath(const Line2& line, std::initializer_list<std::pair<int, int>> points, const Mat& m = Mat()) {
  Styles s;
  s.version = 4;
  s.lines.push_back(line.bytes());
  Records r;
  auto p = points.begin();
  r.move(p->first * kPx, p->second * kPx, 0, 0, 1);
  for (++p; p != points.end(); ++p) r.lineTo(p->first * kPx, p->second * kPx);
  return drawShape(defineShape4(1, s, r), m);
}

TEST(RenderLineStyles, CapsEndOpenLinesRoundFlatOrSquare) {
  // A line 10 pixels wide from x 20 to 80: round ends reach 5 pixels out as a half circle, square ones
  // as a square, flat ones not at all.
  Line2 line;
  const Image roundEnds = drawPath(line, {{20, 50}, {80, 50}});
  EXPECT_PIXEL(roundEnds, 17, 50, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(roundEnds, 16, 54, kWhite, 0);
  line.startCap = line.endCap = square;
  const Image squareEnds = drawPath(line, {{20, 50}, {80, 50}});
  EXPECT_PIXEL(squareEnds, 16, 54, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(squareEnds, 83, 46, (Rgb{0, 0, 0}), 0);
  line.startCap = none;
  const Image flatStart = drawPath(line, {{20, 50}, {80, 50}});
  EXPECT_PIXEL(flatStart, 18, 50, kWhite, 0);
  EXPECT_PIXEL(flatStart, 21, 50, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(flatStart, 83, 50, (Rgb{0, 0, 0}), 0);
}

TEST(RenderLineStyles, JoinsTurnCornersRoundBevelledOrMitred) {
  // A corner at (80, 20) of a line 20 pixels wide: the outer offsets meet at (90, 10).
  Line2 line;
  line.width = 20 * kPx;
  line.join = roundJoin;
  const Image roundJoined = drawPath(line, {{20, 20}, {80, 20}, {80, 80}});
  EXPECT_PIXEL(roundJoined, 86, 14, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(roundJoined, 88, 12, kWhite, 0);
  line.join = bevel;
  const Image bevelled = drawPath(line, {{20, 20}, {80, 20}, {80, 80}});
  EXPECT_PIXEL(bevelled, 86, 14, kWhite, 0);
  EXPECT_PIXEL(bevelled, 83, 17, (Rgb{0, 0, 0}), 0);
  line.join = miter;
  const Image mitred = drawPath(line, {{20, 20}, {80, 20}, {80, 80}});
  EXPECT_PIXEL(mitred, 88, 12, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(mitred, 89, 11, (Rgb{0, 0, 0}), 0);
}

TEST(RenderLineStyles, AClosedPathIsJoinedWhereItStartsUnlessItSaysNoClose) {
  Line2 line;
  line.startCap = line.endCap = none;
  line.join = miter;
  const Image closed = drawPath(line, {{20, 20}, {80, 20}, {80, 80}, {20, 80}, {20, 20}});
  EXPECT_PIXEL(closed, 16, 16, (Rgb{0, 0, 0}), 0);
  EXPECT_PIXEL(closed, 84, 84, (Rgb{0, 0, 0}), 0);
  line.noClose = true;
  const Image open = drawPath(line, {{20, 20}, {80, 20}, {80, 80}, {20, 80}, {20, 20}});
  EXPECT_PIXEL(open, 16, 16, kWhite, 0);
  EXPECT_PIXEL(open, 84, 84, (Rgb{0, 0, 0}), 0);
}

TEST(RenderLineStyles, ALineThatDoesNotScaleKeepsItsWidthUnderTheMatrix) {
  // A line 2 pixels wide in a shape placed 8 times larger: 16 pixels wide, or still 2.
  Line2 line;
  line.width = 2 * kPx;
  const Mat eightTimes = Mat::scaled(8, 8);
  const Image scaled = drawPath(line, {{2, 6}, {10, 6}}, eightTimes);
  EXPECT_PIXEL(scaled, 50, 43, (Rgb{0, 0, 0}), 0);
  line.noScale = true;
  const Image fixed = drawPath(line, {{2, 6}, {10, 6}}, eightTimes);
  EXPECT_PIXEL(fixed, 50, 43, kWhite, 0);
  EXPECT_PIXEL(fixed, 50, 48, (Rgb{0, 0, 0}), 0);
}

std::string gradientFill(int type, int spreadAndMix, const Mat& m, std::vector<std::pair<int, Colour>> stops,
                         double focus = 0) {
  std::string s(1, char(type));
  s += matrix(m) + char(spreadAndMix | int(stops.size()));
  for (auto& st : stops) s += char(st.first) + rgba(st.second);
  if (type == 0x13) s += le16(int(focus * 256));
  return s;
}

TEST(RenderLineStyles, ALineCanBePaintedWithAFill) {
  // A red-to-blue gradient across the stage paints a line from x 10 to 90.
  Line2 line;
  line.fill = gradientFill(0x10, 0, Mat::scaled(2000.0 / 32768, 1, 1000, 0), {{0, {255, 0, 0}}, {255, {0, 0, 255}}});
  const Image img = drawPath(line, {{10, 50}, {90, 50}});
  EXPECT_PIXEL(img, 12, 50, (Rgb{223, 0, 32}), 4);
  EXPECT_PIXEL(img, 88, 50, (Rgb{29, 0, 226}), 4);
  EXPECT_PIXEL(img, 50, 40, kWhite, 0);
}

TEST(RenderShape4, TheNonZeroRuleFillsWhereTwoOutlinesOverlap) {
  // Two squares drawn the same way round overlap from 40 to 60: a hole under the even-odd rule.
  Styles s;
  s.version = 4;
  const int f = s.solid({0, 128, 0});
  for (bool nonZero : {false, true}) {
    Records r;
    r.move(20 * kPx, 20 * kPx, 0, f, 0).rectangle(20 * kPx, 20 * kPx, 60 * kPx, 60 * kPx);
    r.move(40 * kPx, 40 * kPx).rectangle(40 * kPx, 40 * kPx, 80 * kPx, 80 * kPx);
    const Image img = drawShape(defineShape4(1, s, r, nonZero));
    EXPECT_PIXEL(img, 30, 30, (Rgb{0, 128, 0}), 0);
    EXPECT_PIXEL(img, 50, 50, (nonZero ? Rgb{0, 128, 0} : kWhite), 0);
  }
}

// A shape covering the stage, filled with the fill style given (bytes of a FILLSTYLE).
Image drawFill(const std::string& fill) {
  Styles s;
  s.version = 4;
  s.fills.push_back(fill);
  Records r;
  r.move(0, 0, 0, 1, 0).rectangle(0, 0, 100 * kPx, 100 * kPx);
  return drawShape(defineShape4(1, s, r));
}

TEST(RenderGradients, SpreadModesPadReflectOrRepeatBeyondTheEnds) {
  // Red to blue over 20 pixels around x 50; x 65 lies a quarter of the ramp past its end.
  const Mat narrow = Mat::scaled(400.0 / 32768, 1, 50 * kPx, 0);
  const std::vector<std::pair<int, Colour>> stops = {{0, {255, 0, 0}}, {255, {0, 0, 255}}};
  const Image pad = drawFill(gradientFill(0x10, 0x00, narrow, stops));
  EXPECT_PIXEL(pad, 65, 50, (Rgb{0, 0, 255}), 0);
  EXPECT_PIXEL(pad, 30, 50, (Rgb{255, 0, 0}), 0);
  const Image reflect = drawFill(gradientFill(0x10, 0x40, narrow, stops));
  EXPECT_PIXEL(reflect, 65, 50, (Rgb{64, 0, 191}), 8);
  const Image repeat = drawFill(gradientFill(0x10, 0x80, narrow, stops));
  EXPECT_PIXEL(repeat, 65, 50, (Rgb{191, 0, 64}), 8);
  EXPECT_PIXEL(repeat, 35, 50, (Rgb{57, 0, 198}), 8);  // a quarter before the start: three quarters in
}

TEST(RenderGradients, LinearRgbMixesInLightNotInCodes) {
  // Black to white across the stage: the middle is 128 in sRGB codes, 188 when mixed in linear light.
  const Mat across = Mat::scaled(2000.0 / 32768, 1, 1000, 0);
  const std::vector<std::pair<int, Colour>> stops = {{0, {0, 0, 0}}, {255, {255, 255, 255}}};
  EXPECT_PIXEL(drawFill(gradientFill(0x10, 0x00, across, stops)), 50, 50, (Rgb{128, 128, 128}), 3);
  EXPECT_PIXEL(drawFill(gradientFill(0x10, 0x10, across, stops)), 50, 50, (Rgb{188, 188, 188}), 3);
}

TEST(RenderGradients, AFocalPointMovesWhereTheRampStarts) {
  // A circle of radius 40 pixels around the centre, red at the focus, blue on the circle.
  const Mat circle = Mat::scaled(800.0 / 16384, 800.0 / 16384, 50 * kPx, 50 * kPx);
  const std::vector<std::pair<int, Colour>> stops = {{0, {255, 0, 0}}, {255, {0, 0, 255}}};
  const Image centred = drawFill(gradientFill(0x12, 0, circle, stops));
  EXPECT_PIXEL(centred, 50, 50, (Rgb{255, 0, 0}), 8);
  const Image focal = drawFill(gradientFill(0x13, 0, circle, stops, 0.9));
  EXPECT_PIXEL(focal, 85, 50, (Rgb{255, 0, 0}), 6);  // just before the focus (86), looking away from it
  EXPECT_PIXEL(focal, 50, 50, (Rgb{134, 0, 121}), 12);  // halfway from the focus to the far side
  EXPECT_PIXEL(focal, 95, 50, (Rgb{0, 0, 255}), 0);
}

TEST(RenderGradients, StopsAreWalkedInTheOrderTheyAreListed) {
  // Red 0, green 128, cyan 50, blue 255 across the stage: cyan comes after green has been reached and
  // is passed at once; the ramp is never sorted into red, cyan, green, blue.
  const Mat across = Mat::scaled(2000.0 / 32768, 1, 1000, 0);
  const Image img = drawFill(gradientFill(
      0x10, 0, across, {{0, {255, 0, 0}}, {128, {0, 255, 0}}, {50, {0, 255, 255}}, {255, {0, 0, 255}}}));
  EXPECT_PIXEL(img, 19, 50, (Rgb{156, 99, 0}), 6);  // ramp 50: between red and green
  EXPECT_PIXEL(img, 49, 50, (Rgb{4, 251, 0}), 6);
  EXPECT_PIXEL(img, 50, 50, (Rgb{0, 157, 255}), 6);  // past green: from cyan at 50 towards blue
  EXPECT_PIXEL(img, 99, 50, (Rgb{0, 1, 254}), 6);
  // Two stops at one ratio: a hard step from the first colour to the second.
  const Image step = drawFill(gradientFill(
      0x10, 0, across, {{0, {255, 0, 0}}, {128, {255, 0, 0}}, {128, {0, 0, 255}}, {255, {0, 0, 255}}}));
  EXPECT_PIXEL(step, 49, 50, (Rgb{255, 0, 0}), 0);
  EXPECT_PIXEL(step, 51, 50, (Rgb{0, 0, 255}), 0);
}

}  // namespace
}  // namespace rendertest
