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
  std::string out = windowsName;
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
#endif
}

}  // namespace mvpack
