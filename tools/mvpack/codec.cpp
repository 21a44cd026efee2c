// The tool's use of our DCL codec (src/dcl): imploding files for the package, and an explode that
// stops collecting output at a bound, so that a hostile stream cannot make the tool allocate without end.
#include "codec.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "dcl/dcl.h"
#include "dcl/pklib.h"

namespace mvpack {

namespace {

struct BoundedIo {
  const uint8_t* in;
  size_t left;
  std::vector<uint8_t>* out;
  size_t limit;
  bool overflow = false;
};

unsigned int DCL_CALL readBounded(char* buf, unsigned int* size, void* param) {
  BoundedIo* io = static_cast<BoundedIo*>(param);
  if (io->overflow) return 0;  // ends the expansion early
  size_t n = std::min<size_t>(*size, io->left);
  if (n) std::memcpy(buf, io->in, n);
  io->in += n;
  io->left -= n;
  return static_cast<unsigned int>(n);
}

void DCL_CALL writeBounded(char* buf, unsigned int* size, void* param) {
  BoundedIo* io = static_cast<BoundedIo*>(param);
  size_t room = io->limit - io->out->size();
  size_t n = std::min<size_t>(*size, room);
  io->out->insert(io->out->end(), reinterpret_cast<uint8_t*>(buf), reinterpret_cast<uint8_t*>(buf) + n);
  if (n < *size) io->overflow = true;
}

}  // namespace

std::vector<uint8_t> implodeBinary4096(const uint8_t* data, size_t size) {
  static const uint8_t none = 0;
  return dclImplode(size ? data : &none, size, CMP_BINARY, 4096);
}

bool explodeBounded(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out, std::string& problem) {
  out.clear();
  out.reserve(std::min<size_t>(limit, size_t(64) << 20));
  std::unique_ptr<char[]> work(new char[CMP_EXPLODE_WORK_SIZE]);
  BoundedIo io{data, size, &out, limit};
  unsigned int status = dcl_explode(readBounded, writeBounded, work.get(), &io);
  if (io.overflow) {
    problem = "expands to more than " + std::to_string(limit) + " bytes";
    return false;
  }
  switch (status) {
    case CMP_NO_ERROR: return true;
    case CMP_INVALID_DICTSIZE: problem = "bad dictionary size in the stream header"; break;
    case CMP_INVALID_MODE: problem = "bad literal mode in the stream header"; break;
    case CMP_BAD_DATA: problem = "a copy reaches before the start of the output"; break;
    case CMP_ABORT: problem = "the stream ends before its end code"; break;
    default: problem = "explode result " + std::to_string(status); break;
  }
  return false;
}

}  // namespace mvpack
