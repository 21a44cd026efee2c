// Which movie the installed page embeds: its object's "movie" parameter or its embed's source, resolved
// against the page's folder and accepted only inside the content folder.
#include <memory>
#include <vector>

#include "desktop/still_page.h"
#include "platform/file_helpers.h"
#include "support/hex_digit.h"
#include "support/paths.h"
#include "support/text_encoding.h"

namespace mv::still {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

// The few character references a movie path or scale may carry in a page.
std::string decodeEntities(const std::string& s) {
  static const struct { const char* name; char c; } kEntities[] = {{"&amp;", '&'}, {"&quot;", '"'},
                                                                    {"&#39;", '\''}, {"&apos;", '\''}};
  std::string out;
  for (size_t i = 0; i < s.size();) {
    bool replaced = false;
    for (const auto& e : kEntities) {
      const size_t n = std::char_traits<char>::length(e.name);
      if (s.compare(i, n, e.name) == 0) {
        out += e.c;
        i += n;
        replaced = true;
        break;
      }
    }
    if (!replaced) out += s[i++];
  }
  return out;
}

// One tag's name and attributes (names in small letters), from just after its '<' to its '>'.
struct Tag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string attribute(const char* wanted) const {
    for (const auto& a : attributes)
      if (a.first == wanted) return a.second;
    return std::string();
  }
};

// Reads the tag that starts at page[at] == '<'; `end` receives the position after its '>'.
Tag readTag(const std::string& page, size_t at, size_t& end) {
  Tag tag;
  size_t i = at + 1;
  while (i < page.size() && !isSpace(page[i]) && page[i] != '>' && page[i] != '/') tag.name += page[i++];
  tag.name = asciiLower(tag.name);
  while (i < page.size() && page[i] != '>') {
    if (isSpace(page[i]) || page[i] == '/') {
      ++i;
      continue;
    }
    std::string name;
    while (i < page.size() && !isSpace(page[i]) && page[i] != '=' && page[i] != '>') name += page[i++];
    while (i < page.size() && isSpace(page[i])) ++i;
    std::string value;
    if (i < page.size() && page[i] == '=') {
      ++i;
      while (i < page.size() && isSpace(page[i])) ++i;
      if (i < page.size() && (page[i] == '"' || page[i] == '\'')) {
        const char quote = page[i++];
        while (i < page.size() && page[i] != quote) value += page[i++];
        if (i < page.size()) ++i;
      } else {
        while (i < page.size() && !isSpace(page[i]) && page[i] != '>') value += page[i++];
      }
    }
    tag.attributes.emplace_back(asciiLower(name), decodeEntities(value));
  }
  end = i < page.size() ? i + 1 : i;
  return tag;
}

// A path that names a place of its own: another scheme ("http:", "file:", a drive "C:"), a root
// ("\x", "/x") or a network share.
bool isAbsoluteReference(const std::string& ref) {
  if (!ref.empty() && (ref[0] == '/' || ref[0] == '\\')) return true;
  const size_t colon = ref.find(':');
  const size_t slash = ref.find_first_of("/\\");
  return colon != std::string::npos && (slash == std::string::npos || colon < slash);
}

bool startsWithFolder(const std::string& path, const std::string& folder) {
  return path.size() > folder.size() && equalsIgnoreCase(path.substr(0, folder.size()), folder);
}

bool endsWithSwf(const std::string& name) {
  return name.size() > 4 && asciiLower(name.substr(name.size() - 4)) == ".swf";
}

}  // namespace

StageScale stageScaleFromParam(const std::string& value) {
  const std::string v = asciiLower(value);
  if (v == "exactfit") return StageScale::exactFit;
  if (v == "noborder") return StageScale::noBorder;
  if (v == "noscale") return StageScale::noScale;
  return StageScale::showAll;
}

PageMovie findPageMovie(const std::string& page) {
  std::string paramMovie, paramScale, paramColour, embedSrc, embedScale, embedColour;
  bool sawParamMovie = false, sawEmbed = false;
  for (size_t i = page.find('<'); i != std::string::npos; i = page.find('<', i)) {
    if (page.compare(i, 4, "<!--") == 0) {  // a comment hides what it holds
      const size_t close = page.find("-->", i + 4);
      if (close == std::string::npos) break;
      i = close + 3;
      continue;
    }
    size_t end = i;
    const Tag tag = readTag(page, i, end);
    i = end;
    if (tag.name == "param") {
      const std::string name = asciiLower(tag.attribute("name"));
      if (name == "movie" && !sawParamMovie) {
        paramMovie = tag.attribute("value");
        sawParamMovie = true;
      } else if (name == "scale" && paramScale.empty()) {
        paramScale = tag.attribute("value");
      } else if (name == "bgcolor" && paramColour.empty()) {
        paramColour = tag.attribute("value");
      }
    } else if (tag.name == "embed" && !sawEmbed) {
      embedSrc = tag.attribute("src");
      embedScale = tag.attribute("scale");
      embedColour = tag.attribute("bgcolor");
      sawEmbed = true;
    }
  }
  PageMovie movie;
  movie.reference = sawParamMovie && !paramMovie.empty() ? paramMovie : embedSrc;
  movie.scale = !paramScale.empty() ? paramScale : embedScale;
  movie.bgcolor = !paramColour.empty() ? paramColour : embedColour;
  return movie;
}

std::optional<uint32_t> pageColour(const std::string& value) {
  size_t first = 0, last = value.size();
  while (first < last && isSpace(value[first])) ++first;
  while (last > first && isSpace(value[last - 1])) --last;
  if (first < last && value[first] == '#') ++first;
  if (last - first != 6) return std::nullopt;
  uint32_t colour = 0;
  for (size_t i = first; i < last; ++i) {
    const int digit = hexDigitValue(value[i]);
    if (digit < 0) return std::nullopt;
    colour = colour << 4 | uint32_t(digit);
  }
  return colour;
}

std::string decodeUrlEscapes(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 && hexDigitValue(text[i + 2]) >= 0) {
      out += char(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string resolveInside(const std::string& pageFolder, const std::string& reference,
                          const std::string& contentFolder) {
  std::string ref = reference.substr(0, reference.find_first_of("?#"));  // a query or fragment is no file
  while (!ref.empty() && isSpace(ref.back())) ref.pop_back();
  size_t first = 0;
  while (first < ref.size() && isSpace(ref[first])) ++first;
  ref = ref.substr(first);
  if (ref.empty() || isAbsoluteReference(ref)) return std::string();

  // The page's folder split into its parts, then the reference's parts applied to it.
  std::vector<std::string> parts;
  std::string part;
  for (char c : pageFolder + ref + "\\") {
    if (c != '\\' && c != '/') {
      part += c;
      continue;
    }
    if (part == "..") {
      if (parts.size() <= 1) return std::string();  // above the drive
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  }
  std::string path;
  for (size_t i = 0; i < parts.size(); ++i) path += (i ? "\\" : "") + parts[i];
  if (pageFolder.compare(0, 2, "\\\\") == 0) path = "\\\\" + path;  // a network folder keeps its start
  return startsWithFolder(path, contentFolder) ? path : std::string();
}

MovieChoice chooseMovie(const std::optional<std::string>& page, const std::string& pagePath,
                        const std::string& contentFolder, const std::vector<std::string>& contentNames,
                        const std::function<bool(const std::string&)>& isFile) {
  MovieChoice choice;
  if (page) {
    const PageMovie movie = findPageMovie(*page);
    choice.scale = stageScaleFromParam(movie.scale);
    choice.stageColour = pageColour(movie.bgcolor);
    const std::string reference = windows1252ToUtf8(decodeUrlEscapes(movie.reference));
    const std::string path = resolveInside(parentOf(pagePath), reference, contentFolder);
    if (!path.empty() && isFile(path)) {
      choice.path = path;
      return choice;
    }
  }
  for (const std::string& name : contentNames) {
    if (endsWithSwf(name) && isContainedRelativePath(name) && isFile(contentFolder + name)) {
      choice.path = contentFolder + name;
      break;
    }
  }
  return choice;
}

MovieChoice chooseMovie(FileSystem& files, const std::string& pagePath, const std::string& contentFolder,
                        const std::vector<std::string>& contentNames) {
  // The page's bytes, at most kMaxPageBytes; none when it cannot be read or is larger.
  std::optional<std::string> page;
  FileBytes bytes;
  if (readWholeFile(files, pagePath, kMaxPageBytes, bytes) == rc::ok) page = bytes.text();
  return chooseMovie(page, pagePath, contentFolder, contentNames,
                     [&files](const std::string& path) { return fileExists(files, path); });
}

}  // namespace mv::still
