// The installer's logic on the host platform with the headless window: start-up, the installation
// with its stages, cancel timing, close, failures, the questions, exit codes.
#include <gtest/gtest.h>

#include <algorithm>
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
const char* const kWallpaper = "C:\\WINDOWS\\Web\\Wallpaper\\";
const char* const kContent = "C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\";
const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ocean";

std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

DataFileLayout typicalData() {
  DataFileLayout d;
  d.title = "Ocean";
  d.entries.push_back({"Ocean.swf", 0, bytesOf("FWS movie bytes"), false, -1});
  d.entries.push_back({"pics\\wave.jpg", 11, bytesOf("jpeg bytes of a wave"), false, -1});
  d.entries.push_back({"empty.txt", 0, {}, false, 0});
  return d;
}

class InstallerTest : public InstallerFixture {
 protected:
  void writeInstaller(const PackageLayout& layout) {
    installer = buildInstaller(peStub(), layout);
    ASSERT_TRUE(sb->writeWholeFile(kExe, text(installer)));
  }
  void start() { createWindow(); }
  void startTypical() {
    writeInstaller(typicalPackage("Ocean", buildDataFile(typicalData())));
    start();
  }
  bool exists(const std::string& path) { return sb->getAttributes(path) != attr::invalid; }
  std::string read(const std::string& path) {
    std::string s;
    EXPECT_TRUE(sb->readWholeFile(path, s)) << path;
    return s;
  }
  // Answers the installer's questions by caption; error boxes are dismissed.
  void answer(BoxAnswer confirm, BoxAnswer restart = BoxAnswer::No, BoxAnswer desktop = BoxAnswer::No) {
    sb->onMessageBox = [=](const HostPlatform::BoxRecord& r) {
      if (r.caption == text::confirmCaption) return confirm;
      if (r.text == text::restartQuestion) return restart;
      if (r.text == text::showDesktopQuestion) return desktop;
      return BoxAnswer::Abort;
    };
  }
  Bytes installer;
};

// ------------------------------------------------------------------------------------------ start-up

TEST_F(InstallerTest, ShortDirectoryEndsStartUpWithBothMessages) {
  Bytes file = peStub();
  file.resize(file.size() + 3175, 0);  // one byte short
  ASSERT_TRUE(sb->writeWholeFile(kExe, text(file)));
  start();
  ASSERT_EQ(boxTexts().size(), 2u);
  EXPECT_EQ(sb->boxes[0].text, errorMessage(sb.platform(), -31, "C:\\TEMP\\MVVA\\temp.dat"));
  EXPECT_EQ(sb->boxes[0].kind, BoxKind::ErrorAbort);
  EXPECT_EQ(sb->boxes[1].text, startupMessage(-31));
  EXPECT_EQ(sb->boxes[1].caption, "Error");
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
  EXPECT_FALSE(exists("C:\\TEMP\\MVVA\\"));     // closing removed the working folder
  EXPECT_FALSE(exists("C:\\WINDOWS\\impborl.dll"));
  EXPECT_EQ(sb->cursor(), Cursor::Default);
}

TEST_F(InstallerTest, MissingTemporaryFolderIsReportedAndNothingIsDeleted) {
  sb->setEnv("TEMP", "C:\\missing");
  startTypical();
  ASSERT_EQ(sb->boxes.size(), 2u);
  EXPECT_EQ(sb->boxes[0].text, errorMessage(sb.platform(), oserr::pathNotFound, "C:\\missing\\MVVA9999"));
  EXPECT_EQ(sb->boxes[1].text, startupMessage(oserr::pathNotFound));
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
  EXPECT_TRUE(exists(kExe));
}

TEST_F(InstallerTest, GoodPackagePreparesTheWindow) {
  startTypical();
  EXPECT_TRUE(sb->boxes.empty()) << boxTexts()[0];
  const InstallerState& s = state();
  EXPECT_EQ(s.windowsFolder, "C:\\WINDOWS\\");
  EXPECT_EQ(s.systemFolder, "C:\\WINDOWS\\system32\\");
  EXPECT_EQ(s.tempCopyPath, "C:\\TEMP\\MVVA\\temp.dat");
  EXPECT_EQ(read(s.tempCopyPath), text(installer));
  EXPECT_EQ(s.contentFolder, kContent);
  EXPECT_TRUE(s.folderCreated);  // "Web\Wallpaper" was missing too
  EXPECT_EQ(s.dataFilePath, std::string(kContent) + "Ocean.mvd");
  EXPECT_EQ(read("C:\\WINDOWS\\impborl.dll"), "not really a library");
  EXPECT_EQ(read("C:\\WINDOWS\\flashax.exe"), "MZ flash player installer");
  // Kind 8: the presentation file is renamed to .jpg in memory and extracted under that name.
  EXPECT_EQ(s.directory.entries[3].name, "installer.jpg");
  EXPECT_EQ(read(std::string(kContent) + "installer.jpg"), "\xFF\xD8\xFF\xE0 jpeg picture");
  EXPECT_EQ(view.picturePath, std::string(kContent) + "installer.jpg");
  EXPECT_TRUE(view.moviePanelHidden);
  // No Flash control on this machine: the Flash Player installer was started quietly.
  ASSERT_EQ(sb->shellCalls.size(), 1u);
  EXPECT_EQ(sb->shellCalls[0].file, "C:\\WINDOWS\\flashax.exe");
  EXPECT_EQ(sb->shellCalls[0].parameters, "/Q");
  EXPECT_EQ(view.caption, "Install Wallpaper: Ocean");
  EXPECT_EQ(view.applicationTitle, "Install Wallpaper: Ocean");
  EXPECT_TRUE(view.layoutChosen);
  EXPECT_FALSE(view.withLicence);
  EXPECT_EQ(view.progressMaxValue, 10);
  EXPECT_TRUE(view.sized);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(view.statusVisible);
  EXPECT_EQ(sb->cursor(), Cursor::Default);
}

TEST_F(InstallerTest, ExistingWorkingFolderMakesTheNextOne) {
  sb->createDirectory("C:\\TEMP\\MVVA");
  startTypical();
  EXPECT_EQ(state().tempCopyPath, "C:\\TEMP\\MVVA1\\temp.dat");
  logic->onCancelClicked();
  EXPECT_FALSE(exists("C:\\TEMP\\MVVA1\\"));
  EXPECT_TRUE(exists("C:\\TEMP\\MVVA\\"));  // not ours
  EXPECT_EQ(logic->exitCode(), exitcode::cancelled);
}

TEST_F(InstallerTest, ExistingContentFolderIsKept) {
  sb->createDirectory("C:\\WINDOWS\\Web");
  sb->createDirectory("C:\\WINDOWS\\Web\\Wallpaper");
  sb->createDirectory(kContent);
  startTypical();
  EXPECT_FALSE(state().folderCreated);
}

class BadTitleTest : public InstallerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BadTitleTest, IsRefusedBeforeAnythingIsWritten) {
  std::string title = GetParam();
  writeInstaller(typicalPackage(title, buildDataFile(typicalData())));
  start();
  ASSERT_EQ(sb->boxes.size(), 2u);
  EXPECT_EQ(sb->boxes[0].text, std::string(text::badTitle) + title);
  EXPECT_EQ(sb->boxes[1].text, startupMessage(rc::badTitle));
  EXPECT_FALSE(exists("C:\\WINDOWS\\impborl.dll"));
  EXPECT_FALSE(exists("C:\\WINDOWS\\Web\\"));
  EXPECT_FALSE(exists("C:\\evil dir\\"));
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
}

INSTANTIATE_TEST_SUITE_P(Titles, BadTitleTest,
                         ::testing::Values("..\\..\\..\\evil", "a/b", "C:", "x*y", "a\"b", "tab\there", "..", ""));

TEST_F(InstallerTest, ContentFolderThatCannotBeCreatedIsReportedAtOnce) {
  sb->failCreateDirectory("C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir", oserr::accessDenied);
  startTypical();
  ASSERT_EQ(sb->boxes.size(), 2u);
  EXPECT_EQ(sb->boxes[0].text.rfind(std::string(text::contentFolderFailed) + kContent, 0), 0u) << sb->boxes[0].text;
  EXPECT_EQ(sb->boxes[1].text, startupMessage(rc::contentFolderFailed));
  EXPECT_TRUE(view.closed);
}

TEST_F(InstallerTest, LicenceFlagWithEmptySlotShowsOnlyTheStartUpMessage) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.licenseFlag = 1;
  writeInstaller(p);
  start();
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(sb->boxes[0].text, startupMessage(-531));
}

TEST_F(InstallerTest, LicenceIsShownAsItsWindows1252Text) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.licenseFlag = 1;
  p.slots[4] = {"licence.txt", 5, bytesOf("Terms \x93quoted\x94 \x80 5, caf\xE9\r\nline two\r\n"), false, -1};
  writeInstaller(p);
  start();
  EXPECT_TRUE(sb->boxes.empty());
  EXPECT_TRUE(view.withLicence);
  EXPECT_EQ(view.licenceText, "Terms “quoted” € 5, café\r\nline two\r\n");
}

TEST_F(InstallerTest, UnloadablePictureShowsCorruptFileAndGoesOn) {
  view.pictureLoads = false;
  startTypical();
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(sb->boxes[0].text, pictureFailureMessage(platform(), view.pictureFailure, std::string(kContent) + "installer.jpg"));
  EXPECT_TRUE(view.sized);
  EXPECT_FALSE(view.closed);
}

TEST_F(InstallerTest, BmpKindRenamesAndOtherKindsShowNothing) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.presentationKind = 1;
  writeInstaller(p);
  start();
  EXPECT_TRUE(exists(std::string(kContent) + "installer.BMP"));
  EXPECT_TRUE(view.pictureShown);

  logic.reset();
  parts = std::make_unique<InstallerParts>(sb.platform());
  view = HeadlessView();
  p.presentationKind = 5;
  writeInstaller(p);
  start();
  EXPECT_FALSE(view.pictureShown);
  EXPECT_TRUE(view.sized);
  EXPECT_FALSE(view.closed);
}

TEST_F(InstallerTest, MovieThatCannotBeReadIsShownAndTheWindowStillOpens) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.presentationKind = 2;
  // A compressed movie whose zlib stream is damaged from its first bytes.
  p.slots[3] = {"installer.swf", 5, bytesOf(std::string("CWS\x06\x40\x00\x00\x00\x78\x00 damaged", 18)), false, -1};
  writeInstaller(p);
  int broughtToFrontAtBox = -1;
  sb->onMessageBox = [&](const HostPlatform::BoxRecord&) {
    broughtToFrontAtBox = view.broughtToFront;
    return BoxAnswer::Ok;
  };
  start();
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(sb->boxes[0].text, "Error expanding compressed movie \"" + std::string(kContent) +
                                   "installer.swf\": data error (incorrect header check)");
  EXPECT_EQ(sb->boxes[0].caption, "Install Wallpaper: Ocean");
  EXPECT_EQ(sb->boxes[0].kind, BoxKind::ErrorOk);
  EXPECT_EQ(view.broughtToFront, broughtToFrontAtBox + 1);  // the box first, then the window to the front
  EXPECT_TRUE(view.sized);
  EXPECT_FALSE(view.closed);

  // Closing the window afterwards shows nothing more.
  view.closeWindow();
  EXPECT_EQ(boxTexts().size(), 1u);
  EXPECT_TRUE(view.terminated);
}

TEST_F(InstallerTest, ExtraFileIsExtractedBeforeTheFlashPlayerInstaller) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.runExtraFlag = 1;
  p.slots[5] = {"readme.txt", 5, bytesOf("read me"), false, -1};
  writeInstaller(p);
  start();
  EXPECT_EQ(read(std::string(kContent) + "readme.txt"), "read me");
  EXPECT_TRUE(state().runExtra);
}

// -------------------------------------------------------------------------------------- installation

TEST_F(InstallerTest, TypicalInstallation) {
  startTypical();
  answer(BoxAnswer::Ok, BoxAnswer::No, BoxAnswer::Yes);
  logic->onInstallClicked();

  const std::vector<std::string> expected = {"Preparing Installation...", "Writing Moviva files...",
                                             "Writing Moviva files...",   "Writing Moviva files...",
                                             "Expanding files...",        "Moviva Installation and Setup Complete."};
  EXPECT_EQ(view.statuses, expected);
  // One step per stage and slot, each followed by a pause; then two seconds at the maximum.
  EXPECT_EQ(view.pauseProgress, (std::vector<int>{1, 2, 3, 4, 5, 10, 10}));
  EXPECT_EQ(view.progressValue, 0);
  EXPECT_TRUE(view.doneVisible);
  EXPECT_FALSE(view.installVisible);
  EXPECT_FALSE(view.cancelVisible);

  EXPECT_EQ(read(std::string(kWallpaper) + "Ocean.html"), "<html><body>Ocean</body></html>");
  EXPECT_EQ(read(std::string(kContent) + "uninstall.exe"), "MZ uninstaller");
  EXPECT_EQ(read(std::string(kContent) + "Ocean.swf"), "FWS movie bytes");
  EXPECT_EQ(read(std::string(kContent) + "pics\\wave.jpg"), "jpeg bytes of a wave");
  EXPECT_FALSE(exists(std::string(kContent) + "empty.txt"));
  EXPECT_FALSE(exists(std::string(kContent) + "Ocean.mvd"));  // the data file is deleted
  EXPECT_NE(sb->getAttributes(std::string(kContent) + "Ocean.swf") & attr::archive, 0u);

  EXPECT_EQ(sb->getString(RegRoot::LocalMachine, kUninstallKey, "DisplayName"), "Ocean Wallpaper");
  EXPECT_NE(sb->getString(RegRoot::LocalMachine, kUninstallKey, "UninstallString")
                .find("C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe"),
            std::string::npos);
  // What the list of installed programs shows: the few bytes installed make one kilobyte.
  EXPECT_EQ(sb->getString(RegRoot::LocalMachine, kUninstallKey, "InstallLocation"), kContent);
  EXPECT_EQ(sb->getString(RegRoot::LocalMachine, kUninstallKey, "DisplayIcon"),
            "C:\\WINDOWS\\WEB\\Wallpaper\\Ocean dir\\uninstall.exe");
  uint32_t kilobytes = 0;
  EXPECT_TRUE(sb->getDword(RegRoot::LocalMachine, kUninstallKey, "EstimatedSize", kilobytes));
  EXPECT_EQ(kilobytes, 1u);
  EXPECT_GE(sb->activeDesktopsCreated, 2);

  // Show-desktop offer answered Yes: own windows, then the others.
  ASSERT_FALSE(sb->boxes.empty());
  EXPECT_EQ(sb->boxes.back().text, text::showDesktopQuestion);
  EXPECT_EQ(sb->boxes.back().caption, "Installation Successful.");
  EXPECT_EQ(view.ownWindowsMinimised, 1);
  EXPECT_EQ(sb->boxes.size(), 1u);  // no error, no overwrite question

  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_FALSE(exists("C:\\TEMP\\MVVA\\"));
  EXPECT_FALSE(state().installing);
  EXPECT_EQ(logic->exitCode(), exitcode::installed);
  EXPECT_EQ(sb->cursor(), Cursor::Default);
  EXPECT_EQ(sb->openFileCount(), 0);
}

// Titles and names are stored as Windows-1252: they make the same folder, page, entry and caption whatever
// code page the machine has; the paths the platform sees are their text (UTF-8 here).
TEST_F(InstallerTest, StoredNamesAreReadAsWindows1252) {
  DataFileLayout d;
  d.title = "Caf\xE9 Cr\xE8me";
  d.entries.push_back({"Caf\xE9.swf", 0, bytesOf("FWS movie"), false, -1});
  d.entries.push_back({"\x8A" "a\x9F" "s\\na\xEFve \x80.jpg", 0, bytesOf("jpeg"), false, -1});
  writeInstaller(typicalPackage("Caf\xE9 Cr\xE8me", buildDataFile(d)));
  sb->createKey(RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Desktop\\General");
  start();
  answer(BoxAnswer::Ok);
  logic->onInstallClicked();
  ASSERT_EQ(logic->exitCode(), exitcode::installed) << testing::PrintToString(boxTexts());
  EXPECT_EQ(view.caption, "Install Wallpaper: Café Crème");

  const std::string content = "C:\\WINDOWS\\Web\\Wallpaper\\Café Crème dir\\";
  EXPECT_EQ(read(content + "Café.swf"), "FWS movie");
  EXPECT_EQ(read(content + "ŠaŸs\\naïve €.jpg"), "jpeg");
  EXPECT_EQ(read(content + "uninstall.exe"), "MZ uninstaller");
  EXPECT_EQ(read(std::string(kWallpaper) + "Café Crème.html"), "<html><body>Caf\xE9 Cr\xE8me</body></html>");
  // On the host, the sandbox's own file names are the same UTF-8 text.
  EXPECT_NE(sb->hostPath(content + "Café.swf").find("/Café Crème dir/Café.swf"), std::string::npos);

  const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Café Crème";
  EXPECT_EQ(sb->getString(RegRoot::LocalMachine, key, "DisplayName"), "Café Crème Wallpaper");
  EXPECT_EQ(sb->getString(RegRoot::LocalMachine, key, "UninstallString"),
            "\"C:\\WINDOWS\\WEB\\Wallpaper\\Café Crème dir\\uninstall.exe\"");
  EXPECT_EQ(sb->getString(RegRoot::CurrentUser, "Software\\Microsoft\\Internet Explorer\\Desktop\\General", "Wallpaper"),
            std::string(kWallpaper) + "Café Crème.html");
  EXPECT_EQ(sb->callsStartingWith("ActiveDesktop.setWallpaper C:").at(0),
            "ActiveDesktop.setWallpaper C:\\WINDOWS\\Web\\Wallpaper\\Café Crème.html");
}

// A user name outside any one code page reaches TEMP; the installer started from a folder of another
// script. Both are just text to the installer.
TEST_F(InstallerTest, TemporaryFolderAndProgramFolderInAnyScript) {
  const std::string temp = "C:\\Temp\\José Ωμέγα Дмитрий";
  ASSERT_TRUE(sb->createDirectory(temp));
  sb->setEnv("TEMP", temp);
  const std::string exe = "C:\\Загрузки 下载\\setup.exe";
  ASSERT_TRUE(sb->createDirectory("C:\\Загрузки 下载"));
  sb->setExecutablePath(exe);
  Bytes file = buildInstaller(peStub(), typicalPackage("Ocean", buildDataFile(typicalData())));
  ASSERT_TRUE(sb->writeWholeFile(exe, text(file)));
  start();
  EXPECT_EQ(state().tempCopyPath, temp + "\\MVVA\\temp.dat");
  EXPECT_TRUE(exists(temp + "\\MVVA\\temp.dat"));
  answer(BoxAnswer::Ok);
  logic->onInstallClicked();
  EXPECT_EQ(boxTexts(), std::vector<std::string>{text::showDesktopQuestion});  // and nothing else
  EXPECT_EQ(logic->exitCode(), exitcode::installed);
  EXPECT_EQ(read(std::string(kContent) + "Ocean.swf"), "FWS movie bytes");
  EXPECT_FALSE(exists(temp + "\\MVVA"));  // the working folder went at close
  EXPECT_TRUE(exists(temp));
}

TEST_F(InstallerTest, SecondInstallClickIsIgnoredAndCloseIsRefusedWhileInstalling) {
  startTypical();
  answer(BoxAnswer::Ok);
  view.onPause = [&](int n) {
    if (n == 2) {
      logic->onInstallClicked();
      view.closeWindow();  // the close box
    }
  };
  logic->onInstallClicked();
  EXPECT_EQ(view.closeRefusals, 1);
  EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), "Preparing Installation..."), 1);
  EXPECT_EQ(view.statuses.back(), "Moviva Installation and Setup Complete.");
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::installed);
}

TEST_F(InstallerTest, CancelDuringSlotExtractionStopsBeforeTheNextSlot) {
  startTypical();
  // An earlier uninstall entry of the same title goes too.
  sb->putString(RegRoot::LocalMachine, kUninstallKey, "DisplayName", "old");
  view.onPause = [&](int n) {
    if (n == 2) {  // the pause of slot 6, before it is written
      EXPECT_EQ(view.statuses.back(), "Writing Moviva files...");
      logic->onCancelClicked();
      EXPECT_EQ(view.statuses.back(), "Installation Aborted. Cleaning up files...");
      EXPECT_EQ(view.progressValue, 0);
    }
  };
  logic->onInstallClicked();
  const std::vector<std::string> expected = {"Preparing Installation...", "Writing Moviva files...",
                                             "Installation Aborted. Cleaning up files..."};
  EXPECT_EQ(view.statuses, expected);  // no final status
  EXPECT_EQ(view.pauses, 4);           // preparing, slot 6, cancel's two
  EXPECT_FALSE(exists(kContent));
  EXPECT_FALSE(exists(std::string(kWallpaper) + "Ocean.html"));
  EXPECT_FALSE(sb->keyExists(RegRoot::LocalMachine, kUninstallKey));
  EXPECT_EQ(sb->activeDesktopsCreated, 0);
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(logic->exitCode(), exitcode::cancelled);
}

TEST_F(InstallerTest, CancelDuringExpansionLetsItFinish) {
  startTypical();
  bool entriesThere = false;
  view.onPause = [&](int n) {
    if (!view.statuses.empty() && view.statuses.back() == "Expanding files..." && !state().installAborted) {
      entriesThere = exists(std::string(kContent) + "pics\\wave.jpg") && !dataFile().isOpen();
      logic->onCancelClicked();
    }
  };
  logic->onInstallClicked();
  EXPECT_TRUE(entriesThere);
  EXPECT_EQ(view.statuses.back(), "Installation Aborted. Cleaning up files...");
  EXPECT_EQ(sb->activeDesktopsCreated, 0);  // the wallpaper step was skipped
  EXPECT_FALSE(exists(kContent));
  EXPECT_FALSE(exists(std::string(kWallpaper) + "Ocean.html"));
  EXPECT_FALSE(sb->keyExists(RegRoot::LocalMachine, kUninstallKey));
  EXPECT_EQ(logic->exitCode(), exitcode::cancelled);
}

TEST_F(InstallerTest, FailureLeavesTheWindowOpenUntilCancel) {
  startTypical();
  sb->failOpen(std::string(kContent) + "uninstall.exe", oserr::accessDenied);
  answer(BoxAnswer::Ok);
  logic->onInstallClicked();
  ASSERT_FALSE(sb->boxes.empty());
  EXPECT_EQ(sb->boxes[0].text, errorMessage(sb.platform(), oserr::accessDenied, std::string(kContent) + "uninstall.exe"));
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: 5");
  EXPECT_EQ(view.progressValue, 0);
  EXPECT_FALSE(view.installEnabled);
  EXPECT_TRUE(view.cancelVisible);
  EXPECT_FALSE(view.doneVisible);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(state().installing);
  EXPECT_FALSE(exists(kContent));  // cleaned up
  EXPECT_FALSE(exists(std::string(kWallpaper) + "Ocean.html"));
  EXPECT_EQ(sb->cursor(), Cursor::Default);

  logic->onCancelClicked();  // now ends the program
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
}

TEST_F(InstallerTest, WallpaperPlatformErrorEndsLikeAnyFailure) {
  startTypical();
  sb->activeDesktopFailure = "Class not registered";
  logic->onInstallClicked();
  std::vector<std::string> texts = boxTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find("Class not registered"), std::string::npos);
  EXPECT_EQ(sb->boxes[0].caption, "Error");
  // The steps after the failed one do not run: no uninstall entry is written.
  EXPECT_TRUE(sb->callsStartingWith(std::string("regCreateKey HKLM\\") + kUninstallKey).empty());
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: " + std::to_string(rc::failedWithText));
  EXPECT_FALSE(state().installing);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(exists(kContent));
  EXPECT_EQ(sb->cursor(), Cursor::Default);
  view.closeWindow();  // the close box works again
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
}

TEST_F(InstallerTest, UninstallPlatformErrorEndsLikeAnyFailure) {
  startTypical();
  sb->setKeyUnwritable(RegRoot::LocalMachine, kUninstallKey, true);
  logic->onInstallClicked();
  std::vector<std::string> texts = boxTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_NE(texts[0].find(kUninstallKey), std::string::npos) << texts[0];
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: -550");
  EXPECT_FALSE(state().installing);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(exists(kContent));
}

TEST_F(InstallerTest, OverwriteQuestionCancelKeepsTheWindowAndOkInstalls) {
  sb->createDirectory("C:\\WINDOWS\\Web");
  sb->createDirectory("C:\\WINDOWS\\Web\\Wallpaper");
  sb->createDirectory(kContent);
  startTypical();
  answer(BoxAnswer::Cancel);
  logic->onInstallClicked();
  ASSERT_EQ(sb->boxes.size(), 1u);
  EXPECT_EQ(sb->boxes[0].text, "Ocean wallpaper already exists.  Overwrite?");
  EXPECT_EQ(sb->boxes[0].caption, "Confirm");
  EXPECT_EQ(sb->boxes[0].kind, BoxKind::OkCancelQuestion);
  EXPECT_TRUE(view.statuses.empty());
  EXPECT_TRUE(view.installEnabled);
  EXPECT_FALSE(view.closed);
  EXPECT_FALSE(state().installing);
  EXPECT_TRUE(exists(kContent));

  answer(BoxAnswer::Ok);
  logic->onInstallClicked();
  ASSERT_EQ(sb->boxes.size(), 3u);  // asked again, then the show-desktop offer
  EXPECT_EQ(sb->boxes[1].caption, "Confirm");
  EXPECT_EQ(view.statuses.back(), "Moviva Installation and Setup Complete.");
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::installed);
}

TEST_F(InstallerTest, CancelWhileTheOverwriteQuestionIsOpenKeepsTheEarlierInstallation) {
  sb->createDirectory("C:\\WINDOWS\\Web");
  sb->createDirectory("C:\\WINDOWS\\Web\\Wallpaper");
  sb->createDirectory(kContent);
  sb->writeWholeFile(std::string(kContent) + "earlier.swf", "earlier");
  startTypical();
  sb->onMessageBox = [&](const HostPlatform::BoxRecord&) {
    logic->onCancelClicked();  // the window's Cancel, pressed while the box is open
    return BoxAnswer::Ok;
  };
  logic->onInstallClicked();
  EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), "Preparing Installation..."), 0);
  EXPECT_EQ(read(std::string(kContent) + "earlier.swf"), "earlier");
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::cancelled);
}

TEST_F(InstallerTest, ExistingHtmlPageAloneAsks) {
  sb->createDirectory("C:\\WINDOWS\\Web");
  sb->createDirectory("C:\\WINDOWS\\Web\\Wallpaper");
  sb->writeWholeFile(std::string(kWallpaper) + "Ocean.html", "old");
  startTypical();
  EXPECT_TRUE(state().folderCreated);
  answer(BoxAnswer::Cancel);
  logic->onInstallClicked();
  ASSERT_EQ(sb->boxes.size(), 1u);
  EXPECT_EQ(sb->boxes[0].caption, "Confirm");
}

TEST_F(InstallerTest, RestartRelayYesPressesSixAndMakesNoOffer) {
  startTypical();
  state().flashRestartPending = true;
  WindowHandle prompt = 0;
  view.onProcessMessages = [&] {
    if (!prompt && view.processMessagesCalls == 40) {  // the Flash Player installer asks late
      prompt = sb->addWindow("#32770", "Macromedia Flash Player 6");
      sb->addChild(prompt, "Button", "&Yes", 6);
      sb->addChild(prompt, "Button", "&No", 7);
    }
  };
  answer(BoxAnswer::Ok, BoxAnswer::Yes, BoxAnswer::Yes);
  logic->onInstallClicked();
  ASSERT_EQ(sb->boxes.size(), 1u);
  EXPECT_EQ(sb->boxes[0].text, text::restartQuestion);
  EXPECT_EQ(sb->boxes[0].kind, BoxKind::YesNo);
  int clicks = 0;
  for (auto& m : sb->messages)
    if (m.kind == HostPlatform::MessageKind::DlgItem && m.window == prompt) {
      EXPECT_EQ(m.item, 6);
      EXPECT_EQ(m.msg, 0x00F5u);
      ++clicks;
    }
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::installed);
}

TEST_F(InstallerTest, RestartRelayNoPressesSevenThenOffersTheDesktop) {
  startTypical();
  state().flashRestartPending = true;
  WindowHandle prompt = sb->addWindow("#32770", "Macromedia Flash Player 6");
  answer(BoxAnswer::Ok, BoxAnswer::No, BoxAnswer::No);
  logic->onInstallClicked();
  ASSERT_EQ(sb->boxes.size(), 2u);
  EXPECT_EQ(sb->boxes[0].text, text::restartQuestion);
  EXPECT_EQ(sb->boxes[1].text, text::showDesktopQuestion);
  EXPECT_EQ(view.ownWindowsMinimised, 0);
  bool pressedSeven = false;
  for (auto& m : sb->messages)
    if (m.kind == HostPlatform::MessageKind::DlgItem && m.window == prompt && m.item == 7) pressedSeven = true;
  EXPECT_TRUE(pressedSeven);
}

TEST_F(InstallerTest, RestartQuestionWithoutPromptWindowStillDecidesTheOffer) {
  startTypical();
  state().flashRestartPending = true;
  answer(BoxAnswer::Ok, BoxAnswer::Yes);
  int before = view.processMessagesCalls;
  logic->onInstallClicked();
  EXPECT_GE(view.processMessagesCalls - before, 100);  // 100 tries, each processing messages
  ASSERT_EQ(sb->boxes.size(), 1u);
  EXPECT_EQ(sb->boxes[0].text, text::restartQuestion);
}

TEST_F(InstallerTest, NoShowDesktopFlagEndsWithoutQuestions) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.showDesktopFlag = 0;
  writeInstaller(p);
  start();
  logic->onInstallClicked();
  EXPECT_TRUE(sb->boxes.empty());
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::installed);
}

TEST_F(InstallerTest, MovieSourceThreeAndKindThreeCopies) {
  DataFileLayout d = typicalData();
  d.movieSource = 3;
  d.entries[0] = {"Ocean.swf", 0, bytesOf("never read"), false, -1};
  d.entries.push_back({"copy\\second.swf", 3, {}, false, 0});
  d.entries.push_back({"Ocean.swf", 3, {}, false, 0});  // source equals destination: no error
  PackageLayout p = typicalPackage("Ocean", buildDataFile(d));
  p.presentationKind = 2;
  p.slots[3] = {"installer.swf", 5, bytesOf("FWS\x06 installer movie"), false, -1};
  writeInstaller(p);
  start();
  logic->onInstallClicked();
  EXPECT_EQ(view.statuses.back(), "Moviva Installation and Setup Complete.");
  EXPECT_EQ(read(std::string(kContent) + "Ocean.swf"), "FWS\x06 installer movie");
  EXPECT_EQ(read(std::string(kContent) + "copy\\second.swf"), "FWS\x06 installer movie");
}

TEST_F(InstallerTest, FailedMovieCopyIsReportedWith532) {
  DataFileLayout d = typicalData();
  d.movieSource = 3;  // but start-up extracted no installer.swf (kind 8 renamed it to .jpg)
  writeInstaller(typicalPackage("Ocean", buildDataFile(d)));
  start();
  logic->onInstallClicked();
  ASSERT_FALSE(sb->boxes.empty());
  EXPECT_EQ(sb->boxes[0].text, errorMessage(sb.platform(), -532, std::string(kContent) + "installer.swf"));
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: -532");
  EXPECT_FALSE(exists(std::string(kContent) + "Ocean.mvd"));  // closed, so it could be deleted
  EXPECT_EQ(sb->openFileCount(), 0);
}

TEST_F(InstallerTest, ExtraFileIsOpenedAfterTheWallpaper) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.runExtraFlag = 1;
  p.slots[5] = {"readme.txt", 5, bytesOf("read me"), false, -1};
  writeInstaller(p);
  start();
  logic->onInstallClicked();
  ASSERT_EQ(sb->shellCalls.size(), 2u);  // the Flash Player installer, then the extra file
  EXPECT_EQ(sb->shellCalls[1].file, std::string(kContent) + "readme.txt");
  EXPECT_EQ(sb->shellCalls[1].show, 1);
  EXPECT_EQ(sb->shellCalls[1].verb, "");
  // Slot 5 was written again with the install slots: four writing stages.
  EXPECT_EQ(std::count(view.statuses.begin(), view.statuses.end(), "Writing Moviva files..."), 4);
}

TEST_F(InstallerTest, SilentPackageInstallsAtOnceAndTouchesNoWindow) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.presentationKind = 4;
  writeInstaller(p);
  start();
  for (const std::string& e : view.events)  // nothing of the window changes; it only closes
    EXPECT_TRUE(e == "close-request" || e == "closed" || e == "terminate") << e;
  EXPECT_TRUE(view.statuses.empty());
  EXPECT_EQ(view.pauses, 0);
  EXPECT_FALSE(view.sized);
  EXPECT_TRUE(sb->boxes.empty());
  EXPECT_TRUE(exists(std::string(kContent) + "Ocean.swf"));
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_EQ(logic->exitCode(), exitcode::installed);
  ASSERT_EQ(sb->processCalls.size(), 1u);  // show-desktop flag: Display Properties
  EXPECT_EQ(sb->processCalls[0].program, "C:\\WINDOWS\\system32\\rundll32.exe");
  EXPECT_EQ(sb->processCalls[0].arguments, "shell32.dll,Control_RunDLL desk.cpl,,0");
}

TEST_F(InstallerTest, SilentFailureExitsWithFailed) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.presentationKind = 4;
  p.showDesktopFlag = 1;
  writeInstaller(p);
  sb->failOpen(std::string(kContent) + "uninstall.exe", oserr::accessDenied);
  start();
  EXPECT_EQ(sb->boxes.size(), 1u);  // the report; no start-up message
  EXPECT_TRUE(sb->processCalls.empty());
  EXPECT_TRUE(view.closed);
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
}

TEST_F(InstallerTest, CancelBeforeInstallEndsAndRemovesTheWorkingFolder) {
  startTypical();
  EXPECT_TRUE(exists("C:\\TEMP\\MVVA\\temp.dat"));
  logic->onCancelClicked();
  EXPECT_TRUE(view.closed);
  EXPECT_TRUE(view.terminated);
  EXPECT_FALSE(exists("C:\\TEMP\\MVVA\\"));
  EXPECT_FALSE(exists(kContent));  // made by start-up for an installation that never ran
  EXPECT_EQ(logic->exitCode(), exitcode::cancelled);
}

// ------------------------------------------------------------------------- deletions left for the restart

// An uninstall that found the movie open left its deletion, and the folder's, to the restart (besides an
// operation of another program). Only an installation the user agreed to takes them back.
class PendingDeletionsTest : public InstallerTest {
 protected:
  void SetUp() override {
    InstallerTest::SetUp();
    sb->createDirectory("C:\\WINDOWS\\Web");
    sb->createDirectory("C:\\WINDOWS\\Web\\Wallpaper");
    RegValue v;
    v.type = RegType::MultiString;
    const std::string data = ours + other + '\0';
    v.data.assign(data.begin(), data.end());
    sb->putValue(RegRoot::LocalMachine, kSessionManager, "PendingFileRenameOperations", v);
  }
  std::string pendingNow() {
    RegValue v;
    if (!sb->getValue(RegRoot::LocalMachine, kSessionManager, "PendingFileRenameOperations", v)) return "(none)";
    return std::string(v.data.begin(), v.data.end());
  }
  static std::string deletion(const std::string& path) { return "\\??\\" + path + std::string(2, '\0'); }

  const char* const kSessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  const std::string ours = deletion(std::string(kContent) + "Ocean.swf") +
                           deletion("C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir") +
                           deletion(std::string(kWallpaper) + "Ocean.html");
  const std::string other = deletion("C:\\TEMP\\uni1A.tmp");
};

TEST_F(PendingDeletionsTest, TheInstallationTakesThemBackAfterTheOverwriteQuestion) {
  sb->createDirectory(kContent);
  sb->writeWholeFile(std::string(kContent) + "Ocean.swf", "the earlier movie, still open");
  startTypical();  // start-up writes into the folder: nothing is taken back yet
  EXPECT_EQ(pendingNow(), ours + other + '\0');
  answer(BoxAnswer::Cancel);
  logic->onInstallClicked();
  EXPECT_EQ(pendingNow(), ours + other + '\0');

  answer(BoxAnswer::Ok);
  logic->onInstallClicked();
  EXPECT_EQ(logic->exitCode(), exitcode::installed);
  EXPECT_EQ(read(std::string(kContent) + "Ocean.swf"), "FWS movie bytes");
  EXPECT_EQ(pendingNow(), other + '\0');
}

TEST_F(PendingDeletionsTest, CancelBeforeInstallLeavesThemInForce) {
  startTypical();
  logic->onCancelClicked();
  EXPECT_EQ(logic->exitCode(), exitcode::cancelled);
  EXPECT_EQ(pendingNow(), ours + other + '\0');
}

// The windowless installation too, before its first write: a failing first slot finds them taken back.
TEST_F(PendingDeletionsTest, TheSilentInstallationTakesThemBackBeforeWriting) {
  PackageLayout p = typicalPackage("Ocean", buildDataFile(typicalData()));
  p.presentationKind = 4;
  writeInstaller(p);
  sb->failOpen(std::string(kWallpaper) + "Ocean.html", oserr::accessDenied);
  start();
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
  EXPECT_EQ(pendingNow(), other + '\0');

}

TEST_F(InstallerTest, RightButtonPressesAreSwallowed) {
  startTypical();
  EXPECT_TRUE(logic->filterMessage(0x0204));
  EXPECT_FALSE(logic->filterMessage(0x0205));
  EXPECT_FALSE(logic->filterMessage(0x0201));
}

}  // namespace
}  // namespace mv::test
