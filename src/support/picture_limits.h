#pragma once
// The largest picture the installer window shows (a BMP or JPEG from the package; its box is 350 x 150).
// Anything beyond is refused before it is decoded. Shared with the packaging tool, which warns authors
// about a picture the installer would not show.
#include <cstdint>

namespace mv {

constexpr uint64_t kMaxPicturePixels = 40u * 1000 * 1000;
constexpr int kMaxPictureSide = 32767;

constexpr bool isPictureSizeShown(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width <= uint64_t(kMaxPictureSide) && height <= uint64_t(kMaxPictureSide) &&
         width * height <= kMaxPicturePixels;
}

}  // namespace mv
