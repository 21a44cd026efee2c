// The convenience interface of dcl.h over the library interface of pklib.h.
#include "dcl/dcl.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "dcl/pklib.h"

namespace {

struct MemoryIo {
  const uint8_t* in;
  size_t left;
  std::vector<uint8_t>* out;
};

unsigned int DCL_CALL readMemory(char* buf, unsigned int* size, void* param) {
  MemoryIo* io = static_cast<MemoryIo*>(param);
  size_t n = std::min<size_t>(*size, io->left);
  if (n) std::memcpy(buf, io->in, n);
  io->in += n;
  io->left -= n;
  return static_cast<unsigned int>(n);
}

void DCL_CALL writeMemory(char* buf, unsigned int* size, void* param) {
  MemoryIo* io = static_cast<MemoryIo*>(param);
  io->out->insert(io->out->end(), reinterpret_cast<uint8_t*>(buf), reinterpret_cast<uint8_t*>(buf) + *size);
}

}  // namespace

int dclExplode(const uint8_t* in, size_t n, std::vector<uint8_t>& out) {
  out.clear();
  std::unique_ptr<char[]> work(new char[CMP_EXPLODE_WORK_SIZE]);
  MemoryIo io{in, n, &out};
  return static_cast<int>(dcl_explode(readMemory, writeMemory, work.get(), &io));
}

std::vector<uint8_t> dclImplode(const uint8_t* in, size_t n, int type, int dictSize) {
  std::vector<uint8_t> out;
  out.reserve(n / 2 + 64);
  std::unique_ptr<char[]> work(new char[CMP_IMPLODE_WORK_SIZE]);
  MemoryIo io{in, n, &out};
  unsigned int t = static_cast<unsigned int>(type);
  unsigned int d = static_cast<unsigned int>(dictSize);
  if (dcl_implode(readMemory, writeMemory, work.get(), &io, &t, &d) != CMP_NO_ERROR) out.clear();
  return out;
}

uint32_t dclCrc32(const uint8_t* data, size_t n) {
  unsigned long crc = 0xFFFFFFFFul;
  while (n) {
    unsigned int chunk = static_cast<unsigned int>(std::min<size_t>(n, 1u << 30));
    crc = dcl_crc32(reinterpret_cast<char*>(const_cast<uint8_t*>(data)), &chunk, &crc);
    data += chunk;
    n -= chunk;
  }
  return ~static_cast<uint32_t>(crc);
}
