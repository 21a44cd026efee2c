#pragma once
// Windows path text helpers. Paths are UTF-8 text; a folder path ends with a backslash and file paths
// are folder + name.
#include <string>

namespace mv {

// Appends "\" unless the text already ends with "\" (an empty text stays empty).
std::string withTrailingBackslash(const std::string& folder);
// Drops one trailing backslash, if any.
std::string withoutTrailingBackslash(const std::string& path);
// The folder part of a path, up to and including the last "\" or ":" ("" when there is none).
std::string parentOf(const std::string& path);
// The name after the last "\" or ":".
std::string fileNameOf(const std::string& path);
// Replaces the text after the last "." by ext (ext includes the dot); a name without "." gets ext appended.
std::string replaceExtension(const std::string& name, const std::string& ext);
// The extension including its dot ("" when none): the text from the last "." of the name part.
std::string extensionOf(const std::string& path);
// ASCII-only case folding, other bytes unchanged.
std::string asciiLower(std::string s);
std::string asciiUpper(std::string s);
bool equalsIgnoreAsciiCase(const std::string& a, const std::string& b);
// Letter case as Windows ignores it in file, environment and registry names: the upper-case form of
// ASCII and of the letters of Latin-1, Latin Extended-A, Greek and Cyrillic; other text unchanged (text
// that is not UTF-8 is folded in its ASCII letters only).
std::string foldCase(const std::string& text);
bool equalsIgnoreCase(const std::string& a, const std::string& b);

// Where a name (one component, no folder) holds a character that Windows does not allow in file and
// folder names: a control character (0x00-0x1F) or one of " * : < > ? | ; std::string::npos when none.
// The separators "\\" and "/" are the callers' business.
size_t findCharacterWindowsRefuses(const std::string& name);
// A name that Windows takes for a device whatever folder it is in: CON, PRN, AUX, NUL, COM1-COM9 and
// LPT1-LPT9 (also with the superscript digits 1-3), in any letter case, with any extension and with
// trailing blanks before it ("aux .txt", "Nul.tar.gz", "com1."). Writing to such a name opens the device.
bool isDeviceName(const std::string& name);

// A plain file name without any folder that Windows can create: not empty, not "." or "..", no "\",
// "/" or control characters, no character of findCharacterWindowsRefuses, not a device name.
bool isPlainFileName(const std::string& name);
// A relative path that stays inside its base folder: no drive, no leading separator, no "." or ".."
// component, no empty component, no control characters.
bool isContainedRelativePath(const std::string& path);
// A content title usable as one folder name, and for the page and data file named after it: not empty,
// no "\" "/" ":" "*" "?" '"' "<" ">" "|", no control characters, not "." or "..", not a device name.
bool isPlainFolderName(const std::string& title);

}  // namespace mv
