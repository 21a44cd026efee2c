// Fuzz target: an SWF movie as the movie panel meets it, through harness::runSwf (signature, "CWS"
// expansion, header walk to the background colour), then its first frame as the panel draws it without a
// Flash control (harness::runFirstFrame: the renderer reading the movie, plain or compressed, and
// drawing it, JPEG bitmaps through libjpeg). The expansion bound is 1 MiB here rather than the panel's
// 256 MiB, so that streams that inflate a lot stay fast; the code path is the same.
#define MV_HARNESS_SWF
#include "flash/render/libjpeg_decoder.h"
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static mv::harness::Sandbox box;
  static mv::render::LibjpegDecoder jpeg;
  mv::SwfHeaderInfo info;
  mv::harness::Outcome o = mv::harness::runSwf(box, data, size, 1u << 20, &info);
  if (o.problem.empty()) {
    const mv::SwfHeaderInfo* panel = o.firstFailure() == 0 && o.ran("parseSwfHeader") ? &info : nullptr;
    o = mv::harness::runFirstFrame(data, size, 1u << 20, &jpeg, panel);
  }
  if (!o.problem.empty()) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", o.problem.c_str());
    std::abort();
  }
  return 0;
}
