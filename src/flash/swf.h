#pragma once
// SWF work of the movie panel over the movie read once into memory: the file read, the signature, the
// expansion of zlib-compressed ("CWS") movies with the copies the panel keeps in its working folder, and
// the header walk up to the background-colour tag. The format is read by src/swf.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_helpers.h"
#include "platform/files.h"
#include "platform/system.h"
#include "support/result.h"

namespace mv {

struct SwfHeaderInfo {
  int red = 255, green = 255, blue = 255;
  int allowScale = -1;   // seeded from the bytes after the background tag: 0, 1, -2 or -1 (no match)
  int fullScreen = -1;
  bool parsed = false;   // the parse got as far as colouring (a refused movie does not)
  uint32_t colour() const { return uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16; }
};

// The bound of a movie file the panel reads, and of a compressed movie's plain form.
constexpr uint64_t kMaxExpandedSwf = 256ull << 20;

// The movie file, whole: 0, or a failure whose text names the file and carries the system's text for
// the error (from `system`): it cannot be opened, read, or is larger than kMaxExpandedSwf.
Result readSwfFile(System& system, FileSystem& files, const std::string& path, FileBytes& movie);
// The first three bytes (fewer when the movie is shorter) into signature: 0 for "FWS" or "CWS", -404
// otherwise.
Result checkSwfSignature(const uint8_t* movie, size_t size, std::string& signature);
// Parses a plain movie up to its background tag. 0, -404, -405, -406; a failure naming path for a movie
// cut inside its header or a tag. A walk that ends exactly at a tag boundary without a background tag
// gives white and 0.
Result parseSwfHeader(const uint8_t* movie, size_t size, const std::string& path, SwfHeaderInfo& info);
// Expands a "CWS" movie (the file's bytes; path names it in texts) into plain, never more than its
// declared length nor than maxExpanded bytes, and writes tempFolder + "compressedSWFSegment.swf" (the
// file after its header) and "unCompressedSWF.swf" (the plain movie). A failure on file errors and on a
// corrupt zlib stream (with zlib's message).
Result expandCompressedSwf(System& system, FileSystem& files, const std::string& path, const uint8_t* movie,
                           size_t size, const std::string& tempFolder, std::vector<uint8_t>& plain,
                           uint64_t maxExpanded = kMaxExpandedSwf);

}  // namespace mv
