#pragma once
// Arithmetic on premultiplied 0xAARRGGBB pixels shared by the drawing and the layers.
#include <cstdint>

namespace mv::render {

// c * k / 255 for each of the four channels, rounded.
inline uint32_t scaleColour(uint32_t c, uint32_t k) {
  uint32_t rb = (c & 0x00FF00FFu) * k + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((c >> 8) & 0x00FF00FFu) * k + 0x00800080u;
  ag = (ag + ((ag >> 8) & 0x00FF00FFu)) & 0xFF00FF00u;
  return rb | ag;
}

}  // namespace mv::render
