#include "support/text_encoding.h"

#include <cwchar>

namespace mv {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// One sequence from text[i]: its code point and length. Lenient: surrogates are taken as code points
// (the form appendUtf8 gives them); anything ill-formed is one byte of U+FFFD.
char32_t nextCodePoint(const std::string& text, size_t i, size_t& length) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  length = 1;
  if (lead < 0x80) return lead;
  int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : 0;
  if (extra == 0 || i + size_t(extra) >= text.size()) return kReplacement;
  char32_t c = lead & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + size_t(k)]);
    if ((next & 0xC0) != 0x80) return kReplacement;
    c = c << 6 | (next & 0x3F);
  }
  static const char32_t minimum[4] = {0, 0x80, 0x800, 0x10000};
  if (c < minimum[extra] || c > 0x10FFFF) return kReplacement;
  length = size_t(extra) + 1;
  return c;
}

// Windows-1252 0x80..0x9F; the undefined bytes keep their own value, as Windows maps them.
const char16_t kHighHalf[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The Windows-1252 byte of a code point; -1 when it has none.
int windows1252Byte(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
  for (int i = 0; i < 32; ++i)
    if (kHighHalf[i] == c) return 0x80 + i;
  return -1;
}

}  // namespace

void appendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF) c = kReplacement;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | c >> 6);
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | c >> 12);
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | c >> 18);
    out += char(0x80 | (c >> 12 & 0x3F));
    out += char(0x80 | (c >> 6 & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

bool decodeUtf8(const std::string& text, std::u32string& out) {
  out.clear();
  for (size_t i = 0; i < text.size();) {
    size_t length = 0;
    char32_t c = nextCodePoint(text, i, length);
    // U+FFFD itself is fine when it was written as its three bytes.
    if ((c == kReplacement && length == 1) || isSurrogate(c)) return false;
    out.push_back(c);
    i += length;
  }
  return true;
}

bool isValidUtf8(const std::string& text) {
  std::u32string ignored;
  return decodeUtf8(text, ignored);
}

std::u16string utf8ToUtf16(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t length = 0;
    char32_t c = nextCodePoint(text, i, length);
    i += length;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(char16_t(0xD800 | c >> 10));
      out.push_back(char16_t(0xDC00 | (c & 0x3FF)));
    } else {
      out.push_back(char16_t(c));  // a surrogate written as a code point goes back as itself
    }
  }
  return out;
}

std::string utf16ToUtf8(const char16_t* text, size_t length) {
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
      ++i;
    }
    appendUtf8(out, c);
  }
  return out;
}

std::string utf16ToUtf8(const std::u16string& text) { return utf16ToUtf8(text.data(), text.size()); }

std::wstring utf8ToWide(const std::string& text) {
#if WCHAR_MAX <= 0xFFFF
  std::u16string u = utf8ToUtf16(text);
  return std::wstring(u.begin(), u.end());
#else
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t length = 0;
    out.push_back(wchar_t(nextCodePoint(text, i, length)));
    i += length;
  }
  return out;
#endif
}

std::string wideToUtf8(const wchar_t* text, size_t length) {
#if WCHAR_MAX <= 0xFFFF
  std::u16string u(text, text + length);
  return utf16ToUtf8(u);
#else
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) appendUtf8(out, char32_t(text[i]));
  return out;
#endif
}

std::string wideToUtf8(const wchar_t* zeroTerminated) {
  return zeroTerminated ? wideToUtf8(zeroTerminated, std::wcslen(zeroTerminated)) : std::string();
}

std::string wideToUtf8(const std::wstring& text) { return wideToUtf8(text.data(), text.size()); }

std::string windows1252ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char b : bytes) {
    const unsigned char c = static_cast<unsigned char>(b);
    appendUtf8(out, c >= 0x80 && c < 0xA0 ? char32_t(kHighHalf[c - 0x80]) : char32_t(c));
  }
  return out;
}

bool utf8ToWindows1252(const std::string& text, std::string& bytes) {
  bytes.clear();
  std::u32string codePoints;
  if (!decodeUtf8(text, codePoints)) return false;
  for (char32_t c : codePoints) {
    int b = windows1252Byte(c);
    if (b < 0) return false;
    bytes += char(b);
  }
  return true;
}

std::string toWindows1252(const std::string& text) {
  std::string bytes;
  for (size_t i = 0; i < text.size();) {
    size_t length = 0;
    int b = windows1252Byte(nextCodePoint(text, i, length));
    bytes += b < 0 ? '?' : char(b);
    i += length;
  }
  return bytes;
}

}  // namespace mv
