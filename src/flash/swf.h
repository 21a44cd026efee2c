#pragma once
// SWF header work of the movie panel: the signature, the header parse up to the background-colour
// tag, and the expansion of zlib-compressed ("CWS") movies into a plain copy.
#include <cstdint>
#include <string>

#include "platform/errors.h"
#include "support/result.h"

namespace mv {

struct SwfHeaderInfo {
  int red = 255, green = 255, blue = 255;
  int allowScale = -1;   // seeded from the bytes after the background tag: 0, 1, -2 or -1 (no match)
  int fullScreen = -1;
  bool parsed = false;   // the parse got as far as colouring (a refused or missing file does not)
  uint32_t colour() const { return uint32_t(red) | uint32_t(green) << 8 | uint32_t(blue) << 16; }
};

// Each step stops at a file error with rc::failedWithText and the error's text in failure.
//
// Reads the first three bytes: 0 for "FWS" or "CWS" (signature set), -404 otherwise; a failure when the
// file cannot be opened or read.
Result readSwfSignature(const std::string& path, std::string& signature, Status& failure);
// Parses an "FWS" file up to its background tag. 0, -404, -405, -406; a failure on open and read
// errors (a file cut inside its header or a tag). A walk that ends exactly at a tag boundary without a
// background tag gives white and 0.
Result parseSwfHeader(const std::string& path, SwfHeaderInfo& info, Status& failure);
// Expands a "CWS" file: writes tempFolder + "compressedSWFSegment.swf" and "unCompressedSWF.swf".
// Never writes more than the declared length nor more than kMaxExpandedSwf bytes. A failure on file
// errors and on a corrupt zlib stream (with zlib's message).
constexpr uint64_t kMaxExpandedSwf = 256ull << 20;
Result expandCompressedSwf(const std::string& path, const std::string& tempFolder, Status& failure);
// The same with another bound on the expanded file's size (tests).
Result expandCompressedSwf(const std::string& path, const std::string& tempFolder, uint64_t maxExpanded,
                           Status& failure);

}  // namespace mv
