// The DCL codec through its library interface and dcl.h: streams written by other implementations,
// the edge streams, round trips in every mode and dictionary, damaged and truncated input, callbacks that
// deliver little at a time, and the work areas' bounds. Built natively and for Win32 (run under Wine).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/test_files.h"
#include "dcl/dcl.h"
#include "dcl/dcl_format.h"
#include "dcl/memory_streams.h"
#include "dcl/pklib.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string testDataDir() {
  std::string dir = MV_TEST_DATA_DIR;
#ifdef _WIN32
  std::replace(dir.begin(), dir.end(), '/', '\\');
  dir = "Z:" + dir;
#endif
  return dir;
}

std::string dclDir() {
#ifdef _WIN32
  return testDataDir() + "\\dcl\\";
#else
  return testDataDir() + "/dcl/";
#endif
}


Bytes loadData(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(testcommon::readWholeFile(dclDir() + name, bytes)) << dclDir() + name;
  return Bytes(bytes.begin(), bytes.end());
}

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Test inputs: text, executable-like binary, runs, noise, and mixtures.
Bytes makeText(size_t n, unsigned seed) {
  static const char* words[] = {"the ", "implode ", "stream ", "of ", "a ", "dictionary ", "literal ", "copy ",
                                "and ", "PKWARE ", "length, ", "distance\n", "1024 ", "4096. ", "window "};
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < n) {
    const char* w = words[rng() % 15];
    out.insert(out.end(), w, w + std::strlen(w));
  }
  out.resize(n);
  return out;
}

Bytes makeNoise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

Bytes makeMixed(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < n) {
    switch (rng() % 4) {
      case 0: { Bytes t = makeText(rng() % 3000, rng()); out.insert(out.end(), t.begin(), t.end()); break; }
      case 1: { Bytes t = makeNoise(rng() % 2000, rng()); out.insert(out.end(), t.begin(), t.end()); break; }
      case 2: out.insert(out.end(), rng() % 1500, static_cast<uint8_t>(rng())); break;
      default:  // a repeat from far back: long copies at large distances
        if (out.size() > 5000) {
          size_t from = out.size() - 1 - rng() % 4500, len = 1 + rng() % 900;
          for (size_t k = 0; k < len; ++k) out.push_back(out[from + k]);
        }
    }
  }
  out.resize(n);
  return out;
}

// ------------------------------------------------------------------ streams of other implementations

TEST(DclExplode, StreamsOfOtherImplementationsExpandExactly) {
  struct Case {
    const char* stream;
    const char* original;
  } cases[] = {
      {"v1_text500.stormlib.ascii4096.pk", "v1_text500.txt"},
      {"v1_text500.stormlib.binary4096.pk", "v1_text500.txt"},
      {"v2_text16k.stormlib.ascii1024.pk", "v2_text16k.txt"},
      {"v2_text16k.stormlib.ascii4096.pk", "v2_text16k.txt"},
      {"v2_text16k.stormlib.binary1024.pk", "v2_text16k.txt"},
      {"v2_text16k.stormlib.binary2048.pk", "v2_text16k.txt"},
      {"v2_text16k.stormlib.binary4096.pk", "v2_text16k.txt"},
      {"v4_zeros4k.stormlib.binary4096.pk", "v4_zeros4k.bin"},
      {"v5_allbytes4k.stormlib.ascii4096.pk", "v5_allbytes4k.bin"},
      {"zlib_blast_test.pk", "zlib_blast_test.expected.txt"},
  };
  for (const Case& c : cases) {
    Bytes stream = loadData(c.stream), original = loadData(c.original), out;
    ASSERT_FALSE(stream.empty()) << c.stream;
    EXPECT_EQ(dclExplode(stream.data(), stream.size(), out), dcl::kOk) << c.stream;
    EXPECT_TRUE(out == original) << c.stream << ": " << out.size() << " bytes, expected " << original.size();
  }
  Bytes blast = loadData("zlib_blast_test.pk"), out;
  dclExplode(blast.data(), blast.size(), out);
  EXPECT_EQ(std::string(out.begin(), out.end()), "AIAIAIAIAIAIA");
}

TEST(DclExplode, EdgeStreams) {
  for (const char* name : {"empty_crafted", "len518", "dist4096", "stormlib_onebyte"}) {
    Bytes stream = loadData(std::string("edge/") + name + ".pk"), expected = loadData(std::string("edge/") + name + ".expected");
    Bytes out{1, 2, 3};
    EXPECT_EQ(dclExplode(stream.data(), stream.size(), out), dcl::kOk) << name;
    EXPECT_TRUE(out == expected) << name;
  }
  Bytes out;
  EXPECT_EQ(dclExplode(Bytes{0, 6, 1, 0xFF}.data(), 4, out), dcl::kOk);
  EXPECT_TRUE(out.empty());

  // A copy reaching 5 bytes back after one literal: bad data, and the copy is not carried out.
  Bytes far = loadData("edge/invalid_far_dist.pk");
  EXPECT_EQ(dclExplode(far.data(), far.size(), out), dcl::kBadData);
  EXPECT_LE(out.size(), 1u);

  // "hello", zero padding, no end code: truncated, after writing "hello".
  Bytes noEnd = loadData("edge/invalid_no_end.pk");
  EXPECT_EQ(dclExplode(noEnd.data(), noEnd.size(), out), dcl::kTruncated);
  EXPECT_EQ(std::string(out.begin(), out.end()), "hello");
}

TEST(DclExplode, HeaderErrorsAndTrailingData) {
  Bytes out;
  EXPECT_EQ(dclExplode(nullptr, 0, out), dcl::kTruncated);
  EXPECT_EQ(dclExplode(Bytes{0}.data(), 1, out), dcl::kTruncated);
  EXPECT_EQ(dclExplode(Bytes{0, 6}.data(), 2, out), dcl::kTruncated);
  EXPECT_EQ(dclExplode(Bytes{0, 3, 1, 0xFF}.data(), 4, out), dcl::kInvalidDictSize);
  EXPECT_EQ(dclExplode(Bytes{0, 7, 1, 0xFF}.data(), 4, out), dcl::kInvalidDictSize);
  EXPECT_EQ(dclExplode(Bytes{2, 6, 1, 0xFF}.data(), 4, out), dcl::kInvalidMode);
  EXPECT_EQ(dclExplode(Bytes{2, 9, 1, 0xFF}.data(), 4, out), dcl::kInvalidDictSize);  // size is checked first
  EXPECT_TRUE(out.empty());

  Bytes text = makeText(5000, 1);
  Bytes stream = dclImplode(text.data(), text.size(), CMP_BINARY, 4096);
  stream.insert(stream.end(), {0xDE, 0xAD, 0xBE, 0xEF, 0x12});
  EXPECT_EQ(dclExplode(stream.data(), stream.size(), out), dcl::kOk);
  EXPECT_TRUE(out == text);
}

// ------------------------------------------------------------------ round trips

TEST(DclImplode, RoundTripsEveryModeAndDictionary) {
  std::vector<std::pair<std::string, Bytes>> inputs = {
      {"empty", {}},
      {"one", bytesOf("A")},
      {"two", bytesOf("AA")},
      {"three", bytesOf("abc")},
      {"zeros", Bytes(70000, 0)},
      {"text", makeText(150000, 7)},
      {"noise", makeNoise(30000, 8)},
      {"mixed", makeMixed(200000, 9)},
      {"allbytes", loadData("v5_allbytes4k.bin")},
  };
  for (int type : {CMP_BINARY, CMP_ASCII}) {
    for (int dict : {1024, 2048, 4096}) {
      for (const auto& [name, data] : inputs) {
        Bytes stream = dclImplode(data.data(), data.size(), type, dict), back;
        ASSERT_GE(stream.size(), 4u) << name;
        EXPECT_EQ(stream[0], type);
        EXPECT_EQ(stream[1], dict == 1024 ? 4 : dict == 2048 ? 5 : 6);
        EXPECT_EQ(dclExplode(stream.data(), stream.size(), back), dcl::kOk) << name << " " << type << " " << dict;
        EXPECT_TRUE(back == data) << name << " " << type << " " << dict;
      }
    }
  }
  Bytes empty = dclImplode(nullptr, 0, CMP_BINARY, 4096);
  EXPECT_TRUE(empty == (Bytes{0, 6, 1, 0xFF}));
}

TEST(DclImplode, CompressesAsTheFormatAllows) {
  // 70,000 zeros: one literal, then 136 copies of up to 518 at distance 1, 22 bits each.
  Bytes zeros(70000, 0);
  EXPECT_LE(dclImplode(zeros.data(), zeros.size(), CMP_BINARY, 1024).size(), 2 + (9 + 136 * 22 + 16 + 7) / 8u);
  // Noise cannot shrink: 9 bits per literal at most.
  Bytes noise = makeNoise(30000, 3);
  EXPECT_LE(dclImplode(noise.data(), noise.size(), CMP_BINARY, 4096).size(), 30000u * 9 / 8 + 8);
  // ASCII literals pay off on text.
  Bytes text = loadData("v2_text16k.txt");
  size_t binary = dclImplode(text.data(), text.size(), CMP_BINARY, 4096).size();
  size_t ascii = dclImplode(text.data(), text.size(), CMP_ASCII, 4096).size();
  EXPECT_LT(ascii, binary);
  // Smaller than the streams of another implementation of the same text.
  EXPECT_LT(binary, loadData("v2_text16k.stormlib.binary4096.pk").size());
  EXPECT_LT(ascii, loadData("v2_text16k.stormlib.ascii4096.pk").size());
}

TEST(DclImplode, RejectsBadParametersWithoutTouchingTheCallbacks) {
  char work[CMP_IMPLODE_WORK_SIZE];
  auto never = [](char*, unsigned int*, void*) -> unsigned int { ADD_FAILURE() << "read"; return 0; };
  auto neverWrite = [](char*, unsigned int*, void*) { ADD_FAILURE() << "write"; };
  for (unsigned d : {0u, 512u, 1023u, 3000u, 8192u}) {
    unsigned t = CMP_BINARY;
    EXPECT_EQ(dcl_implode(never, neverWrite, work, nullptr, &t, &d), unsigned(CMP_INVALID_DICTSIZE)) << d;
  }
  unsigned t = 2, d = 4096;
  EXPECT_EQ(dcl_implode(never, neverWrite, work, nullptr, &t, &d), unsigned(CMP_INVALID_MODE));
  EXPECT_TRUE(dclImplode(nullptr, 0, 2, 4096).empty());
  EXPECT_TRUE(dclImplode(nullptr, 0, 0, 1000).empty());
}

// ------------------------------------------------------------------ callbacks and work areas

// Input delivered in small, uneven pieces; output checked as it arrives; work area at an odd address
// between guard bytes that must stay untouched.
struct Trickle {
  const Bytes* in;
  size_t pos = 0;
  unsigned step = 1;
  unsigned calls = 0;
  Bytes out;
};

unsigned int DCL_CALL trickleRead(char* buf, unsigned int* size, void* param) {
  Trickle* t = static_cast<Trickle*>(param);
  EXPECT_GT(*size, 0u);
  size_t n = std::min<size_t>({*size, t->in->size() - t->pos, size_t(1 + (t->calls++ * 7919u) % t->step)});
  std::memcpy(buf, t->in->data() + t->pos, n);
  t->pos += n;
  return static_cast<unsigned int>(n);
}

void DCL_CALL trickleWrite(char* buf, unsigned int* size, void* param) {
  Trickle* t = static_cast<Trickle*>(param);
  t->out.insert(t->out.end(), buf, buf + *size);
}

template <size_t kSize>
struct GuardedWork {
  static constexpr size_t kGuard = 64;
  std::vector<char> area = std::vector<char>(kSize + 2 * kGuard + 1, '\x5A');
  char* work() { return area.data() + kGuard + 1; }  // deliberately not aligned
  bool guardsIntact() const {
    for (size_t k = 0; k < kGuard + 1; ++k)
      if (area[k] != '\x5A' || area[area.size() - 1 - k] != '\x5A') return false;
    return true;
  }
};

TEST(DclCallbacks, SmallPiecesAndOddWorkAreasRoundTrip) {
  Bytes data = makeMixed(60000, 21);
  for (unsigned step : {1u, 3u, 100u, 5000u}) {
    for (unsigned type : {0u, 1u}) {
      GuardedWork<CMP_IMPLODE_WORK_SIZE> iw;
      Trickle ti;
      ti.in = &data;
      ti.step = step;
      unsigned t = type, d = 2048;
      ASSERT_EQ(dcl_implode(trickleRead, trickleWrite, iw.work(), &ti, &t, &d), 0u);
      EXPECT_TRUE(iw.guardsIntact());
      EXPECT_TRUE(ti.out == dclImplode(data.data(), data.size(), int(type), 2048)) << "same stream however it is read";

      GuardedWork<CMP_EXPLODE_WORK_SIZE> ew;
      Trickle te;
      te.in = &ti.out;
      te.step = step;
      EXPECT_EQ(dcl_explode(trickleRead, trickleWrite, ew.work(), &te), 0u);
      EXPECT_TRUE(ew.guardsIntact());
      EXPECT_TRUE(te.out == data) << step;
    }
  }
}

// The callbacks every caller uses (memory_streams.h): a sink that refuses a piece ends the input, so
// the library stops reading a stream whose output is not wanted any more.
TEST(DclCallbacks, ASinkThatRefusesEndsTheInput) {
  const Bytes data = makeMixed(200000, 3);
  const Bytes stream = dclImplode(data.data(), data.size(), 0, 4096);
  Bytes kept;
  dcl::MemoryStreams io(stream.data(), stream.size(), [&](const uint8_t* bytes, size_t n) {
    kept.insert(kept.end(), bytes, bytes + n);
    return kept.size() < 10000;
  });
  std::vector<char> work(CMP_EXPLODE_WORK_SIZE);
  (void)dcl_explode(dcl::readMemory, dcl::writeToSink, work.data(), &io);  // the status of a cut stream is not the point
  EXPECT_TRUE(io.stopped);
  EXPECT_GT(io.left, stream.size() / 2) << "most of the stream was never read";
  EXPECT_LT(kept.size(), data.size());
  EXPECT_TRUE(std::equal(kept.begin(), kept.end(), data.begin()));

  // A sink that keeps everything reads the stream to its end.
  Bytes all;
  dcl::MemoryStreams whole(stream.data(), stream.size(), [&](const uint8_t* bytes, size_t n) {
    all.insert(all.end(), bytes, bytes + n);
    return true;
  });
  EXPECT_EQ(dcl_explode(dcl::readMemory, dcl::writeToSink, work.data(), &whole), 0u);
  EXPECT_FALSE(whole.stopped);
  EXPECT_TRUE(all == data);
}

TEST(DclCallbacks, ExplodeStaysInsideItsWorkAreaOnDamagedInput) {
  Bytes data = makeMixed(40000, 5);
  std::mt19937 rng(77);
  for (int type = 0; type < 2; ++type) {
    Bytes stream = dclImplode(data.data(), data.size(), type, 4096);
    for (int round = 0; round < 300; ++round) {
      Bytes damaged = stream;
      int flips = 1 + int(rng() % 8);
      for (int k = 0; k < flips; ++k) damaged[2 + rng() % (damaged.size() - 2)] ^= uint8_t(1u << (rng() % 8));
      if (round % 3 == 0) damaged.resize(2 + rng() % (damaged.size() - 2));
      GuardedWork<CMP_EXPLODE_WORK_SIZE> ew;
      Trickle te;
      te.in = &damaged;
      te.step = 1 + rng() % 3000;
      unsigned r = dcl_explode(trickleRead, trickleWrite, ew.work(), &te);
      EXPECT_LE(r, 4u);
      EXPECT_NE(r, 1u);
      EXPECT_NE(r, 2u);
      EXPECT_TRUE(ew.guardsIntact());
    }
  }
}

TEST(DclExplode, TruncationKeepsEveryCompleteSymbol) {
  Bytes data = makeText(3000, 4);
  Bytes stream = dclImplode(data.data(), data.size(), CMP_ASCII, 1024);
  size_t lastSize = 0;
  for (size_t cut = 2; cut < stream.size() - 1; ++cut) {
    Bytes out;
    ASSERT_EQ(dclExplode(stream.data(), cut, out), dcl::kTruncated) << cut;
    ASSERT_LE(out.size(), data.size());
    ASSERT_TRUE(std::equal(out.begin(), out.end(), data.begin())) << "a prefix of the original at " << cut;
    ASSERT_GE(out.size(), lastSize);
    // Every byte whose symbol ended in the first cut-1 bytes is there: the output grows with the input.
    lastSize = out.size();
  }
  EXPECT_GT(lastSize, data.size() - 40);
}

TEST(DclExplode, CopyBeforeTheStartIsBadDataAtAnyOffset) {
  // Binary, dictionary 1024: n literals 'x', then a copy of length 3 from n+1 bytes back.
  for (unsigned n : {0u, 1u, 7u, 100u, 1023u}) {
    uint64_t bits = 0;
    unsigned count = 0;
    Bytes stream{0, 4};
    auto put = [&](uint32_t v, unsigned k) {
      bits |= uint64_t(v) << count;
      count += k;
      while (count >= 8) {
        stream.push_back(uint8_t(bits));
        bits >>= 8;
        count -= 8;
      }
    };
    for (unsigned k = 0; k < n; ++k) put('x' << 1, 9);
    unsigned d = n;  // distance n+1: high = d >> 4, low = d & 15
    put(1u | dcl::kLengthCode.value[1] << 1, 1 + dcl::kLengthCodeBits[1]);
    put(dcl::kDistCode.value[d >> 4], dcl::kDistCodeBits[d >> 4]);
    put(d & 15, 4);
    put(1u | dcl::kLengthCode.value[15] << 1, 8);
    put(255, 8);
    put(0, 7);
    Bytes out;
    EXPECT_EQ(dclExplode(stream.data(), stream.size(), out), dcl::kBadData) << n;
    EXPECT_TRUE(out == Bytes(n, 'x')) << n;
  }
}

// ------------------------------------------------------------------ crc32

// The exported checksum leaves the inversions to its caller: started at all ones and inverted at the
// end, it is the standard CRC-32, in one call or in pieces.
TEST(DclCrc32, StandardCheckValueAndChaining) {
  std::string s = "123456789";
  unsigned int nine = 9;
  unsigned long whole = 0xFFFFFFFFul;
  EXPECT_EQ(~uint32_t(dcl_crc32(&s[0], &nine, &whole)), 0xCBF43926u);
  unsigned long crc = 0xFFFFFFFFul;
  unsigned int four = 4, five = 5;
  crc = dcl_crc32(&s[0], &four, &crc);
  crc = dcl_crc32(&s[4], &five, &crc);
  EXPECT_EQ(~uint32_t(crc), 0xCBF43926u);
  unsigned int zero = 0;
  unsigned long start = 0x12345678ul;
  EXPECT_EQ(dcl_crc32(&s[0], &zero, &start), 0x12345678ul);
}

}  // namespace
