#pragma once
// The one inflate loop: a zlib stream (RFC 1950) in memory expanded into no more than a bound, for
// compressed ("CWS") movies (swf/movie.h) and the renderer's compressed bitmaps.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

struct InflateOutcome {
  enum class End {
    complete,  // the stream ended, the bound was reached, or the bytes ran out (a shorter result)
    corrupt,   // zlib refused the stream: zlibCode and zlibMessage say why
  };
  End end = End::complete;
  uint64_t produced = 0;     // bytes appended to the output
  int zlibCode = 0;          // corrupt: inflate's code
  std::string zlibMessage;   // corrupt: zlib's own detail, when it gives one

  bool ok() const { return end == End::complete; }
  // zlib's text for the code, with its detail in parentheses when that says more.
  std::string zlibText() const;
};

// Appends the expanded stream to out, never more than maxOut bytes. out grows with what comes out, so a
// stream that declares much and holds little costs little; what came out before a corrupt part stays.
InflateOutcome inflateBounded(const uint8_t* data, size_t size, size_t maxOut, std::vector<uint8_t>& out);

}  // namespace mv
