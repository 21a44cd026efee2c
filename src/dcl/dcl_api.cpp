// The convenience interface of dcl.h over the library interface of pklib.h.
#include "dcl/dcl.h"

#include <cstring>
#include <memory>

#include "dcl/memory_streams.h"
#include "dcl/pklib.h"

namespace {

// A sink that keeps everything.
std::function<bool(const uint8_t*, size_t)> appendTo(std::vector<uint8_t>& out) {
  return [&out](const uint8_t* bytes, size_t n) {
    out.insert(out.end(), bytes, bytes + n);
    return true;
  };
}

}  // namespace

int dclExplode(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
  out.clear();
  std::unique_ptr<char[]> work(new char[CMP_EXPLODE_WORK_SIZE]);
  dcl::MemoryStreams io(in, n, appendTo(out));
  return static_cast<int>(dcl_explode(dcl::readMemory, dcl::writeToSink, work.get(), &io));
}

std::vector<uint8_t> dclImplode(const uint8_t* in, size_t n, int type, int dictSize) {
  std::vector<uint8_t> out;
  out.reserve(n / 2 + 64);
  std::unique_ptr<char[]> work(new char[CMP_IMPLODE_WORK_SIZE]);
  dcl::MemoryStreams io(in, n, appendTo(out));
  unsigned int t = static_cast<unsigned int>(type);
  unsigned int d = static_cast<unsigned int>(dictSize);
  if (dcl_implode(dcl::readMemory, dcl::writeToSink, work.get(), &io, &t, &d) != CMP_NO_ERROR) out.clear();
  return out;
}
