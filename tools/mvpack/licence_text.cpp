#include "licence_text.h"

#include <algorithm>
#include <cstdio>

#include "support/text_encoding.h"
#include "util.h"

namespace mvpack {

std::vector<uint8_t> licenceAsWindows1252(const std::vector<uint8_t>& bytes, const std::string& what) {
  const bool bom = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
  const std::string text(bytes.begin() + (bom ? 3 : 0), bytes.end());
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::vector<uint8_t>(text.begin(), text.end());
  std::u32string characters;
  if (!mv::decodeUtf8(text, characters)) {
    if (bom)
      throw ToolError(what + ": starts with the UTF-8 byte order mark but is not UTF-8 text; save it again as UTF-8 "
                             "(or as Windows-1252 without the mark)");
    return bytes;  // Windows-1252 already, as older licences are
  }
  std::string converted;
  if (mv::utf8ToWindows1252(text, converted)) return std::vector<uint8_t>(converted.begin(), converted.end());

  int line = 1;
  for (char32_t c : characters) {
    if (c == U'\n') ++line;
    std::string one, ignored;
    mv::appendUtf8(one, c);
    if (mv::utf8ToWindows1252(one, ignored)) continue;
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
    throw ToolError(what + ": line " + std::to_string(line) + ": the character " + inQuotes(one) + " (" + code +
                    ") has no Windows-1252 form, the text installers show licences in; replace it with "
                    "characters of Western European text");
  }
  return std::vector<uint8_t>(converted.begin(), converted.end());  // not reached: some character did not fit
}

}  // namespace mvpack
