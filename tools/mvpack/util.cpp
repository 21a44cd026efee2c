#include "util.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/paths.h"
#include "support/text_encoding.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace mvpack {

std::string errnoText(int err) { return std::strerror(err); }

std::string errorText(const std::error_code& ec) {
#ifdef _WIN32
  // The runtime's own message for a system error is in the ANSI code page.
  if (ec.category() == std::system_category()) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, DWORD(ec.value()), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string s = n && text ? mv::wideToUtf8(text, n) : std::string();
    if (text) LocalFree(text);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '.')) s.pop_back();
    if (!s.empty()) return s;
  }
#endif
  return ec.message();
}

std::filesystem::path toPath(const std::string& text) {
#ifdef _WIN32
  return std::filesystem::path(mv::utf8ToWide(text));
#else
  return std::filesystem::path(text);
#endif
}

std::string fromPath(const std::filesystem::path& path) {
#ifdef _WIN32
  return mv::wideToUtf8(path.native());
#else
  return path.native();
#endif
}

std::FILE* openFile(const std::string& path, const char* mode) {
#ifdef _WIN32
  return _wfopen(mv::utf8ToWide(path).c_str(), mv::utf8ToWide(mode).c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

std::vector<uint8_t> readWholeFile(const std::string& path, const std::string& what) {
  const std::string who = what.empty() ? path : what + " " + path;
  // Opening a folder fails differently on each system ("Permission denied" on Windows, a read error
  // here), neither of which says what to change.
  std::error_code ec;
  if (std::filesystem::is_directory(toPath(path), ec))
    throw ToolError(who + ": is a folder, not a file; name the file itself");
  FILE* f = openFile(path, "rb");
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
  std::error_code ec;
  if (std::filesystem::is_directory(toPath(path), ec))
    throw ToolError(path + ": is a folder, so no file can be written there; name a file instead");
  FILE* f = openFile(path, "wb");
  if (!f) throw ToolError(path + ": cannot create: " + errnoText(errno));
  size_t n = data.empty() ? 0 : std::fwrite(data.data(), 1, data.size(), f);
  int err = errno;
  bool closed = std::fclose(f) == 0;
  if (n != data.size() || !closed) {
    std::error_code ignored;
    std::filesystem::remove(toPath(path), ignored);
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

std::filesystem::path relativePath(const std::string& windowsName) {
  std::filesystem::path out;
  size_t start = 0;
  for (;;) {
    size_t end = windowsName.find('\\', start);
    out /= toPath(windowsName.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

std::string withSlashes(const std::string& windowsName) {
  std::string out = windowsName;
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::string nameText(const std::string& bytes) {
  return mv::isValidUtf8(bytes) ? bytes : mv::windows1252ToUtf8(bytes);
}

std::string storedName(const std::string& text, const std::string& what) {
  std::string bytes;
  if (!mv::utf8ToWindows1252(text, bytes))
    throw ToolError(what + ": " + inQuotes(text) +
                    " has characters that Windows-1252 cannot hold (packages store names in Windows-1252, "
                    "which every installer reads the same)");
  return bytes;
}

namespace {

// Calls `visit` with each component of a "\"- or "/"-separated path until it returns true.
template <class Visit>
bool anyComponent(const std::string& path, Visit visit) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    if (visit(path.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

std::string characterText(unsigned char c) {
  char text[40];
  if (c < 0x20) std::snprintf(text, sizeof text, "the control character 0x%02X", c);
  else if (c == '"') std::snprintf(text, sizeof text, "the character '\"'");
  else std::snprintf(text, sizeof text, "the character \"%c\"", c);
  return text;
}

}  // namespace

bool hasReservedComponent(const std::string& path) {
  return anyComponent(path, [](const std::string& part) {
    if (!part.empty() && (part.back() == '.' || part.back() == ' ') && part != "." && part != "..") return true;
    return mv::isDeviceName(part);
  });
}

std::string windowsNameFault(const std::string& path) {
  std::string fault;
  anyComponent(path, [&](const std::string& part) {
    const size_t at = mv::findCharacterWindowsRefuses(part);
    if (at != std::string::npos)
      fault = inQuotes(part) + " holds " + characterText(static_cast<unsigned char>(part[at])) +
              ", which Windows does not allow in names (no \\ / : * ? \" < > | or control characters)";
    else if (mv::isDeviceName(part))
      fault = inQuotes(part) + " is a name Windows reserves for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9, "
              "with any extension)";
    return !fault.empty();
  });
  return fault;
}

}  // namespace mvpack
