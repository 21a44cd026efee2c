#pragma once
// Reading a hexadecimal digit, for the texts that carry them: a colour "#RRGGBB" (mvpack's manifest) and
// a URL's "%XX" escapes (the installed page's movie path).

namespace mv {

// 0 to 15 for '0'-'9', 'a'-'f' and 'A'-'F'; -1 for any other character.
constexpr int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace mv
