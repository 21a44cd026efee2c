#pragma once
// Small helpers shared by the wallpaper and uninstall code: the error texts with their one "%s", and a
// key that closes itself.
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

// Closes a registry key on every way out of a scope.
class KeyCloser {
 public:
  KeyCloser(Registry& registry, RegKey key) : registry_(registry), key_(key) {}
  ~KeyCloser() { if (key_) registry_.regCloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  Registry& registry_;
  RegKey key_;
};

}  // namespace mv::desktop_detail
