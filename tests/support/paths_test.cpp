// Path text helpers: the folder/name split and the name checks that guard against writing outside a
// destination folder.
#include "support/paths.h"

#include <gtest/gtest.h>

namespace mv {
namespace {

TEST(PathsTest, BackslashesAndParts) {
  EXPECT_EQ(withTrailingBackslash("C:\\TEMP"), "C:\\TEMP\\");
  EXPECT_EQ(withTrailingBackslash("C:\\TEMP\\"), "C:\\TEMP\\");
  EXPECT_EQ(withTrailingBackslash(""), "");
  EXPECT_EQ(withoutTrailingBackslash("C:\\a\\"), "C:\\a");
  EXPECT_EQ(parentOf("C:\\a\\b.txt"), "C:\\a\\");
  EXPECT_EQ(parentOf("C:"), "C:");
  EXPECT_EQ(parentOf("name"), "");
  EXPECT_EQ(fileNameOf("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(fileNameOf("C:b.txt"), "b.txt");
  EXPECT_EQ(extensionOf("C:\\a.d\\b"), "");
  EXPECT_EQ(extensionOf("C:\\a\\movie.SWF"), ".SWF");
  EXPECT_EQ(replaceExtension("page.htm", ".html"), "page.html");
  EXPECT_EQ(replaceExtension("C:\\a.b\\page", ".html"), "C:\\a.b\\page.html");
  EXPECT_TRUE(equalsIgnoreAsciiCase("Shell_TrayWnd", "SHELL_traywnd"));
  EXPECT_EQ(asciiUpper("a\xe9z"), "A\xe9Z");  // only ASCII letters change
}

// Windows ignores letter case beyond ASCII too: "CAFÉ" and "café" name one file, one registry key.
TEST(PathsTest, FoldCaseCoversTheLettersOfLatinGreekAndCyrillic) {
  EXPECT_EQ(foldCase("Café Crème"), "CAFÉ CRÈME");
  EXPECT_TRUE(equalsIgnoreCase("C:\\Temp\\José Ωμέγα Дмитрий", "c:\\TEMP\\JOSÉ ΩΜΈΓΑ ДМИТРИЙ"));
  EXPECT_TRUE(equalsIgnoreCase("ÿ š ž œ ő ł ё ς", "Ÿ Š Ž Œ Ő Ł Ё Σ"));
  EXPECT_FALSE(equalsIgnoreCase("Café", "Cafe"));
  EXPECT_EQ(foldCase("下载 ÷ ß"), "下载 ÷ ß");                 // no case, or no one-to-one upper case
  EXPECT_EQ(foldCase("a\xe9z"), "A\xe9Z");                   // not UTF-8: the ASCII letters only
}

TEST(PathsTest, NameChecks) {
  EXPECT_TRUE(isPlainFileName("impborl.dll"));
  for (const char* bad : {"", ".", "..", "a\\b", "a/b", "c:x", "a\tb"}) EXPECT_FALSE(isPlainFileName(bad)) << bad;
  EXPECT_TRUE(isContainedRelativePath("images\\a.jpg"));
  EXPECT_TRUE(isContainedRelativePath("a/b/c.txt"));
  for (const char* bad : {"", "\\x", "..\\x", "a\\..\\..\\x", "a\\\\b", "C:\\x", "a\\.\\b", "a\\"})
    EXPECT_FALSE(isContainedRelativePath(bad)) << bad;
  EXPECT_TRUE(isPlainFolderName("Ocean Breeze"));
  for (const char* bad : {"", ".", "..", "a:b", "a*", "a?", "a\"", "a<", "a>", "a|", "a\\b", "a/b", "a\rb"})
    EXPECT_FALSE(isPlainFolderName(bad)) << bad;
}

// Names Windows cannot create: the characters it refuses, and device names (whatever the extension,
// the letter case and the blanks before the extension), for titles as for file names.
TEST(PathsTest, NamesWindowsCannotCreate) {
  for (const char* bad : {"a?b", "a*", "a|b", "say\"", "a<b", "b>a", "x:y", "tab\t", "\x01"})
    EXPECT_NE(findCharacterWindowsRefuses(bad), std::string::npos) << bad;
  EXPECT_EQ(findCharacterWindowsRefuses("ok?"), 2u);
  EXPECT_EQ(findCharacterWindowsRefuses("Caf\xC3\xA9 (1) [x] #&+,;=@"), std::string::npos);
  for (const char* device : {"CON", "aux", "Aux.html", "nul.tar.gz", "PRN.", "AUX ", "aux .txt", "COM1", "com9.log",
                             "LPT1", "Lpt5.x", "COM\xC2\xB9", "lpt\xC2\xB3.txt"}) {
    EXPECT_TRUE(isDeviceName(device)) << device;
    EXPECT_FALSE(isPlainFolderName(device)) << device;
    EXPECT_FALSE(isPlainFileName(device)) << device;
  }
  for (const char* name : {"Auxiliary", "COM0", "COM10", "LPT", "CONSOLE", " AUX", "my aux", "nul dir", "x.aux"}) {
    EXPECT_FALSE(isDeviceName(name)) << name;
    EXPECT_TRUE(isPlainFolderName(name)) << name;
  }
  for (const char* bad : {"a?b.txt", "a*.txt", "a|b", "q\"", "a<b", "a>b"}) EXPECT_FALSE(isPlainFileName(bad)) << bad;
}

}  // namespace
}  // namespace mv
