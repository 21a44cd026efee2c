// uninstall.exe: the sample uninstaller that Moviva packages carry in slot 9.
//
// The installer puts it into the content folder <Windows>\Web\Wallpaper\<title> dir\ and registers
// it under HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<title>. It learns the title from the
// folder it runs from, asks for confirmation, and removes
//   - the content folder with everything in it,
//   - the desktop page <Windows>\Web\Wallpaper\<title>.html (and, when the Active Desktop still shows
//     that page, the wallpaper setting that points at it),
//   - its part of the desktop: when the wallpaper is still its picture (or any file in its folder), the
//     picture of the most recent other content that is still installed, else the wallpaper the user had
//     before any content changed it, as the installer recorded it (HKCU\Software\Moviva\Desktop; an
//     installation by an earlier installer: its uninstall entry), is set again, and likewise the desktop's
//     colour when it is still this content's; the record goes with the last content; the picture itself
//     goes with the content folder,
//   - the uninstall entry,
// then reports what it removed. The content folder goes at once, uninstall.exe with it: the program moves
// its own running file out to TEMP first (moveOwnFileOut) and leaves only that moved copy to the restart,
// so nothing is pending on the content folder that a later installation may fill. Files that are busy
// (open in another program) are handed to MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT), and the folder after
// them, which removes them at the next restart (Windows 95/98/ME: the [rename] section of wininit.ini).
// When something can be neither removed nor scheduled, uninstall.exe and the uninstall entry stay, so that
// the user can run it again.
//
// Command line: none for a user. "/y" skips the confirmation and the final report (for scripts and
// tests); the exit code then says what happened: 0 everything removed (or scheduled), 1 the user said
// no, 2 not run from a content folder (nothing touched), 3 something could not be removed.
//
// Text is UTF-16 throughout and every call to the system is the wide one, so a title or a Windows folder
// in any script is removed the same on every system. The program uses no C++ library (it is shipped in
// every package, so its size counts).
#include <windows.h>

#include "desktop/desktop_record_names.h"

namespace {

// ---- a growable, zero-terminated UTF-16 string on the process heap. The program uses no C++ library,
// so that it stays a few kilobytes; running out of memory ends it with exit code 3.

class Text {
 public:
  Text() = default;
  Text(const wchar_t* s) { append(s, length(s)); }  // NOLINT: converts like std::wstring
  Text(const wchar_t* s, size_t n) { append(s, n); }
  Text(const Text& other) { append(other.data_, other.size_); }
  Text& operator=(const Text& other) {
    if (this != &other) {
      size_ = 0;
      append(other.data_, other.size_);
    }
    return *this;
  }
  ~Text() {
    if (data_) HeapFree(GetProcessHeap(), 0, data_);
  }

  const wchar_t* c_str() const { return data_ ? data_ : L""; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  wchar_t back() const { return data_[size_ - 1]; }
  void popBack() { data_[--size_] = 0; }
  wchar_t operator[](size_t i) const { return data_[i]; }

  Text& operator+=(const Text& s) { return append(s.data_, s.size_); }
  Text& operator+=(const wchar_t* s) { return append(s, length(s)); }
  Text& operator+=(wchar_t c) { return append(&c, 1); }

  // The part from `from` to the end (or `n` characters of it).
  Text sub(size_t from, size_t n = ~size_t{0}) const {
    if (from > size_) from = size_;
    if (n > size_ - from) n = size_ - from;
    return Text(c_str() + from, n);
  }
  // Position of the last `c`, or npos.
  size_t findLast(wchar_t c) const {
    for (size_t i = size_; i-- > 0;)
      if (data_[i] == c) return i;
    return npos;
  }
  bool contains(const wchar_t* s) const {
    const size_t n = length(s);
    for (size_t i = 0; i + n <= size_; ++i) {
      size_t k = 0;
      while (k < n && data_[i + k] == s[k]) ++k;
      if (k == n) return true;
    }
    return false;
  }
  bool operator==(const Text& other) const {
    if (size_ != other.size_) return false;
    for (size_t i = 0; i < size_; ++i)
      if (data_[i] != other.data_[i]) return false;
    return true;
  }

  static constexpr size_t npos = ~size_t{0};
  static size_t length(const wchar_t* s) {
    size_t n = 0;
    while (s && s[n]) ++n;
    return n;
  }

 private:
  Text& append(const wchar_t* s, size_t n) {
    if (n == 0 && data_) return *this;
    if (size_ + n + 1 > capacity_) {
      size_t wanted = (size_ + n + 1) * 2;
      HANDLE heap = GetProcessHeap();
      wchar_t* grown = static_cast<wchar_t*>(data_ ? HeapReAlloc(heap, 0, data_, wanted * sizeof(wchar_t))
                                                   : HeapAlloc(heap, 0, wanted * sizeof(wchar_t)));
      if (!grown) ExitProcess(3);
      data_ = grown;
      capacity_ = wanted;
    }
    for (size_t i = 0; i < n; ++i) data_[size_ + i] = s[i];
    size_ += n;
    data_[size_] = 0;
    return *this;
  }

  wchar_t* data_ = nullptr;
  size_t size_ = 0, capacity_ = 0;
};

Text operator+(Text a, const Text& b) { return a += b; }
Text operator+(Text a, const wchar_t* b) { return a += b; }
Text operator+(const wchar_t* a, const Text& b) { return Text(a) += b; }

Text number(unsigned long value) {
  wchar_t digits[16];
  int n = 0;
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + value % 10);
    value /= 10;
  } while (value);
  Text out;
  while (n > 0) out += digits[--n];
  return out;
}

// Lines of the final report ("  item\r\n" each) and how many there are.
struct Lines {
  Text text;
  size_t count = 0;
  void add(const Text& line) {
    text += L"  ";
    text += line;
    text += L"\r\n";
    ++count;
  }
};

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kDesktopGeneralKey[] = L"Software\\Microsoft\\Internet Explorer\\Desktop\\General";

Text asciiLower(const Text& s) {
  Text out;
  for (size_t i = 0; i < s.size(); ++i) {
    const wchar_t c = s[i];
    out += (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  }
  return out;
}

// Paths and names compared as Windows compares them, letter case ignored (its own upper-casing).
bool samePath(const Text& a, const Text& b) {
  if (a.size() != b.size()) return false;
  Text x = a, y = b;
  if (!x.empty()) CharUpperBuffW(const_cast<wchar_t*>(x.c_str()), static_cast<DWORD>(x.size()));
  if (!y.empty()) CharUpperBuffW(const_cast<wchar_t*>(y.c_str()), static_cast<DWORD>(y.size()));
  return x == y;
}

Text withSlash(Text s) {
  if (!s.empty() && s.back() != L'\\') s += L'\\';
  return s;
}

Text lastErrorText(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  Text s = text ? Text(text) : L"error " + number(code);
  if (text) LocalFree(text);
  // Trimmed as mv::trimSystemText (support/system_text_trim.h) trims, which needs the C++ library: trailing
  // blanks, control characters and periods go.
  while (!s.empty()) {
    const wchar_t c = s.back();
    if (c > L' ' && c != L'.' && c != 0x7F) break;
    s.popBack();
  }
  return s;
}

// The long form of a path (Windows 95/98/ME start the uninstaller by its 8.3 name). GetLongPathNameA is
// missing on Windows 95 and NT 4, so it is looked up at run time.
Text longPath(const Text& path) {
  typedef DWORD(WINAPI * LongPathFn)(LPCWSTR, LPWSTR, DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  LongPathFn fn = kernel ? reinterpret_cast<LongPathFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetLongPathNameW")))
                         : nullptr;
  if (!fn) return path;
  wchar_t buffer[MAX_PATH * 2];
  DWORD n = fn(path.c_str(), buffer, MAX_PATH * 2);
  return (n > 0 && n < MAX_PATH * 2) ? Text(buffer, n) : path;
}

Text windowsFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = GetEnvironmentVariableW(L"WINDIR", buffer, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  return withSlash(Text(buffer, n <= MAX_PATH ? n : 0));
}

bool containsWallpaperWord(const Text& title) { return asciiLower(title).contains(L"wallpaper"); }

// Deletion with a restart as the last resort; every outcome lands in one of the lists.
struct Outcome {
  Lines removed, atRestart, failed;
};

bool scheduleAtRestart(const Text& path) {
  if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
  // Windows 95/98/ME: NUL=<short path> in wininit.ini's [rename] section.
  wchar_t shortPath[MAX_PATH];
  DWORD n = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  return WritePrivateProfileStringW(L"rename", L"NUL", shortPath, L"wininit.ini") != 0;
}

// True when the file was deleted now; a file that was not there counts as neither. `listRemoved`: whether
// a deleted file gets a line of its own (the content folder's files are counted instead).
bool removeFile(const Text& path, Outcome& out, bool scheduleIfBusy, bool listRemoved) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(path.c_str())) {
    if (listRemoved) out.removed.add(path);
    return true;
  }
  DWORD error = GetLastError();
  if (scheduleIfBusy && scheduleAtRestart(path)) out.atRestart.add(path);
  else out.failed.add(path + L" (" + lastErrorText(error) + L")");
  return false;
}

// Removes a folder's contents, never following a junction or symbolic link (the link itself goes), and
// leaving `keep` (our own running file) to the caller; busy files are scheduled for the restart. True when
// nothing but `keep` is left. `files` counts the files deleted.
bool removeTree(const Text& folder, const Text& keep, Outcome& out, size_t& files) {
  bool empty = true;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((withSlash(folder) + L"*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      Text name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      Text path = withSlash(folder) + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
          if (!RemoveDirectoryW(path.c_str())) {
            out.failed.add(path + L" (" + lastErrorText(GetLastError()) + L")");
            empty = false;
          }
          continue;
        }
        if (removeTree(path, keep, out, files) && RemoveDirectoryW(path.c_str())) continue;
        // Scheduled after the busy files in it, which the restart removes first.
        if (scheduleAtRestart(path)) out.atRestart.add(path + L"\\");
        else out.failed.add(path + L"\\ (cannot schedule its removal)");
        empty = false;
      } else if (samePath(path, keep)) {
        continue;  // our own running file: the caller moves it out
      } else if (removeFile(path, out, true, false)) {
        ++files;
      } else {
        empty = false;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return empty;
}

// Deletes a registry key with everything below it (RegDeleteKey on NT only deletes keys without subkeys).
LONG deleteKeyTree(HKEY root, const wchar_t* path) {
  HKEY key;
  LONG r = RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key);
  if (r != ERROR_SUCCESS) return r;
  wchar_t name[256];
  for (;;) {
    DWORD size = 256;
    if (RegEnumKeyExW(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (deleteKeyTree(key, name) != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyW(root, path);
}

struct Setting {
  bool present = false;
  Text text;
};

Setting readSetting(HKEY key, const wchar_t* name) {
  wchar_t data[1024];
  DWORD size = sizeof data - sizeof data[0], type = 0;
  Setting out;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    data[size / sizeof data[0]] = 0;
    out.present = true;
    out.text = data;
  }
  return out;
}

Text readStringValue(HKEY root, const wchar_t* path, const wchar_t* value) {
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"";
  const Setting setting = readSetting(key, value);
  RegCloseKey(key);
  return setting.text;
}

// ---- the desktop: the installer keeps one record of what the user had before any content changed the
// wallpaper or the desktop's colour, and of what each content set (src/desktop/desktop_record_names.h;
// the installer's side of the same rules is src/desktop/desktop_record.cpp).

const wchar_t kRecordKey[] = L"" MV_RECORD_KEY;
const wchar_t kContentsKey[] = L"" MV_RECORD_KEY "\\" MV_RECORD_CONTENTS "\\";
const wchar_t kDesktopKey[] = L"" MV_DESKTOP_KEY;
const wchar_t kColorsKey[] = L"" MV_COLORS_KEY;

DWORD readOrder(HKEY key) {
  DWORD order = 0, size = sizeof order, type = 0;
  if (RegQueryValueExW(key, L"" MV_CONTENT_ORDER, nullptr, &type, reinterpret_cast<BYTE*>(&order), &size) !=
          ERROR_SUCCESS || type != REG_DWORD || size != sizeof order)
    return 0;
  return order;
}

struct WallpaperSetting {
  Setting path, style, tile;
};

WallpaperSetting readWallpaper(HKEY key) {
  WallpaperSetting w;
  w.path = readSetting(key, L"" MV_WALLPAPER);
  w.style = readSetting(key, L"" MV_WALLPAPER_STYLE);
  w.tile = readSetting(key, L"" MV_TILE_WALLPAPER);
  return w;
}

// What the record, this content's key in it and its uninstall entry say.
struct DesktopRecord {
  bool exists = false;
  WallpaperSetting own;
  Setting ownColour;
  bool recorded = false;       // this content has its key
  Setting colour, picture;     // what it set
  Setting entryPicture;        // an installer before the record: the entry's picture ...
  WallpaperSetting entryOwn;   // ... and the user's wallpaper before it
};

DesktopRecord readRecord(const Text& title, const Text& entry) {
  DesktopRecord r;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kRecordKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    r.exists = true;
    r.own = readWallpaper(key);
    r.ownColour = readSetting(key, L"" MV_BACKGROUND);
    RegCloseKey(key);
  }
  if (RegOpenKeyExW(HKEY_CURRENT_USER, (kContentsKey + title).c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    r.recorded = true;
    r.colour = readSetting(key, L"" MV_CONTENT_COLOUR);
    r.picture = readSetting(key, L"" MV_CONTENT_PICTURE);
    RegCloseKey(key);
  }
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, entry.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
    r.entryPicture = readSetting(key, L"" MV_ENTRY_PICTURE);
    r.entryOwn.path = readSetting(key, L"" MV_ENTRY_PREVIOUS_PATH);
    r.entryOwn.style = readSetting(key, L"" MV_ENTRY_PREVIOUS_STYLE);
    r.entryOwn.tile = readSetting(key, L"" MV_ENTRY_PREVIOUS_TILE);
    RegCloseKey(key);
  }
  return r;
}

bool isInside(const Text& path, const Text& folder) {
  return path.size() > folder.size() && samePath(path.sub(0, folder.size()), folder);
}

bool fileExists(const Text& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The other contents still installed: how many, the most recent one's colour and the most recent
// picture that still exists (outside the folder that goes).
struct Others {
  size_t count = 0;
  bool hasPicture = false, hasColour = false;
  DWORD pictureOrder = 0, colourOrder = 0;
  Text picture, pictureFrom, colour, colourFrom;
};

Others otherContents(const Text& title, const Text& folder) {
  Others others;
  HKEY contents;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kContentsKey, 0, KEY_READ, &contents) != ERROR_SUCCESS) return others;
  wchar_t name[256];
  for (DWORD index = 0;; ++index) {
    DWORD size = 256;
    if (RegEnumKeyExW(contents, index, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY key;
    if (samePath(name, title) || RegOpenKeyExW(contents, name, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    ++others.count;
    const DWORD order = readOrder(key);
    const Setting picture = readSetting(key, L"" MV_CONTENT_PICTURE), colour = readSetting(key, L"" MV_CONTENT_COLOUR);
    RegCloseKey(key);
    if (picture.present && (!others.hasPicture || order > others.pictureOrder) && !isInside(picture.text, folder) &&
        fileExists(picture.text)) {
      others.hasPicture = true;
      others.pictureOrder = order;
      others.picture = picture.text;
      others.pictureFrom = name;
    }
    if (colour.present && (!others.hasColour || order > others.colourOrder)) {
      others.hasColour = true;
      others.colourOrder = order;
      others.colour = colour.text;
      others.colourFrom = name;
    }
  }
  RegCloseKey(contents);
  return others;
}

// Writes a REG_SZ value, or deletes it when the setting was not there.
void putSetting(HKEY key, const wchar_t* name, const Setting& setting) {
  if (setting.present)
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(setting.text.c_str()),
                   static_cast<DWORD>((setting.text.size() + 1) * sizeof(wchar_t)));
  else
    RegDeleteValueW(key, name);
}

// Style and tiling first, so that the change shows the picture as it was meant. A path that is not
// there (the user had no wallpaper value) leaves none.
bool applyWallpaper(const WallpaperSetting& w, bool clear) {
  HKEY key;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  putSetting(key, L"" MV_WALLPAPER_STYLE, w.style);
  putSetting(key, L"" MV_TILE_WALLPAPER, w.tile);
  const Text path = clear ? Text() : w.path.text;
  const bool set = SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path.c_str()),
                                         SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) != 0;
  if (set && !w.path.present) RegDeleteValueW(key, L"" MV_WALLPAPER);
  RegCloseKey(key);
  return set;
}

// A wallpaper that is this content's picture (or any file in its folder) gives way to the most recent
// other content's picture that exists, else to the user's own: from the record, unless it lies in this
// folder; else from the entry of an installer before the record. The wallpaper never names a file that is
// gone. A wallpaper the user has chosen since is left alone.
void restoreWallpaper(const DesktopRecord& r, const Others& others, const Text& folder, Outcome& out) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  const WallpaperSetting current = readWallpaper(key);
  RegCloseKey(key);
  const Text& shown = current.path.text;
  if (shown.empty() || !((r.picture.present && samePath(shown, r.picture.text)) ||
                         (r.entryPicture.present && samePath(shown, r.entryPicture.text)) || isInside(shown, folder)))
    return;
  WallpaperSetting next = current;
  Text line = L"the still wallpaper (the earlier wallpaper is back)";
  bool known = true;
  if (others.hasPicture) {
    next.path.present = next.style.present = next.tile.present = true;
    next.path.text = others.picture;
    next.style.text = next.tile.text = L"0";
    line = L"the still wallpaper (the wallpaper of " + others.pictureFrom + L" is back)";
  } else if (r.exists && !(r.own.path.present && isInside(r.own.path.text, folder))) {
    next = r.own;
  } else if (r.entryPicture.present) {
    next = r.entryOwn;
  } else {
    known = false;
  }
  const bool gone = !known || (next.path.present && !next.path.text.empty() &&
                               (isInside(next.path.text, folder) || !fileExists(next.path.text)));
  if (gone) line = L"the still wallpaper (the earlier wallpaper is gone: no wallpaper now)";
  if (applyWallpaper(next, gone)) out.removed.add(line);
  else out.failed.add(L"the still wallpaper setting (" + lastErrorText(GetLastError()) + L")");
}

// A desktop colour that is still this content's gives way to the most recent other content's, else to
// the user's own; the session shows it at once (SetSysColors), the saved value from the next logon on.
void restoreColour(const DesktopRecord& r, const Others& others, Outcome& out) {
  if (!r.exists || !r.colour.present) return;
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kColorsKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  const Setting current = readSetting(key, L"" MV_BACKGROUND);
  if (current.present && current.text == r.colour.text) {
    Setting next = r.ownColour;
    Text line = L"the desktop colour (the earlier colour is back)";
    if (others.hasColour) {
      next.present = true;
      next.text = others.colour;
      line = L"the desktop colour (the colour of " + others.colourFrom + L" is back)";
    }
    putSetting(key, L"" MV_BACKGROUND, next);
    int red = 0, green = 0, blue = 0;
    if (next.present && mv::parseColourText(next.text.c_str(), red, green, blue)) {
      const INT element = COLOR_DESKTOP;
      const COLORREF colour = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
      SetSysColors(1, &element, &colour);
    }
    out.removed.add(line);
  }
  RegCloseKey(key);
}

// Releases this content's part of the desktop: its key in the record goes, its picture and colour give
// way, and the record goes with the last content.
void releaseDesktop(const Text& title, const Text& folder, const Text& entry, Outcome& out) {
  const DesktopRecord record = readRecord(title, entry);
  const Others others = otherContents(title, withSlash(folder));
  restoreWallpaper(record, others, withSlash(folder), out);
  restoreColour(record, others, out);
  const bool keyGone = !record.recorded || deleteKeyTree(HKEY_CURRENT_USER, (kContentsKey + title).c_str()) == ERROR_SUCCESS;
  if (record.exists && others.count == 0 && keyGone) deleteKeyTree(HKEY_CURRENT_USER, kRecordKey);
}

Text fileCount(size_t files) { return number(files) + (files == 1 ? L" file" : L" files"); }

// A running program's file cannot be deleted on Windows (its image is mapped; Wine may allow it, Windows
// does not), but it can be renamed within its volume, and the process runs on from the new name. So the
// uninstaller moves itself to a fresh name in TEMP - or, when TEMP is on another volume, beside the
// content folder - and the folder is free to go at once. Returns the new path, or an empty text when
// neither move worked (Windows 95/98/ME keep a running file where it is).
Text moveOwnFileOut(const Text& exe, const Text& wallpaperFolder) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  const Text places[2] = {Text(temp, n <= MAX_PATH ? n : 0), wallpaperFolder};
  for (const Text& place : places) {
    wchar_t target[MAX_PATH + 1];
    if (place.empty() || !GetTempFileNameW(place.c_str(), L"uni", 0, target)) continue;
    if (MoveFileExW(exe.c_str(), target, MOVEFILE_REPLACE_EXISTING)) return longPath(target);
    DeleteFileW(target);  // the empty placeholder that GetTempFileName made
  }
  return Text();
}

// Removes the content folder with everything in it, uninstall.exe included. Busy files, and the folder
// after them, are left to the restart; the only other thing scheduled is our moved running file, never a
// name inside the folder, which a later installation may fill again. True when nothing is left that is
// neither removed nor scheduled; otherwise uninstall.exe stays in the folder for another try.
bool removeContentFolder(const Text& folder, const Text& exe, const Text& wallpaperFolder, Outcome& out) {
  const size_t failedBefore = out.failed.count;
  size_t files = 0;  // one line for the folder's files, not one each
  removeTree(folder, exe, out, files);
  if (out.failed.count != failedBefore) {
    if (files) out.removed.add(folder + L"\\: " + fileCount(files));
    out.failed.add(folder + L"\\ (still holds files; uninstall.exe and the entry in the list of installed "
                             L"programs stay, to try again)");
    return false;
  }
  const Text moved = moveOwnFileOut(exe, wallpaperFolder);
  if (moved.empty()) {
    // The last resort where a running file cannot be moved: it and the folder go at the restart, in that order.
    if (files) out.removed.add(folder + L"\\: " + fileCount(files));
    if (scheduleAtRestart(exe) && scheduleAtRestart(folder)) {
      out.atRestart.add(folder + L"\\ (with uninstall.exe)");
      return true;
    }
    out.failed.add(folder + L"\\ (cannot schedule its removal)");
    return false;
  }
  ++files;  // uninstall.exe has left the folder
  if (RemoveDirectoryW(folder.c_str())) {
    out.removed.add(folder + L"\\ and its " + fileCount(files));
  } else {
    const DWORD error = GetLastError();
    out.removed.add(folder + L"\\: " + fileCount(files));
    if (scheduleAtRestart(folder)) out.atRestart.add(folder + L"\\ (after the files in it)");
    else out.failed.add(folder + L"\\ (" + lastErrorText(error) + L")");
  }
  if (scheduleAtRestart(moved)) out.atRestart.add(moved + L" (uninstall.exe, still running)");
  else out.failed.add(moved + L" (uninstall.exe, still running; cannot schedule its removal)");
  return true;
}

void removeEntry(const Text& entry, Outcome& out) {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, entry.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, L"DisplayName");
  RegDeleteValueW(key, L"UninstallString");
  RegCloseKey(key);
  LONG r = deleteKeyTree(HKEY_LOCAL_MACHINE, entry.c_str());
  if (r == ERROR_SUCCESS) out.removed.add(L"HKEY_LOCAL_MACHINE\\" + entry);
  else out.failed.add(L"HKEY_LOCAL_MACHINE\\" + entry + L" (" + lastErrorText(static_cast<DWORD>(r)) + L")");
}

int report(bool quiet, const Text& caption, const Text& text, UINT icon, int code) {
  if (!quiet) MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | icon);
  return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
  const Text args = asciiLower(commandLine ? commandLine : L"");
  const bool quiet = args.contains(L"/y");

  wchar_t exeBuffer[MAX_PATH * 2];
  DWORD n = GetModuleFileNameW(nullptr, exeBuffer, MAX_PATH * 2);
  const Text exe = longPath(Text(exeBuffer, n < MAX_PATH * 2 ? n : 0));
  const size_t slash = exe.findLast(L'\\');
  const Text folder = slash == Text::npos ? Text() : exe.sub(0, slash);  // no trailing backslash
  const size_t folderSlash = folder.findLast(L'\\');
  const Text folderName = folder.sub(folderSlash == Text::npos ? 0 : folderSlash + 1);
  // The installed names are defined in src/support/install_layout.h; this program is built without
  // that library and spells the wallpaper folder, the page and the content folder's " dir" itself.
  const Text wallpaperFolder = windowsFolder() + L"Web\\Wallpaper\\";
  const Text caption = L"Uninstall";

  // Only a content folder directly in Web\Wallpaper is ours to remove.
  const bool named = folderName.size() > 4 && asciiLower(folderName.sub(folderName.size() - 4)) == L" dir";
  const bool placed =
      samePath(longPath(withSlash(folder.sub(0, folder.size() - folderName.size()))), longPath(wallpaperFolder));
  if (!named || !placed)
    return report(quiet, caption,
                  L"This uninstaller removes the wallpaper content folder it was installed into (" + wallpaperFolder +
                      L"<title> dir), but it runs from\r\n\r\n" + folder + L"\r\n\r\nNothing was removed.",
                  MB_ICONERROR, 2);

  const Text title = folderName.sub(0, folderName.size() - 4);
  const Text displayName = containsWallpaperWord(title) ? title : title + L" Wallpaper";
  const Text page = wallpaperFolder + title + L".html";
  const Text entry = kUninstallKey + title;

  if (!quiet) {
    Text question = L"Remove " + displayName + L" from this computer?\r\n\r\nThis deletes:\r\n  " + folder +
                    L"\\ and all files in it\r\n  " + page + L"\r\n  its entry in the list of installed programs";
    if (MessageBoxW(nullptr, question.c_str(), (caption + L" " + displayName).c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
      return 1;
  }

  SetCurrentDirectoryW(windowsFolder().c_str());  // never hold the folder we remove
  Outcome out;

  // The desktop: when it still shows our page, stop pointing at a file that is about to go.
  if (samePath(readStringValue(HKEY_CURRENT_USER, kDesktopGeneralKey, L"Wallpaper"), page)) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopGeneralKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegSetValueExW(key, L"Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
      RegCloseKey(key);
      SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(L""), SPIF_SENDWININICHANGE);
      out.removed.add(L"the desktop wallpaper setting that showed " + title + L".html");
    }
  }

  releaseDesktop(title, folder, entry, out);
  removeFile(page, out, true, true);
  // The entry goes only with the content: while anything is left unscheduled, uninstall.exe stays and the
  // entry still starts it.
  if (removeContentFolder(folder, exe, wallpaperFolder, out)) removeEntry(entry, out);

  Text text;
  if (out.removed.count) {
    text += L"Removed:\r\n";
    text += out.removed.text;
  }
  if (out.atRestart.count) {
    if (!text.empty()) text += L"\r\n";
    text += L"Removed when Windows restarts:\r\n";
    text += out.atRestart.text;
  }
  if (out.failed.count) {
    if (!text.empty()) text += L"\r\n";
    text += L"Could not be removed:\r\n";
    text += out.failed.text;
  }
  if (text.empty()) text = L"Nothing of " + displayName + L" was found.";
  return report(quiet, caption + L" " + displayName, text, out.failed.count ? MB_ICONWARNING : MB_ICONINFORMATION,
                out.failed.count ? 3 : 0);
}
