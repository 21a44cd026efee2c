#pragma once
// Reading shapes, glyphs and texts from their tags.
#include <cstdint>

#include "flash/render/record_reader.h"
#include "flash/render/model.h"

namespace mv::render {

// The body of DefineShape (version 1), DefineShape2 (2), DefineShape3 (3) or DefineShape4 (4) after the
// character id and bounds (and DefineShape4's edge bounds and flags). records: shape records still allowed, reduced by those read. false: the shape is damaged (it
// ends inside a record, or holds a fill style of unknown kind) or the records ran out.
bool readShape(RecordReader& in, int shapeVersion, uint32_t& records, Shape& out);

// One LINESTYLE2 (DefineShape4). false: it ends early or holds a fill style of unknown kind.
bool readLineStyle2(RecordReader& in, LineStyle& out);

// The fields of a LINESTYLE2 between its width and its colour or fill: caps, join, the flags and the
// miter limit (miter joins only). DefineMorphShape2's line styles hold the same between their widths
// and their colours.
void readLineFlags(RecordReader& in, LineStyle& out);

// A glyph of DefineFont or DefineFont2: a SHAPE without style arrays.
bool readGlyph(RecordReader& in, uint32_t& records, Glyph& out);

// The edges of a SHAPE without style arrays (a morph shape's start or end), with the style indices
// its records give.
bool readMorphEdges(RecordReader& in, uint32_t& records, std::vector<Edge>& out);

// The body of DefineText (withAlpha false) or DefineText2 after the character id. glyphs: glyphs still
// allowed, reduced by those read.
bool readText(RecordReader& in, bool withAlpha, uint32_t& glyphs, Text& out);

}  // namespace mv::render
