// Start-up: from the program's first moment until the window waits for the user, or until a failed
// or windowless start-up ends the program. Each step runs only while the result is still 0; the step
// that fails has already told the user why, and the ending adds the start-up message.
#include <string>

#include "desktop/desktop.h"
#include "installer/error_reporter.h"
#include "installer/installer_controller.h"
#include "package/package_reader.h"
#include "package/slots.h"
#include "platform/file_helpers.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv {

void InstallerController::resolveSystemFolders() {
  // The platform hands back the text up to its terminating zero; only the backslash is ours.
  state().windowsFolder = withTrailingBackslash(platform().windowsDirectory());
  state().systemFolder = withTrailingBackslash(platform().systemDirectory());
}

// The content title names a folder under the Windows folder that the clean-up deletes whole, so it
// must be one plain folder name. Checked before the first byte is written: it runs at the start of
// the library step, which is the first thing that writes anything after the directory is read.
Result InstallerController::checkTitle() {
  if (titleChecked_) return titleRefused_ ? rc::badTitle : rc::ok;
  titleChecked_ = true;
  std::string title = state().directory.header.title();
  if (isPlainFolderName(title)) return rc::ok;
  titleRefused_ = true;
  showErrorBox(std::string(text::badTitle) + title);
  return rc::badTitle;
}

Result InstallerController::libraryStep(File& stream) {
  Result r = checkTitle();
  if (r != rc::ok) return r;
  return extractSlot(state(), stream, slot::library, false);
}

// The content folder, with any missing parent (a fresh system may lack "Web\Wallpaper"). A folder
// that cannot be made is reported here, with its path, rather than by the first write into it.
Result InstallerController::makeContentFolder() {
  InstallerState& s = state();
  if (folderExists(platform(), s.contentFolder)) {
    s.folderCreated = false;
    return rc::ok;
  }
  forceFolders(platform(), s.contentFolder);
  Result reason = platform().lastError();
  if (!folderExists(platform(), s.contentFolder)) {
    std::string message = std::string(text::contentFolderFailed) + s.contentFolder;
    std::string description = reason > 0 ? errorDescription(platform(), reason) : std::string();
    if (!description.empty()) message += "\r\n\r\n" + description;
    showErrorBox(message);
    return rc::contentFolderFailed;
  }
  s.folderCreated = true;
  return rc::ok;
}

Result InstallerController::startUp() {
  InstallerState& s = state();
  Platform& p = platform();
  s.progress = this;

  // Hourglass, and let it show.
  Cursor remembered = p.cursor();
  p.setCursor(Cursor::Wait);
  view_.processMessages();

  // Reset the flags of the run.
  s.installing = false;
  s.installAborted = false;
  s.licenseShown = false;
  s.runExtra = false;
  s.flashRestartPending = false;
  s.silent = false;
  s.folderCreated = false;  // until this run makes the content folder
  titleChecked_ = titleRefused_ = false;
  installPhase_ = InstallPhase::notStarted;

  // System folders.
  resolveSystemFolders();

  // Paths and the private working folder.
  s.executablePath = p.executablePath();
  s.executableFolder = parentOf(s.executablePath);
  Result r = makeTempFolder(platform(), platform(), "MVVA", s.tempFolder);
  s.tempCopyPath = s.tempFolder + "temp.dat";
  if (r == rc::ok) {
    tempFolderCreated_ = true;
  } else {
    // Nothing else would tell the user why the installer stops here.
    reportError(r, s.tempFolder);
  }

  // The copy of the executable that every package read goes to.
  if (r == rc::ok) r = makeTempCopy(s);

  // The package directory; the library slot is written while the copy is still open.
  if (r == rc::ok) r = readPackageDirectory(s, [this](File& stream) { return libraryStep(stream); });

  // The content folder.
  if (r == rc::ok) r = checkTitle();
  if (r == rc::ok) {
    s.contentTitle = s.directory.header.title();
    s.contentFolder = s.windowsFolder + "Web\\Wallpaper\\" + s.contentTitle + " dir\\";
    r = makeContentFolder();
    s.dataFilePath = s.contentFolder + s.directory.entries[slot::dataFile].name;
    s.presentationKind = s.directory.header.presentationKind;
  }

  // Unpacking and window preparation (silent packages install from here).
  if (r == rc::ok) r = prepareWindow();

  // Ending.
  p.setCursor(remembered);
  if (r != rc::ok) {
    exitCode_ = exitcode::failed;
    showErrorBox(std::string(text::installerCorrupted) + text::quillonError + std::to_string(r) + ". ");
  }
  if (r != rc::ok || s.silent) closeAndEnd();
  return r;
}

}  // namespace mv
