#pragma once
// The names of the desktop record, for the installer (src/desktop/desktop_record.*) and the sample
// uninstaller (tools/uninstall), which is built without the C++ library: string literals, so that
// L"" MV_RECORD_KEY is the wide form of the same name; and the one reading of a colour's text, for
// narrow and wide text alike.
//
// HKCU\Software\Moviva\Desktop holds what the user had before any content of ours changed the desktop,
// each value absent when the user had none:
//   "Wallpaper", "WallpaperStyle", "TileWallpaper"   from HKCU\Control Panel\Desktop
//   "Background"                                      from HKCU\Control Panel\Colors
// and below it, one key per installed content that changed the desktop, Contents\<title>:
//   "Background"  the colour it set ("r g b")
//   "Picture"     the still wallpaper it set, when it set one
//   "Page"        its desktop page
//   "Order"       REG_DWORD: the installation's number; the highest is the most recent
// The record is written once, before the first content changes the desktop, and deleted with the last
// content's key.

// The user's desktop settings.
#define MV_DESKTOP_KEY "Control Panel\\Desktop"
#define MV_COLORS_KEY "Control Panel\\Colors"
#define MV_WALLPAPER "Wallpaper"
#define MV_WALLPAPER_STYLE "WallpaperStyle"
#define MV_TILE_WALLPAPER "TileWallpaper"
#define MV_BACKGROUND "Background"

// The record.
#define MV_RECORD_KEY "Software\\Moviva\\Desktop"
#define MV_RECORD_CONTENTS "Contents"  // MV_RECORD_KEY "\\" MV_RECORD_CONTENTS "\\" <title>
#define MV_CONTENT_COLOUR "Background"
#define MV_CONTENT_PICTURE "Picture"
#define MV_CONTENT_PAGE "Page"
#define MV_CONTENT_ORDER "Order"

// Values of the content's uninstall entry (HKLM). "StillWallpaper" is the picture the still step set;
// installers before the record kept the user's wallpaper in the "Previous..." values, which an
// uninstaller still reads for such an installation.
#define MV_ENTRY_PICTURE "StillWallpaper"
#define MV_ENTRY_PREVIOUS_PATH "PreviousWallpaper"
#define MV_ENTRY_PREVIOUS_STYLE "PreviousWallpaperStyle"
#define MV_ENTRY_PREVIOUS_TILE "PreviousTileWallpaper"

namespace mv {

// A colour as HKCU\Control Panel\Colors writes it, "r g b": three decimals (a '-' allowed before each,
// at most nine digits) joined by single blanks, red first. False for anything else.
template <typename Char>
bool parseColourText(const Char* text, int& red, int& green, int& blue) {
  int parts[3] = {0, 0, 0};
  const Char* at = text;
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && *at++ != Char(' ')) return false;
    const bool negative = *at == Char('-');
    if (negative) ++at;
    int value = 0, digits = 0;
    for (; *at >= Char('0') && *at <= Char('9'); ++at, ++digits) {
      if (digits == 9) return false;
      value = value * 10 + int(*at - Char('0'));
    }
    if (digits == 0) return false;
    parts[i] = negative ? -value : value;
  }
  if (*at != Char(0)) return false;
  red = parts[0];
  green = parts[1];
  blue = parts[2];
  return true;
}

}  // namespace mv
