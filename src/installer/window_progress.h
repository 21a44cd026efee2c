#pragma once
// The Progress of an installation on the installer window: status line, progress bar and the one-second
// pause. A windowless package shows none of them.
#include <string>

#include "installer/state.h"
#include "installer/view.h"
#include "support/reporter.h"

namespace mv {

class WindowProgress : public Progress {
 public:
  WindowProgress(InstallerView& view, const InstallerState& state) : view_(view), state_(state) {}

  void showStatus(const std::string& text) override;
  void stepProgress() override;  // one step further (never past the maximum), then a pause
  void pause() override;

 private:
  InstallerView& view_;
  const InstallerState& state_;
};

}  // namespace mv
