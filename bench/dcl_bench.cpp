// Benchmark of our DCL codec, in-process from memory (the figures' method: gcc -O2, whole buffers).
//   dcl_bench explode <stream> [seconds]             expand a stream: sizes and MB/s of output
//   dcl_bench implode <file> <type> <dict> [seconds]  compress: sizes, ratio and MB/s of input
//   dcl_bench implode-to <file> <type> <dict> <stream>  write the stream (the corpus' explode inputs)
//   dcl_bench explode-once <stream> / implode-once <file> <type> <dict>
//                                                     one run, for callgrind --toggle-collect=dcl_explode
// Prints one line of "key=value" pairs. MB/s is the best of repeated runs for at least `seconds`.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dcl/pklib.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readFile(const char* path) {
  Bytes b;
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    std::perror(path);
    std::exit(2);
  }
  uint8_t buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) b.insert(b.end(), buffer, buffer + n);
  std::fclose(f);
  return b;
}

struct Io {
  const uint8_t* in;
  size_t left;
  uint8_t* out;  // preallocated: no allocation inside the timed code
  size_t outPos, outCap;
};

unsigned int DCL_CALL readMem(char* buf, unsigned int* size, void* param) {
  Io* io = static_cast<Io*>(param);
  size_t n = *size < io->left ? *size : io->left;
  std::memcpy(buf, io->in, n);
  io->in += n;
  io->left -= n;
  return static_cast<unsigned int>(n);
}

void DCL_CALL writeMem(char* buf, unsigned int* size, void* param) {
  Io* io = static_cast<Io*>(param);
  if (io->outPos + *size > io->outCap) std::abort();
  std::memcpy(io->out + io->outPos, buf, *size);
  io->outPos += *size;
}

alignas(16) char g_explodeWork[CMP_EXPLODE_WORK_SIZE];
alignas(16) char g_implodeWork[CMP_IMPLODE_WORK_SIZE];

size_t runExplode(const Bytes& in, Bytes& out, unsigned& result) {
  Io io{in.data(), in.size(), out.data(), 0, out.size()};
  result = dcl_explode(readMem, writeMem, g_explodeWork, &io);
  return io.outPos;
}

size_t runImplode(const Bytes& in, Bytes& out, unsigned type, unsigned dict) {
  Io io{in.data(), in.size(), out.data(), 0, out.size()};
  dcl_implode(readMem, writeMem, g_implodeWork, &io, &type, &dict);
  return io.outPos;
}

template <class F>
double bestSeconds(F f, double budget) {
  double best = 1e30, total = 0;
  int runs = 0;
  while (runs < 3 || (total < budget && runs < 1000)) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (s < best) best = s;
    total += s;
    ++runs;
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: see the comment at the top of dcl_bench.cpp\n");
    return 2;
  }
  std::string op = argv[1];
  Bytes in = readFile(argv[2]);
  if (op == "explode" || op == "explode-once") {
    Bytes out(64u << 20);
    unsigned result = 0;
    size_t n = runExplode(in, out, result);
    double mbs = 0;
    if (op == "explode") {
      double budget = argc > 3 ? std::atof(argv[3]) : 2.0;
      double s = bestSeconds([&] { runExplode(in, out, result); }, budget);
      mbs = n / s / 1e6;
    }
    std::printf("op=explode in=%zu out=%zu result=%u mbs=%.1f\n", in.size(), n, result, mbs);
  } else if (op == "implode" || op == "implode-once") {
    if (argc < 5) return 2;
    unsigned type = unsigned(std::atoi(argv[3])), dict = unsigned(std::atoi(argv[4]));
    Bytes out(in.size() + in.size() / 4 + 1024);
    size_t n = runImplode(in, out, type, dict);
    double mbs = 0;
    if (op == "implode") {
      // check the round trip outside the timing
      Bytes back(in.size() + 1024);
      Bytes stream(out.begin(), out.begin() + long(n));
      unsigned result = 0;
      size_t m = runExplode(stream, back, result);
      if (result != 0 || m != in.size() || std::memcmp(back.data(), in.data(), m) != 0) {
        std::fprintf(stderr, "round trip FAILED for %s\n", argv[2]);
        return 1;
      }
      double budget = argc > 5 ? std::atof(argv[5]) : 2.0;
      double s = bestSeconds([&] { runImplode(in, out, type, dict); }, budget);
      mbs = in.size() / s / 1e6;
    }
    std::printf("op=implode in=%zu out=%zu ratio=%.4f mbs=%.2f\n", in.size(), n, double(n) / double(in.size()), mbs);
  } else if (op == "implode-to") {
    if (argc < 6) return 2;
    Bytes out(in.size() + in.size() / 4 + 1024);
    size_t n = runImplode(in, out, unsigned(std::atoi(argv[3])), unsigned(std::atoi(argv[4])));
    FILE* f = std::fopen(argv[5], "wb");
    if (!f || std::fwrite(out.data(), 1, n, f) != n || std::fclose(f) != 0) {
      std::fprintf(stderr, "cannot write %s\n", argv[5]);
      return 1;
    }
  } else {
    return 2;
  }
  return 0;
}
