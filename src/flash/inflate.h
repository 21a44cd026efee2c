#pragma once
// The one inflate loop: a zlib stream (RFC 1950) expanded into no more than a bound, for the movie panel's
// compressed movies (file to file, in blocks) and the renderer's compressed movies and bitmaps (in memory).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

// Where the compressed bytes come from, piece by piece.
class InflateSource {
 public:
  virtual ~InflateSource() = default;
  // Points data at the next piece and returns its size; 0 at the end of the bytes, -1 when they cannot
  // be read (the inflation stops there).
  virtual int64_t next(const uint8_t*& data) = 0;
};

// Where the expanded bytes go.
class InflateSink {
 public:
  virtual ~InflateSink() = default;
  // Room for the next expanded bytes: size comes in as the most that may still come out and goes back as
  // the room's size (at least 1).
  virtual uint8_t* room(size_t& size) = 0;
  // The first n bytes of the room hold expanded bytes. false: they could not be kept (the inflation
  // stops there).
  virtual bool filled(size_t n) = 0;
};

struct InflateOutcome {
  enum class End {
    complete,      // the stream ended, the bound was reached, or the bytes ran out (a shorter result)
    corrupt,       // zlib refused the stream: zlibCode and zlibMessage say why
    sourceFailed,  // the source could not be read
    sinkFailed,    // the sink could not keep what came out
  };
  End end = End::complete;
  uint64_t produced = 0;     // bytes handed to the sink and kept
  int zlibCode = 0;          // corrupt: inflate's code
  std::string zlibMessage;   // corrupt: zlib's own detail, when it gives one

  bool ok() const { return end == End::complete; }
  // zlib's text for the code, with its detail in parentheses when that says more.
  std::string zlibText() const;
};

// Inflates the stream into the sink, never more than maxOut bytes. The room is filled before it is
// handed on, so a sink of fixed blocks sees whole blocks up to the last.
InflateOutcome inflateBounded(InflateSource& source, uint64_t maxOut, InflateSink& sink);

// In memory: into out, never more than maxOut bytes; out grows with what comes out, so a stream that
// declares much and holds little costs little. The number of bytes produced; -1 when the stream is
// corrupt before maxOut bytes came out.
long long inflateBounded(const uint8_t* data, size_t size, size_t maxOut, std::vector<uint8_t>& out);

}  // namespace mv
