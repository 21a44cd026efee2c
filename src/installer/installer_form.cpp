// The installer window's logic: construction, the frame of FormCreate and the three window helpers
// (status line, progress step, one-second pause) through which every stage shows what it does.
#include "installer/installer_form.h"

#include "package/format.h"

namespace mv {

TInstallerForm::TInstallerForm(InstallerView& view)
    : view_(view), moviePanel_(new TFlashPanel(view.moviePanelSurface(), view.flashControlFactory())) {}

TInstallerForm::~TInstallerForm() {
  if (state().window == this) state().window = nullptr;
}

void TInstallerForm::FormCreate() {
  // The frame (single border, system menu only, centred) is the view's; the logic keeps the rest.
  state().flashInstallMode = 2;
  startUp();
}

bool TInstallerForm::silentKind() const { return state().presentationKind == presentation::silent; }

void TInstallerForm::showStatus(const std::string& text) {
  if (silentKind()) return;
  view_.setStatus(text);
}

void TInstallerForm::stepProgress() {
  if (silentKind()) return;
  int next = view_.progress() + 1;
  int max = view_.progressMax();
  view_.setProgress(next > max ? max : next);
  pause();
}

void TInstallerForm::pause() {
  if (silentKind()) return;
  // One shared timer: a pause started while another waits ends at the same tick, because the tick
  // clears the one flag that every waiting pause looks at.
  pauseTimerEnabled_ = true;
  view_.runPauseTimer();
}

void TInstallerForm::pauseTimerTimer() { pauseTimerEnabled_ = false; }

void TInstallerForm::FormResize() {
  // The bands are placed by the view when its size changes; the logic has nothing to add.
}

void TInstallerForm::closeAndEnd() {
  view_.closeWindow();
  view_.terminateApplication();
}

}  // namespace mv
