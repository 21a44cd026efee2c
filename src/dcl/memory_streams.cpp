// The library's stream callbacks over memory. Its own object file: the installer links these without
// the codec, which it loads from impborl.dll.
#include "dcl/memory_streams.h"

#include <algorithm>
#include <cstring>

namespace dcl {

unsigned int DCL_CALL readMemory(char* buf, unsigned int* size, void* param) {
  MemoryStreams* s = static_cast<MemoryStreams*>(param);
  if (!s || !buf || !size || s->stopped) return 0;  // 0 ends the stream
  const size_t n = std::min<size_t>(*size, s->left);
  if (n) std::memcpy(buf, s->in, n);
  s->in += n;
  s->left -= n;
  return static_cast<unsigned int>(n);
}

void DCL_CALL writeToSink(char* buf, unsigned int* size, void* param) {
  MemoryStreams* s = static_cast<MemoryStreams*>(param);
  if (!s || !buf || !size || *size == 0) return;
  if (!s->sink(reinterpret_cast<const uint8_t*>(buf), *size)) s->stopped = true;
}

}  // namespace dcl
