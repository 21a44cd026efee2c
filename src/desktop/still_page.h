#pragma once
// Which movie the installed page embeds, and how it asks for it to be shown: the rule of the still
// wallpaper's movie, for the installer's last step and for `mvpack build`, which checks what that step
// will draw (the packaging tool takes this header alone of the desktop layer).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"

namespace mv::still {

// How the page asks the player to fit the stage into its area (the `scale` parameter).
enum class StageScale { showAll, exactFit, noBorder, noScale };
// "showall" (also empty or unknown), "exactfit", "noborder", "noscale"; letter case ignored.
StageScale stageScaleFromParam(const std::string& value);

// What the page's movie object says, as written in the page (Windows-1252 bytes, escapes not decoded).
struct PageMovie {
  std::string reference;  // <param name="movie" value=...>, else <embed src=...>; "" when neither
  std::string scale;      // <param name="scale" value=...>, else <embed scale=...>
  std::string bgcolor;    // <param name="bgcolor" value=...>, else <embed bgcolor=...>
};
PageMovie findPageMovie(const std::string& page);

// A page's colour, "#RRGGBB" (the '#' may be left out), as 0x00RRGGBB; nothing for anything else.
std::optional<uint32_t> pageColour(const std::string& value);

// %XX escapes decoded (a '%' without two hex digits stays as it is).
std::string decodeUrlEscapes(const std::string& text);

// The file a reference (UTF-8, escapes decoded) names relative to the page's folder, when it lies inside
// the content folder; "" otherwise (another scheme, an absolute path, a way out through "..").
// Both folders end with a backslash.
std::string resolveInside(const std::string& pageFolder, const std::string& reference,
                          const std::string& contentFolder);

constexpr size_t kMaxPageBytes = 1u << 20;  // a page above this is not read

// The movie to draw and how the page asks for it to be shown.
struct MovieChoice {
  std::string path;  // "" when there is none
  StageScale scale = StageScale::showAll;
  std::optional<uint32_t> stageColour;  // 0x00RRGGBB: the page's bgcolor, which replaces the movie's own
};

// The movie the page embeds when it is a file inside the content folder, else the first of
// `contentNames` (names relative to the content folder, in the data file's order) that ends in ".swf"
// and is a file. `page` is the page's bytes, nothing when it cannot be read (a page without a movie);
// `isFile` says whether a path names a file.
MovieChoice chooseMovie(const std::optional<std::string>& page, const std::string& pagePath,
                        const std::string& contentFolder, const std::vector<std::string>& contentNames,
                        const std::function<bool(const std::string&)>& isFile);
// The same over the installed files: the page read from pagePath (at most kMaxPageBytes).
MovieChoice chooseMovie(FileSystem& files, const std::string& pagePath, const std::string& contentFolder,
                        const std::vector<std::string>& contentNames);

}  // namespace mv::still
