// SWF movies damaged in every field the movie panel reads: signature, version, declared length, the
// frame rectangle's bit count, frame rate and count, tag headers (code, short and long length), the
// background colour tag, the zlib stream of a "CWS" movie, truncation anywhere. The rules of
// harness::runSwf hold for all (a result code or a raised error with a text, nothing outside the
// panel's working folder, the expanded copy within its bound, no file left open).
#include <gtest/gtest.h>

#include <string>

#include "flash/swf_builder.h"
#include "harness.h"

namespace mv {
namespace {

using namespace swftest;

const std::string kPlain = fws(6, tag(69, std::string(4, '\0')) + bg(0x11, 0x22, 0x33) +
                                      tag(12, std::string("ALLOWSCALE\0f", 12)) + showFrame() + endTag());
constexpr uint64_t kBound = 1u << 20;

class DamagedSwf : public ::testing::Test {
 protected:
  harness::Outcome run(const std::string& movie, SwfHeaderInfo* info = nullptr) {
    return harness::runSwf(box, reinterpret_cast<const uint8_t*>(movie.data()), movie.size(), kBound, info);
  }
  harness::Outcome expectSafe(const std::string& movie, const std::string& what) {
    harness::Outcome o = run(movie);
    EXPECT_EQ(o.problem, "") << what;
    const Result r = o.firstFailure();
    EXPECT_TRUE(r == 0 || r == rc::notSwf || r == rc::swfTooNew || r == rc::swfTooOld || r == rc::failedWithText)
        << what << ": " << r;
    if (r == rc::failedWithText) { EXPECT_FALSE(o.messages.empty()) << what; }
    return o;
  }
  harness::Sandbox box;
};

TEST_F(DamagedSwf, TheUndamagedMoviesGiveTheirColour) {
  for (const std::string& movie : {kPlain, cwsOf(kPlain)}) {
    SwfHeaderInfo info;
    harness::Outcome o = run(movie, &info);
    EXPECT_EQ(o.problem, "");
    EXPECT_EQ(o.firstFailure(), 0);
    EXPECT_EQ(info.colour(), 0x332211u);
    EXPECT_EQ(info.allowScale, 0);
  }
}

TEST_F(DamagedSwf, SignatureAndVersion) {
  for (const std::string& base : {kPlain, cwsOf(kPlain)}) {
    for (int at = 0; at < 3; ++at) {
      std::string d = base;
      d[at] = char(d[at] ^ 0x20);
      EXPECT_EQ(expectSafe(d, "signature").firstFailure(), rc::notSwf);
    }
    for (int version : {0, 1, 2, 3, 6, 7, 10, 255}) {
      std::string d = base;
      d[3] = char(version);
      harness::Outcome o = expectSafe(d, "version " + std::to_string(version));
      EXPECT_EQ(o.code("parseSwfHeader"), version < 3 ? rc::swfTooOld : version > 6 ? rc::swfTooNew : 0) << version;
    }
  }
}

TEST_F(DamagedSwf, DeclaredLength) {
  for (uint32_t length : {0u, 1u, 8u, 9u, 20u, 30u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::string plain = kPlain;
    plain.replace(4, 4, le32(length));
    expectSafe(plain, "plain length " + std::to_string(length));
    expectSafe(cwsOf(plain), "compressed length " + std::to_string(length));
  }
  // A movie that claims 4 GiB and inflates to more than the bound is cut at the bound.
  std::string big = fws(6, tag(2, std::string(3u << 20, 'x'), true) + bg(1, 2, 3), 0xFFFFFFFFu);
  harness::Outcome o = expectSafe(cwsOf(big), "inflating past the bound");
  EXPECT_EQ(o.code("expandCompressedSwf"), 0);
}

TEST_F(DamagedSwf, FrameRectangleAndTags) {
  const size_t rect = 8, tags = 8 + 13;
  for (const bool compressed : {false, true}) {
    auto variant = [&](const std::string& plain) { return compressed ? cwsOf(plain) : plain; };
    for (int bits = 0; bits < 32; ++bits) {  // the 5-bit field count decides the rectangle's size
      std::string d = kPlain;
      d[rect] = char((bits << 3) | (d[rect] & 7));
      expectSafe(variant(d), "rectangle bits " + std::to_string(bits));
    }
    for (size_t at = rect + 9; at < tags; ++at) {  // frame rate and count are not read
      std::string d = kPlain;
      d[at] = char(0xFF);
      EXPECT_EQ(expectSafe(variant(d), "frame byte").firstFailure(), 0);
    }
    // The first tag's header: every code with short lengths, the long form with any length.
    for (int code : {0, 1, 9, 12, 69, 1023})
      for (int length : {0, 1, 2, 3, 4, 5, 0x3E, 0x3F}) {
        std::string d = kPlain;
        uint16_t h = uint16_t(code << 6 | length);
        d[tags] = char(h & 0xFF);
        d[tags + 1] = char(h >> 8);
        expectSafe(variant(d), "tag " + std::to_string(code) + " length " + std::to_string(length));
      }
    for (uint32_t length : {0u, 3u, 4u, 5u, 100u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
      std::string d = fws(6, tag(2, "abcd", true) + bg(1, 2, 3));
      d.replace(tags + 2, 4, le32(length));
      expectSafe(variant(d), "long length " + std::to_string(length));
    }
    // The background tag too short for its colour, or cut inside it.
    for (const std::string& body : {std::string(), std::string("\x01", 1), std::string("\x01\x02", 2)}) {
      harness::Outcome o = expectSafe(variant(fws(6, tag(9, body) + endTag())), "short background tag");
      EXPECT_EQ(o.firstFailure(), rc::failedWithText);
    }
  }
}

TEST_F(DamagedSwf, TruncatedAnywhere) {
  const std::string compressed = cwsOf(kPlain);
  for (const std::string& movie : {kPlain, compressed})
    for (size_t size = 0; size < movie.size(); ++size) expectSafe(movie.substr(0, size), "cut at " + std::to_string(size));
}

TEST_F(DamagedSwf, ZlibStreamBytes) {
  const std::string movie = cwsOf(kPlain);
  for (size_t at = 8; at < movie.size(); ++at)
    for (uint8_t mask : {0x01, 0x20, 0xFF}) {
      std::string d = movie;
      d[at] = char(uint8_t(d[at]) ^ mask);
      harness::Outcome o = expectSafe(d, "zlib byte " + std::to_string(at));
      if (at < 10 && o.code("expandCompressedSwf") == rc::failedWithText) {
        EXPECT_NE(o.messages.back().find("Error expanding compressed movie"), std::string::npos) << o.messages.back();
      }
    }
}

}  // namespace
}  // namespace mv
