#include "swf/movie.h"

#include <algorithm>

namespace mv {

SwfExpansion expandSwf(const SwfHeader& header, const uint8_t* movie, size_t size, uint64_t maxMovieBytes,
                       std::vector<uint8_t>& plain) {
  SwfExpansion expansion;
  if (header.signature == SwfSignature::lzma) {
    expansion.end = SwfExpansion::End::unsupported;
    return expansion;
  }
  const size_t head = std::min(size, kSwfHeaderSize);
  plain.insert(plain.end(), {'F', 'W', 'S'});
  if (head > 3) plain.insert(plain.end(), movie + 3, movie + head);
  if (!header.complete()) return expansion;
  const uint64_t bound = std::min<uint64_t>(swfBodyBound(header, maxMovieBytes), SIZE_MAX - kSwfHeaderSize);
  expansion.inflated = inflateBounded(movie + kSwfHeaderSize, size - kSwfHeaderSize, size_t(bound), plain);
  if (!expansion.inflated.ok()) expansion.end = SwfExpansion::End::corrupt;
  return expansion;
}

}  // namespace mv
