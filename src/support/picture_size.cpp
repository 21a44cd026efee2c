#include "support/picture_size.h"

#include "support/bytes.h"

namespace mv {

bool bmpDeclaredSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height) {
  // BITMAPFILEHEADER (14 bytes) and at least the 12 bytes of the smallest header after it.
  if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t headerSize = readLeU32(data + 14);
  if (headerSize == 12) {  // BITMAPCOREHEADER
    width = readLe16(data + 18);
    height = readLe16(data + 20);
    return true;
  }
  if (headerSize < 40) return false;
  // BITMAPINFOHEADER and its extensions: both sides lie within the 26 bytes checked above.
  const int32_t w = readLe32(data + 18), h = readLe32(data + 22);
  width = w < 0 ? 0u - static_cast<uint32_t>(w) : static_cast<uint32_t>(w);
  height = h < 0 ? 0u - static_cast<uint32_t>(h) : static_cast<uint32_t>(h);
  return true;
}

bool jpegDeclaredSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height) {
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  size_t at = 2;  // after SOI
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return false;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const size_t length = (size_t{data[at + 2]} << 8) | data[at + 3];
    if (length < 2 || at + 2 + length > size) return false;
    // SOF0..SOF15 but DHT (C4), JPG (C8) and DAC (CC).
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 8) return false;  // precision, height and width lie within the segment
      height = (uint32_t{data[at + 5]} << 8) | data[at + 6];
      width = (uint32_t{data[at + 7]} << 8) | data[at + 8];
      return true;
    }
    if (marker == 0xDA || marker == 0xD9) return false;  // scan or end before any frame
    at += 2 + length;
  }
  return false;
}

}  // namespace mv
