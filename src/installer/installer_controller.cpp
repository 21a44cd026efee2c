// The installer window's logic: construction, the frame of onCreate and the three window helpers
// (status line, progress step, one-second pause) through which every stage shows what it does.
#include "installer/installer_controller.h"

#include "package/format.h"

namespace mv {

InstallerController::InstallerController(InstallerView& view)
    : view_(view),
      moviePanel_(new MoviePanel(platform(), platform(), view.moviePanelSurface(), view.flashControlFactory())) {}

InstallerController::~InstallerController() {
  if (state().progress == this) state().progress = nullptr;
}

void InstallerController::onCreate() {
  // The frame (single border, system menu only, centred) is the view's; the logic keeps the rest.
  startUp();
}

bool InstallerController::silentKind() const { return state().presentationKind == presentation::silent; }

void InstallerController::showStatus(const std::string& text) {
  if (silentKind()) return;
  view_.setStatus(text);
}

void InstallerController::stepProgress() {
  if (silentKind()) return;
  int next = view_.progress() + 1;
  int max = view_.progressMax();
  view_.setProgress(next > max ? max : next);
  pause();
}

void InstallerController::pause() {
  if (silentKind()) return;
  // One shared timer: a pause started while another waits ends at the same tick, because the tick
  // clears the one flag that every waiting pause looks at.
  pauseTimerEnabled_ = true;
  view_.runPauseTimer();
}

void InstallerController::onPauseTimer() { pauseTimerEnabled_ = false; }


void InstallerController::closeAndEnd() {
  view_.closeWindow();
  view_.terminateApplication();
}

}  // namespace mv
