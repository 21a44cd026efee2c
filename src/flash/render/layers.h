#pragma once
// Layers: a display object drawn into a transparent picture of its own (premultiplied 0xAARRGGBB, the
// frame's size), then filtered and blended onto what is below it.
#include <cstdint>
#include <vector>

#include "flash/render/model.h"

namespace mv::render {

// A box of pixels, end exclusive.
struct PixelBox {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return x1 <= x0 || y1 <= y0; }
  uint64_t area() const { return empty() ? 0 : uint64_t(x1 - x0) * uint64_t(y1 - y0); }
};

// The smallest box within `within` that holds every pixel of the layer that is not transparent.
PixelBox paintedBox(const std::vector<uint32_t>& layer, int width, const PixelBox& within);

// Applies the filters in order to the layer within box; box grows by what they reach, up to `within`.
// pixelScale: picture pixels per stage pixel. Returns the pixels visited (the work done).
uint64_t applyFilters(std::vector<uint32_t>& layer, int width, PixelBox& box, const PixelBox& within,
                      const std::vector<Filter>& filters, double pixelScale);

// Composites the layer's box onto dst (the same size) with the blend mode, the layer first multiplied by
// mask (null: none). Alpha and erase change dst's transparency, which only a layer below has: onto the
// opaque frame (dstIsLayer false) they change nothing. Returns the pixels visited.
uint64_t blendLayer(const std::vector<uint32_t>& layer, std::vector<uint32_t>& dst, const uint8_t* mask, int width,
                    const PixelBox& box, BlendMode mode, bool dstIsLayer);

}  // namespace mv::render
