#include "platform/platform.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace mv {

namespace {
Platform* current = nullptr;
}

Platform& platform() {
  if (!current) throw std::logic_error("no platform installed");
  return *current;
}

void setPlatform(Platform* p) { current = p; }

std::wstring Platform::toUtf16(const std::string& text) {
  if (text.empty()) return std::wstring();
#ifdef _WIN32
  int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n > 0) {
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &out[0], n);
    return out;
  }
#endif
  // Windows-1252: bytes 0x80..0x9F carry typographic characters, the rest equal their code point.
  static const char16_t high[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::wstring out;
  out.reserve(text.size());
  for (unsigned char c : text) out.push_back(static_cast<wchar_t>(c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c));
  return out;
}

}  // namespace mv
