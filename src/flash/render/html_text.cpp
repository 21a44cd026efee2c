// Text fields' initial text: plain or HTML.
//
// The HTML subset: <p align="left|right|center|justify"> and </p> begin and end a paragraph, <br> ends a
// line, <font face size color letterSpacing> (size in points, "+n"/"-n" relative to the size in effect;
// color "#RRGGBB"), <b>, <i>, <u>, <textformat leading indent leftmargin rightmargin> (points), and the
// entities &lt; &gt; &amp; &quot; &apos; &nbsp; &#n; &#xh;. A line break in the text is a line break,
// as players take it. Attribute values may be in single or double quotes or bare.
#include "flash/render/html_text.h"

#include <cctype>
#include <cstdlib>

namespace mv::render {

std::u32string decodeMovieText(const std::string& bytes, int swfVersion) {
  std::u32string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const uint8_t b = uint8_t(bytes[i]);
    if (swfVersion < 6 || b < 0x80) {
      out += char32_t(b);
      ++i;
      continue;
    }
    const int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    char32_t code = extra == 1 ? b & 0x1Fu : extra == 2 ? b & 0x0Fu : b & 0x07u;
    bool valid = extra > 0 && i + size_t(extra) < bytes.size();
    for (int k = 1; valid && k <= extra; ++k) {
      const uint8_t c = uint8_t(bytes[i + size_t(k)]);
      if ((c & 0xC0) != 0x80) valid = false;
      code = code << 6 | (c & 0x3Fu);
    }
    if (valid) {
      out += code;
      i += size_t(extra) + 1;
    } else {
      out += char32_t(b);
      ++i;
    }
  }
  return out;
}

namespace {

bool isBreak(char32_t c) { return c == '\r' || c == '\n'; }

// Builds paragraphs run by run.
class ParagraphBuilder {
 public:
  ParagraphBuilder(const CharFormat& format, const ParagraphFormat& paragraph) {
    paragraphs_.push_back({paragraph, format, {}});
  }
  void add(char32_t c, const CharFormat& format) {
    Paragraph& p = paragraphs_.back();
    if (p.runs.empty() || !same(p.runs.back().format, format)) p.runs.push_back({{}, format});
    p.runs.back().text += c;
  }
  bool empty() const { return paragraphs_.back().runs.empty(); }
  // The paragraph in progress: the one a <p align> applies to.
  Paragraph& current() { return paragraphs_.back(); }
  void newParagraph(const ParagraphFormat& paragraph, const CharFormat& format) {
    paragraphs_.push_back({paragraph, format, {}});
  }
  std::vector<Paragraph> take(bool dropEmptyLast) {
    if (dropEmptyLast && paragraphs_.size() > 1 && paragraphs_.back().runs.empty()) paragraphs_.pop_back();
    return std::move(paragraphs_);
  }

 private:
  static bool same(const CharFormat& a, const CharFormat& b) {
    return a.face == b.face && a.size == b.size && a.colour.r == b.colour.r && a.colour.g == b.colour.g &&
           a.colour.b == b.colour.b && a.colour.a == b.colour.a && a.bold == b.bold && a.italic == b.italic &&
           a.underline == b.underline && a.letterSpacing == b.letterSpacing;
  }
  std::vector<Paragraph> paragraphs_;
};

std::string lower(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) out += c < 128 ? char(std::tolower(int(c))) : '?';
  return out;
}

std::string narrow(const std::u32string& s) {  // names and numbers: ASCII; the rest as '?'
  std::string out;
  for (char32_t c : s) out += c < 128 ? char(c) : '?';
  return out;
}

struct HtmlTag {
  std::string name;  // lower case
  bool closing = false;
  std::vector<std::pair<std::string, std::u32string>> attributes;  // names lower case
  const std::u32string* attribute(const char* n) const {
    for (const auto& a : attributes)
      if (a.first == n) return &a.second;
    return nullptr;
  }
};

// The tag from html[i] ('<') to its '>'; i is left after it. false when no '>' follows.
bool readTag(const std::u32string& html, size_t& i, HtmlTag& tag) {
  const size_t end = html.find(U'>', i);
  if (end == std::u32string::npos) return false;
  size_t p = i + 1;
  i = end + 1;
  auto space = [&](size_t k) { return k < end && (html[k] == ' ' || html[k] == '\t' || isBreak(html[k])); };
  if (p < end && html[p] == '/') {
    tag.closing = true;
    ++p;
  }
  size_t q = p;
  while (q < end && !space(q) && html[q] != '/') ++q;
  tag.name = lower(html.substr(p, q - p));
  p = q;
  while (p < end) {
    while (space(p) || (p < end && html[p] == '/')) ++p;
    q = p;
    while (q < end && !space(q) && html[q] != '=') ++q;
    if (q == p) break;
    std::string name = lower(html.substr(p, q - p));
    p = q;
    while (space(p)) ++p;
    std::u32string value;
    if (p < end && html[p] == '=') {
      ++p;
      while (space(p)) ++p;
      if (p < end && (html[p] == '"' || html[p] == '\'')) {
        const char32_t quote = html[p++];
        q = p;
        while (q < end && html[q] != quote) ++q;
        value = html.substr(p, q - p);
        p = q < end ? q + 1 : q;
      } else {
        q = p;
        while (q < end && !space(q)) ++q;
        value = html.substr(p, q - p);
        p = q;
      }
    }
    tag.attributes.emplace_back(std::move(name), std::move(value));
  }
  return true;
}

// The entity at html[i] ('&'); i is left after it. '&' itself when it is no entity known.
char32_t readEntity(const std::u32string& html, size_t& i) {
  const size_t end = html.find(U';', i);
  if (end == std::u32string::npos || end - i > 10) {
    ++i;
    return '&';
  }
  const std::string name = lower(html.substr(i + 1, end - i - 1));
  char32_t c = 0;
  if (name == "lt") c = '<';
  else if (name == "gt") c = '>';
  else if (name == "amp") c = '&';
  else if (name == "quot") c = '"';
  else if (name == "apos") c = '\'';
  else if (name == "nbsp") c = 0xA0;
  else if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x';
    const char* digits = name.c_str() + (hex ? 2 : 1);
    char* stop = nullptr;
    const unsigned long v = std::strtoul(digits, &stop, hex ? 16 : 10);
    if (*digits && stop && *stop == '\0' && v > 0 && v < 0x110000) c = char32_t(v);
  }
  if (!c) {
    ++i;
    return '&';
  }
  i = end + 1;
  return c;
}

float points(const std::u32string& v, float current) {  // twips
  const std::string s = narrow(v);
  const float n = float(std::atof(s.c_str())) * 20;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) return current + n;
  return n;
}

void applyFont(const HtmlTag& tag, CharFormat& f) {
  if (const auto* face = tag.attribute("face")) {
    // A list of faces: the first.
    std::string name = narrow(*face);
    const size_t comma = name.find(',');
    if (comma != std::string::npos) name.resize(comma);
    f.face = name;
  }
  if (const auto* size = tag.attribute("size")) {
    const float s = points(*size, f.size);
    if (s > 0 && s <= 20 * 2000) f.size = s;
  }
  if (const auto* colour = tag.attribute("color")) {
    std::string c = narrow(*colour);
    if (!c.empty() && c[0] == '#') c.erase(0, 1);
    else if (c.size() > 2 && c[0] == '0' && (c[1] == 'x' || c[1] == 'X')) c.erase(0, 2);
    char* stop = nullptr;
    const unsigned long v = std::strtoul(c.c_str(), &stop, 16);
    if (!c.empty() && stop && *stop == '\0') f.colour = Rgba{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 255};
  }
  if (const auto* spacing = tag.attribute("letterspacing")) f.letterSpacing = points(*spacing, 0);
}

void applyParagraph(const HtmlTag& tag, ParagraphFormat& p) {
  if (const auto* align = tag.attribute("align")) {
    const std::string a = lower(*align);
    p.align = a == "right" ? ParagraphFormat::right : a == "center" ? ParagraphFormat::center
              : a == "justify" ? ParagraphFormat::justify : ParagraphFormat::left;
  }
  if (const auto* v = tag.attribute("leading")) p.leading = points(*v, 0);
  if (const auto* v = tag.attribute("indent")) p.indent = points(*v, 0);
  if (const auto* v = tag.attribute("leftmargin")) p.leftMargin = points(*v, 0);
  if (const auto* v = tag.attribute("rightmargin")) p.rightMargin = points(*v, 0);
}

}  // namespace

std::vector<Paragraph> plainParagraphs(const std::u32string& text, const CharFormat& format,
                                       const ParagraphFormat& paragraph) {
  ParagraphBuilder out(format, paragraph);
  for (size_t i = 0; i < text.size(); ++i) {
    if (isBreak(text[i])) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out.newParagraph(paragraph, format);
    } else {
      out.add(text[i], format);
    }
  }
  return out.take(false);
}

std::vector<Paragraph> htmlParagraphs(const std::u32string& html, const CharFormat& format,
                                      const ParagraphFormat& paragraph) {
  ParagraphBuilder out(format, paragraph);
  // What each open tag changed, to be undone at its end.
  std::vector<std::pair<std::string, CharFormat>> chars{{"", format}};
  std::vector<std::pair<std::string, ParagraphFormat>> paragraphs{{"", paragraph}};
  bool endedByP = false;
  auto pop = [](auto& stack, const std::string& name) {
    for (size_t k = stack.size(); k-- > 1;)
      if (stack[k].first == name) {
        stack.resize(k);
        return;
      }
  };
  for (size_t i = 0; i < html.size();) {
    const char32_t c = html[i];
    if (c == '<') {
      HtmlTag tag;
      if (!readTag(html, i, tag)) break;
      const std::string& n = tag.name;
      if (tag.closing) {
        if (n == "p" || n == "li") {
          pop(paragraphs, n);
          out.newParagraph(paragraphs.back().second, chars.back().second);
          endedByP = true;
        } else if (n == "textformat") {
          pop(paragraphs, n);
        } else {
          pop(chars, n);
        }
        continue;
      }
      if (n == "p" || n == "li" || n == "textformat") {
        if ((n == "p" || n == "li") && !out.empty()) out.newParagraph(paragraphs.back().second, chars.back().second);
        ParagraphFormat p = paragraphs.back().second;
        applyParagraph(tag, p);
        paragraphs.emplace_back(n, p);
        if (out.empty()) out.current().format = p;
      } else if (n == "br") {
        out.newParagraph(paragraphs.back().second, chars.back().second);
      } else if (n == "font" || n == "b" || n == "i" || n == "u") {
        CharFormat f = chars.back().second;
        if (n == "font") applyFont(tag, f);
        f.bold |= n == "b";
        f.italic |= n == "i";
        f.underline |= n == "u";
        chars.emplace_back(n, f);
        if (out.empty()) out.current().start = f;
      }
      continue;
    }
    endedByP = false;
    if (isBreak(c)) {
      ++i;
      if (c == '\r' && i < html.size() && html[i] == '\n') ++i;
      out.newParagraph(paragraphs.back().second, chars.back().second);
      continue;
    }
    const char32_t ch = c == '&' ? readEntity(html, i) : html[i++];
    out.add(ch, chars.back().second);
  }
  return out.take(endedByP);
}

}  // namespace mv::render
