// The installation: the Install button, the procedure that writes everything, its stages on the
// window, the expansion of the Moviva data file, and the questions after a successful run.
//
// Re-entrancy: everything runs on the one user-interface thread, but the window's messages are
// processed inside the pauses and between stages, so Cancel (which only sets installAborted) and a
// second Install click (ignored while installing) can arrive in the middle of the procedure.
#include <string>

#include "desktop/desktop.h"
#include "desktop/desktop_record.h"
#include "installer/installation.h"
#include "package/dcl_library.h"
#include "package/slots.h"
#include "platform/file_helpers.h"
#include "platform/restart_deletions.h"
#include "support/install_layout.h"
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

// The entry's details for the list of installed programs, once everything that stays is in place: the
// content folder (the still picture in it, the data file gone) and the page.
void writeEntryDetails(Platform& platform, const InstallerState& s) {
  UninstallDetails details;
  details.installLocation = s.contentFolder;
  details.displayIcon = layout::uninstallerPathFromEnvironment(windowsFolderFromEnvironment(platform), s.contentTitle);
  details.installedBytes = folderTreeBytes(platform, s.contentFolder);
  const std::string& page = s.directory.entries[slot::htmlPage].name;
  if (isPlainFileName(page)) {
    const int64_t pageBytes = fileSizeOf(platform, layout::wallpaperFolder(s.windowsFolder) + page);
    if (pageBytes > 0) details.installedBytes += uint64_t(pageBytes);
  }
  writeUninstallDetails(platform, s.contentTitle, details);
}

}  // namespace

// The desktop steps fail with a text (registry refused, no Active Desktop object). Such a failure ends
// the installation like any other - clean-up, final status, window left open - after its message.
Result Installation::desktopStep(Result result) {
  if (result.ok()) return rc::ok;
  boxes_.error(result.text());
  return rc::failedWithText;
}

// An earlier installation of the same content (its page exists, or the folder was already there) is
// overwritten only when the user agrees.
bool Installation::overwriteConfirmed() {
  const InstallerState& s = state_;
  std::string htmlPage = layout::pagePath(s.windowsFolder, s.contentTitle);
  bool conflict = fileExists(platform_, htmlPage) || !s.folderCreated;
  return !conflict || platform_.messageBox(s.contentTitle + text::overwriteQuestion, text::confirmCaption,
                                           BoxKind::OkCancelQuestion) == BoxAnswer::Ok;
}

// The Flash Player installer started at start-up may be waiting with its restart question: ours is
// asked, and its prompt, when it is found, gets the same answer.
bool Installation::restartAccepted() {
  WindowHandle prompt = 0;
  for (int i = 0; i < kFlashRestartTries && !prompt; ++i) {
    view_.processMessages();
    prompt = platform_.findWindow(nullptr, kFlashRestartWindow);
  }
  bool yes = platform_.messageBox(text::restartQuestion, text::successCaption, BoxKind::YesNo) == BoxAnswer::Yes;
  if (prompt) platform_.sendDlgItemMessage(prompt, yes ? kRestartYesButton : kRestartNoButton, kButtonClick, 0, 0);
  return yes;
}

void Installation::onInstallClicked() {
  InstallerState& s = state_;
  if (s.installing) return;  // a click that arrives while an installation runs
  s.installing = true;

  const bool confirmed = overwriteConfirmed();
  // Cancel pressed on the window while the question was open (the box need not be modal to it) means
  // "do not install": nothing has been written, so nothing is cleaned up - in particular not the
  // earlier installation the question was about.
  if (!s.installAborted && !confirmed) {
    // Nothing happened; the user may click again (and is asked again).
    s.installing = false;
    return;
  }
  const Result result = s.installAborted ? Result() : runInstallation();

  bool restartDeclined = true;
  if (!s.installAborted && result.ok() && s.flashRestartPending) restartDeclined = !restartAccepted();
  if (!s.installAborted && result.ok() && restartDeclined) offerShowDesktop();

  if (!result.ok()) {
    s.exitCode = exitcode::failed;
    s.installing = false;  // the window stays: the user leaves with Cancel or its close box
    return;
  }
  s.exitCode = s.installAborted ? exitcode::cancelled : exitcode::installed;
  s.installing = false;  // cleared first, so that the close is allowed
  closeAndEnd(view_);
}

Result Installation::runInstallation() {
  InstallerState& s = state_;
  Result result = rc::ok;

  phase_ = Phase::running;
  Cursor remembered = platform_.cursor();
  platform_.setCursor(Cursor::Wait);
  showPreparing();

  if (!s.installAborted) closeDisplayProperties(platform_);
  // Before anything is written: a deletion that an earlier uninstall left to the restart would take the
  // new files with it. Silent: a value that cannot be read or written changes nothing else.
  if (!s.installAborted)
    (void)cancelRestartDeletions(platform_, platform_,
                                 {s.contentFolder, layout::pagePath(s.windowsFolder, s.contentTitle)});
  if (!s.installAborted && result == rc::ok) result = extractInstallSlots(platform_, s);
  if (!s.installAborted && result == rc::ok) result = dataFile_.readDataHeader(platform_, s);
  if (!s.installAborted && result == rc::ok) result = expandDataFile();
  bool pageTaken = false;
  // What the user has on the desktop is recorded before the content changes it; the clean-up and the
  // uninstaller give it back from there.
  if (!s.installAborted && result == rc::ok) result = desktopStep(recordDesktop());
  if (!s.installAborted && result == rc::ok) {
    const PackageHeader& h = s.directory.header;
    result = desktopStep(registerWallpaperPage(platform_, s.windowsFolder, dataFile_.dataTitle(), h.red, h.green,
                                               h.blue, &pageTaken));
  }
  if (!s.installAborted && result == rc::ok) runExtraFile();
  if (!s.installAborted && result == rc::ok) result = desktopStep(writeUninstallEntry(platform_, s.contentTitle));
  // Last, so that nothing can fail after the wallpaper has changed: it records the user's wallpaper in
  // the uninstall entry just written, and the clean-up never has a changed wallpaper to undo.
  if (!s.installAborted && result == rc::ok) stillWallpaperStep(pageTaken);

  // A failed entry leaves the data file open; close it so that it and its folder can be removed. The
  // installation has failed already: what the close says adds nothing.
  if (dataFile_.isOpen()) (void)dataFile_.closeDataFile();
  // The data file has been expanded and is not kept; one that cannot be deleted stays behind silently.
  (void)deleteFileForced(platform_, s.dataFilePath);
  if (!s.installAborted && result == rc::ok) writeEntryDetails(platform_, s);
  // The compression library served every compressed file of the installation; it goes now.
  releaseSessionLibrary(s);
  // The outcome is decided here, once: an abort taken at any point up to now (in a pause, in a step
  // that let messages run) removes everything; from now on Cancel no longer aborts (abort()).
  phase_ = Phase::settled;
  if (s.installAborted || result != rc::ok) cleanUp();
  platform_.setCursor(remembered);
  if (!s.installAborted) showInstallResult(result);
  return result;
}

Result Installation::silentInstall() {
  Result result = runInstallation();
  if (result == rc::ok) openDisplayProperties(platform_, platform_, state_.directory.header.showDesktopFlag != 0);
  state_.exitCode = result == rc::ok ? exitcode::installed : exitcode::failed;
  return result;
}

void Installation::abort() {
  InstallerState& s = state_;
  // The installation has already decided its outcome (everything kept, or everything cleaned up): a
  // Cancel now would announce an abort that cannot happen any more, so it is left without effect.
  if (phase_ == Phase::settled) return;
  // Runs nested inside the installation's message processing: only mark the abort and show it; the
  // installation notices the flag at its next check and cleans up itself.
  s.installAborted = true;
  progress_.showStatus(text::aborted);
  if (!s.windowless()) {
    view_.setProgress(0);
    view_.processMessages();
  }
  progress_.pause();
  progress_.pause();
}

void Installation::showPreparing() {
  if (state_.windowless()) return;
  view_.hideFileLabel();
  view_.setInstallEnabled(false);
  view_.setCancelVisible(true);
  view_.processMessages();
  if (state_.installAborted) return;  // Cancel came first: its status stays, nothing else is shown
  progress_.showStatus(text::preparing);
  progress_.stepProgress();
  view_.processMessages();
}

// Kind-3 records are copies of a movie that is already in the content folder: record 1 of the
// installer movie that start-up extracted, later ones of record 1's file.
Result Installation::copyMovie(int index, const std::string& mainName) {
  InstallerState& s = state_;
  const std::string& name = dataFile_.record(index).name;
  if (!isContainedRelativePath(name) || (index != 1 && !isContainedRelativePath(mainName))) {
    boxes_.error(std::string(text::unsafeEntryName) + (isContainedRelativePath(name) ? mainName : name));
    return rc::unsafeName;
  }
  std::string source = s.contentFolder + (index == 1 ? std::string(layout::kInstallerMovieName) : mainName);
  std::string destination = s.contentFolder + name;
  std::string folder = parentOf(destination);
  if (!folderExists(platform_, folder)) forceFolders(platform_, folder);
  if (!platform_.copyFile(source, destination, false) && source != destination) {
    // A full disk is named with the copy it stopped; other failures keep the movie-copy message.
    const int32_t reason = platform_.lastError();
    if (isDiskFull(reason)) {
      boxes_.fileError(reason, destination);
      return reason;
    }
    boxes_.fileError(rc::movieCopyFailed, source);
    return rc::movieCopyFailed;
  }
  return rc::ok;
}

Result Installation::expandDataFile() {
  InstallerState& s = state_;
  DataFileReader& data = dataFile_;
  progress_.showStatus(text::expandingFiles);
  Result result = data.openDataFile(platform_, s, s.dataFilePath, true);
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
      progress_.stepProgress();
    }
  }
  // The main file is marked for archiving, whatever happened (when it exists at all).
  if (!mainName.empty() && isContainedRelativePath(mainName)) {
    std::string mainPath = s.contentFolder + mainName;
    uint32_t attributes = platform_.getAttributes(mainPath);
    if (attributes != attr::invalid) platform_.setAttributes(mainPath, attributes | attr::archive);
  }
  return result;
}

void Installation::runExtraFile() {
  const InstallerState& s = state_;
  if (!s.runExtra) return;
  // Opening the extra file is a courtesy: whether the shell could open it is not examined.
  (void)platform_.shellExecute(0, nullptr, s.contentFolder + s.directory.entries[slot::extra].name, nullptr,
                               nullptr, kShowNormal);
}

void Installation::showInstallResult(Result result) {
  if (state_.windowless()) return;
  if (result == rc::ok) view_.setProgress(view_.progressMax());
  progress_.pause();
  progress_.pause();
  view_.setProgress(0);
  if (result == rc::ok) {
    progress_.showStatus(text::complete);
    view_.setDoneVisible(true);
    view_.focusDone();
    view_.setInstallVisible(false);
    view_.setCancelVisible(false);
    view_.processMessages();
    view_.setInstallEnabled(false);
  } else {
    progress_.showStatus(text::installFailed + std::to_string(result.code()));
  }
}

void Installation::offerShowDesktop() {
  if (!state_.directory.header.showDesktopFlag) return;
  view_.bringApplicationToFront();
  if (platform_.messageBox(text::showDesktopQuestion, text::successCaption, BoxKind::YesNo) == BoxAnswer::Yes) {
    view_.minimiseOwnWindows();
    minimiseOtherWindows(platform_);
  }
}

Result Installation::recordDesktop() {
  const InstallerState& s = state_;
  const PackageHeader& h = s.directory.header;
  const std::string title = dataFile_.dataTitle();
  return desktop_record::recordContent(
      platform_, {s.contentTitle, s.contentFolder, layout::pagePath(s.windowsFolder, title),
                  backgroundColourText(h.red, h.green, h.blue)});
}

// After an aborted or failed installation. The title was checked at start-up to be one plain folder
// name, and the page's name is used only when it is a plain file name, so nothing outside the
// wallpaper folder can be reached from here. Nothing is reported: what cannot be deleted stays.
void Installation::cleanUp() {
  const InstallerState& s = state_;
  // First, while the content's record and uninstall entry still say what it set: a desktop that shows its
  // picture or colour (an earlier installation's too, whose folder goes now) gets back what was before.
  if (isPlainFolderName(s.contentTitle)) (void)desktop_record::release(platform_, s.contentTitle, s.contentFolder);
  if (isPlainFolderName(s.contentTitle)) (void)deleteFolderTree(platform_, s.contentFolder);
  const std::string& page = s.directory.entries[slot::htmlPage].name;
  if (isPlainFileName(page)) (void)deleteFileForced(platform_, layout::wallpaperFolder(s.windowsFolder) + page);
  if (!s.contentTitle.empty()) removeUninstallEntry(platform_, s.contentTitle);
}

}  // namespace mv
