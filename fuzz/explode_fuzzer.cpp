// Fuzz target: the DCL decoder over any bytes, through harness::runExplode: byte 0 of the input chooses
// how the stream is delivered (chunk sizes, work area alignment), the rest is the stream, which is
// expanded whole and in chunks; both must agree and keep the library's contract.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // MV_FUZZ_SELFTEST=1: any input crashes, to check that the fuzz scripts report a crash.
  static const bool selftest = std::getenv("MV_FUZZ_SELFTEST") != nullptr;
  if (selftest) std::abort();
  if (size < 1) return 0;
  mv::harness::ExplodeOutcome o = mv::harness::runExplode(data + 1, size - 1, data[0], data[0] & 7);
  if (!o.problem.empty()) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", o.problem.c_str());
    std::abort();
  }
  return 0;
}
