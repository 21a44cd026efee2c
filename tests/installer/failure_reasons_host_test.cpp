// What the user is told, on the host platform with the headless window: a full disk at each step of
// start-up and installation names itself; a picture that cannot be shown says why; a licence is shown
// in the encoding it was written in.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "installer_fixture.h"
#include "installer/error_reporter.h"
#include "installer/installer_controller.h"
#include "package/datafile.h"
#include "package_writer.h"
#include "platform/host/host_platform.h"
#include "support/user_texts.h"

namespace mv::test {
namespace {

const char* const kExe = "C:\\Downloads\\install.exe";
const char* const kContent = "C:\\WINDOWS\\Web\\Wallpaper\\Sea dir\\";
const char* const kNoSpace = "There is not enough space on the disk";  // the system's text, trimmed

std::string diskFullMessage(const std::string& path) {
  return std::string("Installation Error: ") + kNoSpace + "\r\n\r\nProblem with file " + path + ". ";
}

DataFileLayout seaData() {
  DataFileLayout d;
  d.title = "Sea";
  d.entries.push_back({"Sea.swf", 0, Bytes(30000, 'S'), false, -1});
  d.entries.push_back({"second.swf", 0, bytesOf("FWS second"), false, -1});
  return d;
}

class FailureReasonsTest : public InstallerFixture {
 protected:
  void start(const PackageLayout& layout) {
    Bytes installer = buildInstaller(peStub(), layout);
    ASSERT_TRUE(sb->writeWholeFile(kExe, std::string(installer.begin(), installer.end())));
    createWindow();
  }
  void install() {
    sb->onMessageBox = [](const HostPlatform::BoxRecord&) { return BoxAnswer::Ok; };
    logic->onInstallClicked();
  }
};

// ------------------------------------------------------------------------------------------ full disk

TEST_F(FailureReasonsTest, FullTempFolderIsNamedThenTheStartUpMessage) {
  sb->limitWrites("C:\\TEMP\\MVVA\\temp.dat", 512);
  start(typicalPackage("Sea", buildDataFile(seaData())));
  EXPECT_EQ(boxTexts(), (std::vector<std::string>{diskFullMessage("C:\\TEMP\\MVVA\\temp.dat"), startupMessage(112)}));
  EXPECT_TRUE(view.closed);
}

TEST_F(FailureReasonsTest, FullDiskWhileTheDataFileSlotIsWritten) {
  start(typicalPackage("Sea", buildDataFile(seaData())));
  ASSERT_TRUE(sb->boxes.empty());
  sb->limitWrites(std::string(kContent) + "Sea.mvd", 4096);
  install();
  EXPECT_EQ(boxTexts(), std::vector<std::string>{diskFullMessage(std::string(kContent) + "Sea.mvd")});
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: 112");
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
}

// Operating-system code 1 (ERROR_INVALID_FUNCTION) fails the installation like any other code: it is not
// mistaken for a refused overwrite, which would leave the exit code as it was.
TEST_F(FailureReasonsTest, SystemCodeOneFailsTheInstallation) {
  start(typicalPackage("Sea", buildDataFile(seaData())));
  sb->failOpen(std::string(kContent) + "Sea.mvd", 1);
  install();
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: 1");
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
  EXPECT_FALSE(state().installing);
  EXPECT_FALSE(view.closed);
}

TEST_F(FailureReasonsTest, FullDiskWhileAnEntryIsWritten) {
  start(typicalPackage("Sea", buildDataFile(seaData())));
  sb->limitWrites(std::string(kContent) + "Sea.swf", 4096);
  install();
  EXPECT_EQ(boxTexts(), std::vector<std::string>{std::string("Quillon Error: Problem reading Moviva data file. ") +
                                                 kNoSpace});
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: 112");
  EXPECT_EQ(sb->openFileCount(), 0);
}

TEST_F(FailureReasonsTest, FullDiskWhileAMovieIsCopied) {
  DataFileLayout d = seaData();
  d.movieSource = 3;  // record 1 is a copy of the installer movie
  PackageLayout p = typicalPackage("Sea", buildDataFile(d));
  p.presentationKind = 2;
  p.slots[3] = {"installer.swf", 5, bytesOf("FWS\x06 installer movie"), false, -1};
  start(p);
  sb->limitWrites(std::string(kContent) + "Sea.swf", 3);
  install();
  EXPECT_EQ(boxTexts(), std::vector<std::string>{diskFullMessage(std::string(kContent) + "Sea.swf")});
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: 112");
}

// ------------------------------------------------------------------------------------------ picture

TEST_F(FailureReasonsTest, PictureThatCannotBeShownSaysWhy) {
  const std::string picture = std::string(kContent) + "installer.jpg";
  PictureOutcome tooLarge = PictureOutcome::failed(PictureOutcome::Problem::TooLarge);
  tooLarge.width = 8000;
  tooLarge.height = 6000;
  tooLarge.maxSide = 32767;
  tooLarge.maxPixels = 40000000;
  view.pictureLoads = false;
  view.pictureFailure = tooLarge;
  start(typicalPackage("Sea", buildDataFile(seaData())));
  EXPECT_EQ(boxTexts(), std::vector<std::string>{
                            "CorruptFile: The picture is too large to show: 8000 x 6000 pixels; the installer shows at "
                            "most 32,767 pixels a side and 40,000,000 pixels in all.\r\n\r\nFile: " + picture});
  EXPECT_FALSE(view.closed);  // start-up goes on

  // Data the decoder does not take, and a file that cannot be read (with the system's reason).
  EXPECT_EQ(pictureFailureMessage(platform(), PictureOutcome::failed(PictureOutcome::Problem::NotDecodable), picture),
            "CorruptFile: The picture cannot be decoded: it is damaged, cut short or not a BMP or JPEG picture."
            "\r\n\r\nFile: " + picture);
  EXPECT_EQ(pictureFailureMessage(platform(), PictureOutcome::failed(PictureOutcome::Problem::Unreadable, 5), picture),
            "CorruptFile: The picture cannot be read. Access is denied.\r\n\r\nFile: " + picture);
  EXPECT_EQ(pictureFailureMessage(platform(), PictureOutcome::failed(PictureOutcome::Problem::Unreadable), picture),
            "CorruptFile: The picture cannot be read.\r\n\r\nFile: " + picture);
}

// ------------------------------------------------------------------------------------------ licence

TEST_F(FailureReasonsTest, LicenceWithTheUtf8MarkIsShownAsUtf8) {
  const std::string utf8 = "Licence \xE2\x80\x93 \xC2\xA9 2003 Soci\xC3\xA9t\xC3\xA9\r\n";
  PackageLayout p = typicalPackage("Sea", buildDataFile(seaData()));
  p.licenseFlag = 1;
  p.slots[4] = {"licence.txt", 5, bytesOf("\xEF\xBB\xBF" + utf8), false, -1};
  start(p);
  EXPECT_TRUE(sb->boxes.empty());
  EXPECT_EQ(view.licenceText, utf8);
}

TEST_F(FailureReasonsTest, LicenceWithoutTheMarkStaysWindows1252EvenWhenItLooksLikeUtf8) {
  // Older packages: the same bytes without the mark are Windows-1252 text, shown as they always were.
  PackageLayout p = typicalPackage("Sea", buildDataFile(seaData()));
  p.licenseFlag = 1;
  p.slots[4] = {"licence.txt", 5, bytesOf("Soci\xC3\xA9t\xC3\xA9"), false, -1};
  start(p);
  EXPECT_EQ(view.licenceText, "Soci\xC3\x83\xC2\xA9t\xC3\x83\xC2\xA9");
}

TEST_F(FailureReasonsTest, IllFormedUtf8AfterTheMarkShowsReplacementCharacters) {
  PackageLayout p = typicalPackage("Sea", buildDataFile(seaData()));
  p.licenseFlag = 1;
  p.slots[4] = {"licence.txt", 5, bytesOf("\xEF\xBB\xBF" "caf\xE9!"), false, -1};
  start(p);
  EXPECT_EQ(view.licenceText, "caf\xEF\xBF\xBD!");
}

}  // namespace
}  // namespace mv::test
