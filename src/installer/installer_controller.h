#pragma once
// InstallerController: the installer window's logic, put together from its three parts - start-up, the
// installation and the way out - with the window's Progress. The program entry owns what it works on
// (platform, state, boxes, data file reader) and hands it in; the window (real or headless) calls the
// handlers for clicks, close requests and queued messages.

#include "flash/flash_panel.h"
#include "installer/closing.h"
#include "installer/error_reporter.h"
#include "installer/installation.h"
#include "installer/start_up.h"
#include "installer/state.h"
#include "installer/view.h"
#include "installer/window_progress.h"
#include "package/datafile.h"

namespace mv {

class InstallerController {
 public:
  // The render services (JPEG decoder, the system's fonts) draw the movie panel's first frame and the
  // still wallpaper; without them JPEG bitmaps and device fonts are left out.
  InstallerController(InstallerView& view, Platform& platform, InstallerState& state, ErrorBoxes& boxes,
                      DataFileReader& dataFile, const render::Services& services = {});
  ~InstallerController();
  InstallerController(const InstallerController&) = delete;
  InstallerController& operator=(const InstallerController&) = delete;

  // The window is made: start-up runs (its frame - single border, system menu only, centred - is the
  // view's). A failed start-up has told the user and ended the program; its code is not needed here.
  void onCreate();

  void onInstallClicked() { installation_.onInstallClicked(); }
  void onCancelClicked() { closing_.onCancelClicked(); }
  void onDoneClicked() { closing_.onDoneClicked(); }
  bool canClose() const { return closing_.canClose(); }
  void onClose() { closing_.onClose(); }
  bool filterMessage(uint32_t message) const { return Closing::filterMessage(message); }

  int exitCode() const { return state_.exitCode; }

 private:
  InstallerState& state_;
  WindowProgress progress_;
  MoviePanel moviePanel_;
  Installation installation_;
  StartUp startUp_;
  Closing closing_;
};

}  // namespace mv
