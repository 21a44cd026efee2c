// The system's fonts through GDI under Wine: outlines of every kind of contour step decoded into the
// renderer's EM of 1024 with y down, blanks, missing characters, and a text field drawn with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "flash/render/first_frame.h"
#include "flash/win32/gdi_fonts.h"
#include "render/text_builder.h"

namespace {

using mv::render::DeviceGlyph;
using mv::render::OutlineStep;

struct Box {
  float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
};

Box extent(const DeviceGlyph& g) {
  Box b;
  for (const OutlineStep& s : g.outline) {
    const int points = s.kind == OutlineStep::cubicTo ? 3 : s.kind == OutlineStep::quadTo ? 2 : 1;
    for (int i = 0; i < points; ++i) {
      b.x0 = std::min(b.x0, s.x[i]);
      b.x1 = std::max(b.x1, s.x[i]);
      b.y0 = std::min(b.y0, s.y[i]);
      b.y1 = std::max(b.y1, s.y[i]);
    }
  }
  return b;
}

// The area the contours enclose, by their end points (the shoelace formula).
float inkArea(const DeviceGlyph& g) {
  double area = 0, x0 = 0, y0 = 0, px = 0, py = 0;
  auto close = [&] { area += px * y0 - x0 * py; };
  for (const OutlineStep& s : g.outline) {
    const int last = s.kind == OutlineStep::cubicTo ? 2 : s.kind == OutlineStep::quadTo ? 1 : 0;
    if (s.kind == OutlineStep::moveTo) {
      if (&s != &g.outline[0]) close();
      x0 = px = s.x[0];
      y0 = py = s.y[0];
      continue;
    }
    area += px * s.y[last] - s.x[last] * py;
    px = s.x[last];
    py = s.y[last];
  }
  close();
  return float(std::abs(area) / 2);
}

TEST(GdiFonts, OutlinesInEmUnitsWithYDown) {
  mv::GdiFontProvider fonts;
  const mv::render::FontFace* arial = fonts.face("Arial", false, false);
  ASSERT_NE(nullptr, arial);
  EXPECT_EQ(arial, fonts.face("Arial", false, false));  // made once
  EXPECT_GT(arial->ascent(), 700);
  EXPECT_LT(arial->ascent(), 1200);
  EXPECT_GT(arial->descent(), 100);
  EXPECT_LT(arial->descent(), 400);

  DeviceGlyph h;
  ASSERT_TRUE(arial->glyph('H', h));
  ASSERT_FALSE(h.outline.empty());
  EXPECT_EQ(OutlineStep::moveTo, h.outline[0].kind);
  const Box hb = extent(h);  // capitals: about 0.7 EM above the baseline, nothing below it
  EXPECT_GT(hb.y0, -800);
  EXPECT_LT(hb.y0, -600);
  EXPECT_NEAR(0, hb.y1, 2);
  EXPECT_GT(h.advance, 600);
  EXPECT_LT(h.advance, 900);

  DeviceGlyph o;  // curves, two contours
  ASSERT_TRUE(arial->glyph('o', o));
  EXPECT_EQ(2, std::count_if(o.outline.begin(), o.outline.end(), [](const OutlineStep& s) { return s.kind == OutlineStep::moveTo; }));
  EXPECT_TRUE(std::any_of(o.outline.begin(), o.outline.end(),
                          [](const OutlineStep& s) { return s.kind != OutlineStep::moveTo && s.kind != OutlineStep::lineTo; }));
  const Box ob = extent(o);
  EXPECT_GT(ob.y0, -600);
  EXPECT_GT(ob.y1, 0);  // its bowl dips a little below the baseline
  EXPECT_LT(ob.y1, 40);

  DeviceGlyph space;
  ASSERT_TRUE(arial->glyph(' ', space));
  EXPECT_TRUE(space.outline.empty());
  EXPECT_GT(space.advance, 100);
  DeviceGlyph none;
  EXPECT_FALSE(arial->glyph(0x10FFFF, none));

  const mv::render::FontFace* bold = fonts.face("Arial", true, false);
  ASSERT_NE(nullptr, bold);
  DeviceGlyph hBold;
  ASSERT_TRUE(bold->glyph('H', hBold));
  EXPECT_GT(inkArea(hBold), inkArea(h) * 1.2);  // thicker stems
}

TEST(GdiFonts, ATextFieldDrawnInTheSystemsSans) {
  using namespace rendertest;
  mv::GdiFontProvider fonts;
  EditText field;
  field.fontId = 5;
  field.useOutlines = false;
  field.colour = Colour{0, 0, 0};
  field.text = "HHHH";
  const std::string swf = movie(6, 200, 100, defineDeviceFont(5, "_sans") + field.tag(2) + place(1, 2));
  auto frame = mv::render::FirstFrame::load(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), nullptr, &fonts);
  ASSERT_TRUE(frame);
  mv::render::Image img;
  ASSERT_TRUE(frame->draw(200, 100, img));
  int ink = 0, outside = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x) {
      const int v = 255 - int(img.at(x, y) & 255);
      ink += v;
      if (x >= 70 || y >= 24) outside += v;
    }
  EXPECT_GT(ink / 255, 60);
  EXPECT_EQ(0, outside);
}

}  // namespace
