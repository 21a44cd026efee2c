#include "png_writer.h"

#include <png.h>

#include <algorithm>
#include <cstring>

#include "util.h"

namespace mvpack {

std::vector<uint8_t> encodePng(const mv::render::Image& picture) {
  return encodePng(picture.width, picture.height, [&picture](int y, uint32_t* out) {
    std::copy_n(picture.pixels.begin() + ptrdiff_t(y) * picture.width, picture.width, out);
  });
}

std::vector<uint8_t> encodePng(int width, int height, const PictureRow& row) {
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
  std::vector<uint32_t> line(static_cast<size_t>(width), 0);
  uint8_t* p = rgb.data();
  for (int y = 0; y < height; ++y) {
    row(y, line.data());
    for (uint32_t c : line) {
      *p++ = uint8_t(c >> 16);
      *p++ = uint8_t(c >> 8);
      *p++ = uint8_t(c);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_RGB;
  // libpng's simplified interface: it keeps its own error handling (no longjmp reaches this code) and
  // says how many bytes it needs when asked without a buffer.
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr))
    throw ToolError(std::string("cannot encode the PNG picture: ") + image.message);
  std::vector<uint8_t> out(size);
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr))
    throw ToolError(std::string("cannot encode the PNG picture: ") + image.message);
  out.resize(size);
  png_image_free(&image);
  return out;
}

}  // namespace mvpack
