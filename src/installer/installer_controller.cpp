// The installer window's logic put together, and the window's Progress: the status line, progress step
// and one-second pause through which every stage shows what it does.
#include "installer/installer_controller.h"

namespace mv {

InstallerController::InstallerController(InstallerView& view, Platform& platform, InstallerState& state,
                                         ErrorBoxes& boxes, DataFileReader& dataFile,
                                         const render::Services& services)
    : state_(state),
      progress_(view, state),
      moviePanel_(platform, platform, view.moviePanelSurface(), view.flashControlFactory(), services),
      installation_(platform, view, state, boxes, dataFile, progress_, services),
      startUp_(platform, view, state, boxes, moviePanel_, installation_),
      closing_(platform, view, state, moviePanel_, installation_) {
  state_.progress = &progress_;
}

InstallerController::~InstallerController() {
  if (state_.progress == &progress_) state_.progress = nullptr;
}

void InstallerController::onCreate() {
  // A failed start-up has already shown its messages and ended the program: nothing is left to do with
  // its code.
  (void)startUp_.run();
}

void WindowProgress::showStatus(const std::string& text) {
  if (state_.windowless()) return;
  view_.setStatus(text);
}

void WindowProgress::stepProgress() {
  if (state_.windowless()) return;
  int next = view_.progress() + 1;
  int max = view_.progressMax();
  view_.setProgress(next > max ? max : next);
  pause();
}

void WindowProgress::pause() {
  if (state_.windowless()) return;
  // One shared timer: a pause started while another waits ends at the same tick.
  view_.runPauseTimer();
}

}  // namespace mv
