#pragma once
// Pictures as PNG files (libpng).
#include <cstdint>
#include <functional>
#include <vector>

#include "flash/render/first_frame.h"

namespace mvpack {

// Row y (0 the top) of a picture: its width in 0xAARRGGBB words into out.
using PictureRow = std::function<void(int y, uint32_t* out)>;

// A width x height picture, handed over a row at a time, as an 8-bit RGB PNG (its alpha is dropped:
// drawn frames are opaque). ToolError when libpng refuses.
std::vector<uint8_t> encodePng(int width, int height, const PictureRow& row);
// The same of a picture held whole.
std::vector<uint8_t> encodePng(const mv::render::Image& picture);

}  // namespace mvpack
