#pragma once
// Start-up: from the program's first moment until the window waits for the user, or until a failed or
// windowless start-up ends the program. A windowless package installs from here.
#include <string>

#include "flash/flash_panel.h"
#include "installer/error_reporter.h"
#include "installer/installation.h"
#include "installer/state.h"
#include "installer/view.h"
#include "platform/platform.h"

namespace mv {

class StartUp {
 public:
  StartUp(Platform& platform, InstallerView& view, InstallerState& state, ErrorBoxes& boxes, MoviePanel& moviePanel,
          Installation& installation)
      : platform_(platform), view_(view), state_(state), boxes_(boxes), moviePanel_(moviePanel),
        installation_(installation) {}

  // Runs every step while the result is still 0; the step that fails has already told the user why, and
  // the ending adds the start-up message and ends the program.
  Result run();

 private:
  void resolveSystemFolders();
  Result checkTitle();               // refuses a title that is not a plain folder name
  Result libraryStep(File& stream);  // runs while the temp copy is open after the directory read
  Result makeContentFolder();
  Result prepareWindow();            // unpacking what the window shows, and its look
  Result showLicence();
  Result extractPresentation();
  void showPresentation();

  Platform& platform_;
  InstallerView& view_;
  InstallerState& state_;
  ErrorBoxes& boxes_;
  MoviePanel& moviePanel_;
  Installation& installation_;
  bool titleChecked_ = false;
  bool titleRefused_ = false;
};

}  // namespace mv
