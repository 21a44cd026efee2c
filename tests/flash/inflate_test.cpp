// The one inflate loop: the same bytes whatever the pieces and blocks, the bound, a stream that ends
// early, and the three ways it stops.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "flash/inflate.h"
#include "swf_builder.h"

using namespace mv;

namespace {

// Hands the stream in pieces of a fixed size; fails (-1) at piece failAt.
class Pieces : public InflateSource {
 public:
  Pieces(const std::string& bytes, size_t piece, int failAt = -1) : bytes_(bytes), piece_(piece), failAt_(failAt) {}
  int64_t next(const uint8_t*& data) override {
    if (calls_++ == failAt_) return -1;
    const size_t n = std::min(piece_, bytes_.size() - at_);
    data = reinterpret_cast<const uint8_t*>(bytes_.data()) + at_;
    at_ += n;
    return int64_t(n);
  }

 private:
  const std::string& bytes_;
  size_t piece_, at_ = 0;
  int calls_ = 0, failAt_;
};

// Keeps what comes out in blocks of a fixed size; refuses after keepAtMost bytes.
class Blocks : public InflateSink {
 public:
  explicit Blocks(size_t block, size_t keepAtMost = size_t(-1)) : block_(block), keepAtMost_(keepAtMost) {}
  uint8_t* room(size_t& size) override {
    size = std::min(size, block_.size());
    return block_.data();
  }
  bool filled(size_t n) override {
    if (kept.size() + n > keepAtMost_) return false;
    kept.append(reinterpret_cast<const char*>(block_.data()), n);
    sizes.push_back(n);
    return true;
  }
  std::string kept;
  std::vector<size_t> sizes;

 private:
  std::vector<uint8_t> block_;
  size_t keepAtMost_;
};

std::string sample() {
  std::string s;
  for (int i = 0; i < 20000; ++i) s += char('a' + (i * 7 + i / 13) % 26);
  return s;
}

TEST(Inflate, SameBytesWhateverThePiecesAndBlocks) {
  const std::string plain = sample(), stream = swftest::deflateBytes(plain);
  for (size_t piece : {size_t(1), size_t(7), size_t(0x10000)})
    for (size_t block : {size_t(1), size_t(2048), size_t(1) << 20}) {
      SCOPED_TRACE(std::to_string(piece) + " " + std::to_string(block));
      Pieces source(stream, piece);
      Blocks sink(block);
      const InflateOutcome o = inflateBounded(source, 1u << 30, sink);
      EXPECT_TRUE(o.ok());
      EXPECT_EQ(o.produced, plain.size());
      EXPECT_EQ(sink.kept, plain);
      // Whole blocks up to the last.
      for (size_t i = 0; i + 1 < sink.sizes.size(); ++i) ASSERT_EQ(sink.sizes[i], block);
    }
}

TEST(Inflate, TheBoundAndAStreamThatEndsEarlyGiveShorterResults) {
  const std::string plain = sample(), stream = swftest::deflateBytes(plain);
  Pieces source(stream, 100);
  Blocks sink(2048);
  EXPECT_TRUE(inflateBounded(source, 5000, sink).ok());
  EXPECT_EQ(sink.kept, plain.substr(0, 5000));

  const std::string cut = stream.substr(0, stream.size() / 2);
  Pieces half(cut, 64);
  Blocks rest(2048);
  const InflateOutcome o = inflateBounded(half, 1u << 30, rest);
  EXPECT_TRUE(o.ok());
  EXPECT_GT(rest.kept.size(), 0u);
  EXPECT_LT(rest.kept.size(), plain.size());
  EXPECT_EQ(rest.kept, plain.substr(0, rest.kept.size()));

  // Blocks stop with the bytes: what zlib still holds for a full block is not asked for. In memory the
  // room is never full before the bound, so all that the bytes give comes out.
  std::vector<uint8_t> out;
  const long long n = inflateBounded(reinterpret_cast<const uint8_t*>(cut.data()), cut.size(), 1u << 20, out);
  EXPECT_GE(n, static_cast<long long>(rest.kept.size()));
  EXPECT_EQ(std::string(out.begin(), out.end()), plain.substr(0, size_t(n)));
}

TEST(Inflate, CorruptStreamsAndFailedReadsOrWritesStopIt) {
  std::string stream = swftest::deflateBytes(sample());
  std::string bad = stream;
  bad[1] = char(bad[1] ^ 1);  // the header's check bits
  Pieces badSource(bad, 1000);
  Blocks sink(2048);
  InflateOutcome o = inflateBounded(badSource, 1u << 20, sink);
  EXPECT_EQ(o.end, InflateOutcome::End::corrupt);
  EXPECT_EQ(o.zlibText(), "data error (incorrect header check)");
  std::vector<uint8_t> out;
  EXPECT_EQ(inflateBounded(reinterpret_cast<const uint8_t*>(bad.data()), bad.size(), 100, out), -1);

  Pieces failing(stream, 10, 3);
  Blocks kept(2048);
  EXPECT_EQ(inflateBounded(failing, 1u << 20, kept).end, InflateOutcome::End::sourceFailed);

  Pieces source(stream, 1000);
  Blocks full(2048, 4096);
  o = inflateBounded(source, 1u << 20, full);
  EXPECT_EQ(o.end, InflateOutcome::End::sinkFailed);
  EXPECT_EQ(o.produced, 4096u);  // what was kept
}

TEST(Inflate, InMemoryTheBufferGrowsWithWhatComesOutNotWithTheBound) {
  // A stream of a few bytes with a bound of 256 MiB takes what it holds, not the bound.
  const std::string stream = swftest::deflateBytes(std::string(100, 'a'));
  std::vector<uint8_t> out;
  EXPECT_EQ(inflateBounded(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), size_t(256) << 20, out), 100);
  EXPECT_LT(out.capacity(), size_t(1) << 20);
  // A large one still comes out whole, through every growth of the buffer.
  const std::string big = sample() + std::string(300000, 'z') + sample();
  const std::string bigStream = swftest::deflateBytes(big);
  EXPECT_EQ(inflateBounded(reinterpret_cast<const uint8_t*>(bigStream.data()), bigStream.size(), size_t(256) << 20, out),
            static_cast<long long>(big.size()));
  EXPECT_EQ(std::string(out.begin(), out.end()), big);
}

}  // namespace
