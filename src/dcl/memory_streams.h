#pragma once
// The library's two stream callbacks (pklib.h) over memory, for every caller of an explode or implode
// in this program: the input is a block read where it lies, the output goes to a sink that is handed
// each piece the library produces. A sink that answers false ends the input: the library is given no
// more and the stream stops there (a bound reached, an output that cannot take more).
#include <cstddef>
#include <cstdint>
#include <functional>

#include "dcl/pklib.h"

namespace dcl {

struct MemoryStreams {
  MemoryStreams(const uint8_t* input, size_t size, std::function<bool(const uint8_t*, size_t)> output)
      : in(input), left(input ? size : 0), sink(std::move(output)) {}

  const uint8_t* in;
  size_t left;
  std::function<bool(const uint8_t*, size_t)> sink;
  bool stopped = false;  // the sink has refused a piece
};

// read_buf and write_buf; the library's opaque parameter is the MemoryStreams.
unsigned int DCL_CALL readMemory(char* buf, unsigned int* size, void* param);
void DCL_CALL writeToSink(char* buf, unsigned int* size, void* param);

}  // namespace dcl
