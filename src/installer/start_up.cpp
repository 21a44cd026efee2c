// Start-up's first steps: system folders, the private working folder and the temp copy, the package
// directory with the library slot, and the content folder; then the window's preparation
// (prepare_window.cpp) and the ending.
#include <string>

#include "installer/start_up.h"
#include "package/dcl_library.h"
#include "package/package_reader.h"
#include "package/slots.h"
#include "platform/file_helpers.h"
#include "platform/system_errors.h"
#include "support/install_layout.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv {

void StartUp::resolveSystemFolders() {
  // The platform hands back the text up to its terminating zero; only the backslash is ours.
  state_.windowsFolder = withTrailingBackslash(platform_.windowsDirectory());
  state_.systemFolder = withTrailingBackslash(platform_.systemDirectory());
}

// The content title names a folder under the Windows folder that the clean-up deletes whole, so it
// must be one plain folder name. Checked before the first byte is written: it runs at the start of
// the library step, which is the first thing that writes anything after the directory is read.
Result StartUp::checkTitle() {
  if (titleChecked_) return titleRefused_ ? rc::badTitle : rc::ok;
  titleChecked_ = true;
  std::string title = state_.directory.header.title();
  if (isPlainFolderName(title)) return rc::ok;
  titleRefused_ = true;
  boxes_.error(std::string(text::badTitle) + title);
  return rc::badTitle;
}

Result StartUp::libraryStep(File& stream) {
  Result r = checkTitle();
  if (r != rc::ok) return r;
  return extractSlot(platform_, state_, stream, slot::library, false);
}

// The content folder, with any missing parent (a fresh system may lack "Web\Wallpaper"). A folder
// that cannot be made is reported here, with its path, rather than by the first write into it.
Result StartUp::makeContentFolder() {
  InstallerState& s = state_;
  if (folderExists(platform_, s.contentFolder)) {
    s.folderCreated = false;
    return rc::ok;
  }
  forceFolders(platform_, s.contentFolder);
  const int32_t reason = platform_.lastError();
  if (!folderExists(platform_, s.contentFolder)) {
    std::string message = std::string(text::contentFolderFailed) + s.contentFolder;
    std::string description = reason > 0 ? errorDescription(platform_, reason) : std::string();
    if (!description.empty()) message += "\r\n\r\n" + description;
    boxes_.error(message);
    return rc::contentFolderFailed;
  }
  s.folderCreated = true;
  return rc::ok;
}

Result StartUp::run() {
  InstallerState& s = state_;

  // Hourglass, and let it show.
  Cursor remembered = platform_.cursor();
  platform_.setCursor(Cursor::Wait);
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

  // System folders.
  resolveSystemFolders();

  // Paths and the private working folder.
  s.executablePath = platform_.executablePath();
  s.executableFolder = parentOf(s.executablePath);
  Result r = makeTempFolder(platform_, platform_, "MVVA", s.tempFolder);
  s.tempCopyPath = s.tempFolder + "temp.dat";
  if (r == rc::ok) {
    s.tempFolderCreated = true;
  } else {
    // Nothing else would tell the user why the installer stops here.
    boxes_.fileError(r, s.tempFolder);
  }

  // The copy of the executable that every package read goes to.
  if (r == rc::ok) r = makeTempCopy(platform_, s);

  // The package directory; the library slot is written while the copy is still open.
  if (r == rc::ok) r = readPackageDirectory(platform_, s, [this](File& stream) { return libraryStep(stream); });

  // The content folder.
  if (r == rc::ok) r = checkTitle();
  if (r == rc::ok) {
    s.contentTitle = s.directory.header.title();
    s.contentFolder = layout::contentFolder(s.windowsFolder, s.contentTitle);
    r = makeContentFolder();
    s.dataFilePath = s.contentFolder + s.directory.entries[slot::dataFile].name;
    s.presentationKind = s.directory.header.presentationKind;
  }

  // Unpacking and window preparation (silent packages install from here).
  if (r == rc::ok) r = prepareWindow();
  // The compression library of start-up's files; an installation loads it again when it needs it.
  releaseSessionLibrary(s);

  // Ending.
  platform_.setCursor(remembered);
  if (r != rc::ok) {
    s.exitCode = exitcode::failed;
    boxes_.error(std::string(text::installerCorrupted) + text::quillonError + std::to_string(r.code()) + ". ");
  }
  if (r != rc::ok || s.silent) closeAndEnd(view_);
  return r;
}

}  // namespace mv
