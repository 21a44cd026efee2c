// e2e_render_frame: the movie renderer's own first frame of a movie at a given size, as a binary PPM, for
// comparing what the installer window shows with what the renderer draws at that size.
//
//   e2e_render_frame.exe MOVIE.swf WIDTH HEIGHT OUT.ppm
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "flash/render/first_frame.h"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: e2e_render_frame MOVIE WIDTH HEIGHT OUT\n");
    return 2;
  }
  std::FILE* in = std::fopen(argv[1], "rb");
  if (!in) return 1;
  std::vector<unsigned char> movie;
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) movie.insert(movie.end(), buf, buf + n);
  std::fclose(in);
  auto frame = mv::render::FirstFrame::load(movie.data(), movie.size(), nullptr);
  mv::render::Image image;
  if (!frame || !frame->draw(std::atoi(argv[2]), std::atoi(argv[3]), image)) return 1;
  std::FILE* out = std::fopen(argv[4], "wb");
  if (!out) return 1;
  std::fprintf(out, "P6\n%d %d\n255\n", image.width, image.height);
  for (uint32_t p : image.pixels) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, out);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
