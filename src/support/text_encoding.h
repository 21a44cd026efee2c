#pragma once
// Text encodings. Inside the program every text is UTF-8: paths, names, messages, registry data. Two
// other encodings exist only at the edges, converted here and nowhere else:
//   - UTF-16, the text of the Windows API (the Win32 platform, the programs' entry points);
//   - Windows-1252, the text stored in packages and data files (titles, slot and entry names, the
//     licence), whatever the ANSI code page of the machine that reads them.
//
// Windows allows file names with an unpaired surrogate, which UTF-8 has no form for. So that such a name
// survives the way in and out, UTF-16 -> UTF-8 writes an unpaired surrogate as the three bytes its code
// point would take (as WTF-8 does) and UTF-8 -> UTF-16 gives it back; the strict checks
// (isValidUtf8, utf8ToWindows1252) refuse it.
#include <cstddef>
#include <string>

namespace mv {

// Appends the UTF-8 form of a code point (a lone surrogate too, see above; beyond U+10FFFF: U+FFFD).
void appendUtf8(std::string& out, char32_t codePoint);
// Well-formed UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF, no cut-off sequence.
bool isValidUtf8(const std::string& text);
// The code points of well-formed UTF-8; false (out unspecified) for anything else.
bool decodeUtf8(const std::string& text, std::u32string& out);

// UTF-8 <-> UTF-16. Ill-formed UTF-8 becomes U+FFFD per bad byte; surrogate pairs join into one code
// point on the way back.
std::u16string utf8ToUtf16(const std::string& text);
std::string utf16ToUtf8(const char16_t* text, size_t length);
std::string utf16ToUtf8(const std::u16string& text);

// The same for wchar_t: UTF-16 where wchar_t has 16 bits (Windows), UTF-32 elsewhere.
std::wstring utf8ToWide(const std::string& text);
std::string wideToUtf8(const wchar_t* text, size_t length);
std::string wideToUtf8(const wchar_t* zeroTerminated);
std::string wideToUtf8(const std::wstring& text);

// Windows-1252 <-> UTF-8. Every byte has a character: the five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for U+0081 ... U+009D, as Windows maps them, so that any stored
// name reads back and writes again unchanged.
std::string windows1252ToUtf8(const std::string& bytes);
// False when the text is not well-formed UTF-8 or holds a character that Windows-1252 has no byte for
// (bytes then holds the part before it).
bool utf8ToWindows1252(const std::string& text, std::string& bytes);
// The bytes of a text that is known to fit (names that came from windows1252ToUtf8); a character
// without a byte becomes "?".
std::string toWindows1252(const std::string& text);

}  // namespace mv
