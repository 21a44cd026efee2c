#pragma once
// A movie's plain form in memory, whatever its compression: the one expansion for the movie panel and
// the renderer. "CWS" is inflated (swf/inflate.h); "ZWS" (LZMA) is recognised and refused, the place
// where its expansion would go.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "swf/header.h"
#include "swf/inflate.h"

namespace mv {

struct SwfExpansion {
  enum class End {
    complete,     // plain holds the movie: the stream ended, the bound was reached or the bytes ran out
    corrupt,      // the zlib stream is damaged (zlib says why); plain holds what came out before it
    unsupported,  // a compression the program does not expand (LZMA)
  };
  End end = End::complete;
  InflateOutcome inflated;  // a "CWS" movie's inflation
};

// The plain movie of a compressed one (header.signature compressed or lzma) appended to plain: "FWS", the
// version and length bytes as found, then the body expanded, no longer than the header declares nor than
// maxMovieBytes (the plain movie's bound, header included: swfBodyBound). A movie shorter than its header
// gives the header's bytes as far as they go and nothing more.
SwfExpansion expandSwf(const SwfHeader& header, const uint8_t* movie, size_t size, uint64_t maxMovieBytes,
                       std::vector<uint8_t>& plain);

}  // namespace mv
