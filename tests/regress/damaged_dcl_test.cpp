// DCL implode streams damaged in every field: the literal mode byte, the dictionary size byte, the bit
// stream (every byte, several bit patterns), truncation anywhere, in every literal mode and dictionary
// size, from our encoder and from the independent producers' streams in tests/data/dcl. Each
// gives one of the library's codes, the same whether the stream arrives whole or in small chunks, and
// never a read or write outside its buffers (harness::runExplode).
#include <gtest/gtest.h>

#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harness.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> sampleStreams() {
  std::string text;
  for (int i = 0; text.size() < 1500; ++i) text += "Moviva desktop " + std::to_string(i * 7919 % 1000) + "\r\n";
  std::vector<Bytes> streams;
  for (int type : {0, 1})
    for (int dict : {1024, 2048, 4096})
      streams.push_back(dclImplode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), type, dict));
  // The streams of other implementations in the repository's test data.
  if (const char* data = std::getenv("MV_TEST_DATA")) {
    for (const std::string& dir : {std::string(data) + "/dcl", std::string(data) + "/dcl/edge"}) {
      if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
          std::string n = e->d_name;
          if (n.size() < 3 || n.compare(n.size() - 3, 3, ".pk") != 0) continue;
          std::ifstream f(dir + "/" + n, std::ios::binary);
          Bytes b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
          if (b.size() <= 1024) streams.push_back(b);  // the short ones: every byte is damaged below
        }
        closedir(d);
      }
    }
  }
  return streams;
}

int expectSafe(const Bytes& stream, const std::string& what, uint32_t seed = 1) {
  harness::ExplodeOutcome o = harness::runExplode(stream.data(), stream.size(), seed, seed & 7);
  EXPECT_EQ(o.problem, "") << what;
  return o.result;
}

TEST(DamagedDcl, UndamagedStreamsExpand) {
  for (const Bytes& s : sampleStreams()) {
    harness::ExplodeOutcome o = harness::runExplode(s.data(), s.size(), 3, 5);
    EXPECT_EQ(o.problem, "");
    EXPECT_TRUE(o.result == CMP_NO_ERROR || o.result == CMP_BAD_DATA || o.result == CMP_ABORT);  // edge cases
  }
}

TEST(DamagedDcl, HeaderBytes) {
  for (const Bytes& s : sampleStreams()) {
    if (s.size() < 2) continue;
    for (int mode = 0; mode < 256; ++mode) {
      Bytes d = s;
      d[0] = uint8_t(mode);
      int r = expectSafe(d, "mode " + std::to_string(mode), uint32_t(mode));
      if (mode > 1) { EXPECT_EQ(r, CMP_INVALID_MODE) << mode; }
    }
    for (int dict = 0; dict < 256; ++dict) {
      Bytes d = s;
      d[1] = uint8_t(dict);
      int r = expectSafe(d, "dictionary " + std::to_string(dict), uint32_t(dict));
      if (dict < 4 || dict > 6) { EXPECT_EQ(r, CMP_INVALID_DICTSIZE) << dict; }
    }
  }
}

TEST(DamagedDcl, TruncatedAnywhere) {
  for (const Bytes& s : sampleStreams())
    for (size_t size = 0; size < s.size(); ++size) {
      int r = expectSafe(Bytes(s.begin(), s.begin() + long(size)), "cut at " + std::to_string(size), uint32_t(size));
      if (size < 2) { EXPECT_EQ(r, CMP_ABORT); }
    }
}

TEST(DamagedDcl, EveryByteOfTheBitStream) {
  int streams = 0;
  for (const Bytes& s : sampleStreams()) {
    for (size_t at = 2; at < s.size(); ++at)
      for (uint8_t mask : {0x01, 0x02, 0x10, 0x80, 0xFF}) {
        Bytes d = s;
        d[at] ^= mask;
        expectSafe(d, "byte " + std::to_string(at), uint32_t(at * 31 + mask));
        ++streams;
      }
    // All ones and all zeros after the header: longest codes everywhere, and a stream of literals.
    for (uint8_t fill : {0x00, 0xFF, 0x55, 0xAA}) {
      Bytes d = s;
      std::fill(d.begin() + 2, d.end(), fill);
      expectSafe(d, "filled with " + std::to_string(fill));
    }
  }
  std::printf("[          ] %d damaged streams\n", streams);
}

TEST(DamagedDcl, CopyBeforeTheStartIsRefused) {
  // Binary literals, dictionary 1024: literal 'a', then a copy of length 2 from 3 bytes back.
  // Bits (first first): 0 + 'a' (8 bits), 1 + length code of 2 ("101" read as 3 bits: value 5),
  // distance high 0 (code "11": value 3), low 2 bits = 2 (distance 3), end code.
  Bytes s = {0x00, 0x04};
  uint64_t bits = 0;
  int n = 0;
  auto put = [&](uint64_t v, int count) {
    bits |= v << n;
    n += count;
  };
  put(0, 1);
  put('a', 8);
  put(1, 1);
  put(5, 3);
  put(3, 2);
  put(2, 2);
  put(1, 1);
  put(0, 7);
  put(0xFF, 8);
  for (int i = 0; i < n; i += 8) s.push_back(uint8_t(bits >> i));
  Bytes out;
  EXPECT_EQ(dclExplode(s.data(), s.size(), out), CMP_BAD_DATA);
  EXPECT_EQ(out, Bytes{'a'});
  expectSafe(s, "copy before the start");
}

}  // namespace
}  // namespace mv
