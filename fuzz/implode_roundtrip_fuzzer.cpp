// Fuzz target: the DCL encoder against the decoder. Byte 0 picks the literal mode and dictionary size,
// the rest is the data; whatever implode writes must explode back to the data exactly, with result 0.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "dcl/dcl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int type = data[0] & 1;
  const int dict = 1024 << ((data[0] >> 1) % 3);
  std::vector<uint8_t> packed = dclImplode(data + 1, size - 1, type, dict);
  if (packed.size() < 2) {
    std::fprintf(stderr, "implode wrote no stream\n");
    std::abort();
  }
  std::vector<uint8_t> back;
  int r = dclExplode(packed.data(), packed.size(), back);
  if (r != 0 || back.size() != size - 1 || !std::equal(back.begin(), back.end(), data + 1)) {
    std::fprintf(stderr, "round trip failed: result %d, %zu bytes back of %zu\n", r, back.size(), size - 1);
    std::abort();
  }
  return 0;
}
