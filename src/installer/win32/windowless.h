#pragma once
// A windowless package (presentation kind 4) installs without showing anything: the program then makes
// none of its windows. Each window made costs a round of the window system (tens of milliseconds under
// Wine for the four windows and their controls) that a silent installation never shows. The logic runs
// as it does behind the installer window; this view answers for the window that is not there.
#include <memory>

#include "installer/installer_controller.h"
#include "installer/view.h"

namespace mv::win32 {

// The movie surface of no window: nothing to show a movie on.
class WindowlessSurface : public PanelSurface {
 public:
  WindowHandle handle() override { return 0; }
  int width() override { return 0; }
  int height() override { return 0; }
  void setColour(uint32_t) override {}
  bool isVisible() override { return false; }
  void repaint() override {}
  void setFocus() override {}
  void deliverOneMessage() override;
};

class WindowlessView : public InstallerView {
 public:
  // Closing asks the logic first and runs its close handler, as closing the window would.
  void connect(InstallerController& logic) { logic_ = &logic; }
  bool closed() const { return closed_; }

  WindowHandle handle() override { return 0; }
  void setCaption(const std::string&) override {}
  void setApplicationTitle(const std::string&) override {}
  void bringApplicationToFront() override {}
  bool applicationActive() override { return false; }
  void minimiseOwnWindows() override {}
  void processMessages() override;
  void runPauseTimer() override {}  // nothing shows progress: there is nothing to pause for
  void closeWindow() override;
  void terminateApplication() override {}  // no message loop runs
  void chooseLayout(bool) override {}
  void setLicenceText(const std::string&) override {}
  void sizeWindow() override {}
  void hideMoviePanel() override {}
  PictureOutcome showPicture(const std::string&) override { return PictureOutcome(); }
  PanelSurface& moviePanelSurface() override { return surface_; }
  FlashControlFactory& flashControlFactory() override { return noControls_; }
  void setStatus(const std::string&) override {}
  void setProgressMax(int max) override { progressMax_ = max; }
  void setProgress(int position) override { progress_ = position; }
  int progress() override { return progress_; }
  int progressMax() override { return progressMax_; }
  void hideFileLabel() override {}
  void setInstallEnabled(bool) override {}
  void setInstallVisible(bool) override {}
  void setCancelVisible(bool) override {}
  void setDoneVisible(bool) override {}
  void focusDone() override {}

 private:
  InstallerController* logic_ = nullptr;
  bool closed_ = false;
  bool closing_ = false;
  int progress_ = 0, progressMax_ = 100;
  WindowlessSurface surface_;
  NoFlashControls noControls_;
};

// The installer of a windowless package: constructing it runs start-up, which installs.
class WindowlessInstaller {
 public:
  WindowlessInstaller(Platform& platform, InstallerState& state, ErrorBoxes& boxes, DataFileReader& dataFile,
                      const render::Services& services);
  InstallerController& logic() { return logic_; }

 private:
  WindowlessView view_;
  InstallerController logic_;
};

}  // namespace mv::win32
