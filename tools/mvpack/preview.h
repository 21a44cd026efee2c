#pragma once
// `mvpack preview`: a movie's first frame drawn by the installer's own renderer, as a PNG picture, for
// authors to see what the installer and the still wallpaper will show.
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

#include "flash/render/first_frame.h"
#include "flash/render/font_provider.h"

namespace mvpack {

struct PreviewOptions {
  std::string movie, output;
  int width = 0, height = 0;  // 0: the stage's own size
  mv::render::ScaleMode scale = mv::render::ScaleMode::showAll;
  std::optional<uint32_t> background;  // 0x00RRGGBB: the stage's, in place of the movie's own
  std::optional<uint32_t> margin;      // 0x00RRGGBB around the stage; the stage's colour when not given
};

// Parses "WxH" (each 1..maxSide); false when it is not that.
bool parsePictureSize(const std::string& text, int maxSide, int& width, int& height);
// Parses "showall", "exactfit", "noborder", "noscale" (any case); false otherwise.
bool parseScaleMode(const std::string& text, mv::render::ScaleMode& mode);
// Parses "#RRGGBB" (the '#' may be left out); false otherwise.
bool parseColour(const std::string& text, uint32_t& colour);

// The bounds the installer draws the still wallpaper within.
mv::render::Limits previewLimits();

// Whether a picture's name ends in ".png" (any case): the only pictures preview writes.
bool isPngName(const std::string& path);

// The machine's fonts for text in device fonts, as the installer draws it (GDI in mvpack.exe, FreeType
// natively).
const mv::render::FontProvider& deviceFonts();

// Why the renderer refused a movie, for authors.
std::string refusal(mv::render::FrameStatus why);

// Draws the movie as the still wallpaper draws it (flash/render/still_frame.h) and writes the picture.
// Returns the exit code: 0 drawn; 3 the movie is refused (the reason on err) or a bound was reached while
// drawing (the picture, then only the background, is still written). ToolError when a file cannot be
// read or written.
int previewMovie(const PreviewOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mvpack
