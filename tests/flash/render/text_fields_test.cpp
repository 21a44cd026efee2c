// Text fields: their text laid out in the movie's fonts (DefineFont2 and DefineFont3) and in the
// machine's (FreeType over the fonts scripts/setup.sh installs), plain and HTML; static text in
// DefineFont3's units.
#include <gtest/gtest.h>

#include "flash/render/freetype_fonts.h"
#include "flash/render/html_text.h"
#include "render_support.h"
#include "text_builder.h"

namespace rendertest {
namespace {

// A 200 x 100 stage drawn at its size: a pixel is 20 twips. The test font at 400 twips (20 pixels):
// ascent 16 pixels, so the first baseline is at 2 + 16 = 18 and an 'A' spans y 8..18 and 10 pixels
// across, its advance 15 pixels.
constexpr Rgb kWhite{255, 255, 255}, kBlue{0, 0, 255}, kRedText{255, 0, 0};

Image drawField(const EditText& field, const std::string& before = "", const mv::render::FontProvider* fonts = nullptr,
                const Limits& limits = Limits()) {
  const std::string swf = movie(6, 200, 100, before + defineBoxFont(3, 1, "Box", boxGlyphs()) + field.tag(2) + place(1, 2));
  Image out;
  auto frame = FirstFrame::load(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), nullptr, fonts, limits);
  EXPECT_TRUE(frame);
  if (frame) {
    EXPECT_TRUE(frame->draw(200, 100, out));
  }
  return out;
}

EditText boxField(const std::string& text) {
  EditText f;
  f.fontId = 1;
  f.text = text;
  return f;
}

// Whether the pixels from x0 to x1 (end exclusive) on row y all show the colour.
::testing::AssertionResult row(const Image& img, int y, int x0, int x1, const Rgb& want) {
  for (int x = x0; x < x1; ++x)
    if (!near(pixel(img, x, y), want, 6)) return ::testing::AssertionFailure() << "at (" << x << ", " << y << ")";
  return ::testing::AssertionSuccess();
}

int inkIn(const Image& img, int x0, int y0, int x1, int y1) {
  int ink = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) ink += 255 - pixel(img, x, y).r;
  return ink / 255;
}

TEST(RenderTextFields, EmbeddedGlyphsStandOnTheBaselineAndAdvanceInBothFontUnits) {
  for (int version : {2, 3}) {
    const std::string swf = movie(6, 200, 100, defineBoxFont(version, 1, "Box", boxGlyphs()) + boxField("AA").tag(2) +
                                                   place(1, 2));
    Image img;
    auto frame = FirstFrame::load(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), nullptr);
    ASSERT_TRUE(frame);
    ASSERT_TRUE(frame->draw(200, 100, img));
    SCOPED_TRACE(version);
    EXPECT_TRUE(row(img, 13, 3, 12, kBlue));    // the first 'A': x 2..12
    EXPECT_TRUE(row(img, 13, 13, 16, kWhite));  // the gap to the second at 17
    EXPECT_TRUE(row(img, 13, 18, 27, kBlue));
    EXPECT_TRUE(row(img, 9, 3, 12, kBlue));
    EXPECT_TRUE(row(img, 7, 0, 40, kWhite));  // above the glyphs' tops
    EXPECT_TRUE(row(img, 19, 0, 40, kWhite)); // below the baseline
  }
}

TEST(RenderTextFields, StaticTextInDefineFont3UnitsAndAlignZonesIgnored) {
  // DefineText with glyph 0 of the test font at 40 pixels from (10, 50): a 20-pixel box x 10..30, y 30..50.
  Bits b;
  b.u16(8).raw(rect(0, 2000, 0, 2000));
  matrixBits(b, Mat());
  b.u8(2).u8(11);
  b.u8(0x80 | 0x08 | 0x04 | 0x02 | 0x01).u16(1).raw(rgb(Colour{0, 0, 255})).u16(200).u16(1000).u16(800);
  b.u8(1).ub(0, 2).sb(600, 11);
  b.u8(0);
  const std::string alignZones = tag(73, le16(1) + char(0) + std::string(40, '\x01'));
  const std::string swf =
      movie(8, 100, 100, defineBoxFont(3, 1, "Box", boxGlyphs()) + alignZones + tag(11, b.bytes()) + place(1, 8));
  Image img = draw(swf, 100, 100);
  ASSERT_FALSE(img.pixels.empty());
  EXPECT_TRUE(row(img, 40, 11, 29, kBlue));
  EXPECT_TRUE(row(img, 28, 0, 60, kWhite));
  EXPECT_TRUE(row(img, 40, 31, 60, kWhite));
}

TEST(RenderTextFields, AlignmentMarginsIndentWordWrapAndLeading) {
  EditText right = boxField("AA");
  right.layout = true;
  right.align = 1;
  Image r = drawField(right);  // the line ends at 198 - its 30 pixels of advance: boxes at 168 and 183
  EXPECT_TRUE(row(r, 13, 169, 177, kBlue));
  EXPECT_TRUE(row(r, 13, 184, 192, kBlue));
  EXPECT_TRUE(row(r, 13, 0, 165, kWhite));

  EditText centre = right;
  centre.align = 2;
  Image c = drawField(centre);  // (196 - 30) / 2 = 83 from the gutter: boxes at 85 and 100
  EXPECT_TRUE(row(c, 13, 86, 94, kBlue));
  EXPECT_TRUE(row(c, 13, 0, 84, kWhite));

  // Word wrap in a 100-pixel field: "AA AA" is 30 + 5 + 30 pixels; the third word goes to the next line,
  // whose baseline lies 16 + 4 + 2 (leading) + 16 further down; margins and indent move the lines.
  EditText wrapped = boxField("AA AA AA");
  wrapped.x1 = 2000;
  wrapped.wordWrap = true;
  wrapped.layout = true;
  wrapped.leading = 40;
  wrapped.leftMargin = 100;
  wrapped.indent = 60;
  Image w = drawField(wrapped);
  EXPECT_TRUE(row(w, 13, 11, 17, kBlue));   // first line: 2 + 5 + 3 = 10
  EXPECT_TRUE(row(w, 13, 46, 54, kBlue));   // its second word after 65 pixels at 45
  EXPECT_TRUE(row(w, 13, 76, 100, kWhite));
  EXPECT_TRUE(row(w, 35, 8, 16, kBlue));    // second line: baseline 40, no indent: 2 + 5 = 7
  EXPECT_TRUE(row(w, 35, 43, 100, kWhite)); // one word only
  EXPECT_TRUE(row(w, 21, 0, 100, kWhite));
}

TEST(RenderTextFields, HtmlRunsParagraphsAndEntities) {
  EditText html = boxField("<P ALIGN=\"right\"><FONT COLOR=\"#FF0000\">A</FONT>A</P><p>A&lt;<b>A</b></p>");
  html.html = true;
  Image img = drawField(html);
  EXPECT_TRUE(row(img, 13, 169, 177, kRedText));  // first paragraph, right-aligned: red, then blue
  EXPECT_TRUE(row(img, 13, 184, 192, kBlue));
  // The second paragraph one line down (no leading): baseline 18 + 4 + 16 = 38, left-aligned; '<' has no
  // glyph in the font and takes no room; the bold 'A' falls back to the font's only style.
  EXPECT_TRUE(row(img, 33, 3, 12, kBlue));
  EXPECT_TRUE(row(img, 33, 18, 27, kBlue));
  EXPECT_TRUE(row(img, 33, 30, 165, kWhite));

  // A font size in points, relative or not, and a line break.
  EditText sizes = boxField("<font size=\"+10\">A</font><br><font size='10'>A");
  sizes.html = true;
  Image s = drawField(sizes);  // 30 points: 'A' 15 pixels high on baseline 2 + 24 = 26
  EXPECT_TRUE(row(s, 12, 3, 16, kBlue));
  EXPECT_TRUE(row(s, 10, 0, 40, kWhite));
  EXPECT_TRUE(row(s, 36, 3, 6, kBlue));  // 10 points: 5 pixels high on baseline 26 + 6 + 8 = 40
  EXPECT_TRUE(row(s, 34, 3, 40, kWhite));
}

TEST(RenderTextFields, BorderBackgroundClippingAutoSizePasswordAndUnderline) {
  const std::string blackStage = swftest::bg(0, 0, 0);
  EditText bordered = boxField("AAAAAAAAAAAAAAAAAAAA");  // 300 pixels of text in a 100-pixel field
  bordered.x0 = 1000;
  bordered.x1 = 3000;
  bordered.border = true;
  Image img = drawField(bordered, blackStage);
  EXPECT_TRUE(row(img, 30, 52, 148, kWhite));                  // background
  EXPECT_TRUE(near(pixel(img, 50, 30), Rgb{0, 0, 0}, 6));      // the border on the field's edge
  EXPECT_TRUE(row(img, 13, 155, 200, Rgb{0, 0, 0}));           // text past the field is clipped
  EXPECT_TRUE(row(img, 13, 53, 61, kBlue));

  EditText autoSized = boxField("AA");
  autoSized.border = true;
  autoSized.autoSize = true;
  Image a = drawField(autoSized, blackStage);  // 30 pixels of text and the gutters: 34 x (2 + 16 + 4 + 2)
  EXPECT_TRUE(row(a, 20, 1, 33, kWhite));
  EXPECT_TRUE(row(a, 20, 36, 200, Rgb{0, 0, 0}));
  EXPECT_TRUE(row(a, 26, 0, 200, Rgb{0, 0, 0}));

  EditText password = boxField("AB");
  password.password = true;
  Image p = drawField(password);  // two '*': 5-pixel boxes at 2 and 17
  EXPECT_TRUE(row(p, 16, 3, 6, kBlue));
  EXPECT_TRUE(row(p, 16, 18, 21, kBlue));
  EXPECT_TRUE(row(p, 11, 0, 40, kWhite));

  EditText underlined = boxField("<u>A A</u>");
  underlined.html = true;
  Image u = drawField(underlined);  // a bar a pixel below the baseline, under the space too
  EXPECT_TRUE(row(u, 19, 3, 34, kBlue));
  EXPECT_TRUE(row(u, 17, 13, 16, kWhite));
}

TEST(RenderTextFields, DeviceFontsComeFromTheProvider) {
  mv::render::FreetypeFontProvider fonts;
  EditText sans = boxField("HHHH");
  sans.fontId = 5;
  sans.useOutlines = false;
  sans.colour = Colour{0, 0, 0};
  const std::string device = defineDeviceFont(5, "_sans");
  Image none = drawField(sans, device);  // no provider: left out
  EXPECT_EQ(0, inkIn(none, 0, 0, 200, 100));

  // Liberation Sans at 20 pixels: 'H' caps are about 14 pixels high on the baseline at 2 + 18.
  Image img = drawField(sans, device, &fonts);
  const int ink = inkIn(img, 0, 0, 200, 100);
  EXPECT_GT(ink, 60);
  EXPECT_EQ(ink, inkIn(img, 2, 4, 60, 22)) << "ink outside the line's box";
  EXPECT_TRUE(row(img, 3, 0, 200, kWhite));  // above the capitals

  Image bold = drawField(sans, defineDeviceFont(5, "Arial", true), &fonts);
  EXPECT_GT(inkIn(bold, 0, 0, 200, 100), ink * 11 / 10);
  // A family the machine lacks is shown in Times New Roman, as players do.
  Image unknown = drawField(sans, defineDeviceFont(5, "No Such Family"), &fonts);
  EXPECT_GT(inkIn(unknown, 0, 0, 200, 100), 40);
  // HTML names the face; the field's own font applies where it does not.
  EditText html = sans;
  html.html = true;
  html.text = "<font face=\"_typewriter\">HHHH</font>";
  Image mono = drawField(html, device, &fonts);
  EXPECT_GT(inkIn(mono, 0, 0, 200, 100), 30);
  EXPECT_NE(inkIn(mono, 0, 0, 200, 100), ink);
}

TEST(RenderTextFields, GlyphsPastTheBoundRefuseTheMovie) {
  Limits limits;
  for (const std::string& text : {std::string(11, 'A'), std::string("A A A A A A"), std::string(11, '<')}) {
    const std::string swf =
        movie(6, 200, 100, defineBoxFont(3, 1, "Box", boxGlyphs()) + boxField(text).tag(2) + place(1, 2));
    FrameStatus why;
    limits.maxGlyphs = 10;
    EXPECT_FALSE(load(swf, &why, limits)) << text;
    EXPECT_EQ(FrameStatus::limitReached, why);
    limits.maxGlyphs = 11;
    EXPECT_TRUE(load(swf, &why, limits)) << text;
  }
}

// ---- the HTML subset as runs and paragraphs

std::u32string u32(const std::string& s) { return mv::render::decodeMovieText(s, 8); }

TEST(RenderHtmlText, TagsEntitiesAndBreaks) {
  using mv::render::ParagraphFormat;
  mv::render::CharFormat base;
  auto p = mv::render::htmlParagraphs(
      u32("<TEXTFORMAT LEADING=\"2\"><P ALIGN=\"CENTER\"><FONT FACE=\"Verdana,Arial\" SIZE=\"14\" COLOR=\"#336699\">"
          "a&amp;b&#65;&#x42;&nbsp;&bogus;<I>c</I></FONT></P></TEXTFORMAT><p align='justify'>d<unknown>e</unknown>"
          "<br/>f\r\ng"),
      base, ParagraphFormat());
  ASSERT_EQ(4u, p.size());
  EXPECT_EQ(ParagraphFormat::center, p[0].format.align);
  EXPECT_EQ(40, p[0].format.leading);
  ASSERT_EQ(2u, p[0].runs.size());
  EXPECT_EQ(u32("a&bAB\xC2\xA0&bogus;"), p[0].runs[0].text);
  EXPECT_EQ("Verdana", p[0].runs[0].format.face);
  EXPECT_EQ(280, p[0].runs[0].format.size);
  EXPECT_EQ(0x66, p[0].runs[0].format.colour.g);
  EXPECT_TRUE(p[1 - 1].runs[1].format.italic);
  EXPECT_EQ(ParagraphFormat::justify, p[1].format.align);
  EXPECT_EQ(u32("de"), p[1].runs[0].text);
  EXPECT_EQ(0, p[1].format.leading);  // the textformat ended
  EXPECT_EQ(u32("f"), p[2].runs[0].text);
  EXPECT_EQ(u32("g"), p[3].runs[0].text);

  // An unclosed tag ends the text; a closing </p> adds no empty line.
  EXPECT_EQ(1u, mv::render::htmlParagraphs(u32("<p>x</p>"), base, {}).size());
  auto cut = mv::render::htmlParagraphs(u32("ab<font color="), base, {});
  ASSERT_EQ(1u, cut.size());
  EXPECT_EQ(u32("ab"), cut[0].runs[0].text);
}

TEST(RenderHtmlText, MovieStringsByVersion) {
  EXPECT_EQ(std::u32string({0xE9, 'x'}), mv::render::decodeMovieText("\xC3\xA9x", 6));
  EXPECT_EQ(std::u32string({0xC3, 0xA9}), mv::render::decodeMovieText("\xC3\xA9", 5));
  EXPECT_EQ(std::u32string({0xC3, 'x'}), mv::render::decodeMovieText("\xC3x", 8));  // not UTF-8: as it is
  EXPECT_EQ(std::u32string({0x1F600}), mv::render::decodeMovieText("\xF0\x9F\x98\x80", 8));
}

}  // namespace
}  // namespace rendertest
