#pragma once
// The movie renderer's JPEG decoder built on libjpeg: for the native tests, the fuzz target and the
// benchmark (the installer hands the renderer the decoder it shows its pictures with).
#include "flash/render/first_frame.h"

namespace mv::render {

class LibjpegDecoder : public JpegDecoder {
 public:
  bool decode(const uint8_t* data, size_t size, uint64_t maxPixels, Image& out) const override;
};

}  // namespace mv::render
