#pragma once
// The movie renderer's JPEG decoder built on libjpeg: for the native tests, the fuzz target and the
// benchmark (the installer hands the renderer the decoder it shows its pictures with).
#include "flash/render/first_frame.h"

namespace mv::render {

class LibjpegDecoder : public JpegDecoder {
 public:
  // strict: a stream that libjpeg can only finish with a warning (cut short, corrupt data, which it
  // fills in with grey) is refused too, as a picture that does not decode.
  explicit LibjpegDecoder(bool strict = false) : strict_(strict) {}
  bool decode(const uint8_t* data, size_t size, uint64_t maxPixels, Image& out) const override;

 private:
  bool strict_;
};

}  // namespace mv::render
