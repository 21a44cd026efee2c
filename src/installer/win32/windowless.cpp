#include "installer/win32/windowless.h"

#include <windows.h>


namespace mv::win32 {

namespace {
// Runs what is queued for the thread (COM and the shell post to it) without waiting.
void dispatchPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // kept for whoever runs a loop after us
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}
}  // namespace

void WindowlessSurface::deliverOneMessage() { dispatchPending(); }

void WindowlessView::processMessages() { dispatchPending(); }

void WindowlessView::closeWindow() {
  if (closed_ || closing_ || !logic_) return;
  if (!logic_->canClose()) return;
  closing_ = true;
  logic_->onClose();
  closing_ = false;
  closed_ = true;
}

WindowlessInstaller::WindowlessInstaller(Platform& platform, InstallerState& state, ErrorBoxes& boxes,
                                         DataFileReader& dataFile, const render::Services& services)
    : logic_(view_, platform, state, boxes, dataFile, services) {
  view_.connect(logic_);
  logic_.onCreate();
  // Start-up of a windowless package ends by closing; a package that turned out to want its window
  // (the file changed under the running program) cannot show one here: it ends as a failure, cleaned up.
  if (!view_.closed()) {
    state.exitCode = exitcode::failed;
    view_.closeWindow();
  }
}

}  // namespace mv::win32
