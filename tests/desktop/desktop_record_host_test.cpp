// The desktop record on the host platform: contents installed, reinstalled and released in every order
// give the user's own wallpaper and colour back with the last of them, show the most recent remaining
// content's in between, never name a picture that is gone, and leave alone what the user chose since.
#include <gtest/gtest.h>

#include <string>

#include "desktop/desktop_record.h"
#include "desktop/desktop_record_names.h"
#include "platform/file_helpers.h"
#include "platform/host/host_platform.h"

namespace mv::desktop_record {
namespace {

const std::string kWallpaperFolder = "C:\\WINDOWS\\Web\\Wallpaper\\";
const std::string kOwnPicture = "C:\\WINDOWS\\bliss.bmp";
const std::string kOwnColour = "58 110 165";
const char* const kDesktop = MV_DESKTOP_KEY;
const char* const kColors = MV_COLORS_KEY;
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string folderOf(const std::string& title) { return kWallpaperFolder + title + " dir\\"; }
std::string pictureOf(const std::string& title) { return folderOf(title) + "still wallpaper.bmp"; }

class DesktopRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host().createDirectory("C:\\WINDOWS\\Web"));
    ASSERT_TRUE(host().createDirectory("C:\\WINDOWS\\Web\\Wallpaper"));
    ASSERT_TRUE(host().writeWholeFile(kOwnPicture, "BM the user's"));
    host().putString(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER, kOwnPicture);
    host().putString(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER_STYLE, "2");
    host().putString(RegRoot::CurrentUser, kDesktop, MV_TILE_WALLPAPER, "1");
    host().putString(RegRoot::CurrentUser, kColors, MV_BACKGROUND, kOwnColour);
  }
  HostPlatform& host() { return sandbox.platform(); }

  // What an installation does to the desktop: the record first, then the colour, then the still picture.
  void install(const std::string& title, const std::string& colour, bool picture = true) {
    const std::string folder = folderOf(title);
    if (!folderExists(host(), folder)) {
      ASSERT_TRUE(host().createDirectory(folder));
    }
    ASSERT_TRUE(recordContent(host(), {title, folder, kWallpaperFolder + title + ".html", colour}).ok());
    host().putString(RegRoot::CurrentUser, kColors, MV_BACKGROUND, colour);
    if (!picture) return;
    ASSERT_TRUE(host().writeWholeFile(pictureOf(title), "BM " + title));
    ASSERT_TRUE(recordPicture(host(), title, pictureOf(title)));
    host().putString(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER, pictureOf(title));
    host().putString(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER_STYLE, "0");
    host().putString(RegRoot::CurrentUser, kDesktop, MV_TILE_WALLPAPER, "0");
  }
  // The uninstaller's part: the release, then the folder goes.
  Released uninstall(const std::string& title) {
    const Released released = release(host(), title, folderOf(title));
    EXPECT_TRUE(host().deleteFile(pictureOf(title)) || !fileExists(host(), pictureOf(title)));
    (void)host().removeDirectory(folderOf(title));
    return released;
  }
  void removeValue(const char* keyPath, const char* name) {
    RegKey key = 0;
    ASSERT_EQ(host().regOpenKey(RegRoot::CurrentUser, keyPath, true, key), 0);
    EXPECT_EQ(host().regDeleteValue(key, name), 0);
    host().regCloseKey(key);
  }
  std::string desktop(const char* name) { return host().getString(RegRoot::CurrentUser, kDesktop, name); }
  std::string colour() { return host().getString(RegRoot::CurrentUser, kColors, MV_BACKGROUND); }
  bool recordExists() { return host().keyExists(RegRoot::CurrentUser, MV_RECORD_KEY); }
  void expectOwnDesktop() {
    EXPECT_EQ(desktop(MV_WALLPAPER), kOwnPicture);
    EXPECT_EQ(desktop(MV_WALLPAPER_STYLE), "2");
    EXPECT_EQ(desktop(MV_TILE_WALLPAPER), "1");
    EXPECT_EQ(colour(), kOwnColour);
    EXPECT_EQ(host().desktopColour, 0x3A6EA5u);  // the session's colour too
    EXPECT_FALSE(recordExists());
    EXPECT_EQ(host().openKeyCount(), 0);
  }
  HostSandbox sandbox;
};

TEST_F(DesktopRecord, TwoContentsReleasedInEitherOrderGiveTheUsersDesktopBack) {
  for (bool firstGoesFirst : {true, false}) {
    SCOPED_TRACE(firstGoesFirst ? "A, B" : "B, A");
    install("Alpha", "10 20 30");
    install("Beta", "40 50 60");
    EXPECT_EQ(host().getString(RegRoot::CurrentUser, MV_RECORD_KEY, MV_WALLPAPER), kOwnPicture);
    EXPECT_EQ(host().getString(RegRoot::CurrentUser, MV_RECORD_KEY, MV_BACKGROUND), kOwnColour);

    const Released first = uninstall(firstGoesFirst ? "Alpha" : "Beta");
    if (firstGoesFirst) {  // Beta's picture and colour are showing: Alpha's going changes nothing
      EXPECT_EQ(first.wallpaper, Restored::untouched);
      EXPECT_EQ(first.colour, Restored::untouched);
      EXPECT_EQ(desktop(MV_WALLPAPER), pictureOf("Beta"));
    } else {  // Alpha's come back while Alpha stays
      EXPECT_EQ(first.wallpaper, Restored::content);
      EXPECT_EQ(first.wallpaperFrom, "Alpha");
      EXPECT_EQ(first.colour, Restored::content);
      EXPECT_EQ(desktop(MV_WALLPAPER), pictureOf("Alpha"));
      EXPECT_EQ(colour(), "10 20 30");
      EXPECT_EQ(host().desktopColour, 0x0A141Eu);
    }
    EXPECT_TRUE(recordExists());
    const Released last = uninstall(firstGoesFirst ? "Beta" : "Alpha");
    EXPECT_EQ(last.wallpaper, Restored::own);
    EXPECT_EQ(last.colour, Restored::own);
    expectOwnDesktop();
  }
}

TEST_F(DesktopRecord, AReinstallKeepsTheUsersRecordAndCountsAsTheMostRecent) {
  install("Alpha", "10 20 30");
  install("Beta", "40 50 60");
  install("Alpha", "11 21 31");  // over itself: its picture and colour show again
  EXPECT_EQ(host().getString(RegRoot::CurrentUser, MV_RECORD_KEY, MV_WALLPAPER), kOwnPicture);
  EXPECT_EQ(uninstall("Alpha").wallpaperFrom, "Beta");
  EXPECT_EQ(desktop(MV_WALLPAPER), pictureOf("Beta"));
  EXPECT_EQ(colour(), "40 50 60");
  uninstall("Beta");
  expectOwnDesktop();
}

// A cancelled or failed reinstallation removes the content folder with the earlier installation's
// picture; the clean-up releases the content as the uninstaller would.
TEST_F(DesktopRecord, ACancelledReinstallReleasesTheEarlierInstallation) {
  install("Alpha", "10 20 30");
  ASSERT_TRUE(recordContent(host(), {"Alpha", folderOf("Alpha"), kWallpaperFolder + "Alpha.html", "10 20 30"}).ok());
  EXPECT_EQ(uninstall("Alpha").wallpaper, Restored::own);
  expectOwnDesktop();
}

TEST_F(DesktopRecord, WhatTheUserChoseSinceIsLeftAlone) {
  install("Alpha", "10 20 30");
  host().putString(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER, "C:\\WINDOWS\\chosen.bmp");
  host().putString(RegRoot::CurrentUser, kColors, MV_BACKGROUND, "1 2 3");
  const Released released = uninstall("Alpha");
  EXPECT_EQ(released.wallpaper, Restored::untouched);
  EXPECT_EQ(released.colour, Restored::untouched);
  EXPECT_EQ(desktop(MV_WALLPAPER), "C:\\WINDOWS\\chosen.bmp");
  EXPECT_EQ(colour(), "1 2 3");
  EXPECT_EQ(host().desktopColourCalls, 0);
  EXPECT_FALSE(recordExists());  // the last content took it along all the same
}

TEST_F(DesktopRecord, TheWallpaperNeverNamesAPictureThatIsGone) {
  install("Alpha", "10 20 30");
  install("Beta", "40 50 60");
  ASSERT_TRUE(host().deleteFile(pictureOf("Alpha")));  // Alpha's picture went by other hands
  EXPECT_EQ(uninstall("Beta").wallpaper, Restored::own);  // so the user's own comes back at once
  EXPECT_EQ(desktop(MV_WALLPAPER), kOwnPicture);
  EXPECT_EQ(colour(), "10 20 30");  // Alpha's colour still stands for Alpha

  ASSERT_TRUE(host().deleteFile(kOwnPicture));
  host().putString(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER, folderOf("Alpha") + "other.bmp");
  EXPECT_EQ(uninstall("Alpha").wallpaper, Restored::cleared);  // any file of its folder is ours
  EXPECT_EQ(desktop(MV_WALLPAPER), "");
  EXPECT_EQ(colour(), kOwnColour);
}

TEST_F(DesktopRecord, WhatTheUserDidNotHaveIsNoValueAfterwards) {
  removeValue(kDesktop, MV_WALLPAPER);
  removeValue(kColors, MV_BACKGROUND);
  install("Alpha", "10 20 30");
  RegValue value;
  EXPECT_FALSE(host().getValue(RegRoot::CurrentUser, MV_RECORD_KEY, MV_WALLPAPER, value));
  EXPECT_FALSE(host().getValue(RegRoot::CurrentUser, MV_RECORD_KEY, MV_BACKGROUND, value));
  uninstall("Alpha");
  EXPECT_FALSE(host().getValue(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER, value));
  EXPECT_FALSE(host().getValue(RegRoot::CurrentUser, kColors, MV_BACKGROUND, value));
  ASSERT_FALSE(host().wallpaperCalls.empty());
  EXPECT_EQ(host().wallpaperCalls.back().path, "");  // the session's picture goes too
}

// An installation by an installer before the record kept the user's wallpaper in its uninstall entry.
TEST_F(DesktopRecord, AnInstallationWithoutRecordIsReleasedFromItsEntry) {
  const std::string entry = kUninstall + "Old";
  ASSERT_TRUE(host().createDirectory(folderOf("Old")));
  ASSERT_TRUE(host().writeWholeFile(pictureOf("Old"), "BM old"));
  host().putString(RegRoot::LocalMachine, entry, MV_ENTRY_PICTURE, pictureOf("Old"));
  host().putString(RegRoot::LocalMachine, entry, MV_ENTRY_PREVIOUS_PATH, kOwnPicture);
  host().putString(RegRoot::LocalMachine, entry, MV_ENTRY_PREVIOUS_STYLE, "2");
  host().putString(RegRoot::LocalMachine, entry, MV_ENTRY_PREVIOUS_TILE, "1");
  host().putString(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER, pictureOf("Old"));

  // Reinstalled by today's installer: the user's own is the entry's, not the old picture.
  install("Old", "10 20 30");
  EXPECT_EQ(host().getString(RegRoot::CurrentUser, MV_RECORD_KEY, MV_WALLPAPER), kOwnPicture);
  EXPECT_EQ(host().getString(RegRoot::CurrentUser, MV_RECORD_KEY, MV_TILE_WALLPAPER), "1");
  uninstall("Old");
  expectOwnDesktop();

  // Released without any record: from the entry alone; the colour was never recorded and stays.
  ASSERT_TRUE(host().createDirectory(folderOf("Old")));
  ASSERT_TRUE(host().writeWholeFile(pictureOf("Old"), "BM old"));
  host().putString(RegRoot::CurrentUser, kDesktop, MV_WALLPAPER, pictureOf("Old"));
  host().putString(RegRoot::CurrentUser, kColors, MV_BACKGROUND, "10 20 30");
  EXPECT_EQ(uninstall("Old").wallpaper, Restored::own);
  EXPECT_EQ(desktop(MV_WALLPAPER), kOwnPicture);
  EXPECT_EQ(desktop(MV_WALLPAPER_STYLE), "2");
  EXPECT_EQ(colour(), "10 20 30");
}

TEST_F(DesktopRecord, ARecordThatCannotBeWrittenFailsBeforeAnythingChanges) {
  host().setKeyUnwritable(RegRoot::CurrentUser, MV_RECORD_KEY);
  const Result result = recordContent(host(), {"Alpha", folderOf("Alpha"), "", "1 2 3"});
  EXPECT_EQ(result.code(), rc::failedWithText);
  EXPECT_EQ(result.text(), "Failed to create key " MV_RECORD_KEY);
  EXPECT_EQ(colour(), kOwnColour);
  EXPECT_EQ(host().openKeyCount(), 0);
}

TEST(DesktopColour, ThreeDecimalsAndNothingElse) {
  int r = 0, g = 0, b = 0;
  EXPECT_TRUE(parseColour("58 110 165", r, g, b));
  EXPECT_EQ(r * 1000000 + g * 1000 + b, 58110165);
  EXPECT_TRUE(parseColour("-1 0 255", r, g, b));
  EXPECT_EQ(r, -1);
  for (const char* bad : {"", "1 2", "1 2 3 ", "1  2 3", "a b c", "1,2,3", "1 2 3 4", "- 1 2", "1 2 99999999999"})
    EXPECT_FALSE(parseColour(bad, r, g, b)) << bad;
}

}  // namespace
}  // namespace mv::desktop_record
