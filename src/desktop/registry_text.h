#pragma once
// Small helpers shared by the wallpaper and uninstall code: registry text values and the error texts
// with their one "%s".
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace mv::desktop_detail {

// The text with its first "%s" replaced by arg.
inline std::string withArgument(const char* pattern, const std::string& arg) {
  std::string s(pattern);
  size_t at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, arg);
  return s;
}

// A REG_SZ value: the text and its terminating zero.
inline RegValue stringValue(const std::string& text) {
  RegValue v;
  v.type = RegType::String;
  v.data.assign(text.begin(), text.end());
  v.data.push_back(0);
  return v;
}

inline RegValue dwordValue(uint32_t n) {
  RegValue v;
  v.type = RegType::Dword;
  v.data = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
  return v;
}

// Closes a registry key on every way out of a scope.
class KeyCloser {
 public:
  explicit KeyCloser(RegKey key) : key_(key) {}
  ~KeyCloser() { if (key_) platform().regCloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  RegKey key_;
};

}  // namespace mv::desktop_detail
