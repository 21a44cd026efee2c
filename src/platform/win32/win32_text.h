#pragma once
// What the Win32 platform's topics share: the program's text (UTF-8) as the system's (UTF-16) and back.
#include <string>

#include "support/text_encoding.h"

namespace mv::win32_text {

inline std::wstring wide(const std::string& s) { return utf8ToWide(s); }
inline std::string narrow(const wchar_t* s, size_t length) { return wideToUtf8(s, length); }
inline std::string narrow(const wchar_t* s) { return wideToUtf8(s); }

// An optional text argument: nullptr stays nullptr.
struct OptionalWide {
  explicit OptionalWide(const char* s) : present(s != nullptr), text(s ? wide(s) : std::wstring()) {}
  const wchar_t* get() const { return present ? text.c_str() : nullptr; }
  bool present;
  std::wstring text;
};

}  // namespace mv::win32_text
