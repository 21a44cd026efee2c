// libjpeg behind the renderer's JPEG interface. libjpeg leaves through longjmp on errors, so nothing
// with a destructor lives between setjmp and the end of decoding but the output, which is only resized
// before the jump point can be reached again.
#include "flash/render/libjpeg_decoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace mv::render {

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void errorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }
void quiet(j_common_ptr) {}

// A progressive JPEG can hold thousands of scans, each a pass over the whole picture.
constexpr int kMaxScans = 200;
void progress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
    cinfo->err->error_exit(cinfo);
}

}  // namespace

bool LibjpegDecoder::decode(const uint8_t* data, size_t size, uint64_t maxPixels, Image& out) const {
  if (!data || size < 4) return false;
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr monitor = {};
  JSAMPLE* volatile row = nullptr;
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = errorExit;
  err.base.output_message = quiet;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    delete[] row;
    out = Image();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = 256L * 1024 * 1024;
  monitor.progress_monitor = progress;
  cinfo.progress = &monitor;
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  const uint64_t pixels = uint64_t(cinfo.image_width) * cinfo.image_height;
  if (pixels == 0 || pixels > maxPixels || cinfo.image_width > 65535 || cinfo.image_height > 65535) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const unsigned w = cinfo.output_width, h = cinfo.output_height, channels = unsigned(cinfo.output_components);
  out.width = int(w);
  out.height = int(h);
  out.pixels.assign(size_t(w) * h, 0xFF000000u);
  row = new JSAMPLE[size_t(w) * channels];
  while (cinfo.output_scanline < h) {
    const unsigned y = cinfo.output_scanline;
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&cinfo, rows, 1);
    uint32_t* dst = &out.pixels[size_t(y) * w];
    for (unsigned x = 0; x < w; ++x) {
      const JSAMPLE* p = row + size_t(x) * channels;
      uint32_t r, g, b;
      if (cmyk) {  // Adobe's CMYK JPEGs store the inks inverted
        r = p[0] * p[3] / 255u;
        g = p[1] * p[3] / 255u;
        b = p[2] * p[3] / 255u;
      } else if (channels == 1) {
        r = g = b = p[0];
      } else {
        r = p[0];
        g = p[1];
        b = p[2];
      }
      dst[x] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  jpeg_finish_decompress(&cinfo);
  const bool warned = err.base.num_warnings > 0;
  jpeg_destroy_decompress(&cinfo);
  delete[] row;
  if (strict_ && warned) {
    out = Image();
    return false;
  }
  return true;
}

}  // namespace mv::render
