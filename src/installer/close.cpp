// Leaving the installer window: Cancel (abort a running installation, or end the program), Close,
// the close query and handler, the clean-up after an aborted or failed installation, the removal of a
// content folder that no installation used, and the filter that swallows right-button presses.
#include <string>

#include "desktop/desktop.h"
#include "installer/installer_controller.h"
#include "package/format.h"
#include "platform/file_helpers.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv {

void InstallerController::onCancelClicked() {
  InstallerState& s = state();
  if (!s.installing) {
    closeAndEnd();
    return;
  }
  // The installation has already decided its outcome (everything kept, or everything cleaned up): a
  // Cancel now would announce an abort that cannot happen any more, so it is left without effect.
  if (installPhase_ == InstallPhase::settled) return;
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
  removeUnusedContentFolder();
  // Only the folder this run created: when no fresh folder could be made, tempFolder names one that
  // may belong to another installer.
  if (tempFolderCreated_) {
    deleteFolderTree(platform(), parentOf(s.tempCopyPath));
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
  if (isPlainFolderName(s.contentTitle)) deleteFolderTree(platform(), s.contentFolder);
  const std::string& page = s.directory.entries[slot::htmlPage].name;
  if (isPlainFileName(page)) deleteFileForced(platform(), s.windowsFolder + "Web\\Wallpaper\\" + page);
  if (!s.contentTitle.empty()) removeUninstallEntry(s.contentTitle);
}

// A content folder that start-up made for an installation that never ran would make the next run ask
// whether to overwrite an installation that does not exist: it goes again with what start-up wrote
// into it (slots 2 to 5 whose destination it is). A folder that existed before is not ours to touch;
// anything else found in ours (another installer's files) keeps it.
void InstallerController::removeUnusedContentFolder() {
  InstallerState& s = state();
  if (!s.folderCreated || installPhase_ != InstallPhase::notStarted || !isPlainFolderName(s.contentTitle)) return;
  for (int k = slot::flashInstaller; k <= slot::extra; ++k) {
    const PackageEntry& entry = s.directory.entries[k];
    if (!isPlainFileName(entry.name)) continue;
    std::string destination = slotDestination(entry, s.windowsFolder, s.contentFolder);
    if (!destination.empty() && parentOf(destination) == s.contentFolder) deleteFileForced(platform(), destination);
  }
  platform().removeDirectory(withoutTrailingBackslash(s.contentFolder));
  s.folderCreated = false;
}

bool InstallerController::filterMessage(uint32_t message) {
  constexpr uint32_t kRightButtonDown = 0x0204;  // WM_RBUTTONDOWN
  return message == kRightButtonDown;
}

}  // namespace mv
