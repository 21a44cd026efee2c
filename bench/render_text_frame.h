#pragma once
// The text-heavy frame of the renderer benchmark: a 640 x 480 movie filled by one word-wrapped text field
// of about 2,000 glyphs in the machine's sans-serif face (13 points, device font), drawn at its size.
#include <string>

#include "../tests/flash/render/text_builder.h"

namespace renderbench {

constexpr int kTextWidth = 640, kTextHeight = 480;

inline std::string textMovie(int& glyphs) {
  using namespace rendertest;
  static const char* words[] = {"lorem", "ipsum", "dolor", "sit", "amet,", "consectetur", "adipiscing", "elit,",
                                "sed", "do", "eiusmod", "tempor", "incididunt", "ut", "labore", "et", "dolore",
                                "magna", "aliqua."};
  std::string text;
  glyphs = 0;
  for (int i = 0; glyphs < 2000; ++i) {
    const std::string w = words[(i * 7) % 19];
    text += w + (i % 40 == 39 ? "\r" : " ");
    glyphs += int(w.size());
  }
  EditText field;
  field.x0 = 0;
  field.y0 = 0;
  field.x1 = kTextWidth * 20;
  field.y1 = kTextHeight * 20;
  field.fontId = 1;
  field.fontHeight = 13 * 20;
  field.colour = Colour{20, 20, 40};
  field.wordWrap = true;
  field.useOutlines = false;
  field.text = text;
  return movie(6, kTextWidth, kTextHeight, swftest::bg(250, 250, 245) + defineDeviceFont(1, "_sans") + field.tag(2) +
                                               place(1, 2));
}

}  // namespace renderbench
