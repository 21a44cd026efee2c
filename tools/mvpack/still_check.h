#pragma once
// What `mvpack build` tells authors about the still wallpaper: where the system shows no web page as the
// wallpaper (Windows 8 and later), the installer ends by drawing the first frame of the movie the page
// embeds as a bitmap wallpaper. The build chooses that movie by the installer's rule
// (desktop/still_page.h), draws it as the installer does (flash/render/still_frame.h) on a few common
// screens, and warns when users would get no still wallpaper, and why.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "builder.h"

namespace mvpack {

// The screens the build draws for.
struct ScreenSize {
  int width, height;
};
extern const std::vector<ScreenSize> kCheckedScreens;  // 1920 x 1080, 3840 x 2160, 5120 x 1440

// The content folder as the installer lays it out, for the still wallpaper's choice.
struct StillInputs {
  std::string title;                  // the content's title (names the page and the content folder)
  std::optional<std::string> page;    // the HTML page's bytes; nothing when it cannot be read
  std::vector<ContentFile> files;     // what lands in the content folder, in the data file's order
  uint32_t background = 0;            // 0x00RRGGBB: the package's colour
};

// The warnings (none when every checked screen gets a picture).
std::vector<std::string> stillWallpaperWarnings(const StillInputs& inputs);

}  // namespace mvpack
