#pragma once
// A window without a screen: implements what the installer's logic needs of its window, records
// everything that would be visible (status line, progress, buttons, caption, layout), and lets a test
// act at chosen points (a callback per pause, per message-processing call) deterministically.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "installer/error_reporter.h"
#include "installer/installer_controller.h"
#include "installer/state.h"
#include "installer/view.h"
#include "package/datafile.h"

namespace mv::test {

// What the program entry owns and hands to the installer's logic, made afresh for each test run on the
// platform it is given.
struct InstallerParts {
  explicit InstallerParts(Platform& machine) : platform(machine), boxes(machine), state(boxes) {}
  ~InstallerParts() {
    if (dataFile.isOpen()) (void)dataFile.closeDataFile();
  }
  std::unique_ptr<InstallerController> makeLogic(InstallerView& view) {
    return std::make_unique<InstallerController>(view, platform, state, boxes, dataFile);
  }

  Platform& platform;
  ErrorBoxes boxes;
  InstallerState state;
  DataFileReader dataFile;
};

class HeadlessView : public InstallerView, public PanelSurface, public FlashControlFactory {
 public:
  HeadlessView() = default;
  void attach(InstallerController* logic) { logic_ = logic; }

  // --- what a test scripts
  std::function<void(int pauseNumber)> onPause;  // 1-based over the whole run, nested pauses included
  std::function<void()> onProcessMessages;
  bool pictureLoads = true;      // showPicture's answer for an existing file
  // Why a picture that does not load failed (a missing file: Unreadable with code 2).
  PictureOutcome pictureFailure = PictureOutcome::failed(PictureOutcome::Problem::NotDecodable);
  bool active = true;            // applicationActive
  bool controlAvailable = false; // the Flash control factory creates fakes instead of failing

  // --- what a test reads
  std::vector<std::string> events;    // everything visible, in order ("status:...", "progress:3", "pause", ...)
  std::vector<std::string> statuses;  // the status line's texts, in order
  std::string caption, applicationTitle, licenceText, picturePath;
  bool layoutChosen = false, withLicence = false, sized = false, moviePanelHidden = false, pictureShown = false;
  bool statusVisible = false, fileLabelVisible = true;
  int progressValue = 0, progressMaxValue = 100;
  bool installEnabled = true, installVisible = true, cancelVisible = true, doneVisible = false, doneFocused = false;
  int pauses = 0, processMessagesCalls = 0, closeRequests = 0, closeRefusals = 0, broughtToFront = 0;
  int ownWindowsMinimised = 0;
  bool closed = false, terminated = false, timerEnabled = false;
  std::vector<std::string> pauseStatuses;  // the status line at each pause
  std::vector<int> pauseProgress;          // the progress bar at each pause

  // --- InstallerView
  WindowHandle handle() override { return 0x1000; }
  void setCaption(const std::string& c) override { caption = c; events.push_back("caption:" + c); }
  void setApplicationTitle(const std::string& t) override { applicationTitle = t; }
  void bringApplicationToFront() override { ++broughtToFront; }
  bool applicationActive() override { return active; }
  void minimiseOwnWindows() override { ++ownWindowsMinimised; events.push_back("minimise-own"); }
  void processMessages() override;
  void runPauseTimer() override;
  void closeWindow() override;
  void terminateApplication() override { terminated = true; events.push_back("terminate"); }
  void chooseLayout(bool licence) override;
  void setLicenceText(const std::string& text) override { licenceText = text; }
  void sizeWindow() override { sized = true; events.push_back("size"); }
  void hideMoviePanel() override { moviePanelHidden = true; }
  PictureOutcome showPicture(const std::string& path) override;
  PanelSurface& moviePanelSurface() override { return *this; }
  FlashControlFactory& flashControlFactory() override { return *this; }
  void setStatus(const std::string& text) override;
  void setProgressMax(int max) override { progressMaxValue = max; }
  void setProgress(int position) override;
  int progress() override { return progressValue; }
  int progressMax() override { return progressMaxValue; }
  void hideFileLabel() override { fileLabelVisible = false; }
  void setInstallEnabled(bool e) override;
  void setInstallVisible(bool v) override { installVisible = v; }
  void setCancelVisible(bool v) override { cancelVisible = v; }
  void setDoneVisible(bool v) override { doneVisible = v; }
  void focusDone() override { doneFocused = true; }

  // --- PanelSurface (the movie panel)
  int width() override { return 350; }
  int height() override { return 150; }
  void setColour(uint32_t) override {}
  bool isVisible() override { return !moviePanelHidden; }
  void repaint() override {}
  void setFocus() override {}
  void deliverOneMessage() override {}

  // --- FlashControlFactory
  Result create(WindowHandle parent, int w, int h, std::unique_ptr<FlashControl>& control) override;

 private:
  InstallerController* logic_ = nullptr;
};

}  // namespace mv::test
