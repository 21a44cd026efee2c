#pragma once
// The desktop record: what the user had on the desktop (wallpaper, its style and tiling, the desktop's
// colour) before any content of ours changed it, and what each installed content set, so that whatever
// the order of installs, reinstalls, uninstalls, cancels and failures, the last content to go gives the
// user's own desktop back. Its keys and values are named in desktop_record_names.h, which the sample
// uninstaller shares; it implements release() again without the C++ library.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mv::desktop_record {

// What a content sets on the desktop.
struct ContentMark {
  std::string title;          // names its key in the record and its uninstall entry
  std::string contentFolder;  // ends with a backslash
  std::string pagePath;       // its desktop page
  std::string colour;         // "r g b", as the wallpaper step writes it
};

// Taken before the content changes the desktop's colour or wallpaper. The user's own values are written
// when no content is recorded yet (a wallpaper inside this content's folder, left by an earlier
// installation of it, is not the user's: that installation's uninstall entry names theirs); the content's
// key gets its colour, page and the next number. A failure with the registry's text.
Result recordContent(Platform& platform, const ContentMark& mark);

// The still wallpaper step's picture, in the content's key; false when it cannot be written.
bool recordPicture(Registry& registry, const std::string& title, const std::string& picture);
void forgetPicture(Registry& registry, const std::string& title);  // reports nothing

// What release() did to one setting.
enum class Restored {
  untouched,  // not ours any more (or never was): left as it is
  own,        // the user's own is back
  content,    // the setting of another installed content is back (fromTitle)
  cleared,    // the user's own wallpaper file is gone: no picture now
  failed,     // the system refused the change
};

struct Released {
  Restored wallpaper = Restored::untouched;
  Restored colour = Restored::untouched;
  std::string wallpaperFrom, colourFrom;  // the content whose setting came back
};

// Releases a content that goes (uninstalled, or an installation cleaned up): its key goes; a wallpaper
// that is its picture or any file in its folder becomes the picture of the most recent remaining content
// whose picture exists, else the user's own; a colour that is still its colour becomes the most recent
// remaining content's, else the user's own. The record goes with its last content. A setting the user
// chose since stays; the wallpaper never names a file that is gone. Without a key for the content (an
// installation by an installer before the record) the uninstall entry's "Previous..." values are the
// user's own.
Released release(Platform& platform, const std::string& title, const std::string& contentFolder);

// "r g b" into its three numbers; false when the text is not three decimals.
bool parseColour(const std::string& text, int& red, int& green, int& blue);

}  // namespace mv::desktop_record
