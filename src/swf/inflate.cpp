// The one inflate loop over zlib.
#include "swf/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace mv {

namespace {

constexpr size_t kMostPerCall = size_t(1) << 30;  // zlib counts in uInt: pieces and rooms are cut to this
constexpr size_t kFirstRoom = 64 * 1024;          // the output grows from this, doubling

}  // namespace

std::string InflateOutcome::zlibText() const {
  std::string text = zError(zlibCode);
  if (!zlibMessage.empty() && zlibMessage != text) text += " (" + zlibMessage + ")";
  return text;
}

InflateOutcome inflateBounded(const uint8_t* data, size_t size, size_t maxOut, std::vector<uint8_t>& out) {
  InflateOutcome outcome;
  const size_t start = out.size();
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
  size_t used = start;
  bool ended = false;
  while (!ended && outcome.ok() && outcome.produced < maxOut) {
    // Room for the next part: what is left of the bound, at most as much again as came out so far.
    if (used == out.size()) {
      const size_t grown = std::max(kFirstRoom, out.size() - start);
      out.resize(used + std::min({size_t(maxOut - outcome.produced), grown, kMostPerCall}));
    }
    if (z.avail_in == 0 && size > 0) {
      const size_t n = std::min(size, kMostPerCall);
      z.next_in = const_cast<Bytef*>(data);
      z.avail_in = uInt(n);
      data += n;
      size -= n;
    }
    z.next_out = out.data() + used;
    z.avail_out = uInt(out.size() - used);
    const int rc = inflate(&z, Z_NO_FLUSH);
    const size_t made = size_t(z.next_out - (out.data() + used));
    used += made;
    outcome.produced += made;
    if (rc == Z_STREAM_END) {
      ended = true;
    } else if (rc == Z_BUF_ERROR) {
      // No progress: go on when the room is full or input is left to hand in; else the stream ends early.
      ended = z.avail_out > 0 && (z.avail_in > 0 || size == 0);
    } else if (rc != Z_OK) {
      refused(rc);
    }
  }
  inflateEnd(&z);
  out.resize(used);
  return outcome;
}

}  // namespace mv
