// The tool's use of our DCL codec (src/dcl): imploding files for the package, and an explode that
// stops collecting output at a bound, so that a hostile stream cannot make the tool allocate without end.
#include "codec.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "dcl/dcl.h"
#include "dcl/memory_streams.h"
#include "dcl/pklib.h"

namespace mvpack {

std::vector<uint8_t> implodeBinary4096(const uint8_t* data, size_t size) {
  static const uint8_t none = 0;
  return dclImplode(size ? data : &none, size, CMP_BINARY, 4096);
}

bool explodeBounded(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out, std::string& problem) {
  out.clear();
  out.reserve(std::min<size_t>(limit, size_t(64) << 20));
  std::unique_ptr<char[]> work(new char[CMP_EXPLODE_WORK_SIZE]);
  bool overflow = false;
  dcl::MemoryStreams io(data, size, [&](const uint8_t* bytes, size_t n) {
    const size_t kept = std::min(n, limit - out.size());
    out.insert(out.end(), bytes, bytes + kept);
    overflow = kept < n;
    return !overflow;  // beyond the bound the expansion ends early
  });
  unsigned int status = dcl_explode(dcl::readMemory, dcl::writeToSink, work.get(), &io);
  if (overflow) {
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
