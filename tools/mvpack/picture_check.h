#pragma once
// What the packaging tool can tell about the installer window's picture before it is packed: the size
// a BMP or JPEG declares, and whether the installer would show it.
#include <cstdint>
#include <string>
#include <vector>

namespace mvpack {

// The size a BMP's header or a JPEG's frame header (SOFn) declares; false when neither can be read.
bool pictureSize(const std::vector<uint8_t>& bytes, uint64_t& width, uint64_t& height);

// A warning for a picture that the installer would not show (beyond its size bound, without a size it
// can read, or whose pixels do not decode: a JPEG cut short or damaged, a BMP short of its pixels); ""
// for one it shows. `what` names the file in the text.
std::string pictureWarning(const std::vector<uint8_t>& bytes, const std::string& what);

}  // namespace mvpack
