// Leaving the installer window: Cancel (abort a running installation, or end the program), Close,
// the close query and handler, the clean-up after an aborted or failed installation, and the filter
// that swallows right-button presses.
#include <string>

#include "desktop/desktop.h"
#include "installer/installer_controller.h"
#include "support/file_helpers.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv {

void InstallerController::onCancelClicked() {
  InstallerState& s = state();
  if (!s.installing) {
    closeAndEnd();
    return;
  }
  // Runs nested inside the installation's message processing: only mark the abort and show it; the
  // installation notices the flag at its next check and cleans up itself.
  s.installAborted = true;
  showStatus(text::aborted);
  if (!silentKind()) {
    view_.setProgress(0);
    view_.processMessages();
  }
  pause();
  pause();
}

void InstallerController::onDoneClicked() { closeAndEnd(); }

bool InstallerController::canClose() { return !state().installing; }

void InstallerController::onClose() {
  InstallerState& s = state();
  if (!silentKind()) moviePanel_->unloadSWF();
  // Only the folder this run created: when no fresh folder could be made, tempFolder names one that
  // may belong to another installer.
  if (tempFolderCreated_) {
    deleteFolderTree(parentOf(s.tempCopyPath));
    tempFolderCreated_ = false;
  }
  // Every way out of the window ends the program, the close box included: the installer window is
  // not the application's main window, so its going would otherwise leave an invisible program.
  view_.terminateApplication();
}

void InstallerController::cleanUpInstallation() {
  InstallerState& s = state();
  // The title was checked at start-up to be one plain folder name, and the page's name is used only
  // when it is a plain file name, so nothing outside the wallpaper folder can be reached from here.
  if (isPlainFolderName(s.contentTitle)) deleteFolderTree(s.contentFolder);
  const std::string& page = s.directory.entries[slot::htmlPage].name;
  if (isPlainFileName(page)) deleteFileForced(s.windowsFolder + "Web\\Wallpaper\\" + page);
  if (!s.contentTitle.empty()) removeUninstallEntry(s.contentTitle);
}

bool InstallerController::filterMessage(uint32_t message) {
  constexpr uint32_t kRightButtonDown = 0x0204;  // WM_RBUTTONDOWN
  return message == kRightButtonDown;
}

}  // namespace mv
