#pragma once
// Where the stage lands in a picture of a given size under each scale mode.
#include "flash/render/first_frame.h"
#include "flash/render/model.h"

namespace mv::render {

struct StageFit {
  Matrix toPicture;            // twips -> picture pixels
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the stage's pixels inside the picture: [x0, x1) x [y0, y1); may be empty
};

// The stage rectangle (twips) fitted into a width x height picture. The stage's edges are rounded to
// whole pixels so that its border is sharp.
StageFit fitStage(int32_t left, int32_t top, int32_t stageWidth, int32_t stageHeight, int width, int height,
                  ScaleMode mode);

}  // namespace mv::render
