// The uninstall entry and the names built from the content title, on the host platform.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/desktop.h"
#include "platform/host/host_platform.h"

namespace mv {
namespace {

const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

TEST(UninstallNames, DisplayNameAndCaption) {
  struct Case { const char* title; const char* display; const char* caption; };
  for (const Case& c : {
           Case{"Ocean", "Ocean Wallpaper", "Install Wallpaper: Ocean"},
           Case{"Ocean Wallpaper", "Ocean Wallpaper", "Install: Ocean Wallpaper"},
           Case{"OCEAN WALLPAPER", "OCEAN WALLPAPER", "Install: OCEAN WALLPAPER"},
           Case{"My Wallpapers", "My Wallpapers", "Install: My Wallpapers"},
           Case{"WALLPAPER 2", "WALLPAPER 2", "Install: WALLPAPER 2"},
           Case{"Wall paper", "Wall paper Wallpaper", "Install Wallpaper: Wall paper"},
           Case{"", " Wallpaper", "Install Wallpaper: "},
       }) {
    EXPECT_EQ(uninstallDisplayName(c.title), c.display) << c.title;
    EXPECT_EQ(installerCaption(c.title), c.caption) << c.title;
  }
}

TEST(UninstallNames, WordTestFoldsAsciiOnly) {
  EXPECT_TRUE(containsWallpaperWord("xWaLlPaPeRx"));
  EXPECT_FALSE(containsWallpaperWord("wallpape"));
  // Bytes above 0x7F are compared unchanged: a Latin-1 capital is not a small letter.
  EXPECT_FALSE(containsWallpaperWord("w\xC1llpaper"));
  EXPECT_TRUE(containsWallpaperWord(std::string("\xC9wallpaper\0x", 12)));
}

class UninstallTest : public ::testing::Test {
 protected:
  void SetUp() override { host().setEnv("WINDIR", "C:\\WINDOWS"); }
  HostPlatform& host() { return sandbox.platform(); }
  std::string machineString(const std::string& title, const char* name) {
    return host().getString(RegRoot::LocalMachine, kUninstall + title, name);
  }
  // Writes the entry and returns the text of its failure ("" when it succeeds).
  std::string writeExpectingError(const std::string& title) {
    Result status = writeUninstallEntry(host(), title);
    return status.ok() ? "" : status.text();
  }
  static void expectSuccess(const Result& status) { EXPECT_TRUE(status.ok()) << status.text(); }
  HostSandbox sandbox;
};

TEST_F(UninstallTest, WritesBothValuesEachInItsOwnKeyAndDropsTheUserKey) {
  expectSuccess(writeUninstallEntry(host(), "Ocean"));
  EXPECT_EQ(machineString("Ocean", "DisplayName"), "Ocean Wallpaper");
  // Quoted, so that "C:\WINDOWS\WEB\Wallpaper\Ocean" cannot be started instead of the uninstaller.
  EXPECT_EQ(machineString("Ocean", "UninstallString"), "\"C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe\"");
  EXPECT_FALSE(host().keyExists(RegRoot::CurrentUser, kUninstall + "Ocean"));
  EXPECT_TRUE(host().keyExists(RegRoot::CurrentUser, kUninstall.substr(0, kUninstall.size() - 1)));
  const std::string hkcu = "HKCU\\" + kUninstall + "Ocean", hklm = "HKLM\\" + kUninstall + "Ocean";
  const std::vector<std::string> expected = {
      "regCreateKey " + hkcu,
      "regCloseKey " + hkcu,
      "regCreateKey " + hklm,
      "regSetValue " + hklm + " [DisplayName] = \"Ocean Wallpaper\"",
      "regCloseKey " + hklm,
      "regCreateKey " + hklm,
      "regSetValue " + hklm + " [UninstallString] = \"\"C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe\"\"",
      "regCloseKey " + hklm,
      "regDeleteTree " + hkcu,
  };
  EXPECT_EQ(host().callLog, expected);
  EXPECT_EQ(host().openKeyCount(), 0);
}

TEST_F(UninstallTest, TitleWithTheWordAndAFolderFromTheEnvironment) {
  host().setEnv("WINDIR", "D:\\WINNT\\");
  expectSuccess(writeUninstallEntry(host(), "OCEAN WALLPAPER"));
  EXPECT_EQ(machineString("OCEAN WALLPAPER", "DisplayName"), "OCEAN WALLPAPER");
  EXPECT_EQ(machineString("OCEAN WALLPAPER", "UninstallString"),
            "\"D:\\WINNT\\WEB\\Wallpaper\\OCEAN WALLPAPER dir\\uninstall.exe\"");
}

TEST_F(UninstallTest, ShortFormOnWindows98) {
  host().setVersion(HostPlatform::windows98());
  host().setShortPath("C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe",
                      "C:\\WINDOWS\\WEB\\WALLPA~1\\OCEAND~1\\UNINST~1.EXE");
  expectSuccess(writeUninstallEntry(host(), "Ocean"));
  EXPECT_EQ(machineString("Ocean", "UninstallString"), "C:\\WINDOWS\\WEB\\WALLPA~1\\OCEAND~1\\UNINST~1.EXE");
}

TEST_F(UninstallTest, Windows98WithoutAShortFormKeepsTheQuotedLongForm) {
  host().setVersion(HostPlatform::windows98());
  host().setShortPath("C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe", "");
  EXPECT_EQ(uninstallCommand(host(), host(), "Ocean"), "\"C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe\"");
}

TEST_F(UninstallTest, ShortFormIsNotAskedForOnWindows2000) {
  host().setShortPath("C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe", "C:\\X~1.EXE");
  EXPECT_EQ(uninstallCommand(host(), host(), "Ocean"), "\"C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe\"");
}

TEST_F(UninstallTest, ExistingEntryKeepsItsOtherValues) {
  host().putString(RegRoot::LocalMachine, kUninstall + "Ocean", "DisplayName", "old");
  host().putString(RegRoot::LocalMachine, kUninstall + "Ocean", "Publisher", "Moviva");
  host().putDword(RegRoot::LocalMachine, kUninstall + "Ocean", "NoModify", 1);
  expectSuccess(writeUninstallEntry(host(), "Ocean"));
  EXPECT_EQ(machineString("Ocean", "DisplayName"), "Ocean Wallpaper");
  EXPECT_EQ(machineString("Ocean", "Publisher"), "Moviva");
  uint32_t n = 0;
  EXPECT_TRUE(host().getDword(RegRoot::LocalMachine, kUninstall + "Ocean", "NoModify", n));
  EXPECT_EQ(n, 1u);
}

TEST_F(UninstallTest, EmptyTitleTouchesNothing) {
  host().putString(RegRoot::LocalMachine, kUninstall + "Other", "DisplayName", "Other");
  expectSuccess(writeUninstallEntry(host(), ""));
  removeUninstallEntry(host(), "");
  EXPECT_TRUE(host().callLog.empty());
  EXPECT_EQ(machineString("Other", "DisplayName"), "Other");
}

TEST_F(UninstallTest, MachineKeyThatCannotBeCreated) {
  host().setKeyUnwritable(RegRoot::LocalMachine, kUninstall + "Ocean");
  EXPECT_EQ(writeExpectingError("Ocean"), "Failed to create key " + kUninstall + "Ocean");
  // It stops at the first value: the second is not attempted.
  EXPECT_EQ(host().callsStartingWith("regCreateKey HKLM").size(), 1u);
  // The per-user key of step one stays, as the system leaves it.
  EXPECT_TRUE(host().keyExists(RegRoot::CurrentUser, kUninstall + "Ocean"));
  EXPECT_EQ(host().openKeyCount(), 0);
}

TEST_F(UninstallTest, RemoveDeletesValuesThenTheKey) {
  expectSuccess(writeUninstallEntry(host(), "Ocean"));
  host().createKey(RegRoot::LocalMachine, kUninstall + "Ocean\\Sub");
  host().callLog.clear();
  removeUninstallEntry(host(), "Ocean");
  EXPECT_FALSE(host().keyExists(RegRoot::LocalMachine, kUninstall + "Ocean"));
  const std::string hklm = "HKLM\\" + kUninstall + "Ocean";
  const std::vector<std::string> expected = {
      "regOpenKey " + hklm + " write",
      "regDeleteValue " + hklm + " [DisplayName]",
      "regDeleteValue " + hklm + " [UninstallString]",
      "regCloseKey " + hklm,
      "regDeleteTree " + hklm,
  };
  EXPECT_EQ(host().callLog, expected);
}

// What the list of installed programs shows: the size in kilobytes rounded up and held in 32 bits, no
// Change or Repair button, the folder and the icon; written only into an entry that exists, and gone
// with the key.
TEST_F(UninstallTest, DetailsForTheListOfInstalledPrograms) {
  UninstallDetails details{"C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\", "C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe", 0};
  writeUninstallDetails(host(), "Ocean", details);
  EXPECT_FALSE(host().keyExists(RegRoot::LocalMachine, kUninstall + "Ocean"));  // no entry, nothing made

  expectSuccess(writeUninstallEntry(host(), "Ocean"));
  const std::string key = kUninstall + "Ocean";
  struct Size { uint64_t bytes; uint32_t kilobytes; };
  for (const Size& size : {Size{0, 0}, Size{1, 1}, Size{1024, 1}, Size{1025, 2}, Size{5u << 20, 5120},
                           Size{uint64_t(1) << 50, 0xFFFFFFFFu}}) {
    details.installedBytes = size.bytes;
    writeUninstallDetails(host(), "Ocean", details);
    uint32_t value = 7;
    ASSERT_TRUE(host().getDword(RegRoot::LocalMachine, key, "EstimatedSize", value));
    EXPECT_EQ(value, size.kilobytes) << size.bytes;
  }
  for (const char* name : {"NoModify", "NoRepair"}) {
    uint32_t value = 0;
    ASSERT_TRUE(host().getDword(RegRoot::LocalMachine, key, name, value)) << name;
    EXPECT_EQ(value, 1u) << name;
  }
  EXPECT_EQ(machineString("Ocean", "InstallLocation"), details.installLocation);
  EXPECT_EQ(machineString("Ocean", "DisplayIcon"), details.displayIcon);
  EXPECT_EQ(machineString("Ocean", "DisplayName"), "Ocean Wallpaper");  // the two values stay as they were

  removeUninstallEntry(host(), "Ocean");
  EXPECT_FALSE(host().keyExists(RegRoot::LocalMachine, key));
}

TEST_F(UninstallTest, RemoveWithoutAnEntryOrAccessDoesNothing) {
  removeUninstallEntry(host(), "Ocean");
  EXPECT_EQ(host().callsStartingWith("regDeleteTree").size(), 0u);
  host().putString(RegRoot::LocalMachine, kUninstall + "Ocean", "DisplayName", "x");
  host().setKeyUnwritable(RegRoot::LocalMachine, kUninstall + "Ocean", /*openFails=*/true);
  removeUninstallEntry(host(), "Ocean");
  EXPECT_EQ(machineString("Ocean", "DisplayName"), "x");
}

TEST_F(UninstallTest, TitleWithABackslashAddressesNoOtherKey) {
  host().putString(RegRoot::LocalMachine, kUninstall + "Other", "DisplayName", "Other");
  expectSuccess(writeUninstallEntry(host(), "\\"));
  removeUninstallEntry(host(), "\\");
  removeUninstallEntry(host(), "..\\Other");
  EXPECT_TRUE(host().callLog.empty());
  EXPECT_EQ(machineString("Other", "DisplayName"), "Other");
}

}  // namespace
}  // namespace mv
