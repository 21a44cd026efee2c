#include "picture_check.h"

#include "flash/render/libjpeg_decoder.h"
#include "support/bytes.h"
#include "support/picture_limits.h"
#include "support/picture_size.h"
#include "util.h"

namespace mvpack {

namespace {

// Whether the pixels an uncompressed BMP declares are all there (compressed ones are taken as they are).
bool bmpComplete(const std::vector<uint8_t>& b, uint64_t width, uint64_t height) {
  if (mv::readLeU32(&b[14]) < 40) return true;  // the old core header: not checked further
  if (b.size() < 14 + 40) return false;         // an info header cut short
  const uint32_t bits = mv::readLe16(&b[28]), compression = mv::readLeU32(&b[30]);
  if (compression != 0) return true;
  const uint64_t stride = (width * bits + 31) / 32 * 4;
  return uint64_t(mv::readLeU32(&b[10])) + stride * height <= b.size();
}

// Whether the picture decodes whole: a JPEG through libjpeg, refused on any damage it would paper over.
bool decodes(const std::vector<uint8_t>& b, uint64_t width, uint64_t height) {
  if (b[0] == 'B') return bmpComplete(b, width, height);
  mv::render::Image picture;
  return mv::render::LibjpegDecoder(true).decode(b.data(), b.size(), mv::kMaxPicturePixels, picture);
}

}  // namespace

bool pictureSize(const std::vector<uint8_t>& bytes, uint64_t& width, uint64_t& height) {
  uint32_t w = 0, h = 0;
  const bool sized = mv::bmpDeclaredSize(bytes.data(), bytes.size(), w, h) ||
                     mv::jpegDeclaredSize(bytes.data(), bytes.size(), w, h);
  width = sized ? w : 0;
  height = sized ? h : 0;
  return sized;
}

std::string pictureWarning(const std::vector<uint8_t>& bytes, const std::string& what) {
  uint64_t width = 0, height = 0;
  if (!pictureSize(bytes, width, height))
    return what + ": its size cannot be read (no frame header before the image data): the installer would "
                  "show an empty box instead";
  if (mv::isPictureSizeShown(width, height)) {
    if (decodes(bytes, width, height)) return "";
    return what + ": does not decode (cut short or damaged): the installer would show it damaged or not at all";
  }
  if (width == 0 || height == 0)
    return what + ": its header declares " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels: the installer would show an empty box instead";
  return what + ": " + withCommas(int64_t(width)) + " x " + withCommas(int64_t(height)) +
         " pixels, beyond what the installer shows (at most " + withCommas(mv::kMaxPictureSide) + " on a side and " +
         withCommas(int64_t(mv::kMaxPicturePixels)) +
         " pixels): it would show an empty box instead; make the picture smaller (the window shows it in 350 x 150)";
}

}  // namespace mvpack
