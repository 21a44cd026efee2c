#pragma once
// Pictures as PNG files (libpng).
#include <cstdint>
#include <vector>

#include "flash/render/first_frame.h"

namespace mvpack {

// The picture as an 8-bit RGB PNG (its alpha is dropped: drawn frames are opaque). ToolError when libpng
// refuses.
std::vector<uint8_t> encodePng(const mv::render::Image& picture);

}  // namespace mvpack
