#pragma once
// What the installer's logic needs of its window. The Win32 implementation drives the real controls;
// the headless one (tests) records what happens and lets a test script clicks at chosen pauses.
#include <string>

#include "flash/flash_panel.h"
#include "installer/picture_outcome.h"
#include "platform/platform.h"

namespace mv {

class InstallerView {
 public:
  virtual ~InstallerView() = default;

  // Window frame and application
  virtual WindowHandle handle() = 0;
  virtual void setCaption(const std::string& caption) = 0;
  virtual void setApplicationTitle(const std::string& title) = 0;
  virtual void bringApplicationToFront() = 0;
  virtual bool applicationActive() = 0;
  virtual void minimiseOwnWindows() = 0;
  virtual void processMessages() = 0;  // run what is pending once, do not wait
  // Enable the shared 1,000 ms timer and process messages (waiting for each) until its tick disables
  // it. A pause started while another waits ends at the same tick.
  virtual void runPauseTimer() = 0;
  // Ask the window to close: asks the logic whether it may (canClose) and, when allowed, runs its close
  // handler (onClose); then the window is destroyed.
  virtual void closeWindow() = 0;
  virtual void terminateApplication() = 0;  // end the message loop once the current handler returns

  // Layout (with licence: sizeable, minimum 359 x 340, licence text 103 high, "Accept and Install" 115
  // wide; without: fixed single border, licence text hidden, "Install" 80 wide). Also places Install 6 px left of
  // Cancel and sets the captions "Cancel" and "Close".
  virtual void chooseLayout(bool withLicence) = 0;
  virtual void setLicenceText(const std::string& text) = 0;  // CRLF line ends
  virtual void sizeWindow() = 0;  // width 359, height fitted; window state normal

  // Picture and movie
  virtual void hideMoviePanel() = 0;
  // Loads a BMP or JPEG into the picture control, shows it and brings it to the front; when the
  // picture cannot be loaded the control is shown empty and the outcome says why.
  virtual PictureOutcome showPicture(const std::string& path) = 0;
  virtual PanelSurface& moviePanelSurface() = 0;
  virtual FlashControlFactory& flashControlFactory() = 0;

  // Status line, progress bar, buttons
  virtual void setStatus(const std::string& text) = 0;  // show statusLabel, set its text, repaint at once
  virtual void setProgressMax(int max) = 0;
  virtual void setProgress(int position) = 0;
  virtual int progress() = 0;
  virtual int progressMax() = 0;
  virtual void hideFileLabel() = 0;
  virtual void setInstallEnabled(bool enabled) = 0;
  virtual void setInstallVisible(bool visible) = 0;
  virtual void setCancelVisible(bool visible) = 0;
  virtual void setDoneVisible(bool visible) = 0;
  virtual void focusDone() = 0;
};

// Every way out of the program: the window closes (asking the logic first) and the message loop ends.
inline void closeAndEnd(InstallerView& view) {
  view.closeWindow();
  view.terminateApplication();
}

}  // namespace mv
