#pragma once
// Leaving the installer window: Cancel (abort a running installation, or end the program), Close, the
// window's close request and what happens when it closes (the removal of a content folder that no
// installation used, and of the temporary working folder), and the filter that swallows right-button
// presses.
#include <cstdint>

#include "flash/flash_panel.h"
#include "installer/installation.h"
#include "installer/state.h"
#include "installer/view.h"
#include "platform/platform.h"

namespace mv {

class Closing {
 public:
  Closing(FileSystem& files, InstallerView& view, InstallerState& state, MoviePanel& moviePanel,
          Installation& installation)
      : files_(files), view_(view), state_(state), moviePanel_(moviePanel), installation_(installation) {}

  void onCancelClicked();
  void onDoneClicked();
  bool canClose() const;  // true: the window may close
  void onClose();
  static bool filterMessage(uint32_t message);  // true: handled (swallowed)

 private:
  void removeUnusedContentFolder();

  FileSystem& files_;
  InstallerView& view_;
  InstallerState& state_;
  MoviePanel& moviePanel_;
  Installation& installation_;
};

}  // namespace mv
