// Cancel and close at every moment, with the headless window on the host platform. An installation
// decides its outcome once: a Cancel taken before that removes everything it wrote and ends with the
// cancelled code; a Cancel after it leaves the success (or the failure) as it is. And a content folder
// that start-up made for an installation that never ran goes again when the window closes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "headless_view.h"
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
const char* const kPage = "C:\\WINDOWS\\Web\\Wallpaper\\Ocean.html";
const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ocean";

std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

PackageLayout oceanPackage() {
  DataFileLayout d;
  d.title = "Ocean";
  d.entries.push_back({"Ocean.swf", 0, bytesOf("FWS movie bytes"), false, -1});
  d.entries.push_back({"pics\\wave.jpg", 11, bytesOf("jpeg bytes of a wave"), false, -1});
  return typicalPackage("Ocean", buildDataFile(d));
}

// Everything start-up can write into the content folder: extra file, licence, picture.
PackageLayout fullPackage() {
  PackageLayout p = oceanPackage();
  p.runExtraFlag = 1;
  p.slots[5] = {"readme.txt", 5, bytesOf("read me"), false, -1};
  p.licenseFlag = 1;
  p.slots[4] = {"licence.txt", 5, bytesOf("You accept.\r\n"), false, -1};
  return p;
}

// One run of the installer: its window and controller, on the machine the test gives it.
struct InstallerRun {
  explicit InstallerRun(HostPlatform& machine) : sb(machine), parts(machine) {}
  ~InstallerRun() { logic.reset(); }
  void start() {
    logic = parts.makeLogic(view);
    view.attach(logic.get());
    logic->onCreate();
  }
  bool asked(const std::string& boxText) const {
    for (auto& b : sb.boxes)
      if (b.text == boxText) return true;
    return false;
  }
  bool statusShown(const std::string& status) const {
    for (auto& s : view.statuses)
      if (s == status) return true;
    return false;
  }

  InstallerState& state() { return parts.state; }

  HostPlatform& sb;
  InstallerParts parts;
  HeadlessView view;
  std::unique_ptr<InstallerController> logic;
};

class CancelTest : public ::testing::Test {
 protected:
  // A fresh machine with the installer in its downloads folder.
  void prepareMachine(const PackageLayout& layout) {
    box.reset();  // the old machine goes first: its end uninstalls the platform
    box = std::make_unique<HostSandbox>();
    (*box)->setEnv("TEMP", "C:\\TEMP");
    (*box)->setEnv("WINDIR", "C:\\WINDOWS");
    (*box)->createDirectory("C:\\Downloads");
    ASSERT_TRUE((*box)->writeWholeFile(kExe, text(buildInstaller(peStub(), layout))));
  }
  HostPlatform& machine() { return box->platform(); }
  bool exists(const std::string& path) { return machine().getAttributes(path) != attr::invalid; }
  bool entryExists() { return machine().keyExists(RegRoot::LocalMachine, kUninstallKey); }
  void makeContentFolder() {
    machine().createDirectory("C:\\WINDOWS\\Web");
    machine().createDirectory("C:\\WINDOWS\\Web\\Wallpaper");
    machine().createDirectory(kContent);
  }

  std::unique_ptr<HostSandbox> box;
};

// ------------------------------------------------------------------------ Cancel at every moment

// A moment is a point where the window's messages run or a question waits for the user: a pause, a
// message-processing call, an open message box, and the calls during which another program may be
// waited for: the message that closes Display Properties and the shell call that opens the extra file.
struct Moment {
  std::string where;
  int progress = 0;
  bool stepsDone = false;  // the uninstall entry, the last step, was written
};

struct CancelScript {
  int pressAt = 0;  // 1-based moment at which Cancel is pressed; 0: never
  std::vector<Moment> moments;
};

// Runs the installation of fullPackage with Display Properties open and a pending Flash Player restart
// (the prompt is there), the restart question and the show-desktop offer answered No, pressing Cancel
// at the chosen moment.
void installPressingCancel(InstallerRun& run, CancelScript& script, const std::string& uninstallKey) {
  run.start();
  run.state().flashRestartPending = true;
  WindowHandle prompt = run.sb.addWindow("#32770", "Macromedia Flash Player 6");
  WindowHandle displayProperties = run.sb.addWindow("#32770", "Display Properties");
  auto moment = [&](const std::string& where) {
    script.moments.push_back({where, run.view.progressValue,
                              run.sb.keyExists(RegRoot::LocalMachine, uninstallKey)});
    if (int(script.moments.size()) == script.pressAt) run.logic->onCancelClicked();
  };
  run.view.onPause = [&](int) {
    moment("pause, status " + (run.view.statuses.empty() ? std::string() : run.view.statuses.back()));
  };
  run.view.onProcessMessages = [&] { moment("messages"); };
  run.sb.onShellExecute = [&](const HostPlatform::ShellCall& call) { moment("shell " + call.file); };
  run.sb.onMessage = [&](const HostPlatform::WindowMessage& m) {
    if (m.window == displayProperties) moment("message to Display Properties");
    if (m.window == prompt) moment("message to the restart prompt");
  };
  run.sb.onMessageBox = [&](const HostPlatform::BoxRecord& box) {
    moment("box " + box.text);
    return BoxAnswer::No;
  };
  run.logic->onInstallClicked();
}

TEST_F(CancelTest, CancelAtEveryMomentEitherUndoesEverythingOrLeavesTheSuccess) {
  CancelScript dry;
  {
    prepareMachine(fullPackage());
    InstallerRun run(machine());
    installPressingCancel(run, dry, kUninstallKey);
    ASSERT_EQ(run.logic->exitCode(), exitcode::installed);
  }
  ASSERT_GT(dry.moments.size(), 10u);

  int early = 0, late = 0;
  for (size_t at = 1; at <= dry.moments.size(); ++at) {
    prepareMachine(fullPackage());
    InstallerRun run(machine());
    CancelScript script;
    script.pressAt = int(at);
    installPressingCancel(run, script, kUninstallKey);
    const Moment& pressed = script.moments[at - 1];
    SCOPED_TRACE("Cancel at moment " + std::to_string(at) + ": " + pressed.where);
    EXPECT_TRUE(run.view.closed);
    EXPECT_FALSE(exists("C:\\TEMP\\MVVA\\"));
    EXPECT_EQ(machine().openFileCount(), 0);
    if (!pressed.stepsDone) {
      // Taken as an abort: nothing of the installation is left, and it says so to the end.
      ++early;
      EXPECT_EQ(run.logic->exitCode(), exitcode::cancelled);
      EXPECT_FALSE(exists(kContent));
      EXPECT_FALSE(exists(kPage));
      EXPECT_FALSE(entryExists());
      EXPECT_EQ(run.view.statuses.back(), text::aborted);
      EXPECT_FALSE(run.statusShown(text::complete));
      EXPECT_EQ(run.view.progressValue, 0);
      EXPECT_FALSE(run.asked(text::restartQuestion));
      EXPECT_FALSE(run.asked(text::showDesktopQuestion));
    } else {
      // Everything was installed: the success stands, and nothing claims otherwise.
      ++late;
      EXPECT_EQ(run.logic->exitCode(), exitcode::installed);
      EXPECT_TRUE(exists(std::string(kContent) + "Ocean.swf"));
      EXPECT_TRUE(exists(std::string(kContent) + "uninstall.exe"));
      EXPECT_TRUE(exists(kPage));
      EXPECT_TRUE(entryExists());
      EXPECT_FALSE(run.statusShown(text::aborted));
      EXPECT_EQ(run.view.statuses.back(), text::complete);
      EXPECT_TRUE(run.asked(text::restartQuestion));
      EXPECT_TRUE(run.asked(text::showDesktopQuestion));
    }
  }

  // The boundary lies after the last step: Display Properties, the expansion's step and the extra file
  // are before it; the final pauses at the full bar, the restart relay and the questions after it.
  int namedBefore = 0, namedAfter = 0;
  for (const Moment& m : dry.moments) {
    bool expansionStep = m.where == "pause, status " + std::string(text::expandingFiles) && m.progress < 10;
    bool before = expansionStep || m.where.rfind("shell ", 0) == 0 || m.where == "message to Display Properties";
    bool after = m.where.rfind("box ", 0) == 0 || m.where == "message to the restart prompt" || m.progress == 10;
    if (before) {
      ++namedBefore;
      EXPECT_FALSE(m.stepsDone) << m.where;
    }
    if (after) {
      ++namedAfter;
      EXPECT_TRUE(m.stepsDone) << m.where;
    }
  }
  EXPECT_EQ(namedBefore, 3);
  EXPECT_EQ(namedAfter, 5);
  EXPECT_GE(early, 10);  // preparing (2 message runs, 1 pause), Display Properties, 4 slots, expansion, extra file
  EXPECT_GE(late, 6);  // two final pauses, messages, the restart search, its answer, two questions
}

TEST_F(CancelTest, CancelDuringTheFinalPausesOfAFailureKeepsItsOutcome) {
  prepareMachine(oceanPackage());
  machine().failOpen(std::string(kContent) + "uninstall.exe", oserr::accessDenied);
  InstallerRun run(machine());
  run.start();
  bool pressed = false;
  run.view.onPause = [&](int) {
    // The content folder is gone once the failure was cleaned up: these are the final pauses.
    if (!pressed && !exists(kContent)) {
      pressed = true;
      run.logic->onCancelClicked();
    }
  };
  run.logic->onInstallClicked();
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(run.state().installAborted);
  EXPECT_FALSE(run.statusShown(text::aborted));
  EXPECT_EQ(run.view.statuses.back(), std::string(text::installFailed) + "5");
  EXPECT_FALSE(run.view.closed);  // a failure leaves the window open
  run.view.onPause = nullptr;
  run.logic->onCancelClicked();
  EXPECT_TRUE(run.view.closed);
  EXPECT_EQ(run.logic->exitCode(), exitcode::failed);
}

TEST_F(CancelTest, CancelTakenInThePreparingMessagesShowsOnlyTheAbort) {
  prepareMachine(oceanPackage());
  InstallerRun run(machine());
  run.start();
  run.view.onProcessMessages = [&] {
    if (!run.state().installAborted) run.logic->onCancelClicked();
  };
  run.logic->onInstallClicked();
  EXPECT_EQ(run.view.statuses, std::vector<std::string>{text::aborted});
  EXPECT_EQ(run.view.progressValue, 0);
  EXPECT_EQ(run.logic->exitCode(), exitcode::cancelled);
  EXPECT_FALSE(exists(kContent));
}

// ------------------------------------------------------------ the content folder start-up made

TEST_F(CancelTest, LeavingBeforeInstallingRemovesTheFolderStartUpMade) {
  for (bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox ? "close box" : "Cancel");
    prepareMachine(fullPackage());
    {
      InstallerRun run(machine());
      run.start();
      ASSERT_TRUE(run.state().folderCreated);
      ASSERT_TRUE(exists(std::string(kContent) + "licence.txt"));
      ASSERT_TRUE(exists(std::string(kContent) + "readme.txt"));
      ASSERT_TRUE(exists(std::string(kContent) + "installer.jpg"));
      if (closeBox) run.view.closeWindow();
      else run.logic->onCancelClicked();
      EXPECT_TRUE(run.view.closed);
      EXPECT_EQ(run.logic->exitCode(), exitcode::cancelled);
    }
    EXPECT_FALSE(exists(kContent));
    EXPECT_TRUE(exists(kWallpaper));                   // only the content folder was ours to remove
    EXPECT_TRUE(exists("C:\\WINDOWS\\flashax.exe"));   // shared files in the Windows folder stay
    EXPECT_TRUE(exists("C:\\WINDOWS\\impborl.dll"));

    // The next run installs without asking about an installation that never happened.
    InstallerRun again(machine());
    again.start();
    EXPECT_TRUE(again.state().folderCreated);
    again.logic->onInstallClicked();
    for (auto& b : again.sb.boxes) EXPECT_NE(b.caption, text::confirmCaption) << b.text;
    EXPECT_EQ(again.logic->exitCode(), exitcode::installed);
    EXPECT_TRUE(exists(std::string(kContent) + "Ocean.swf"));
  }
}

TEST_F(CancelTest, AFolderThatExistedBeforeIsLeftAlone) {
  prepareMachine(fullPackage());
  makeContentFolder();
  machine().writeWholeFile(std::string(kContent) + "earlier.swf", "earlier");
  InstallerRun run(machine());
  run.start();
  EXPECT_FALSE(run.state().folderCreated);
  run.logic->onCancelClicked();
  EXPECT_TRUE(run.view.closed);
  EXPECT_TRUE(exists(std::string(kContent) + "earlier.swf"));
  EXPECT_TRUE(exists(std::string(kContent) + "installer.jpg"));
}

TEST_F(CancelTest, FailedStartUpRemovesTheFolderItMadeAndOnlyThat) {
  for (bool existedBefore : {false, true}) {
    SCOPED_TRACE(existedBefore ? "folder existed" : "folder made by start-up");
    prepareMachine(fullPackage());
    if (existedBefore) makeContentFolder();
    // Start-up writes the extra file, then fails on the licence.
    machine().failOpen(std::string(kContent) + "licence.txt", oserr::accessDenied);
    InstallerRun run(machine());
    run.start();
    ASSERT_EQ(run.logic->exitCode(), exitcode::failed);
    EXPECT_TRUE(run.view.closed);
    EXPECT_EQ(exists(kContent), existedBefore);
    EXPECT_EQ(exists(std::string(kContent) + "readme.txt"), existedBefore);
  }
}

TEST_F(CancelTest, RefusedOrCancelledOverwriteQuestionStillRemovesTheFreshFolder) {
  for (bool cancelWhileAsking : {false, true}) {
    SCOPED_TRACE(cancelWhileAsking ? "Cancel while asked" : "question refused, then Cancel");
    prepareMachine(oceanPackage());
    machine().createDirectory("C:\\WINDOWS\\Web");
    machine().createDirectory("C:\\WINDOWS\\Web\\Wallpaper");
    machine().writeWholeFile(kPage, "earlier page");  // an earlier installation's page, no folder
    InstallerRun run(machine());
    run.start();
    ASSERT_TRUE(run.state().folderCreated);
    run.sb.onMessageBox = [&](const HostPlatform::BoxRecord&) {
      if (cancelWhileAsking) run.logic->onCancelClicked();
      return BoxAnswer::Cancel;
    };
    run.logic->onInstallClicked();
    if (!cancelWhileAsking) {
      EXPECT_FALSE(run.view.closed);
      run.logic->onCancelClicked();
    }
    EXPECT_TRUE(run.view.closed);
    EXPECT_EQ(run.logic->exitCode(), exitcode::cancelled);
    EXPECT_FALSE(exists(kContent));
    EXPECT_TRUE(exists(kPage));  // not this run's
  }
}

TEST_F(CancelTest, FreshFolderThatGainedOtherFilesKeepsThem) {
  prepareMachine(oceanPackage());
  InstallerRun run(machine());
  run.start();
  machine().writeWholeFile(std::string(kContent) + "other.txt", "another installer's");
  run.logic->onCancelClicked();
  EXPECT_FALSE(exists(std::string(kContent) + "installer.jpg"));
  EXPECT_TRUE(exists(std::string(kContent) + "other.txt"));
}

}  // namespace
}  // namespace mv::test
