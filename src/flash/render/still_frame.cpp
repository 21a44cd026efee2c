#include "flash/render/still_frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mv::render {

namespace {

// Where screen position i of n falls among m drawn pixels (pixel centres matched), in 1/256 of a pixel:
// the drawn pixel (bits 8 up) and the weight of the next one (bits 0-7).
uint32_t sourceOf(int i, int n, int m) {
  const int64_t at = (int64_t(2 * i + 1) * m * 128) / n - 128;
  return uint32_t(std::clamp<int64_t>(at, 0, int64_t(m - 1) * 256));
}

// a and b mixed, b weighing w / 256, channel by channel.
inline uint32_t mix(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t rb = ((a & 0xFF00FFu) * (256 - w) + (b & 0xFF00FFu) * w) >> 8 & 0xFF00FFu;
  const uint32_t g = ((a & 0xFF00u) * (256 - w) + (b & 0xFF00u) * w) >> 8 & 0xFF00u;
  return 0xFF000000u | rb | g;
}

// Every pixel is the stage's colour inside the stage's area and the margin's outside it.
bool onlyBackground(const Image& picture, const StageArea& stage, uint32_t stageColour, uint32_t margin) {
  for (int y = 0; y < picture.height; ++y) {
    const uint32_t* row = picture.pixels.data() + size_t(y) * size_t(picture.width);
    const bool stageRow = y >= stage.y0 && y < stage.y1;
    for (int x = 0; x < picture.width; ++x) {
      const bool onStage = stageRow && x >= stage.x0 && x < stage.x1;
      if ((row[x] & 0xFFFFFFu) != (onStage ? stageColour : margin)) return false;
    }
  }
  return true;
}

}  // namespace

Limits stillLimits() {
  Limits limits = Limits::forInstaller();
  limits.maxFrameSide = kMaxStillDrawnSide;
  return limits;
}

std::shared_ptr<const FirstFrame> loadStillFrame(const uint8_t* movie, size_t size, const JpegDecoder* jpeg,
                                                 const FontProvider* fonts, FrameStatus* why) {
  return FirstFrame::load(movie, size, jpeg, fonts, stillLimits(), why);
}

StillSize stillDrawnSize(int width, int height) {
  const uint64_t pixels = uint64_t(width) * uint64_t(height);
  if (pixels <= kMaxStillDrawnPixels && width <= kMaxStillDrawnSide && height <= kMaxStillDrawnSide)
    return StillSize{width, height};
  double factor = std::sqrt(double(kMaxStillDrawnPixels) / double(pixels));
  factor = std::min({factor, double(kMaxStillDrawnSide) / width, double(kMaxStillDrawnSide) / height});
  StillSize size{std::max(1, int(width * factor)), std::max(1, int(height * factor))};
  while (uint64_t(size.width) * uint64_t(size.height) > kMaxStillDrawnPixels)  // what rounding let through
    size.width > size.height ? --size.width : --size.height;
  return size;
}

StillStatus StillPicture::draw(const FirstFrame& frame, int width, int height, const StillLook& look) {
  drawn_ = Image();
  columns_.clear();
  width_ = height_ = 0;
  if (width <= 0 || height <= 0 || width > kMaxStillScreenSide || height > kMaxStillScreenSide)
    return StillStatus::badSize;
  const StillSize size = stillDrawnSize(width, height);
  DrawOptions options;
  options.scale = look.scale;
  options.background = look.stageColour;
  options.margin = look.margin;
  const bool complete = frame.draw(size.width, size.height, drawn_, options);
  if (drawn_.pixels.empty()) return StillStatus::limitReached;  // a frame read with smaller bounds than stillLimits
  width_ = width;
  height_ = height;
  if (size.width != width) {
    columns_.resize(size_t(width));
    for (int x = 0; x < width; ++x) columns_[size_t(x)] = sourceOf(x, width, size.width);
  }
  if (!complete) return StillStatus::limitReached;
  const uint32_t stageColour = (look.stageColour ? *look.stageColour : frame.background()) & 0xFFFFFFu;
  if (onlyBackground(drawn_, frame.stageArea(size.width, size.height, look.scale), stageColour,
                     look.margin & 0xFFFFFFu))
    return StillStatus::blank;
  return StillStatus::drawn;
}

void StillPicture::copyRow(int y, uint32_t* out) const {
  const int w = drawn_.width;
  if (w == width_ && drawn_.height == height_) {
    std::memcpy(out, drawn_.pixels.data() + size_t(y) * size_t(w), size_t(w) * sizeof(uint32_t));
    return;
  }
  const uint32_t at = sourceOf(y, height_, drawn_.height), wy = at & 255;
  const int y0 = int(at >> 8), y1 = std::min(y0 + 1, drawn_.height - 1);
  const uint32_t* top = drawn_.pixels.data() + size_t(y0) * size_t(w);
  const uint32_t* bottom = drawn_.pixels.data() + size_t(y1) * size_t(w);
  for (int x = 0; x < width_; ++x) {
    const uint32_t c = columns_.empty() ? uint32_t(x) << 8 : columns_[size_t(x)], wx = c & 255;
    const int x0 = int(c >> 8), x1 = std::min(x0 + 1, w - 1);
    out[x] = mix(mix(top[x0], top[x1], wx), mix(bottom[x0], bottom[x1], wx), wy);
  }
}

}  // namespace mv::render
