// Fuzz target: a whole installer file (executable image + package) as start-up and installation meet
// it, through harness::runInstallerFile (directory, integrity record, slots, codec, the data file in
// slot 8). Any broken rule of the harness aborts, so libFuzzer keeps the input.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static mv::harness::Sandbox box;
  mv::harness::Outcome o = mv::harness::runInstallerFile(box, data, size);
  if (!o.problem.empty()) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", o.problem.c_str());
    std::abort();
  }
  return 0;
}
