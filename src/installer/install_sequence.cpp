// The installation: the Install button, the procedure that writes everything, its stages on the
// window, the expansion of the Moviva data file, and the questions after a successful run.
//
// Re-entrancy: everything runs on the one user-interface thread, but the window's messages are
// processed inside the pauses and between stages, so Cancel (which only sets installAborted) and a
// second Install click (ignored while installing) can arrive in the middle of the procedure.
#include <string>

#include "desktop/desktop.h"
#include "installer/error_reporter.h"
#include "installer/installer_controller.h"
#include "package/datafile.h"
#include "package/slots.h"
#include "platform/file_helpers.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv {

namespace {

constexpr const char* kFlashRestartWindow = "Macromedia Flash Player 6";
constexpr int kFlashRestartTries = 100;
constexpr int kRestartYesButton = 6;
constexpr int kRestartNoButton = 7;
constexpr uint32_t kButtonClick = 0x00F5;  // BM_CLICK
constexpr int kShowNormal = 1;             // SW_SHOWNORMAL
constexpr int32_t kOverwriteRefused = 1;    // internal: nothing installed, window stays, no message

// The desktop steps fail with a text (registry refused, no Active Desktop object). Such a failure ends
// the installation like any other - clean-up, final status, window left open - after its message.
Result desktopStepResult(const Status& status) {
  if (status.ok()) return rc::ok;
  showErrorBox(status.text());
  return rc::failedWithText;
}

}  // namespace

void InstallerController::onInstallClicked() {
  InstallerState& s = state();
  Platform& p = platform();
  if (s.installing) return;  // a click that arrives while an installation runs
  s.installing = true;
  bool closeWhenDone = true;
  bool restartDeclined = true;

  // An earlier installation of the same content: its page exists, or the folder was already there.
  std::string htmlPage = s.windowsFolder + "Web\\Wallpaper\\" + s.contentTitle + text::htmlExtension;
  bool conflict = fileExists(platform(), htmlPage) || !s.folderCreated;
  if (conflict &&
      p.messageBox(s.contentTitle + text::overwriteQuestion, text::confirmCaption, BoxKind::OkCancelQuestion) ==
          BoxAnswer::Ok)
    conflict = false;

  // Cancel pressed on the window while the question was open (the box need not be modal to it) means
  // "do not install": nothing has been written, so nothing is cleaned up - in particular not the
  // earlier installation the question was about.
  Result result = rc::ok;
  if (!s.installAborted) result = conflict ? Result(kOverwriteRefused) : runInstallation();

  // The Flash Player installer started at start-up may be waiting with its restart question.
  if (!s.installAborted && result == rc::ok && s.flashRestartPending) {
    WindowHandle prompt = 0;
    for (int i = 0; i < kFlashRestartTries && !prompt; ++i) {
      view_.processMessages();
      prompt = p.findWindow(nullptr, kFlashRestartWindow);
    }
    bool yes = p.messageBox(text::restartQuestion, text::successCaption, BoxKind::YesNo) == BoxAnswer::Yes;
    if (yes) restartDeclined = false;
    if (prompt) p.sendDlgItemMessage(prompt, yes ? kRestartYesButton : kRestartNoButton, kButtonClick, 0, 0);
  }

  if (!s.installAborted && result == rc::ok && restartDeclined) offerShowDesktop();

  if (result != rc::ok) closeWhenDone = false;
  if (result == kOverwriteRefused) {
    // Nothing happened; the user may click again (and is asked again).
  } else if (result != rc::ok) {
    exitCode_ = exitcode::failed;
  } else {
    exitCode_ = s.installAborted ? exitcode::cancelled : exitcode::installed;
  }
  s.installing = false;
  if (closeWhenDone) closeAndEnd();
}

Result InstallerController::runInstallation() {
  InstallerState& s = state();
  Platform& p = platform();
  Result result = rc::ok;

  installPhase_ = InstallPhase::running;
  Cursor remembered = p.cursor();
  p.setCursor(Cursor::Wait);
  showPreparing();

  if (!s.installAborted) closeDisplayProperties();
  if (!s.installAborted && result == rc::ok) result = extractInstallSlots(s);
  if (!s.installAborted && result == rc::ok) result = dataFile().readDataHeader(s);
  if (!s.installAborted && result == rc::ok) result = expandDataFile();
  if (!s.installAborted && result == rc::ok) {
    const PackageHeader& h = s.directory.header;
    result = desktopStepResult(registerWallpaperPage(s.windowsFolder, dataFile().dataTitle(), h.red, h.green, h.blue));
  }
  if (!s.installAborted && result == rc::ok) runExtraFile();
  if (!s.installAborted && result == rc::ok) result = desktopStepResult(writeUninstallEntry(s.contentTitle));

  // A failed entry leaves the data file open; close it so that it and its folder can be removed.
  if (dataFile().isOpen()) dataFile().closeDataFile();
  deleteFileForced(platform(), s.dataFilePath);
  // The outcome is decided here, once: an abort taken at any point up to now (in a pause, in a step
  // that let messages run) removes everything; from now on Cancel no longer aborts (onCancelClicked).
  installPhase_ = InstallPhase::settled;
  if (s.installAborted || result != rc::ok) cleanUpInstallation();
  p.setCursor(remembered);
  if (!s.installAborted) showInstallResult(result);
  return result;
}

Result InstallerController::silentInstall() {
  Result result = runInstallation();
  if (result == rc::ok) openDisplayProperties(state().directory.header.showDesktopFlag != 0);
  exitCode_ = result == rc::ok ? exitcode::installed : exitcode::failed;
  return result;
}

void InstallerController::showPreparing() {
  if (silentKind()) return;
  view_.hideFileLabel();
  view_.setInstallEnabled(false);
  view_.setCancelVisible(true);
  view_.processMessages();
  if (state().installAborted) return;  // Cancel came first: its status stays, nothing else is shown
  showStatus(text::preparing);
  stepProgress();
  view_.processMessages();
}

// Kind-3 records are copies of a movie that is already in the content folder: record 1 of the
// installer movie that start-up extracted, later ones of record 1's file.
Result InstallerController::copyMovie(int index, const std::string& mainName) {
  InstallerState& s = state();
  const std::string& name = dataFile().record(index).name;
  if (!isContainedRelativePath(name) || (index != 1 && !isContainedRelativePath(mainName))) {
    showErrorBox(std::string(text::unsafeEntryName) + (isContainedRelativePath(name) ? mainName : name));
    return rc::unsafeName;
  }
  std::string source = s.contentFolder + (index == 1 ? std::string("installer.swf") : mainName);
  std::string destination = s.contentFolder + name;
  std::string folder = parentOf(destination);
  if (!folderExists(platform(), folder)) forceFolders(platform(), folder);
  if (!platform().copyFile(source, destination, false) && source != destination) {
    // A full disk is named with the copy it stopped; other failures keep the movie-copy message.
    const Result reason = platform().lastError();
    if (isDiskFull(reason)) {
      reportError(reason, destination);
      return reason;
    }
    reportError(rc::movieCopyFailed, source);
    return rc::movieCopyFailed;
  }
  return rc::ok;
}

Result InstallerController::expandDataFile() {
  InstallerState& s = state();
  DataFileReader& data = dataFile();
  showStatus(text::expandingFiles);
  Result result = data.openDataFile(s, s.dataFilePath, true);
  std::string mainName;
  if (result == rc::ok) {
    int32_t count = data.entryCount();
    if (count > kMaxDataRecords) count = kMaxDataRecords;  // the reader refuses such a file; never index past it
    if (count >= 1) mainName = data.record(1).name;
    for (int i = 1; i <= count && result == rc::ok; ++i) {
      const DataRecord& record = data.record(i);
      if (record.name.empty()) continue;
      if (entryIsMovieCopy(i, record.kind, data.movieSource())) result = copyMovie(i, mainName);
      else result = data.extractDataEntry(s.contentFolder, i, true, nullptr);
    }
    if (result == rc::ok) {
      result = data.closeDataFile();
      stepProgress();
    }
  }
  // The main file is marked for archiving, whatever happened (when it exists at all).
  if (!mainName.empty() && isContainedRelativePath(mainName)) {
    std::string mainPath = s.contentFolder + mainName;
    uint32_t attributes = platform().getAttributes(mainPath);
    if (attributes != attr::invalid) platform().setAttributes(mainPath, attributes | attr::archive);
  }
  return result;
}

void InstallerController::runExtraFile() {
  InstallerState& s = state();
  if (!s.runExtra) return;
  platform().shellExecute(0, nullptr, s.contentFolder + s.directory.entries[slot::extra].name, nullptr, nullptr,
                          kShowNormal);
}

void InstallerController::showInstallResult(Result result) {
  if (silentKind()) return;
  if (result == rc::ok) view_.setProgress(view_.progressMax());
  pause();
  pause();
  view_.setProgress(0);
  if (result == rc::ok) {
    showStatus(text::complete);
    view_.setDoneVisible(true);
    view_.focusDone();
    view_.setInstallVisible(false);
    view_.setCancelVisible(false);
    view_.processMessages();
    view_.setInstallEnabled(false);
  } else {
    showStatus(text::installFailed + std::to_string(result));
  }
}

void InstallerController::offerShowDesktop() {
  if (!state().directory.header.showDesktopFlag) return;
  view_.bringApplicationToFront();
  if (platform().messageBox(text::showDesktopQuestion, text::successCaption, BoxKind::YesNo) == BoxAnswer::Yes) {
    view_.minimiseOwnWindows();
    minimiseOtherWindows();
  }
}

}  // namespace mv
