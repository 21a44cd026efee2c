#pragma once
// Pictures for the installer window's picture control: Windows bitmaps (".bmp", read by the system after
// their headers have been checked) and JPEG files (".jpg", ".jpeg", decoded by the system's own picture
// decoder, OleLoadPicture, which every Windows has). Like the
// picture classes of the toolkit this replaces, the file's extension selects the reader, so a JPEG
// named ".BMP" does not load.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "flash/render/first_frame.h"
#include "installer/picture_outcome.h"
#include "platform/files.h"
#include "support/picture_limits.h"

namespace mv::win32 {

// Limits for pictures from the package: kMaxPicturePixels and kMaxPictureSide (support/picture_limits.h).

// True when data is a complete, uncompressed or RLE Windows bitmap whose pixel data lies inside it.
bool isLoadableBmp(const uint8_t* data, size_t size);

// A picture decoded by the system: 24-bit rows, top-down, blue-green-red, each row padded to 4 bytes.
struct DecodedPicture {
  unsigned width = 0, height = 0;
  std::vector<uint8_t> bgr;
  size_t stride() const { return (size_t{width} * 3 + 3) & ~size_t{3}; }
};
// Decodes a JPEG at its own size with the system's picture decoder (also for others that need JPEG
// pixels, such as a movie's JPEG bitmaps). False when the data is not a JPEG the decoder accepts, or its
// frame header declares a side above kMaxPictureSide or more than maxPixels pixels, which is refused
// before anything is decoded. Initialises COM on the calling thread for the call when it is not already.
bool decodeJpegPixels(const uint8_t* data, size_t size, uint64_t maxPixels, DecodedPicture& out);

// Decodes a JPEG into a 24-bit top-down DIB section. minWidth/minHeight: the size it will be shown at;
// a large picture is reduced to 1/2, 1/4 or 1/8 as long as it stays at least that big. A picture whose
// frame header declares more than the limits above is refused before it is decoded.
// Returns nullptr when the data is not a JPEG the decoder accepts. Initialises COM on the calling
// thread for the duration of the call when it is not already.
HBITMAP decodeJpeg(const uint8_t* data, size_t size, int minWidth, int minHeight);

// A movie's JPEG bitmaps go through the decoder the window's pictures use, at their own size.
class PictureJpegDecoder : public render::JpegDecoder {
 public:
  bool decode(const uint8_t* data, size_t size, uint64_t maxPixels, render::Image& out) const override;
};

// Loads a picture file, read through `files`, as its extension says; nullptr when it cannot be read or
// decoded, and then
// `outcome` (when given) says why: the file unreadable, a size beyond the limits above (with the size
// and the limits), or data the decoder does not take.
HBITMAP loadPicture(FileSystem& files, const std::string& path, int boxWidth, int boxHeight,
                    PictureOutcome* outcome = nullptr);

}  // namespace mv::win32
