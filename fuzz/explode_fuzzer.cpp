// Fuzz target: the DCL decoder (explode) over any bytes.
//
// Byte 0 of the input chooses how the stream is delivered, the rest is the stream. The stream is
// expanded twice: whole, through dclExplode; and through the library interface with read_buf handing
// out small chunks (1..16 bytes, sizes from byte 0) into a work area of exactly CMP_EXPLODE_WORK_SIZE
// bytes at an odd alignment, the way the installer's adapter calls the library.
//
// Checked besides the sanitizers: both ways give the same result and the same output (delivery must not
// matter); the result is one of the documented codes; the callbacks only ever see buffers inside the
// work area, sizes within what was asked for, and no empty writes; a bad header writes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dcl/dcl.h"
#include "dcl/pklib.h"

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
  std::abort();
}

struct Chunked {
  const uint8_t* in;
  size_t left;
  uint32_t rng;
  const char* work;
  std::vector<uint8_t> out;
  bool inside(const char* buf, size_t n) const {
    return buf >= work && buf + n <= work + CMP_EXPLODE_WORK_SIZE;
  }
};

unsigned int readChunk(char* buf, unsigned int* size, void* param) {
  Chunked* c = static_cast<Chunked*>(param);
  if (*size == 0) fail("read_buf was asked for 0 bytes");
  if (!c->inside(buf, *size)) fail("read_buf got a buffer outside the work area");
  c->rng = c->rng * 1103515245u + 12345u;
  size_t n = 1 + (c->rng >> 16) % 16;
  if (n > *size) n = *size;
  if (n > c->left) n = c->left;
  std::memcpy(buf, c->in, n);
  c->in += n;
  c->left -= n;
  return static_cast<unsigned int>(n);
}

void writeChunk(char* buf, unsigned int* size, void* param) {
  Chunked* c = static_cast<Chunked*>(param);
  if (*size == 0) fail("write_buf was handed 0 bytes");
  if (!c->inside(buf, *size)) fail("write_buf got a buffer outside the work area");
  c->out.insert(c->out.end(), buf, buf + *size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  const uint8_t* stream = data + 1;
  const size_t n = size - 1;

  std::vector<uint8_t> whole;
  const int r1 = dclExplode(stream, n, whole);

  const size_t misalign = mode & 7;
  char* block = static_cast<char*>(std::malloc(CMP_EXPLODE_WORK_SIZE + misalign));
  char* work = block + misalign;
  Chunked c{stream, n, mode * 2654435761u, work, {}};
  const unsigned r2 = dcl_explode(readChunk, writeChunk, work, &c);
  std::free(block);

  if (r1 < 0 || r1 > CMP_ABORT) fail("an undocumented result");
  if (unsigned(r1) != r2) fail("the result depends on how the input is delivered");
  if (whole != c.out) fail("the output depends on how the input is delivered");
  if ((r1 == CMP_INVALID_DICTSIZE || r1 == CMP_INVALID_MODE) && !whole.empty()) fail("a bad header wrote output");
  if (n < 2 && r1 != CMP_ABORT) fail("a stream shorter than its header was not refused");
  return 0;
}
