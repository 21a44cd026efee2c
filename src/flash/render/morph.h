#pragma once
// Morph shapes: reading DefineMorphShape and DefineMorphShape2, and the shape at a ratio between the
// start and the end.
#include <cstdint>

#include "flash/render/record_reader.h"
#include "flash/render/model.h"

namespace mv::render {

// The body of DefineMorphShape (morph2 false) or DefineMorphShape2 after the character id. records:
// shape records still allowed, reduced by those read. false: the morph is damaged or the records ran out.
bool readMorphShape(RecordReader& in, bool morph2, uint32_t& records, MorphShape& out);

// The shape at t (0: the start, 1: the end): positions, widths, colours, matrices and gradient ratios
// are interpolated linearly.
void morphAt(const MorphShape& morph, double t, Shape& out);

}  // namespace mv::render
