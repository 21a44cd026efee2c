#include "picture_check.h"

#include "flash/render/libjpeg_decoder.h"
#include "support/picture_limits.h"
#include "util.h"

namespace mvpack {

namespace {

uint32_t le16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t le32(const uint8_t* p) { return le16(p) | le16(p + 2) << 16; }

// The frame header is found as the installer finds it: markers from the start, fill bytes skipped,
// and none after the first scan.
bool jpegSize(const std::vector<uint8_t>& b, uint64_t& width, uint64_t& height) {
  size_t at = 2;  // after SOI
  while (at + 4 <= b.size()) {
    if (b[at] != 0xFF) return false;
    const uint8_t marker = b[at + 1];
    if (marker == 0xFF) {
      ++at;
      continue;
    }
    const size_t length = size_t(b[at + 2]) << 8 | b[at + 3];
    if (length < 2 || at + 2 + length > b.size()) return false;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (length < 8) return false;
      height = uint64_t(b[at + 5]) << 8 | b[at + 6];
      width = uint64_t(b[at + 7]) << 8 | b[at + 8];
      return true;
    }
    if (marker == 0xDA || marker == 0xD9) return false;
    at += 2 + length;
  }
  return false;
}

bool bmpSize(const std::vector<uint8_t>& b, uint64_t& width, uint64_t& height) {
  if (b.size() < 14 + 12) return false;
  const uint32_t headerSize = le32(&b[14]);
  if (headerSize == 12) {  // BITMAPCOREHEADER
    width = le16(&b[18]);
    height = le16(&b[20]);
    return true;
  }
  if (headerSize < 40 || b.size() < 14 + 40) return false;
  const int64_t w = int32_t(le32(&b[18])), h = int32_t(le32(&b[22]));  // negative height: top-down
  width = uint64_t(w < 0 ? -w : w);
  height = uint64_t(h < 0 ? -h : h);
  return true;
}

// Whether the pixels an uncompressed BMP declares are all there (compressed ones are taken as they are).
bool bmpComplete(const std::vector<uint8_t>& b, uint64_t width, uint64_t height) {
  if (le32(&b[14]) < 40) return true;  // the old core header: not checked further
  const uint32_t bits = le16(&b[28]), compression = le32(&b[30]);
  if (compression != 0) return true;
  const uint64_t stride = (width * bits + 31) / 32 * 4;
  return uint64_t(le32(&b[10])) + stride * height <= b.size();
}

// Whether the picture decodes whole: a JPEG through libjpeg, refused on any damage it would paper over.
bool decodes(const std::vector<uint8_t>& b, uint64_t width, uint64_t height) {
  if (b[0] == 'B') return bmpComplete(b, width, height);
  mv::render::Image picture;
  return mv::render::LibjpegDecoder(true).decode(b.data(), b.size(), mv::kMaxPicturePixels, picture);
}

}  // namespace

bool pictureSize(const std::vector<uint8_t>& bytes, uint64_t& width, uint64_t& height) {
  width = height = 0;
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return bmpSize(bytes, width, height);
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return jpegSize(bytes, width, height);
  return false;
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
