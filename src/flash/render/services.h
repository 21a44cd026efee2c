#pragma once
// What the renderer takes from the program around it: a JPEG decoder and the machine's fonts. The
// program's entry makes them once and hands them to whatever draws movies (the movie panel, the still
// wallpaper). Either may be absent: JPEG bitmaps, or text in device fonts, are then left out.
namespace mv::render {

class JpegDecoder;
class FontProvider;

struct Services {
  const JpegDecoder* jpeg = nullptr;
  const FontProvider* fonts = nullptr;
};

}  // namespace mv::render
