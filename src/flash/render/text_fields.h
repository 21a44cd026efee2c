#pragma once
// Text fields (DefineEditText): read, then laid out once with the fonts of the movie and the machine.
#include <cstdint>
#include <string>

#include "flash/render/record_reader.h"
#include "flash/render/fonts.h"
#include "flash/render/model.h"

namespace mv::render {

struct EditTextTag {
  SwfRect bounds;
  bool wordWrap = false, password = false, html = false, border = false, autoSize = false, useOutlines = false;
  bool hasFont = false;
  uint16_t fontId = 0;
  std::string fontClass;   // a font named by its class (version 9 on): looked up as a family
  uint16_t fontHeight = 240;
  Rgba colour{0, 0, 0, 255};
  uint8_t align = 0;       // left, right, center, justify
  float leftMargin = 0, rightMargin = 0, indent = 0, leading = 0;
  std::string text;        // the initial text as the movie holds it
};

// The body of DefineEditText after the character id. false when it ends before its fields do.
bool readEditText(RecordReader& in, EditTextTag& out);

// Lays the field out for the movie of version swfVersion. glyphs: glyphs still allowed, reduced by those
// placed; false when they ran out (blanks and characters without a glyph count among them while the text
// is laid out), or the shape records of device glyphs did (the field is then empty).
bool layOutEditText(const EditTextTag& field, int swfVersion, std::vector<Font>& fonts,
                    const Dictionary& dictionary, DeviceFonts& devices,
                    uint32_t& glyphs, EditText& out);

}  // namespace mv::render
