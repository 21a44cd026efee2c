// The text encodings: Windows-1252 as packages store names, UTF-8 inside, UTF-16 at the Windows API.
// Natively and, in the Win32 build, also against the system's own code page tables under Wine.
#include "support/text_encoding.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace mv {
namespace {

std::string allBytes() {
  std::string s;
  for (int b = 1; b < 256; ++b) s += char(b);
  return s;
}

TEST(Windows1252, TitlesDecodeToTheirCharacters) {
  EXPECT_EQ(windows1252ToUtf8("Caf\xE9 Cr\xE8me"), "Café Crème");
  EXPECT_EQ(windows1252ToUtf8("\x80 \x8A\x9A \x99 \x85 \x93quoted\x94 \x9F"), "€ Šš ™ … “quoted” Ÿ");
  EXPECT_EQ(windows1252ToUtf8("\xA0\xFF"), "\u00A0ÿ");
  EXPECT_EQ(windows1252ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
  // The bytes the code page leaves undefined keep their value as a C1 control, as Windows maps them.
  EXPECT_EQ(windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
}

TEST(Windows1252, EveryByteGoesBackUnchanged) {
  const std::string bytes = allBytes();
  const std::string text = windows1252ToUtf8(bytes);
  EXPECT_TRUE(isValidUtf8(text));
  std::string back;
  ASSERT_TRUE(utf8ToWindows1252(text, back));
  EXPECT_EQ(back, bytes);
  EXPECT_EQ(toWindows1252(text), bytes);
}

TEST(Windows1252, TextWithoutAByteIsRefused) {
  std::string bytes;
  EXPECT_TRUE(utf8ToWindows1252("Café Crème", bytes));
  EXPECT_EQ(bytes, "Caf\xE9 Cr\xE8me");
  for (const char* text : {"José Ωμέγα", "Дмитрий", "下载", "emoji \xF0\x9F\x8C\x8A"}) {
    EXPECT_FALSE(utf8ToWindows1252(text, bytes)) << text;
  }
  EXPECT_FALSE(utf8ToWindows1252("Caf\xE9", bytes));  // not UTF-8: a stored name, not text
  EXPECT_EQ(toWindows1252("a Ω b"), "a ? b");
}

TEST(Utf8, WellFormedOnly) {
  EXPECT_TRUE(isValidUtf8(""));
  EXPECT_TRUE(isValidUtf8("plain ASCII"));
  EXPECT_TRUE(isValidUtf8("Загрузки 下载 \xF0\x9F\x8C\x8A \xEF\xBF\xBD"));
  for (const char* bad : {"\x80", "\xC3", "\xC3\x28", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                          "\xF8\x88\x80\x80\x80", "ab\xE2\x82"}) {
    EXPECT_FALSE(isValidUtf8(bad)) << testing::PrintToString(std::string(bad));
  }
  std::u32string cps;
  ASSERT_TRUE(decodeUtf8("aé€\xF0\x9F\x8C\x8A", cps));
  EXPECT_EQ(cps, (std::u32string{U'a', 0xE9, 0x20AC, 0x1F30A}));
}

TEST(Utf16, RoundTripsAndPairs) {
  const std::string text = "C:\\Загрузки 下载\\José Ωμέγα \xF0\x9F\x8C\x8A.exe";
  std::u16string u = utf8ToUtf16(text);
  EXPECT_EQ(u.substr(0, 4), u"C:\\З");
  EXPECT_EQ(utf16ToUtf8(u), text);
  EXPECT_EQ(utf8ToUtf16("\xF0\x9F\x8C\x8A"), (std::u16string{0xD83C, 0xDF0A}));
  EXPECT_EQ(utf8ToUtf16(""), u"");
  EXPECT_EQ(utf16ToUtf8(u""), "");
}

TEST(Utf16, IllFormedInputIsReplacedNotDropped) {
  EXPECT_EQ(utf8ToUtf16("a\xFF" "b"), (std::u16string{u'a', 0xFFFD, u'b'}));
  EXPECT_EQ(utf8ToUtf16("\xC3"), (std::u16string{0xFFFD}));  // cut off at the end
  EXPECT_EQ(utf8ToUtf16("\xE2\x82" "x"), (std::u16string{0xFFFD, 0xFFFD, u'x'}));
}

TEST(Utf16, AnUnpairedSurrogateSurvivesTheWayThroughUtf8) {
  // A Windows file name may hold one; it must name the same file after a trip through the program.
  const std::u16string name{u'a', 0xD800, u'b', 0xDC01};
  const std::string text = utf16ToUtf8(name);
  EXPECT_FALSE(isValidUtf8(text));
  EXPECT_EQ(utf8ToUtf16(text), name);
  std::string bytes;
  EXPECT_FALSE(utf8ToWindows1252(text, bytes));
}

TEST(Wide, MatchesUtf16OrUtf32) {
  const std::string text = "Ωμέγα \xF0\x9F\x8C\x8A";
  std::wstring w = utf8ToWide(text);
  EXPECT_EQ(w[0], L'\u03A9');
  EXPECT_EQ(wideToUtf8(w), text);
  EXPECT_EQ(wideToUtf8(w.c_str()), text);
  EXPECT_EQ(wideToUtf8(static_cast<const wchar_t*>(nullptr)), "");
  EXPECT_EQ(w.size(), sizeof(wchar_t) == 2 ? 8u : 7u);
}

#ifdef _WIN32
// Our table against the system's own: what MultiByteToWideChar makes of every byte in code page 1252.
TEST(Windows1252, AgreesWithTheSystemCodePage) {
  const std::string bytes = allBytes();
  int n = MultiByteToWideChar(1252, 0, bytes.data(), int(bytes.size()), nullptr, 0);
  ASSERT_EQ(n, int(bytes.size()));
  std::wstring wide(size_t(n), L'\0');
  MultiByteToWideChar(1252, 0, bytes.data(), int(bytes.size()), &wide[0], n);
  std::string ours = windows1252ToUtf8(bytes);
  EXPECT_EQ(utf8ToWide(ours), wide);
  for (size_t i = 0; i < bytes.size(); ++i)
    EXPECT_EQ(utf8ToWide(windows1252ToUtf8(bytes.substr(i, 1))), wide.substr(i, 1)) << "byte " << i + 1;
}

TEST(Utf16, AgreesWithTheSystemForWellFormedText) {
  const std::string text = "C:\\Temp\\José Ωμέγα Дмитрий\\Загрузки 下载 \xF0\x9F\x8C\x8A";
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &wide[0], n);
  EXPECT_EQ(utf8ToWide(text), wide);
  EXPECT_EQ(wideToUtf8(wide), text);
}
#endif

}  // namespace
}  // namespace mv
