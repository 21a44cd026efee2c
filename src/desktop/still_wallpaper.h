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
#include <optional>
#include <string>
#include <vector>

#include "desktop/still_page.h"
#include "desktop/desktop_record_names.h"
#include "platform/platform.h"

namespace mv::still {

// Windows 8 (6.2) and later show no web page as the wallpaper. `version` is the system's own, not the
// one compatibility shims report.
bool systemShowsNoWebPage(const OsVersion& version);

// ---- the picture

// A picture handed over a row at a time, so that one of the screen's size need not be held whole.
class PictureRows {
 public:
  virtual ~PictureRows() = default;
  // Row y (0 the top): the picture's width in 0xAARRGGBB words into out.
  virtual void copyRow(int y, uint32_t* out) const = 0;
};

// Writes a width x height picture as a 24-bit bottom-up BMP, a strip of rows at a time. False (and the
// code in lastError) when it cannot be written; a partial file is deleted.
bool writeBmp24(FileSystem& files, const std::string& path, int width, int height, const PictureRows& rows);
// The same from width x height pixels (0xAARRGGBB words, rows top to bottom).
bool writeBmp24(FileSystem& files, const std::string& path, int width, int height, const uint32_t* pixels);

// A name in the content folder for the picture that no file there has: `preferred` when free (or when it
// is the picture of an earlier installation, `ownEarlier`), else the next numbered one. "" when none is.
std::string freePictureName(FileSystem& files, const std::string& contentFolder, const std::string& ownEarlier);

// ---- the wallpaper setting

// How the movie is laid on the screen: the page's scale and stage colour (MovieChoice), and the
// package's colour around the stage.
struct StillLook {
  StageScale scale = StageScale::showAll;
  std::optional<uint32_t> stageColour;  // 0x00RRGGBB; the movie's own when not given
  uint32_t margin = 0;                  // 0x00RRGGBB
};

// Draws a movie's first frame for the still wallpaper, at the screen's size; its rows (PictureRows)
// are the picture until its next call.
class StillPainter : public PictureRows {
 public:
  enum class Outcome {
    painted,
    refused,  // the movie is refused, or a bound is reached
    blank,    // the frame draws nothing: only the stage's and the margin's colours
  };
  virtual Outcome paint(const uint8_t* movie, size_t size, int width, int height, const StillLook& look) = 0;
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
  blank,        // the frame draws nothing on its stage: the picture would show only colours
  notWritten,   // the picture or the record in the uninstall entry could not be written
  notApplied,   // the system refused the wallpaper
};

constexpr uint64_t kMaxMovieBytes = 64ull << 20;

// The whole step. Order: the picture is written, then recorded in the uninstall entry and the desktop
// record, and only then the wallpaper changed; a failure undoes what the step did before it.
StillOutcome installStillWallpaper(Platform& platform, const StillRequest& request, StillPainter& painter);

}  // namespace mv::still
