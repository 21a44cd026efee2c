#pragma once
// The movie's bitmaps: lossless ones (zlib-compressed pixels, DefineBitsLossless and 2) and JPEG ones
// (DefineBits with the movie's JPEGTables, DefineBitsJPEG2, DefineBitsJPEG3 with its alpha plane).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "flash/render/model.h"

namespace mv::render {

// The body of DefineBitsLossless (withAlpha false) or DefineBitsLossless2 after the character id.
// pixelBudget: pixels still allowed; reduced by this bitmap's. false: the bitmap is left out.
bool decodeLossless(const uint8_t* body, size_t size, bool withAlpha, int maxSide, uint64_t& pixelBudget,
                    Bitmap& out);

// One JPEG stream from the parts SWF splits it into: the tables (JPEGTables, or nothing) and the image
// data, each possibly framed by its own SOI and EOI markers (and the EOI+SOI pair some writers put
// first). The result has one SOI, the tables and frame segments, the scan and an EOI.
std::vector<uint8_t> joinJpeg(const uint8_t* tables, size_t tablesSize, const uint8_t* image, size_t imageSize);

// Decodes a JPEG stream joined by joinJpeg; alpha (DefineBitsJPEG3, may be null) is a zlib stream of one
// byte per pixel. false: the bitmap is left out.
bool decodeJpegBitmap(const JpegDecoder& decoder, const std::vector<uint8_t>& jpeg, const uint8_t* alpha,
                      size_t alphaSize, int maxSide, uint64_t& pixelBudget, Bitmap& out);

}  // namespace mv::render
