// The still wallpaper as the installation's last step, on the host platform with the headless window:
// where it runs, that it comes after the uninstall entry it records in, and that nothing it meets
// changes how the installation ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "../flash/render/movie_builder.h"
#include "installer_fixture.h"
#include "package_writer.h"
#include "support/user_texts.h"

namespace mv::test {
namespace {

const char* const kExe = "C:\\Downloads\\install.exe";
const std::string kContent = "C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\";
const std::string kPicture = kContent + "still wallpaper.bmp";
const std::string kEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ocean";
const char* const kDesktop = "Control Panel\\Desktop";

class StillInstallTest : public InstallerFixture {
 protected:
  void SetUp() override {
    InstallerFixture::SetUp();
    sb->screenWidth = 64;
    sb->screenHeight = 48;
    sb->realVersionSet = true;
    sb->realVersion = {2, 10, 0, 19045};  // Windows 10; the program itself is told 6.2
    sb->putString(RegRoot::CurrentUser, kDesktop, "Wallpaper", "C:\\WINDOWS\\bliss.bmp");
  }
  // The typical package; its page names no movie, so the data file's first movie is drawn.
  void install(const std::string& movie) {
    DataFileLayout d;
    d.title = "Ocean";
    d.entries.push_back({"readme.txt", 0, bytesOf("read me"), false, -1});
    d.entries.push_back({"Ocean.swf", 0, bytesOf(movie), false, -1});
    const Bytes exe = buildInstaller(peStub(), typicalPackage("Ocean", buildDataFile(d)));
    ASSERT_TRUE(sb->writeWholeFile(kExe, std::string(exe.begin(), exe.end())));
    createWindow();
    logic->onInstallClicked();
  }
  bool exists(const std::string& path) { return sb->getAttributes(path) != attr::invalid; }
  std::string wallpaper() { return sb->getString(RegRoot::CurrentUser, kDesktop, "Wallpaper"); }
  void expectCompleteWithoutBoxes() {
    EXPECT_EQ(view.statuses.back(), text::complete);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{text::showDesktopQuestion});  // the package's offer alone
    EXPECT_EQ(logic->exitCode(), exitcode::installed);
  }
};

// A 550 x 400 stage with a red square on it.
std::string goodMovie() {
  using namespace rendertest;
  Styles styles;
  const int red = styles.solid(Colour{255, 0, 0});
  Records square;
  square.move(0, 0, 0, red).rectangle(100 * 20, 100 * 20, 300 * 20, 300 * 20);
  return movie(6, 550, 400, defineShape(1, 1, styles, square) + place(1, 1));
}
const std::string kGoodMovie = goodMovie();

TEST_F(StillInstallTest, OnWindows10TheMovieBecomesTheWallpaperAfterTheEntryIsWritten) {
  install(kGoodMovie);
  expectCompleteWithoutBoxes();
  EXPECT_EQ(wallpaper(), kPicture);
  std::string bmp;
  ASSERT_TRUE(sb->readWholeFile(kPicture, bmp));
  EXPECT_EQ(bmp.size(), 54u + 64 * 3 * 48);
  EXPECT_EQ(sb->getString(RegRoot::LocalMachine, kEntry, "StillWallpaper"), kPicture);
  // The user's wallpaper is in the desktop record, taken before the page was registered.
  EXPECT_EQ(sb->getString(RegRoot::CurrentUser, "Software\\Moviva\\Desktop", "Wallpaper"), "C:\\WINDOWS\\bliss.bmp");
  EXPECT_EQ(sb->getString(RegRoot::LocalMachine, kEntry, "DisplayName"), "Ocean Wallpaper");

  // The Active Desktop step ran as always, first; the picture comes after the entry it is recorded in.
  const std::vector<std::string>& log = sb->callLog;
  auto at = [&](const std::string& prefix) {
    return std::find_if(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }) -
           log.begin();
  };
  EXPECT_LT(at("regSetValue HKCU\\Software\\Moviva\\Desktop [Wallpaper]"),
            at("regSetValue HKCU\\Control Panel\\Colors [Background]"));
  EXPECT_LT(at("setDeskWallpaper C:\\WINDOWS\\Web\\Wallpaper\\Ocean.html 0"),
            at("regSetValue HKLM\\" + kEntry + " [UninstallString]"));
  EXPECT_LT(at("regSetValue HKLM\\" + kEntry + " [UninstallString]"), at("setDeskWallpaper " + kPicture + " 3"));
  EXPECT_EQ(sb->openFileCount(), 0);
}

TEST_F(StillInstallTest, ARefusedMovieEndsAsBefore) {
  install("FWS\x02 a movie of version 2");
  expectCompleteWithoutBoxes();
  EXPECT_FALSE(exists(kPicture));
  EXPECT_EQ(wallpaper(), "C:\\WINDOWS\\bliss.bmp");
  EXPECT_EQ(sb->wallpaperCalls.size(), 2u);  // the page's two calls alone
}

// Bytes that pass for a movie but place nothing on the stage draw the background colour alone.
TEST_F(StillInstallTest, AFrameWithNothingOnItAddsNothing) {
  install("FWS\x06" + std::string(300, 'm'));
  expectCompleteWithoutBoxes();
  EXPECT_FALSE(exists(kPicture));
  EXPECT_EQ(sb->wallpaperCalls.size(), 2u);
}

TEST_F(StillInstallTest, OnAnOlderSystemWithAWorkingActiveDesktopNothingIsAdded) {
  sb->realVersion = {2, 5, 1, 2600};
  install(kGoodMovie);
  expectCompleteWithoutBoxes();
  EXPECT_FALSE(exists(kPicture));
  EXPECT_EQ(sb->wallpaperCalls.size(), 2u);
}

TEST_F(StillInstallTest, AFailedInstallationLeavesNoPicture) {
  sb->setKeyUnwritable(RegRoot::LocalMachine, kEntry);  // the uninstall entry cannot be written
  install(kGoodMovie);
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
  EXPECT_FALSE(exists(kContent));
  EXPECT_EQ(wallpaper(), "C:\\WINDOWS\\bliss.bmp");
  EXPECT_EQ(sb->wallpaperCalls.size(), 2u);
}

// An installation over an earlier one that fails removes the earlier content too: its picture, which
// the desktop shows, goes with the folder, and the user's own wallpaper and colour come back.
TEST_F(StillInstallTest, AFailedReinstallationGivesTheUsersDesktopBack) {
  sb->putString(RegRoot::CurrentUser, "Control Panel\\Colors", "Background", "58 110 165");
  ASSERT_TRUE(sb->writeWholeFile("C:\\WINDOWS\\bliss.bmp", "BM the user's"));
  install(kGoodMovie);
  ASSERT_EQ(wallpaper(), kPicture);
  logic.reset();
  parts = std::make_unique<InstallerParts>(sb.platform());
  sb->setKeyUnwritable(RegRoot::LocalMachine, kEntry);  // this time the uninstall entry cannot be written
  install(kGoodMovie);
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
  EXPECT_FALSE(exists(kContent));
  EXPECT_EQ(wallpaper(), "C:\\WINDOWS\\bliss.bmp");
  EXPECT_EQ(sb->getString(RegRoot::CurrentUser, "Control Panel\\Colors", "Background"), "58 110 165");
  EXPECT_EQ(sb->desktopColour, 0x3A6EA5u);
  EXPECT_FALSE(sb->keyExists(RegRoot::CurrentUser, "Software\\Moviva\\Desktop"));
}

}  // namespace
}  // namespace mv::test
