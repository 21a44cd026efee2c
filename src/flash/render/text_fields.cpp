// Text fields.
//
// DefineEditText: id UI16, bounds RECT, flags UI8 (0x80 text, 0x40 word wrap, 0x20 multiline, 0x10
// password, 0x08 read-only, 0x04 colour, 0x02 max length, 0x01 font), flags UI8 (0x80 font class, 0x40
// auto size, 0x20 layout, 0x10 no select, 0x08 border, 0x04 was static, 0x02 HTML, 0x01 use outlines),
// then as the flags say: font id UI16, font class (zero-terminated), font height UI16 (twips), colour
// RGBA, max length UI16, align UI8, left margin, right margin, indent UI16 and leading SI16 (twips),
// the variable name (zero-terminated) and the initial text (zero-terminated).
//
// Layout as players do it: the text sits inside a gutter of 2 pixels (40 twips); a line is as high as the
// largest ascent and descent of its characters, the field's leading after it; word wrap breaks after
// spaces (inside a word too long for a line); alignment places each line between the margins, the
// first line of a paragraph moved by the indent. A border comes with a white background and a black
// line one pixel wide; an underline is as thick as a twentieth of the size (a pixel at least) and lies
// as far below the baseline. Fields that use outlines draw with the movie's fonts, the others with the
// machine's fonts (FontProvider). Auto-size fields grow or shrink around their text. What reaches out of
// the field is clipped at its edge.
#include "flash/render/text_fields.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "flash/render/html_text.h"

namespace mv::render {

namespace {

constexpr float kGutter = 40;

std::string zeroTerminated(RecordReader& in) {
  std::string s;
  while (in.remaining() > 0) {
    const char c = char(in.u8());
    if (c == '\0') break;
    s += c;
  }
  return s;
}

void addRectangle(ShapeGroup& g, float x0, float y0, float x1, float y1, uint16_t fill, uint16_t line) {
  const float xs[5] = {x0, x1, x1, x0, x0}, ys[5] = {y0, y0, y1, y1, y0};
  for (int i = 0; i < 4; ++i) {
    if (fill) g.edgesOfFill[fill - 1].push_back(uint32_t(g.edges.size()));
    g.edges.push_back(Edge{xs[i], ys[i], xs[i], ys[i], xs[i + 1], ys[i + 1], 0, fill, line, false});
  }
}

std::string lowerCase(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool isSpace(char32_t c) { return c == ' ' || c == '\t' || c == 0x3000; }

// One character as laid out.
struct Item {
  char32_t code;
  int64_t font;   // -1: no font draws it
  int64_t glyph;  // -1: nothing to draw
  float advance;  // twips
  const CharFormat* format;
};

struct Line {
  size_t begin, end;  // items
  size_t paragraph;
  bool first, last;   // of its paragraph
  float width = 0, ascent = 0, descent = 0, baseline = 0;
};

class FieldLayout {
 public:
  FieldLayout(const EditTextTag& field, std::vector<Font>& fonts,
              const Dictionary& dictionary, DeviceFonts& devices)
      : field_(field), fonts_(fonts), devices_(devices) {
    auto c = dictionary.find(field.fontId);
    if (field.hasFont && c != dictionary.end() && c->second.kind == Character::font) fieldFont_ = c->second.index;
  }

  bool run(const std::vector<Paragraph>& paragraphs, uint32_t& glyphs, EditText& out) {
    paragraphs_ = &paragraphs;
    for (size_t p = 0; p < paragraphs.size(); ++p) {
      const size_t begin = items_.size();
      for (const TextRun& r : paragraphs[p].runs) {
        // Every character counts against the glyphs allowed, blanks too: the work stays bounded.
        if (r.text.size() > glyphs - std::min<size_t>(glyphs, items_.size())) return false;
        for (char32_t c : r.text) addItem(field_.password ? U'*' : c, r.format);
      }
      if (devices_.outOfRecords()) return false;
      breakLines(p, begin, items_.size());
    }
    measureLines();
    return place(glyphs, out);
  }

 private:
  int64_t resolve(const CharFormat& f) {
    const auto key = std::make_tuple(f.face, f.bold, f.italic);
    auto known = resolved_.find(key);
    if (known != resolved_.end()) return known->second;
    const Font* own = fieldFont_ >= 0 ? &fonts_[size_t(fieldFont_)] : nullptr;
    std::string family = !f.face.empty() ? f.face : own ? own->name : field_.fontClass;
    const bool bold = f.bold || (f.face.empty() && own && own->bold);
    const bool italic = f.italic || (f.face.empty() && own && own->italic);
    int64_t font = -1;
    if (field_.useOutlines) {
      if (f.face.empty() && own && !own->glyphs.empty() && own->bold == bold && own->italic == italic) {
        font = fieldFont_;
      } else {
        // The movie's font of that name, in that style where it has one.
        const std::string want = lowerCase(family);
        for (size_t i = 0; i < fonts_.size(); ++i) {
          const Font& candidate = fonts_[i];
          if (candidate.device || candidate.glyphs.empty() || lowerCase(candidate.name) != want) continue;
          if (font < 0 || (candidate.bold == bold && candidate.italic == italic)) font = int64_t(i);
        }
        if (font < 0 && f.face.empty() && own && !own->glyphs.empty()) font = fieldFont_;
      }
    } else {
      uint32_t index;
      if (devices_.find(family.empty() ? "Times New Roman" : family, bold, italic, index)) font = index;
    }
    resolved_.emplace(key, font);
    return font;
  }

  void addItem(char32_t code, const CharFormat& format) {
    Item item{code, resolve(format), -1, format.letterSpacing, &format};
    if (item.font >= 0) {
      const Font& font = fonts_[size_t(item.font)];
      uint32_t glyph;
      bool found;
      if (font.device) {
        found = devices_.glyph(uint32_t(item.font), code, glyph);
      } else {
        auto it = font.glyphOfCode.find(code);
        found = it != font.glyphOfCode.end() && it->second < font.glyphs.size();
        if (found) glyph = it->second;
      }
      if (found) {
        item.glyph = glyph;
        const Font& f = fonts_[size_t(item.font)];  // a device font's vectors may have grown
        const float em = glyph < f.advances.size() ? f.advances[glyph] : 1024 * 0.6f;
        item.advance += em * format.size / 1024;
      }
    }
    items_.push_back(item);
  }

  float width() const { return float(field_.bounds.xmax - field_.bounds.xmin); }

  float available(const ParagraphFormat& p, bool first) const {
    return width() - 2 * kGutter - p.leftMargin - p.rightMargin - (first ? p.indent : 0);
  }

  void breakLines(size_t paragraph, size_t begin, size_t end) {
    const ParagraphFormat& format = (*paragraphs_)[paragraph].format;
    size_t start = begin, lastBreak = begin;
    float used = 0;
    for (size_t i = begin; i < end; ++i) {
      const float advance = items_[i].advance;
      if (field_.wordWrap && i > start && !isSpace(items_[i].code) &&
          used + advance > available(format, start == begin) + 0.5f) {
        const size_t cut = lastBreak > start ? lastBreak : i;
        lines_.push_back({start, cut, paragraph, start == begin, false});
        start = lastBreak = cut;
        used = 0;
        for (size_t k = cut; k < i; ++k) used += items_[k].advance;
      }
      used += advance;
      if (isSpace(items_[i].code)) lastBreak = i + 1;
    }
    lines_.push_back({start, end, paragraph, start == begin, true});
  }

  // Each line's width (trailing blanks left out), height and baseline.
  void measureLines() {
    float y = kGutter;
    for (Line& line : lines_) {
      size_t visibleEnd = line.end;
      while (visibleEnd > line.begin && isSpace(items_[visibleEnd - 1].code)) --visibleEnd;
      for (size_t i = line.begin; i < line.end; ++i) {
        if (i < visibleEnd) line.width += items_[i].advance;
        extendHeight(line, items_[i].font, *items_[i].format);
      }
      if (line.begin == line.end) {
        const CharFormat& f = (*paragraphs_)[line.paragraph].start;
        extendHeight(line, resolve(f), f);
      }
      line.baseline = y + line.ascent;
      y = line.baseline + line.descent + (*paragraphs_)[line.paragraph].format.leading;
    }
  }

  void extendHeight(Line& line, int64_t font, const CharFormat& format) {
    float ascent = 0.9f * 1024, descent = 0.25f * 1024;
    if (font >= 0 && fonts_[size_t(font)].ascent + fonts_[size_t(font)].descent > 0) {
      ascent = fonts_[size_t(font)].ascent;
      descent = fonts_[size_t(font)].descent;
    }
    line.ascent = std::max(line.ascent, ascent * format.size / 1024);
    line.descent = std::max(line.descent, descent * format.size / 1024);
  }

  bool place(uint32_t& glyphs, EditText& out);

  const EditTextTag& field_;
  std::vector<Font>& fonts_;
  DeviceFonts& devices_;
  int64_t fieldFont_ = -1;
  const std::vector<Paragraph>* paragraphs_ = nullptr;
  std::map<std::tuple<std::string, bool, bool>, int64_t> resolved_;
  std::vector<Item> items_;
  std::vector<Line> lines_;
};

bool FieldLayout::place(uint32_t& glyphs, EditText& out) {
  // The field's rectangle, grown or shrunk around its text when it sizes itself.
  float x0 = float(field_.bounds.xmin), x1 = float(field_.bounds.xmax);
  float y0 = float(field_.bounds.ymin), y1 = float(field_.bounds.ymax);
  const auto& paragraphs = *paragraphs_;
  if (field_.autoSize && !lines_.empty()) {
    const Line& last = lines_.back();
    y1 = y0 + last.baseline + last.descent + kGutter;
    if (!field_.wordWrap) {
      float widest = 0;
      for (const Line& l : lines_) {
        const ParagraphFormat& p = paragraphs[l.paragraph].format;
        widest = std::max(widest, l.width + p.leftMargin + p.rightMargin + (l.first ? p.indent : 0));
      }
      const float w = widest + 2 * kGutter;
      switch (paragraphs[0].format.align) {
        case ParagraphFormat::right: x0 = x1 - w; break;
        case ParagraphFormat::center: x0 = (x0 + x1 - w) / 2; x1 = x0 + w; break;
        default: x1 = x0 + w; break;
      }
    }
  }
  const float fieldWidth = x1 - x0;
  ShapeGroup underlines;
  for (const Line& line : lines_) {
    const ParagraphFormat& p = paragraphs[line.paragraph].format;
    const float room = fieldWidth - 2 * kGutter - p.leftMargin - p.rightMargin - (line.first ? p.indent : 0);
    float x = x0 + kGutter + p.leftMargin + (line.first ? p.indent : 0), spaceExtra = 0;
    if (p.align == ParagraphFormat::right) x += room - line.width;
    else if (p.align == ParagraphFormat::center) x += (room - line.width) / 2;
    else if (p.align == ParagraphFormat::justify && !line.last) {
      size_t spaces = 0, visibleEnd = line.end;
      while (visibleEnd > line.begin && isSpace(items_[visibleEnd - 1].code)) --visibleEnd;
      for (size_t i = line.begin; i < visibleEnd; ++i) spaces += isSpace(items_[i].code);
      if (spaces && room > line.width) spaceExtra = (room - line.width) / float(spaces);
    }
    const float baseline = y0 + line.baseline;
    if (x < x0 || x + line.width > x1 || baseline - line.ascent < y0 || baseline + line.descent > y1)
      out.clipped = true;
    for (size_t i = line.begin; i < line.end; ++i) {
      const Item& item = items_[i];
      const CharFormat& f = *item.format;
      if (item.glyph >= 0) {
        if (glyphs == 0) return false;
        --glyphs;
        out.glyphs.push_back({uint32_t(item.font), uint32_t(item.glyph), x, baseline, f.size, f.colour});
      }
      const float advance = item.advance + (isSpace(item.code) ? spaceExtra : 0);
      if (f.underline && advance > 0) {
        // One rectangle a character; neighbours of one colour share their edge.
        underlines.fills.push_back({});
        underlines.fills.back().colour = f.colour;
        underlines.edgesOfFill.emplace_back();
        const float thickness = std::max(20.0f, f.size / 20);
        addRectangle(underlines, x, baseline + thickness, x + advance, baseline + 2 * thickness,
                     uint16_t(underlines.fills.size()), 0);
      }
      x += advance;
    }
    if (underlines.fills.size() > 60000) break;
  }
  if (!underlines.fills.empty()) out.underlines.groups.push_back(std::move(underlines));

  ShapeGroup frame;
  if (field_.border) {
    frame.fills.push_back({});
    frame.fills[0].colour = Rgba{255, 255, 255, 255};
    LineStyle border;  // thinner than a pixel: drawn a pixel wide
    border.colour = Rgba{0, 0, 0, 255};
    frame.lines.push_back(border);
    frame.edgesOfFill.emplace_back();
    // The line through the middle of the pixels at the field's edges (at the stage's own size): players
    // draw the border one pixel wider and higher than the field, over the pixels at x1 and y1.
    addRectangle(frame, x0 + 10, y0 + 10, x1 + 10, y1 + 10, 1, 1);
    out.frame.groups.push_back(std::move(frame));
  }
  ShapeGroup clip;
  clip.fills.push_back({});
  clip.edgesOfFill.emplace_back();
  addRectangle(clip, x0, y0, x1, y1, 1, 0);
  out.clip.groups.push_back(std::move(clip));
  return true;
}

}  // namespace

bool readEditText(RecordReader& in, EditTextTag& out) {
  out.bounds = in.rect();
  const unsigned flags = in.u8(), more = in.u8();
  out.wordWrap = flags & 0x40;
  out.password = flags & 0x10;
  out.autoSize = more & 0x40;
  out.border = more & 0x08;
  out.html = more & 0x02;
  out.useOutlines = more & 0x01;
  out.hasFont = flags & 0x01;
  if (out.hasFont) out.fontId = in.u16();
  if (more & 0x80) out.fontClass = zeroTerminated(in);
  if (out.hasFont || (more & 0x80)) out.fontHeight = in.u16();
  if (flags & 0x04) out.colour = in.rgba();
  if (flags & 0x02) in.u16();  // max length: typing only
  if (more & 0x20) {
    out.align = in.u8();
    out.leftMargin = in.u16();
    out.rightMargin = in.u16();
    out.indent = in.u16();
    out.leading = in.s16();
  }
  zeroTerminated(in);  // the variable
  if (flags & 0x80) out.text = zeroTerminated(in);
  return !in.failed();
}

bool layOutEditText(const EditTextTag& field, int swfVersion, std::vector<Font>& fonts,
                    const Dictionary& dictionary, DeviceFonts& devices,
                    uint32_t& glyphs, EditText& out) {
  CharFormat format;
  format.size = field.fontHeight;
  format.colour = field.colour;
  ParagraphFormat paragraph;
  paragraph.align = field.align <= 3 ? ParagraphFormat::Align(field.align) : ParagraphFormat::left;
  paragraph.leftMargin = field.leftMargin;
  paragraph.rightMargin = field.rightMargin;
  paragraph.indent = field.indent;
  paragraph.leading = field.leading;
  if (field.text.size() / 16 > glyphs) return false;  // far more text than could be shown, markup and all
  const std::u32string text = decodeMovieText(field.text, swfVersion);
  const std::vector<Paragraph> paragraphs =
      field.html ? htmlParagraphs(text, format, paragraph) : plainParagraphs(text, format, paragraph);
  FieldLayout layout(field, fonts, dictionary, devices);
  if (!layout.run(paragraphs, glyphs, out)) {
    out = EditText();
    return false;
  }
  return true;
}

}  // namespace mv::render
