#pragma once
// A text field's initial text as paragraphs of runs that share one format: the plain text split at its
// line breaks, or the HTML subset players accept (p, br, font, b, i, u, textformat; entities).
#include <cstdint>
#include <string>
#include <vector>

#include "flash/render/model.h"

namespace mv::render {

struct CharFormat {
  std::string face;        // a family name; empty: the field's own font
  float size = 240;        // EM size, twips
  Rgba colour{0, 0, 0, 255};
  bool bold = false, italic = false, underline = false;
  float letterSpacing = 0;  // twips added after every character
};

struct ParagraphFormat {
  enum Align : uint8_t { left, right, center, justify } align = left;
  float leftMargin = 0, rightMargin = 0, indent = 0, leading = 0;  // twips
};

struct TextRun {
  std::u32string text;
  CharFormat format;
};

struct Paragraph {
  ParagraphFormat format;
  CharFormat start;  // the format in effect where the paragraph begins: an empty line's height
  std::vector<TextRun> runs;
};

// Bytes of a movie's string as characters: UTF-8 from version 6 on (a byte that is not UTF-8 taken as
// it is), Windows-1252's Latin-1 part before.
std::u32string decodeMovieText(const std::string& bytes, int swfVersion);

// Plain text: one paragraph per line; "\r\n", "\r" and "\n" all end a line.
std::vector<Paragraph> plainParagraphs(const std::u32string& text, const CharFormat& format,
                                       const ParagraphFormat& paragraph);

// HTML text over the field's formats. Tags and attributes are matched without regard to case; tags it
// does not know are left out with their content kept; an unclosed tag ends the text.
std::vector<Paragraph> htmlParagraphs(const std::u32string& html, const CharFormat& format,
                                      const ParagraphFormat& paragraph);

}  // namespace mv::render
