#include "support/paths.h"

#include <cstring>

#include "support/text_encoding.h"

namespace mv {

std::string withTrailingBackslash(const std::string& folder) {
  if (folder.empty() || folder.back() == '\\') return folder;
  return folder + "\\";
}

std::string withoutTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '\\') return path.substr(0, path.size() - 1);
  return path;
}

std::string parentOf(const std::string& path) {
  size_t pos = path.find_last_of("\\:");
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

std::string fileNameOf(const std::string& path) {
  size_t pos = path.find_last_of("\\:");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string extensionOf(const std::string& path) {
  std::string name = fileNameOf(path);
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string replaceExtension(const std::string& name, const std::string& ext) {
  size_t dot = name.rfind('.');
  size_t sep = name.find_last_of("\\:");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return name + ext;
  return name.substr(0, dot) + ext;
}

std::string asciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::string asciiUpper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

bool equalsIgnoreAsciiCase(const std::string& a, const std::string& b) { return asciiLower(a) == asciiLower(b); }

namespace {

// The upper-case form of one UTF-16 unit (simple one-to-one mappings; the system's own table has more).
char16_t upperUnit(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 0x20);
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) || (c >= 0x430 && c <= 0x44F))
    return char16_t(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return char16_t(c - 0x25);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return char16_t(c - 0x3F);
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 0x50);
  // Latin Extended-A: upper and lower case alternate, with the lower one at odd or even code points.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return (c & 1) ? char16_t(c - 1) : c;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : char16_t(c - 1);
  return c;
}

}  // namespace

std::string foldCase(const std::string& s) {
  bool ascii = true;
  for (unsigned char c : s) ascii = ascii && c < 0x80;
  if (ascii || !isValidUtf8(s)) return asciiUpper(s);
  std::u16string units = utf8ToUtf16(s);
  for (char16_t& c : units) c = upperUnit(c);
  return utf16ToUtf8(units);
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) { return foldCase(a) == foldCase(b); }

static bool hasControl(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

size_t findCharacterWindowsRefuses(const std::string& name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x20 || std::strchr("\"*:<>?|", c)) return i;
  }
  return std::string::npos;
}

bool isDeviceName(const std::string& name) {
  // Windows looks at the text before the first dot, without the blanks that end it.
  std::string base = asciiUpper(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
  if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)) return false;
  const std::string digit = base.substr(3);
  return (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '9') || digit == "\xC2\xB9" || digit == "\xC2\xB2" ||
         digit == "\xC2\xB3";
}

bool isPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (hasControl(name) || findCharacterWindowsRefuses(name) != std::string::npos) return false;
  return name.find_first_of("\\/") == std::string::npos && !isDeviceName(name);
}

bool isContainedRelativePath(const std::string& path) {
  if (path.empty() || hasControl(path) || path.find(':') != std::string::npos) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (part.empty() || part == "." || part == "..") return false;
    start = end + 1;
  }
  return true;
}

bool isPlainFolderName(const std::string& title) {
  if (title.empty() || title == "." || title == "..") return false;
  if (hasControl(title) || findCharacterWindowsRefuses(title) != std::string::npos) return false;
  // The page (title + ".html") and the data file (title + ".mvd") would be devices.
  return title.find_first_of("\\/") == std::string::npos && !isDeviceName(title);
}

}  // namespace mv
