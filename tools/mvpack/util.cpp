#include "util.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mvpack {

std::string errnoText(int err) { return std::strerror(err); }

std::vector<uint8_t> readWholeFile(const std::string& path, const std::string& what) {
  const std::string who = what.empty() ? path : what + " " + path;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw ToolError(who + ": cannot open: " + errnoText(errno));
  std::vector<uint8_t> data;
  uint8_t buffer[1 << 16];
  for (;;) {
    size_t n = std::fread(buffer, 1, sizeof buffer, f);
    data.insert(data.end(), buffer, buffer + n);
    if (n < sizeof buffer) break;
    if (data.size() > (size_t(1) << 31)) {
      std::fclose(f);
      throw ToolError(who + ": larger than 2 GiB, which the package format cannot address");
    }
  }
  bool bad = std::ferror(f) != 0;
  int err = errno;
  std::fclose(f);
  if (bad) throw ToolError(who + ": read error: " + errnoText(err));
  return data;
}

void writeWholeFile(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw ToolError(path + ": cannot create: " + errnoText(errno));
  size_t n = data.empty() ? 0 : std::fwrite(data.data(), 1, data.size(), f);
  int err = errno;
  bool closed = std::fclose(f) == 0;
  if (n != data.size() || !closed) {
    std::remove(path.c_str());
    throw ToolError(path + ": write error: " + errnoText(closed ? err : errno));
  }
}

std::string withCommas(int64_t value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string out;
  int count = 0;
  for (size_t i = digits.size(); i-- > 0;) {
    out.insert(out.begin(), digits[i]);
    if (++count % 3 == 0 && i > 0) out.insert(out.begin(), ',');
  }
  return value < 0 ? "-" + out : out;
}

std::string humanSize(int64_t bytes) {
  char text[32];
  if (bytes < 10 * 1024) std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
  else if (bytes < 10 * 1024 * 1024) std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
  else std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
  return text;
}

std::string inQuotes(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F || c == '"') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string nativeRelative(const std::string& windowsName) {
#ifdef _WIN32
  return windowsName;
#else
  std::string out = fromWindowsText(windowsName);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
#endif
}

namespace {

// Windows-1252 0x80..0x9F (0 where the code page has no character).
const uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Decodes UTF-8; false when the text is not well-formed UTF-8.
bool decodeUtf8(const std::string& s, std::vector<uint32_t>& out) {
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + size_t(extra) >= s.size() + (extra == 0 ? 1 : 0)) return false;
    uint32_t cp = extra == 0 ? c : c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const unsigned char cc = static_cast<unsigned char>(s[i + size_t(k)]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = cp << 6 | (cc & 0x3F);
    }
    static const uint32_t minimum[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    out.push_back(cp);
    i += size_t(extra) + 1;
  }
  return true;
}

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | cp >> 6);
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | cp >> 12);
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

}  // namespace

bool toWindowsText(const std::string& text, std::string& ansi) {
  std::vector<uint32_t> cps;
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii || !decodeUtf8(text, cps)) {
    ansi = text;
    return true;
  }
  ansi.clear();
  for (uint32_t cp : cps) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      ansi += char(cp);
      continue;
    }
    int found = -1;
    for (int i = 0; i < 32; ++i)
      if (kCp1252High[i] && kCp1252High[i] == cp) found = i;
    if (found < 0) return false;
    ansi += char(0x80 + found);
  }
  return true;
}

std::string fromWindowsText(const std::string& ansi) {
  std::string out;
  for (char ch : ansi) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) out += ch;
    else if (c < 0xA0) appendUtf8(out, kCp1252High[c - 0x80] ? kCp1252High[c - 0x80] : 0xFFFD);
    else appendUtf8(out, c);
  }
  return out;
}

std::string shown(const std::string& ansi) {
#ifdef _WIN32
  return ansi;
#else
  return fromWindowsText(ansi);
#endif
}

bool hasReservedComponent(const std::string& path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    if (!part.empty() && (part.back() == '.' || part.back() == ' ') && part != "." && part != "..") return true;
    std::string base = part.substr(0, part.find('.'));
    for (char& c : base)
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
        base[3] <= '9')
      return true;
    start = end + 1;
  }
  return false;
}

}  // namespace mvpack
