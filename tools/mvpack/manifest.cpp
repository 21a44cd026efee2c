#include "manifest.h"

#include <filesystem>
#include <map>
#include <sstream>

#include "support/hex_digit.h"
#include "support/text_encoding.h"
#include "util.h"

namespace fs = std::filesystem;

namespace mvpack {

namespace {

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

std::string lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// A value in double quotes keeps its blanks; the quotes go.
std::string unquote(const std::string& v) {
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

std::vector<std::string> words(const std::string& v) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : v) {
    if (c == ' ' || c == '\t' || c == ',') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

int parseComponent(const std::string& w, const std::string& where) {
  if (w.empty() || w.size() > 3 || w.find_first_not_of("0123456789") != std::string::npos)
    throw ToolError(where + "background: \"" + w + "\" is not a number from 0 to 255");
  int v = std::stoi(w);
  if (v > 255) throw ToolError(where + "background: " + w + " is more than 255");
  return v;
}

// The manifest's text: UTF-16 with its byte order mark (as Windows editors save "Unicode") is read as
// UTF-16, little- or big-endian, and becomes UTF-8; other text stays as it is (a UTF-8 byte order mark
// goes with the first line). A zero byte is no part of any text the tool reads: UTF-16 without the
// mark, or not a text file at all.
std::string manifestText(const std::vector<uint8_t>& bytes, const std::string& path) {
  const bool little = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const bool big = bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF;
  std::string text;
  if (little || big) {
    if (bytes.size() % 2 != 0)
      throw ToolError("manifest " + path + ": UTF-16 text of an odd number of bytes, cut off; save it again");
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      units.push_back(char16_t(little ? bytes[i] | bytes[i + 1] << 8 : bytes[i] << 8 | bytes[i + 1]));
    text = mv::utf16ToUtf8(units);
  } else {
    text.assign(bytes.begin(), bytes.end());
  }
  if (text.find('\0') != std::string::npos)
    throw ToolError("manifest " + path +
                    ": holds zero bytes, so it is not text the tool reads (UTF-16 without its byte order mark, or "
                    "not a text file); save it as UTF-8");
  return text;
}

}  // namespace

Manifest parseManifest(const std::string& path) {
  std::vector<uint8_t> bytes = readWholeFile(path, "manifest");
  std::string text = manifestText(bytes, path);
#ifdef _WIN32
  // File names on Windows are Unicode: a manifest written in Windows-1252 names them through its
  // characters. (On POSIX hosts its values stay bytes, which is what such a host's file names are.)
  if (!mv::isValidUtf8(text)) text = mv::windows1252ToUtf8(text);
#endif
  return parseManifestText(text, path);
}

Manifest parseManifestText(const std::string& text, const std::string& path) {
  Manifest m;
  m.path = path;
  fs::path base = toPath(path).parent_path();
  auto resolve = [&](const std::string& v) {
    fs::path p = toPath(v);
    return (p.is_absolute() || base.empty()) ? v : fromPath(base / p);
  };

  std::map<std::string, int> seen;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  while (std::getline(in, raw)) {
    ++lineNo;
    if (lineNo == 1 && raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
    std::string line = trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    const std::string where = path + ":" + std::to_string(lineNo) + ": ";
    size_t eq = line.find('=');
    if (eq == std::string::npos) throw ToolError(where + "expected \"key = value\", found " + inQuotes(line));
    std::string key = lower(trim(line.substr(0, eq)));
    std::string value = unquote(trim(line.substr(eq + 1)));
    if (key == "licence-file" || key == "license") key = "licence";
    if (seen.count(key))
      throw ToolError(where + "\"" + key + "\" given twice (first on line " + std::to_string(seen[key]) + ")");
    seen[key] = lineNo;
    auto needValue = [&]() {
      if (value.empty()) throw ToolError(where + "\"" + key + "\" needs a value");
    };

    if (key == "title") {
      needValue();
      m.title = value;
    } else if (key == "background") {
      needValue();
      if (value[0] == '#') {
        if (value.size() != 7) throw ToolError(where + "background: expected #RRGGBB, found " + inQuotes(value));
        int c[6];
        for (int i = 0; i < 6; ++i)
          if ((c[i] = mv::hexDigitValue(value[1 + i])) < 0)
            throw ToolError(where + "background: expected #RRGGBB, found " + inQuotes(value));
        m.red = c[0] * 16 + c[1];
        m.green = c[2] * 16 + c[3];
        m.blue = c[4] * 16 + c[5];
      } else {
        auto w = words(value);
        if (w.size() != 3) throw ToolError(where + "background: expected \"red green blue\" or #RRGGBB");
        m.red = parseComponent(w[0], where);
        m.green = parseComponent(w[1], where);
        m.blue = parseComponent(w[2], where);
      }
    } else if (key == "flags") {
      for (const std::string& f : words(lower(value))) {
        if (f == "license" || f == "licence") m.showLicence = true;
        else if (f == "run-extra") m.runExtraFlag = true;
        else if (f == "show-desktop") m.showDesktopFlag = true;
        else if (f == "none") {
        } else
          throw ToolError(where + "unknown flag \"" + f + "\" (known: license, run-extra, show-desktop, none)");
      }
    } else if (key == "presentation") {
      needValue();
      size_t sp = value.find_first_of(" \t");
      std::string kind = lower(value.substr(0, sp));
      std::string file = sp == std::string::npos ? "" : unquote(trim(value.substr(sp)));
      m.presentationGiven = true;
      if (kind == "picture" || kind == "movie") {
        if (file.empty()) throw ToolError(where + "presentation " + kind + " needs a file: \"" + kind + " FILE\"");
        m.presentation = kind == "picture" ? PresentationChoice::Picture : PresentationChoice::Movie;
        m.presentationFile = resolve(file);
      } else if (kind == "silent" || kind == "none") {
        if (!file.empty()) throw ToolError(where + "presentation " + kind + " takes no file");
        m.presentation = kind == "silent" ? PresentationChoice::Silent : PresentationChoice::None;
      } else {
        throw ToolError(where + "presentation: expected \"picture FILE\", \"movie FILE\", \"silent\" or \"none\"");
      }
    } else if (key == "main") {
      needValue();
      m.mainFile = value;
    } else if (key == "licence" || key == "extra" || key == "html" || key == "content" ||
               key == "flash-installer" || key == "uninstaller" || key == "stub" || key == "library" ||
               key == "output") {
      needValue();
      std::string p = resolve(value);
      if (key == "licence") m.licenceFile = p;
      else if (key == "extra") m.extra = p;
      else if (key == "html") m.html = p;
      else if (key == "content") m.content = p;
      else if (key == "flash-installer") m.flashInstaller = p;
      else if (key == "uninstaller") m.uninstaller = p;
      else if (key == "stub") m.stub = p;
      else if (key == "library") m.library = p;
      else m.output = p;
    } else {
      throw ToolError(where + "unknown key \"" + key + "\" (see mvpack build --help)");
    }
  }
  return m;
}

const char* manifestHelp() {
  return R"(Manifest format: one "key = value" per line; blank lines and lines starting with # are ignored.
Paths are relative to the manifest's folder; a value may be put in double quotes. The manifest is UTF-8,
UTF-16 with its byte order mark, or Windows-1252; titles and file names are stored as Windows-1252, as the
installer reads them, and must be names Windows can create (no \ / : * ? " < > |, no device names such
as CON or AUX). A UTF-8 licence is stored as Windows-1252.

  title = Ocean Breeze              content title (required): at most 64 characters, a plain folder name;
                                    the content goes to <Windows>\Web\Wallpaper\<title> dir\
  background = 0 64 128             desktop colour, red green blue 0..255 (or #0040A0); default 0 0 0
  flags = show-desktop              any of: license, run-extra, show-desktop (or none)
  presentation = picture banner.jpg picture (BMP or JPEG), "movie intro.swf", "silent" (installs at once,
                                    no window) or "none" (required)
  licence = licence.txt             licence text shown in the window (needed by flag license)
  extra = readme.txt                file opened after the installation (needed by flag run-extra)
  html = page.html                  the desktop page (required); installed as <title>.html beside the
                                    content folder, so it refers to content as "<title> dir/movie.swf"
  content = content                 folder of content files (required; at most 109 files, sub-folders kept)
  main = movie.swf                  content file listed first (default: the first .swf, else the first file)
  flash-installer = flashax.exe     Flash Player installer, packed as "flashax.exe" (the installer stops at
                                    start-up when a package has none)
  uninstaller = uninstall.exe       uninstall program (default: uninstall.exe beside the stub)
  stub = install.exe                installer executable the package is appended to (or --stub)
  library = impborl.dll             DCL library the installer loads (default: impborl.dll beside the stub)
  output = setup.exe                installer to write (or -o)
)";
}

}  // namespace mvpack
