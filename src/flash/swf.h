#pragma once
// SWF file work of the movie panel: the signature, the header parse up to the background-colour tag, and
// the expansion of zlib-compressed ("CWS") movies into a plain copy. The header's bytes are read by
// flash/swf_header.h, the stream inflated by flash/inflate.h.
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "support/result.h"

namespace mv {

struct SwfHeaderInfo {
  int red = 255, green = 255, blue = 255;
  int allowScale = -1;   // seeded from the bytes after the background tag: 0, 1, -2 or -1 (no match)
  int fullScreen = -1;
  bool parsed = false;   // the parse got as far as colouring (a refused or missing file does not)
  uint32_t colour() const { return uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16; }
};

// Each step works on `files` and stops at a file error with a failure whose text names the file and
// carries the system's text for the error (from `system`).
//
// Reads the first three bytes: 0 for "FWS" or "CWS" (signature set), -404 otherwise; a failure when the
// file cannot be opened or read.
Result readSwfSignature(System& system, FileSystem& files, const std::string& path, std::string& signature);
// Parses an "FWS" file up to its background tag. 0, -404, -405, -406; a failure on open and read errors
// (a file cut inside its header or a tag). A walk that ends exactly at a tag boundary without a
// background tag gives white and 0.
Result parseSwfHeader(System& system, FileSystem& files, const std::string& path, SwfHeaderInfo& info);
// Expands a "CWS" file: writes tempFolder + "compressedSWFSegment.swf" and "unCompressedSWF.swf".
// Never writes more than the declared length nor more than maxExpanded bytes. A failure on file errors
// and on a corrupt zlib stream (with zlib's message).
constexpr uint64_t kMaxExpandedSwf = 256ull << 20;
Result expandCompressedSwf(System& system, FileSystem& files, const std::string& path,
                           const std::string& tempFolder, uint64_t maxExpanded = kMaxExpandedSwf);

}  // namespace mv
