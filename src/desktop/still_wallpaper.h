#pragma once
// The still wallpaper: where the system cannot show a web page as its wallpaper (Windows 8 and later,
// or an Active Desktop that refused the page), the first frame of the content's movie, drawn at the
// screen's size, becomes an ordinary bitmap wallpaper.
//
// Everything here is portable: which movie the page embeds, the bitmap file, the registry values and the
// order of the steps. Drawing the movie is the caller's (StillPainter), so this layer needs no renderer.
// Every failure is silent: the step then leaves no picture and no changed setting behind, and the
// installation goes on as if it had not been tried.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/desktop_record_names.h"
#include "platform/platform.h"

namespace mv::still {

// How the page asks the player to fit the stage into its area (the `scale` parameter).
enum class StageScale { showAll, exactFit, noBorder, noScale };
// "showall" (also empty or unknown), "exactfit", "noborder", "noscale"; letter case ignored.
StageScale stageScaleFromParam(const std::string& value);

// Windows 8 (6.2) and later show no web page as the wallpaper. `version` is the system's own, not the
// one compatibility shims report.
bool systemShowsNoWebPage(const OsVersion& version);

// ---- the page

// What the page's movie object says, as written in the page (Windows-1252 bytes, escapes not decoded).
struct PageMovie {
  std::string reference;  // <param name="movie" value=...>, else <embed src=...>; "" when neither
  std::string scale;      // <param name="scale" value=...>, else <embed scale=...>
};
PageMovie findPageMovie(const std::string& page);

// %XX escapes decoded (a '%' without two hex digits stays as it is).
std::string decodeUrlEscapes(const std::string& text);

// The file a reference (UTF-8, escapes decoded) names relative to the page's folder, when it lies inside
// the content folder; "" otherwise (another scheme, an absolute path, a way out through "..").
// Both folders end with a backslash.
std::string resolveInside(const std::string& pageFolder, const std::string& reference,
                          const std::string& contentFolder);

constexpr size_t kMaxPageBytes = 1u << 20;  // a page above this is not read

// The movie to draw and the scale the page asks for.
struct MovieChoice {
  std::string path;  // "" when there is none
  StageScale scale = StageScale::showAll;
};
// The movie the page embeds when it is a file inside the content folder, else the first of
// `contentNames` (names relative to the content folder, in the data file's order) that ends in ".swf"
// and exists; a page that cannot be read counts as one without a movie.
MovieChoice chooseMovie(FileSystem& files, const std::string& pagePath, const std::string& contentFolder,
                        const std::vector<std::string>& contentNames);

// ---- the picture

// Writes width x height pixels (0xAARRGGBB words, rows top to bottom) as a 24-bit bottom-up BMP, a strip
// of rows at a time. False (and the code in lastError) when it cannot be written; a partial file is
// deleted.
bool writeBmp24(FileSystem& files, const std::string& path, int width, int height, const uint32_t* pixels);

// A name in the content folder for the picture that no file there has: `preferred` when free (or when it
// is the picture of an earlier installation, `ownEarlier`), else the next numbered one. "" when none is.
std::string freePictureName(FileSystem& files, const std::string& contentFolder, const std::string& ownEarlier);

// ---- the wallpaper setting

// Draws a movie's first frame for the still wallpaper. Returns the pixels (width x height, 0xAARRGGBB,
// owned by the painter until its next call) or nullptr when the movie is refused or a bound is reached.
class StillPainter {
 public:
  virtual ~StillPainter() = default;
  virtual const uint32_t* paint(const uint8_t* movie, size_t size, int width, int height, StageScale scale,
                                uint32_t background) = 0;
};

// The value the step adds to the content's uninstall entry (HKLM): the picture set as the wallpaper. What
// the user had is in the desktop record (desktop/desktop_record.h), taken before the content changed
// anything; the step adds its picture there too.
namespace entry {
constexpr const char* kPicture = MV_ENTRY_PICTURE;
}  // namespace entry

struct StillRequest {
  std::string title;          // the content title: names the uninstall entry
  std::string contentFolder;  // ends with a backslash
  std::string pagePath;       // the installed HTML page
  std::vector<std::string> contentNames;  // what the data file put into the content folder, in order
  bool activeDesktopTookPage = true;      // SetWallpaper and ApplyChanges accepted the page
  uint32_t background = 0;                // 0x00RRGGBB: the package's background colour
};

enum class StillOutcome {
  set,          // the picture is the wallpaper
  notNeeded,    // the system shows the page itself
  noScreen,     // the screen's size is unknown
  noMovie,      // the page embeds none inside the content folder and the data file brought none
  unreadable,   // the movie cannot be read, or is larger than the bound
  refused,      // the painter refused the movie
  blank,        // the frame holds nothing but the background colour, which the desktop shows already
  notWritten,   // the picture or the record in the uninstall entry could not be written
  notApplied,   // the system refused the wallpaper
};

constexpr uint64_t kMaxMovieBytes = 64ull << 20;

// The whole step. Order: the picture is written, then recorded in the uninstall entry and the desktop
// record, and only then the wallpaper changed; a failure undoes what the step did before it.
StillOutcome installStillWallpaper(Platform& platform, const StillRequest& request, StillPainter& painter);

}  // namespace mv::still
