#include "support/paths.h"

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

static bool hasControl(const std::string& s) {
  for (unsigned char c : s)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

bool isPlainFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (hasControl(name)) return false;
  return name.find_first_of("\\/:") == std::string::npos;
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
  if (hasControl(title)) return false;
  if (title.find_first_of("\\/:*?\"<>|") != std::string::npos) return false;
  return true;
}

}  // namespace mv
