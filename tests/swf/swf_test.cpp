// The SWF layer over bytes: the one header reader and version rule, the tag reader, the bit reader's
// bounds, the one inflate loop and the plain form of compressed movies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flash/swf_builder.h"
#include "swf/bit_reader.h"
#include "swf/header.h"
#include "swf/inflate.h"
#include "swf/movie.h"
#include "swf/tags.h"

using namespace mv;

namespace {

const uint8_t* bytesOf(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

SwfHeader headerOf(const std::string& bytes) { return readSwfHeader(bytesOf(bytes), bytes.size()); }

std::string sample() {
  std::string s;
  for (int i = 0; i < 20000; ++i) s += char('a' + (i * 7 + i / 13) % 26);
  return s;
}

TEST(SwfHeader, ReadsAsFarAsTheBytesGo) {
  const std::string whole("CWS\x06\x10\x20\x30\x40" "more", 12);
  for (size_t size = 0; size <= whole.size(); ++size) {
    SCOPED_TRACE(size);
    const SwfHeader h = headerOf(whole.substr(0, size));
    EXPECT_EQ(h.signature, size >= 3 ? SwfSignature::compressed : SwfSignature::none);
    EXPECT_EQ(h.hasVersion(), size >= 4);
    EXPECT_EQ(h.version, size >= 4 ? 6 : 0);
    EXPECT_EQ(h.complete(), size >= 8);
    EXPECT_EQ(h.length, size >= 8 ? 0x40302010u : 0u);  // little-endian
  }
  EXPECT_EQ(headerOf("FWS\x05").signature, SwfSignature::plain);
  EXPECT_EQ(headerOf("ZWS\x0D").signature, SwfSignature::lzma);
  for (const char* other : {"fws", "CWs", "zws", "GIF89a"}) EXPECT_EQ(headerOf(other).signature, SwfSignature::none);
}

TEST(SwfHeader, VersionRuleAndExpansionBound) {
  EXPECT_EQ(swfVersionFit(0), SwfVersionFit::tooOld);
  EXPECT_EQ(swfVersionFit(2), SwfVersionFit::tooOld);
  EXPECT_EQ(swfVersionFit(3), SwfVersionFit::played);
  EXPECT_EQ(swfVersionFit(6), SwfVersionFit::played);
  EXPECT_EQ(swfVersionFit(7), SwfVersionFit::tooNew);
  EXPECT_EQ(swfVersionFit(255), SwfVersionFit::tooNew);

  SwfHeader h;
  h.length = 100;
  EXPECT_EQ(swfBodyBound(h, 1000), 92u);
  EXPECT_EQ(swfBodyBound(h, 50), 42u);  // the bound counts the header too
  h.length = 5;
  EXPECT_EQ(swfBodyBound(h, 1000), 0u);  // a length shorter than the header: nothing to expand
  h.length = 0xFFFFFFFFu;
  EXPECT_EQ(swfBodyBound(h, 4096), 4088u);
}

// Short and long tag headers, and the three ways the bytes can end.
TEST(SwfTags, ReadsShortAndLongTagsAndSaysWhereTheBytesEnd) {
  using swftest::tag;
  using Step = SwfTagReader::Step;
  const std::string tags = tag(9, "abc") + tag(2, "xyz", true) + tag(0, "") + tag(36, std::string(100, 'q'));
  SwfTagReader reader(bytesOf(tags), tags.size());
  SwfTag t;
  const unsigned codes[] = {9, 2, 0, 36};
  const uint32_t lengths[] = {3, 3, 0, 100};
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(reader.next(t), Step::tag);
    EXPECT_EQ(t.code, codes[i]);
    EXPECT_EQ(t.length, lengths[i]);
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(t.body), t.length), std::string(100, 'q'));
  EXPECT_EQ(reader.next(t), Step::end);
  EXPECT_EQ(reader.position(), tags.size());

  for (size_t cut : {size_t(1), size_t(5 + 1), size_t(5 + 4)}) {  // inside a short, a long header
    SwfTagReader r(bytesOf(tags), cut);
    if (cut > 5) {
      ASSERT_EQ(r.next(t), Step::tag);
    }
    EXPECT_EQ(r.next(t), Step::cutInHeader) << cut;
  }
  SwfTagReader inBody(bytesOf(tags), 4);
  EXPECT_EQ(inBody.next(t), Step::cutInBody);
  EXPECT_EQ(t.code, 9u);  // the cut tag is still named
  EXPECT_EQ(inBody.position(), 0u);
  const std::string huge = tag(2, "abcd", true).replace(2, 4, swftest::le32(0xFFFFFFFFu));
  SwfTagReader hostile(bytesOf(huge), huge.size());
  EXPECT_EQ(hostile.next(t), Step::cutInBody);
}

TEST(SwfBits, FieldsAndRectanglesStopAtTheEnd) {
  const std::string frame = swftest::frameFields();  // a 550 x 400 rectangle, rate, count
  BitReader in(bytesOf(frame), frame.size());
  const SwfRect r = in.rect();
  EXPECT_EQ(r.xmax - r.xmin, 11000);
  EXPECT_EQ(r.ymax - r.ymin, 8000);
  EXPECT_EQ(in.position(), 9u);
  in.skip(4);
  EXPECT_FALSE(in.failed());
  EXPECT_EQ(in.u8(), 0);
  EXPECT_TRUE(in.failed());  // past the end: zero, and failed
  BitReader cut(bytesOf(frame), 8);
  cut.rect();
  EXPECT_TRUE(cut.failed());
}

TEST(Inflate, TheBoundAStreamThatEndsEarlyAndACorruptOne) {
  const std::string plain = sample(), stream = swftest::deflateBytes(plain);
  std::vector<uint8_t> out = {1, 2};  // what the output held stays in front
  InflateOutcome o = inflateBounded(bytesOf(stream), stream.size(), 1u << 30, out);
  EXPECT_TRUE(o.ok());
  EXPECT_EQ(o.produced, plain.size());
  EXPECT_EQ(std::string(out.begin() + 2, out.end()), plain);

  out.clear();
  EXPECT_EQ(inflateBounded(bytesOf(stream), stream.size(), 5000, out).produced, 5000u);
  EXPECT_EQ(std::string(out.begin(), out.end()), plain.substr(0, 5000));

  const std::string cut = stream.substr(0, stream.size() / 2);
  o = inflateBounded(bytesOf(cut), cut.size(), 1u << 30, out = {});
  EXPECT_TRUE(o.ok());
  EXPECT_GT(out.size(), 0u);
  EXPECT_LT(out.size(), plain.size());
  EXPECT_EQ(std::string(out.begin(), out.end()), plain.substr(0, out.size()));

  std::string bad = stream;
  bad[1] = char(bad[1] ^ 1);  // the header's check bits
  o = inflateBounded(bytesOf(bad), bad.size(), 1u << 20, out = {});
  EXPECT_EQ(o.end, InflateOutcome::End::corrupt);
  EXPECT_EQ(o.zlibText(), "data error (incorrect header check)");
}

TEST(Inflate, TheBufferGrowsWithWhatComesOutNotWithTheBound) {
  // A stream of a few bytes with a bound of 256 MiB takes what it holds, not the bound.
  const std::string stream = swftest::deflateBytes(std::string(100, 'a'));
  std::vector<uint8_t> out;
  EXPECT_EQ(inflateBounded(bytesOf(stream), stream.size(), size_t(256) << 20, out).produced, 100u);
  EXPECT_LT(out.capacity(), size_t(1) << 20);
  // A large one still comes out whole, through every growth of the buffer.
  const std::string big = sample() + std::string(300000, 'z') + sample();
  const std::string bigStream = swftest::deflateBytes(big);
  EXPECT_EQ(inflateBounded(bytesOf(bigStream), bigStream.size(), size_t(256) << 20, out = {}).produced, big.size());
  EXPECT_EQ(std::string(out.begin(), out.end()), big);
}

TEST(SwfMovie, ACompressedMovieExpandsToItsPlainFormWithinItsBounds) {
  const std::string plain = swftest::fws(6, swftest::bg(1, 2, 3) + std::string(5000, 'z'));
  const std::string packed = swftest::cwsOf(plain);
  std::vector<uint8_t> out;
  SwfExpansion e = expandSwf(headerOf(packed), bytesOf(packed), packed.size(), 1u << 20, out);
  EXPECT_EQ(e.end, SwfExpansion::End::complete);
  EXPECT_EQ(std::string(out.begin(), out.end()), plain);
  // The bound counts the header; the declared length bounds too.
  e = expandSwf(headerOf(packed), bytesOf(packed), packed.size(), 100, out = {});
  EXPECT_EQ(std::string(out.begin(), out.end()), plain.substr(0, 100));
  const std::string liar = swftest::cwsOf(swftest::fws(6, std::string(5000, 'z'), 30));
  e = expandSwf(headerOf(liar), bytesOf(liar), liar.size(), 1u << 20, out = {});
  EXPECT_EQ(out.size(), 30u);
  // Shorter than a header: its bytes as far as they go, as a plain header.
  e = expandSwf(headerOf(packed.substr(0, 5)), bytesOf(packed), 5, 1u << 20, out = {});
  EXPECT_EQ(e.end, SwfExpansion::End::complete);
  EXPECT_EQ(std::string(out.begin(), out.end()), std::string("FWS\x06", 4) + packed[4]);
  // A damaged stream keeps what came before; LZMA is not expanded.
  std::string bad = packed;
  bad[9] = char(bad[9] ^ 1);
  EXPECT_EQ(expandSwf(headerOf(bad), bytesOf(bad), bad.size(), 1u << 20, out = {}).end, SwfExpansion::End::corrupt);
  const std::string lzma = "ZWS" + packed.substr(3);
  EXPECT_EQ(expandSwf(headerOf(lzma), bytesOf(lzma), lzma.size(), 1u << 20, out = {}).end,
            SwfExpansion::End::unsupported);
  EXPECT_TRUE(out.empty());
}

}  // namespace
