#pragma once
// Placing characters: PlaceObject2 and PlaceObject3 with their filters and blend modes, and the up state
// of buttons (DefineButton, DefineButton2), which the first frame shows as a sprite would its first frame.
#include "flash/render/record_reader.h"
#include "flash/render/model.h"

namespace mv::render {

// The body of PlaceObject2 (placeObject3 false) or PlaceObject3, applied to list. A body that cannot be
// read changes nothing.
void readPlacement(RecordReader& in, bool placeObject3, DisplayList& list);

// FILTERLIST: the filters the renderer draws, in order; the others are read past and left out. false when
// the list cannot be read.
bool readFilters(RecordReader& in, std::vector<Filter>& out);

// The body of DefineButton (button2 false) or DefineButton2 after the button id: the records shown in the
// up state, by depth. false when the records cannot be read.
bool readButtonUpState(RecordReader& in, bool button2, DisplayList& out);

}  // namespace mv::render
