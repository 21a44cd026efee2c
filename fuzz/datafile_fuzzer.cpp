// Fuzz target: a Moviva data file as the installation meets it in the content folder, through
// harness::runDataFile (header, records, entry blocks, codec). Any broken rule of the harness aborts.
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static mv::harness::Sandbox box;
  mv::harness::Outcome o = mv::harness::runDataFile(box, data, size);
  if (!o.problem.empty()) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", o.problem.c_str());
    std::abort();
  }
  return 0;
}
