// The Active Desktop wallpaper on the host platform: registry values, the order of registry, COM and
// shell calls, and the failures with their texts.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "desktop/desktop.h"
#include "package/datafile.h"
#include "platform/host/host_platform.h"

namespace mv {
namespace {

const char* const kComponent = "Software\\Microsoft\\Internet Explorer\\Desktop\\Components\\0";
const char* const kGeneral = "Software\\Microsoft\\Internet Explorer\\Desktop\\General";
const char* const kColors = "Control Panel\\Colors";
const char* const kPage = "C:\\WINDOWS\\Web\\Wallpaper\\Ocean.html";

class WallpaperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host().putDword(RegRoot::CurrentUser, kComponent, "Flags", 0x2002);
    host().putString(RegRoot::CurrentUser, kGeneral, "Wallpaper", "old.bmp");
    host().putString(RegRoot::CurrentUser, kColors, "Background", "58 110 165");
    WindowHandle progman = host().addWindow("Progman", "Program Manager");
    WindowHandle defView = host().addChild(progman, "SHELLDLL_DefView");
    view = host().addChild(defView, "SysListView32", "FolderView");
  }
  HostPlatform& host() { return sandbox->platform(); }
  void freshSandbox() {
    sandbox.reset();  // uninstalls the old platform before the new one installs itself
    sandbox = std::make_unique<HostSandbox>();
  }
  std::string userString(const char* key, const char* name) {
    return host().getString(RegRoot::CurrentUser, key, name);
  }
  // Runs the operation and returns the text of its failure ("" when it succeeds).
  std::string runExpectingError(int r = 0, int g = 0, int b = 0) {
    Result status = setActiveDesktopWallpaper(host(), kPage, r, g, b);
    return status.ok() ? "" : status.text();
  }
  static void expectSuccess(const Result& status) { EXPECT_TRUE(status.ok()) << status.text(); }
  std::vector<std::string> calls(const std::string& prefix) { return host().callsStartingWith(prefix); }

  std::unique_ptr<HostSandbox> sandbox = std::make_unique<HostSandbox>();
  WindowHandle view = 0;
};

TEST_F(WallpaperTest, StepsRunInTheirOrder) {
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 255, 128, 0));
  const std::string comp = std::string("HKCU\\") + kComponent;
  const std::string gen = std::string("HKCU\\") + kGeneral;
  const std::string col = std::string("HKCU\\") + kColors;
  const std::vector<std::string> expected = {
      "setCursor Wait",
      "regOpenKey " + comp + " write",
      "regQueryValue " + comp + " [Flags]",
      "regSetValue " + comp + " [Flags] = 0x2",
      "regCloseKey " + comp,
      "regOpenKey " + gen + " write",
      "regSetValue " + gen + " [Wallpaper] = \"\"",
      "regCloseKey " + gen,
      "ActiveDesktop.create",
      "ActiveDesktop.setDesktopItemOptions 1 1",
      "ActiveDesktop.setWallpaper ",
      "ActiveDesktop.applyChanges 0xf",
      "regOpenKey " + col + " write",
      "regSetValue " + col + " [Background] = \"255 128 0\"",
      "regCloseKey " + col,
      "regOpenKey " + gen + " write",
      "regSetValue " + gen + " [Wallpaper] = \"" + kPage + "\"",
      "regCloseKey " + gen,
      "ActiveDesktop.create",
      "ActiveDesktop.release",
      "ActiveDesktop.setDesktopItemOptions 1 1",
      "ActiveDesktop.setWallpaper " + std::string(kPage),
      "ActiveDesktop.applyChanges 0xf",
      "setDeskWallpaper " + std::string(kPage) + " 0",
      "setDeskWallpaper (null) 2",
      "postMessage SysListView32 0x100 0x74 3",
      "ActiveDesktop.release",  // the second object lives to the end of the operation
      "setCursor Default",
  };
  EXPECT_EQ(host().callLog, expected);
  EXPECT_EQ(host().activeDesktopsAlive, 0);
  EXPECT_EQ(host().openKeyCount(), 0);
  ASSERT_EQ(host().messages.size(), 1u);
  EXPECT_EQ(host().messages[0].kind, HostPlatform::MessageKind::Post);
  EXPECT_EQ(host().messages[0].window, view);
}

TEST_F(WallpaperTest, ValuesAfterwards) {
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 255, 128, 0));
  uint32_t flags = 0;
  ASSERT_TRUE(host().getDword(RegRoot::CurrentUser, kComponent, "Flags", flags));
  EXPECT_EQ(flags, 0x0002u);
  EXPECT_EQ(userString(kGeneral, "Wallpaper"), kPage);
  EXPECT_EQ(userString(kColors, "Background"), "255 128 0");
  ASSERT_EQ(host().wallpaperCalls.size(), 2u);
  EXPECT_TRUE(host().wallpaperCalls[0].hasPath);
  EXPECT_EQ(host().wallpaperCalls[0].path, kPage);
  EXPECT_EQ(host().wallpaperCalls[0].flags, 0u);
  EXPECT_FALSE(host().wallpaperCalls[1].hasPath);
  EXPECT_EQ(host().wallpaperCalls[1].flags, 2u);
  EXPECT_EQ(host().cursor(), Cursor::Default);
}

TEST_F(WallpaperTest, FlagsWithoutTheBitAreNotWritten) {
  host().putDword(RegRoot::CurrentUser, kComponent, "Flags", 0x0002);
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 0, 0, 0));
  EXPECT_EQ(calls("regQueryValue").size(), 1u);
  for (const std::string& line : calls("regSetValue")) EXPECT_EQ(line.find("[Flags]"), std::string::npos) << line;
  uint32_t flags = 0;
  ASSERT_TRUE(host().getDword(RegRoot::CurrentUser, kComponent, "Flags", flags));
  EXPECT_EQ(flags, 0x0002u);
}

TEST_F(WallpaperTest, OnlyBit2000IsCleared) {
  host().putDword(RegRoot::CurrentUser, kComponent, "Flags", 0xFFFFFFFFu);
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 0, 0, 0));
  uint32_t flags = 0;
  ASSERT_TRUE(host().getDword(RegRoot::CurrentUser, kComponent, "Flags", flags));
  EXPECT_EQ(flags, 0xFFFFDFFFu);
}

TEST_F(WallpaperTest, ColourTexts) {
  struct Case { int r, g, b; const char* text; };
  for (const Case& c : {Case{0, 0, 0, "0 0 0"}, Case{255, 128, 0, "255 128 0"}, Case{-1, 0, 255, "-1 0 255"},
                        Case{-2147483647 - 1, 2147483647, -1, "-2147483648 2147483647 -1"}}) {
    expectSuccess(setActiveDesktopWallpaper(host(), kPage, c.r, c.g, c.b));
    EXPECT_EQ(userString(kColors, "Background"), c.text);
  }
}

TEST_F(WallpaperTest, MissingKeysAreSkippedAndNothingIsCreated) {
  freshSandbox();  // a registry without any of the three keys
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 1, 2, 3));
  EXPECT_TRUE(calls("regQueryValue").empty());
  EXPECT_TRUE(calls("regSetValue").empty());
  EXPECT_TRUE(calls("regCreateKey").empty());
  EXPECT_FALSE(host().keyExists(RegRoot::CurrentUser, kComponent));
  EXPECT_FALSE(host().keyExists(RegRoot::CurrentUser, kGeneral));
  EXPECT_FALSE(host().keyExists(RegRoot::CurrentUser, kColors));
  // Both Active Desktop passes and the system wallpaper calls still run; no desktop view, no F5.
  EXPECT_EQ(calls("ActiveDesktop.applyChanges").size(), 2u);
  EXPECT_EQ(host().wallpaperCalls.size(), 2u);
  EXPECT_TRUE(calls("postMessage").empty());
  EXPECT_EQ(host().cursor(), Cursor::Default);
}

// The operation works on the platform it is handed, whichever one the process has installed.
TEST_F(WallpaperTest, WorksOnThePlatformItIsHanded) {
  HostSandbox installed;  // installs itself for the process; the fixture's platform is only handed in
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 1, 2, 3));
  EXPECT_EQ(userString(kGeneral, "Wallpaper"), kPage);
  EXPECT_EQ(userString(kColors, "Background"), "1 2 3");
  EXPECT_EQ(host().wallpaperCalls.size(), 2u);
  EXPECT_TRUE(installed->callLog.empty());
  EXPECT_TRUE(installed->wallpaperCalls.empty());
}

TEST_F(WallpaperTest, ComponentKeyMissingRestStillRuns) {
  ASSERT_EQ(host().regDeleteTree(RegRoot::CurrentUser, kComponent), 0);
  host().callLog.clear();
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 1, 2, 3));
  EXPECT_TRUE(calls("regQueryValue").empty());
  EXPECT_EQ(userString(kGeneral, "Wallpaper"), kPage);
  EXPECT_EQ(userString(kColors, "Background"), "1 2 3");
}

TEST_F(WallpaperTest, KeyThatCannotBeOpenedForWritingIsSkipped) {
  host().setKeyUnwritable(RegRoot::CurrentUser, kGeneral, /*openFails=*/true);
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 1, 2, 3));
  EXPECT_EQ(userString(kGeneral, "Wallpaper"), "old.bmp");
  EXPECT_EQ(userString(kColors, "Background"), "1 2 3");
  EXPECT_EQ(calls("ActiveDesktop.setWallpaper").size(), 2u);
}

TEST_F(WallpaperTest, DesktopViewNeedsBothChildren) {
  freshSandbox();
  WindowHandle progman = host().addWindow("Progman", "Program Manager");
  host().addChild(progman, "SHELLDLL_DefView");  // no grandchild
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 0, 0, 0));
  EXPECT_TRUE(host().messages.empty());
}

// Every error: its text, the cursor back to normal (our own mend), no key left open.
TEST_F(WallpaperTest, ErrorsCarryTheSystemTextsAndRestoreTheCursor) {
  struct Case {
    const char* what;
    std::function<void(HostPlatform&)> arrange;
    const char* text;
  };
  const std::vector<Case> cases = {
      {"no Flags", [](HostPlatform& h) {
         ASSERT_EQ(h.regDeleteTree(RegRoot::CurrentUser, kComponent), 0);
         h.createKey(RegRoot::CurrentUser, kComponent);
       }, "Failed to get data for 'Flags'"},
      {"Flags as text", [](HostPlatform& h) { h.putString(RegRoot::CurrentUser, kComponent, "Flags", "8194"); },
       "Invalid data type for 'Flags'"},
      {"Flags as 8 bytes", [](HostPlatform& h) {
         RegValue v;
         v.type = RegType::Binary;
         v.data.assign(8, 0);
         h.putValue(RegRoot::CurrentUser, kComponent, "Flags", v);
       }, "Invalid data type for 'Flags'"},
      {"Flags unwritable", [](HostPlatform& h) { h.setKeyUnwritable(RegRoot::CurrentUser, kComponent); },
       "Failed to set data for 'Flags'"},
      {"Wallpaper unwritable", [](HostPlatform& h) { h.setKeyUnwritable(RegRoot::CurrentUser, kGeneral); },
       "Failed to set data for 'Wallpaper'"},
      {"Background unwritable", [](HostPlatform& h) { h.setKeyUnwritable(RegRoot::CurrentUser, kColors); },
       "Failed to set data for 'Background'"},
      {"no Active Desktop", [](HostPlatform& h) { h.activeDesktopFailure = "Class not registered"; },
       "Class not registered"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    freshSandbox();
    SetUp();
    c.arrange(host());
    EXPECT_EQ(runExpectingError(), c.text);
    EXPECT_EQ(host().cursor(), Cursor::Default);
    ASSERT_FALSE(host().cursorChanges.empty());
    EXPECT_EQ(host().cursorChanges.front(), Cursor::Wait);
    EXPECT_EQ(host().openKeyCount(), 0);
    EXPECT_EQ(host().activeDesktopsAlive, 0);
    EXPECT_TRUE(host().wallpaperCalls.empty());
    EXPECT_TRUE(host().messages.empty());
  }
}

TEST_F(WallpaperTest, WithoutActiveDesktopTheEarlierRegistryChangesStay) {
  host().activeDesktopFailure = "Class not registered";
  EXPECT_EQ(runExpectingError(9, 9, 9), "Class not registered");
  uint32_t flags = 0;
  ASSERT_TRUE(host().getDword(RegRoot::CurrentUser, kComponent, "Flags", flags));
  EXPECT_EQ(flags, 0x0002u);
  EXPECT_EQ(userString(kGeneral, "Wallpaper"), "");
  EXPECT_EQ(userString(kColors, "Background"), "58 110 165");
}

TEST_F(WallpaperTest, RegisterWallpaperPageUsesTheDataTitleInFull) {
  const std::string title(64, 'T');
  std::string header(kDataHeaderSize, '\0');
  const size_t titleAt = 248;  // the data header's title field
  header.replace(titleAt, 64, title);  // no terminating zero: all 64 bytes are the title
  header.replace(titleAt + 64, 4, "XXXX");  // bytes after the field are not part of it
  struct Unheard : Reporter {
    void fileError(Result, const std::string&) override {}
    void error(const std::string&) override {}
    void information(const std::string&) override {}
  } unheard;
  PackageSession session(unheard);
  session.dataFilePath = "C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\data.mvd";
  DataFileReader dataFile;
  host().createDirectory("C:\\WINDOWS\\Web");
  host().createDirectory("C:\\WINDOWS\\Web\\Wallpaper");
  host().createDirectory("C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir");
  ASSERT_TRUE(host().writeWholeFile(session.dataFilePath, header));
  ASSERT_EQ(dataFile.readDataHeader(platform(), session), 0);

  expectSuccess(registerWallpaperPage(host(), "C:\\WINDOWS\\", dataFile.dataTitle(), 10, -1, 300));
  const std::string page = "C:\\WINDOWS\\Web\\Wallpaper\\" + title + ".html";
  EXPECT_EQ(userString(kGeneral, "Wallpaper"), page);
  EXPECT_EQ(userString(kColors, "Background"), "10 -1 300");
  ASSERT_EQ(host().wallpaperCalls.size(), 2u);
  EXPECT_EQ(host().wallpaperCalls[0].path, page);
  EXPECT_EQ(calls("ActiveDesktop.setWallpaper").back(), "ActiveDesktop.setWallpaper " + page);
}

// Whether the shell took the page is reported beside the result, and changes none of the calls: the
// still wallpaper is decided on it (Wine's Active Desktop answers E_NOTIMPL).
TEST_F(WallpaperTest, ReportsWhetherTheShellTookThePageWithTheSameCalls) {
  bool taken = false;
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 1, 2, 3, &taken));
  EXPECT_TRUE(taken);
  const std::vector<std::string> accepted = host().callLog;

  freshSandbox();
  SetUp();
  host().activeDesktopResult = int32_t(0x80004001);  // E_NOTIMPL
  taken = true;
  expectSuccess(setActiveDesktopWallpaper(host(), kPage, 1, 2, 3, &taken));
  EXPECT_FALSE(taken);
  EXPECT_EQ(host().callLog, accepted);
  EXPECT_EQ(userString(kGeneral, "Wallpaper"), kPage);
}

}  // namespace
}  // namespace mv
