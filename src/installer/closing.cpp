// Leaving the installer window: Cancel (abort a running installation, or end the program), Close, the
// close request and what follows it, the removal of a content folder that no installation used, and
// the filter that swallows right-button presses.
#include <string>

#include "desktop/desktop.h"
#include "installer/closing.h"
#include "installer/installer_controller.h"
#include "package/format.h"
#include "package/slots.h"
#include "platform/file_helpers.h"
#include "support/install_layout.h"
#include "support/paths.h"

namespace mv {

void Closing::onCancelClicked() {
  if (!state_.installing) {
    closeAndEnd(view_);
    return;
  }
  installation_.abort();
}

void Closing::onDoneClicked() { closeAndEnd(view_); }

bool Closing::canClose() const { return !state_.installing; }

void Closing::onClose() {
  InstallerState& s = state_;
  if (!s.windowless()) moviePanel_.unloadSWF();
  removeUnusedContentFolder();
  // Only the folder this run created: when no fresh folder could be made, tempFolder names one that
  // may belong to another installer. What cannot be deleted stays behind silently.
  if (s.tempFolderCreated) {
    (void)deleteFolderTree(files_, parentOf(s.tempCopyPath));
    s.tempFolderCreated = false;
  }
  // Every way out of the window ends the program, the close box included: the installer window is
  // not the application's main window, so its going would otherwise leave an invisible program.
  view_.terminateApplication();
}

// A content folder that start-up made for an installation that never ran would make the next run ask
// whether to overwrite an installation that does not exist: it goes again with what start-up wrote
// into it (slots 2 to 5 whose destination it is). A folder that existed before is not ours to touch;
// anything else found in ours (another installer's files) keeps it, as does a file that cannot be
// deleted: removing the folder then fails, and nothing is reported.
void Closing::removeUnusedContentFolder() {
  InstallerState& s = state_;
  if (!s.folderCreated || installation_.started() || !isPlainFolderName(s.contentTitle)) return;
  for (int k = slot::flashInstaller; k <= slot::extra; ++k) {
    const PackageEntry& entry = s.directory.entries[k];
    if (!isPlainFileName(entry.name)) continue;
    std::string destination = slotDestination(entry, s.windowsFolder, s.contentFolder);
    if (!destination.empty() && parentOf(destination) == s.contentFolder) (void)deleteFileForced(files_, destination);
  }
  (void)files_.removeDirectory(withoutTrailingBackslash(s.contentFolder));
  s.folderCreated = false;
}

bool Closing::filterMessage(uint32_t message) {
  constexpr uint32_t kRightButtonDown = 0x0204;  // WM_RBUTTONDOWN
  return message == kRightButtonDown;
}

}  // namespace mv
