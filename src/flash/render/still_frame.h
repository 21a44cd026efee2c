#pragma once
// The still wallpaper's picture: a movie's first frame drawn for a whole screen, as the installer's last
// step sets it and `mvpack build` checks it for authors. One drawing for both: the bounds, the colours
// (the stage in its own colour, the package's colour around it), the size it is drawn at and how that is
// scaled up to the screen, and what counts as a blank frame.
//
// A screen of up to kMaxStillDrawnPixels pixels (every screen up to 4096 x 4096) is drawn pixel for pixel;
// a larger one is drawn at the largest size of its shape within that bound and scaled up (bilinear) a row
// at a time as the rows are asked for. The picture held stays at most kMaxStillDrawnPixels words
// (64 MiB) whatever the screen.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "flash/render/first_frame.h"

namespace mv::render {

constexpr uint64_t kMaxStillDrawnPixels = 4096ull * 4096ull;  // the pixels drawn at most for one screen
constexpr int kMaxStillDrawnSide = 16384;                    // the drawn picture's longest side at most

// The installer's bounds, with a drawn side up to kMaxStillDrawnSide (the area bound above keeps its
// memory to that of a 4096 x 4096 picture).
Limits stillLimits();

// The movie read as the still wallpaper reads it (stillLimits); nullptr when refused, why receiving the
// reason. jpeg and fonts may be null.
std::shared_ptr<const FirstFrame> loadStillFrame(const uint8_t* movie, size_t size, const JpegDecoder* jpeg,
                                                 const FontProvider* fonts, FrameStatus* why = nullptr);

// How the frame is laid on the screen.
struct StillLook {
  ScaleMode scale = ScaleMode::showAll;        // the page's `scale`
  std::optional<uint32_t> stageColour;         // 0x00RRGGBB: the page's `bgcolor`; the movie's own otherwise
  uint32_t margin = 0;                         // 0x00RRGGBB around the stage: the package's colour
};

struct StillSize {
  int width = 0, height = 0;
};
// The size a width x height screen is drawn at: the screen's own within the bounds above, else the
// largest of the same shape within them (each side at least 1).
StillSize stillDrawnSize(int width, int height);

enum class StillStatus {
  drawn,         // the picture is ready
  blank,         // nothing but the stage's and the margin's colours: the frame draws nothing
  limitReached,  // a bound on drawing work was reached
  badSize,       // a screen without area, or with a side above kMaxStillScreenSide
};
constexpr int kMaxStillScreenSide = 65535;

class StillPicture {
 public:
  // Draws the frame for a width x height screen. Rows can be asked for after every status but badSize
  // (after limitReached they show only the stage's and the margin's colours).
  StillStatus draw(const FirstFrame& frame, int width, int height, const StillLook& look);
  int width() const { return width_; }
  int height() const { return height_; }
  const Image& drawn() const { return drawn_; }  // the picture as drawn, before scaling up
  // Row y (0 the top) of the screen-sized picture: width() opaque 0xAARRGGBB words into out.
  void copyRow(int y, uint32_t* out) const;

 private:
  Image drawn_;
  int width_ = 0, height_ = 0;
  std::vector<uint32_t> columns_;  // per screen column: the drawn column (high bits) and its weight (8 bits)
};

}  // namespace mv::render
