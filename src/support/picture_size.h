#pragma once
// The size a picture file declares in its header, read before anything is decoded: a Windows bitmap's
// (BMP) header or a JPEG's frame header (SOFn). For the installer window, which refuses a picture beyond
// its limits (picture_limits.h) before decoding it, and mvpack, which warns about one. Every offset is
// checked against the size given.
#include <cstddef>
#include <cstdint>

namespace mv {

// A BMP's width and height: the core header's 16-bit sides, or the info header's (and its later
// versions') signed 32-bit ones, a negative height (top-down rows) taken as its magnitude. False when
// the data does not start with "BM" or its header has none of the known sizes.
bool bmpDeclaredSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height);

// A JPEG's width and height from its frame header: markers walked from the start of the image, fill
// bytes skipped, none after the first scan. False when the data does not start with the start-of-image
// marker, the markers before the frame header are broken, or there is none.
bool jpegDeclaredSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height);

}  // namespace mv
