#pragma once
// The 8-byte SWF header over bytes, and which versions the installer plays. One reader for the movie
// panel, the renderer and mvpack.
//
//   offset 0  3 bytes  signature: "FWS" plain movie, "CWS" zlib-compressed (everything from byte 8 on is
//                      one zlib stream holding the plain movie from its byte 8 on), "ZWS" LZMA-compressed
//                      (versions 13 on; recognised, not expanded: swf/movie.h)
//   offset 3  1 byte   version
//   offset 4  4 bytes  length of the whole plain movie, header included, unsigned little-endian
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "support/bytes.h"

namespace mv {

constexpr size_t kSwfHeaderSize = 8;
constexpr int kOldestPlayedSwf = 3;
constexpr int kNewestPlayedSwf = 6;
constexpr int kNewestDrawnSwf = 10;  // the first-frame renderer reads versions up to this one

enum class SwfSignature { none, plain, compressed, lzma };

// What the first bytes of a file hold, as far as they go: `size` says how many of the 8 header bytes
// there were, and the fields after them are 0.
struct SwfHeader {
  SwfSignature signature = SwfSignature::none;  // none also for fewer than 3 bytes
  size_t size = 0;
  int version = 0;      // when size >= 4
  uint32_t length = 0;  // when size == 8

  bool hasVersion() const { return size > 3; }
  bool complete() const { return size == kSwfHeaderSize; }
};

inline SwfHeader readSwfHeader(const uint8_t* data, size_t size) {
  SwfHeader h;
  h.size = std::min(size, kSwfHeaderSize);
  if (h.size >= 3 && std::memcmp(data, "FWS", 3) == 0) h.signature = SwfSignature::plain;
  if (h.size >= 3 && std::memcmp(data, "CWS", 3) == 0) h.signature = SwfSignature::compressed;
  if (h.size >= 3 && std::memcmp(data, "ZWS", 3) == 0) h.signature = SwfSignature::lzma;
  if (h.hasVersion()) h.version = data[3];
  if (h.complete()) h.length = readLeU32(data + 4);
  return h;
}

// The installer plays versions 3 to 6; other readers name their own range.
enum class SwfVersionFit { played, tooNew, tooOld };
inline SwfVersionFit swfVersionFit(int version, int oldest = kOldestPlayedSwf, int newest = kNewestPlayedSwf) {
  if (version > newest) return SwfVersionFit::tooNew;
  if (version < oldest) return SwfVersionFit::tooOld;
  return SwfVersionFit::played;
}

// How many bytes of a compressed movie's stream are expanded: the plain movie after its header, no longer
// than the header declares nor than maxMovieBytes (the plain movie's bound, header included).
inline uint64_t swfBodyBound(const SwfHeader& header, uint64_t maxMovieBytes) {
  const uint64_t movie = std::min<uint64_t>(header.length, maxMovieBytes);
  return movie > kSwfHeaderSize ? movie - kSwfHeaderSize : 0;
}

}  // namespace mv
