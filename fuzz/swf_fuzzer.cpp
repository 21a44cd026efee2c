// Fuzz target: an SWF movie as the movie panel meets it, through harness::runSwf (signature, "CWS"
// expansion, header walk to the background colour). The expansion bound is 1 MiB here rather than the
// panel's 256 MiB, so that streams that inflate a lot stay fast; the code path is the same.
#define MV_HARNESS_SWF
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static mv::harness::Sandbox box;
  mv::harness::Outcome o = mv::harness::runSwf(box, data, size, 1u << 20);
  if (!o.problem.empty()) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", o.problem.c_str());
    std::abort();
  }
  return 0;
}
