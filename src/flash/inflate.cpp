// The one inflate loop over zlib.
#include "flash/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace mv {

namespace {

constexpr size_t kMostPerCall = size_t(1) << 30;  // zlib counts in uInt: pieces and rooms are cut to this

// The whole stream already in memory.
class MemorySource : public InflateSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), left_(size) {}
  int64_t next(const uint8_t*& data) override {
    const size_t n = std::min(left_, kMostPerCall);
    data = data_;
    data_ += n;
    left_ -= n;
    return int64_t(n);
  }

 private:
  const uint8_t* data_;
  size_t left_;
};

// Expands into a vector that grows with what comes out (doubling from a small start), never with the
// bound: a stream that ends early takes only what it held.
class MemorySink : public InflateSink {
 public:
  explicit MemorySink(std::vector<uint8_t>& out) : out_(out) { out_.clear(); }
  uint8_t* room(size_t& size) override {
    if (used_ == out_.size()) {
      const size_t grown = std::max(kFirstRoom, out_.size());
      out_.resize(used_ + std::min(size, grown));
    }
    size = out_.size() - used_;
    return out_.data() + used_;
  }
  bool filled(size_t n) override {
    used_ += n;
    return true;
  }
  size_t used() const { return used_; }

 private:
  static constexpr size_t kFirstRoom = 64 * 1024;
  std::vector<uint8_t>& out_;
  size_t used_ = 0;
};

}  // namespace

std::string InflateOutcome::zlibText() const {
  std::string text = zError(zlibCode);
  if (!zlibMessage.empty() && zlibMessage != text) text += " (" + zlibMessage + ")";
  return text;
}

InflateOutcome inflateBounded(InflateSource& source, uint64_t maxOut, InflateSink& sink) {
  InflateOutcome outcome;
  z_stream z;
  std::memset(&z, 0, sizeof z);
  auto refused = [&](int code) {
    outcome.end = InflateOutcome::End::corrupt;
    outcome.zlibCode = code;
    if (z.msg) outcome.zlibMessage = z.msg;
  };
  const int started = inflateInit(&z);
  if (started != Z_OK) {
    refused(started);
    return outcome;
  }
  bool streamEnded = false;
  while (outcome.ok() && !streamEnded && outcome.produced < maxOut) {
    size_t roomSize = size_t(std::min<uint64_t>(maxOut - outcome.produced, kMostPerCall));
    uint8_t* room = sink.room(roomSize);
    z.next_out = room;
    z.avail_out = uInt(roomSize);
    // Fill the room: refill the input whenever it is used up, until the room is full, the stream ends or
    // the source has no more bytes.
    while (z.avail_out > 0) {
      if (z.avail_in == 0) {
        const uint8_t* piece = nullptr;
        const int64_t n = source.next(piece);
        if (n < 0) outcome.end = InflateOutcome::End::sourceFailed;
        if (n <= 0) break;
        z.next_in = const_cast<Bytef*>(piece);
        z.avail_in = uInt(n);
      }
      const int rc = inflate(&z, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        streamEnded = true;
        break;
      }
      if (rc == Z_BUF_ERROR && z.avail_in == 0) continue;  // more input is needed
      if (rc == Z_BUF_ERROR) break;                        // no progress at all: the stream ends early
      if (rc != Z_OK) {
        refused(rc);
        break;
      }
    }
    if (!outcome.ok()) break;
    const size_t made = roomSize - z.avail_out;
    if (made > 0 && !sink.filled(made)) {
      outcome.end = InflateOutcome::End::sinkFailed;
      break;
    }
    outcome.produced += made;
    if (z.avail_out > 0) break;  // the room was not filled: nothing more will come
  }
  inflateEnd(&z);
  return outcome;
}

long long inflateBounded(const uint8_t* data, size_t size, size_t maxOut, std::vector<uint8_t>& out) {
  MemorySource source(data, size);
  MemorySink sink(out);
  const InflateOutcome outcome = inflateBounded(source, maxOut, sink);
  out.resize(sink.used());
  return outcome.end == InflateOutcome::End::corrupt ? -1 : static_cast<long long>(sink.used());
}

}  // namespace mv
