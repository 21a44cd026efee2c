#pragma once
// The installer window (see window_classes.h) with its controls, as the installer's logic sees it
// through InstallerView. The logic itself is reached through InstallerWindowEvents, so that tests can
// drive the window with a small stand-in of their own.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "installer/view.h"
#include "platform/files.h"
#include "support/dpi_scale.h"

namespace mv::win32 {

class Application;

// What the window calls on the logic: the handlers of InstallerController.
class InstallerWindowEvents {
 public:
  virtual ~InstallerWindowEvents() = default;
  virtual void onCreate() = 0;
  virtual void onInstallClicked() = 0;
  virtual void onCancelClicked() = 0;
  virtual void onDoneClicked() = 0;
  virtual bool canClose() = 0;  // true: the window may close
  virtual void onClose() = 0;
  virtual void onPauseTimer() {}  // the shared timer ticked (the view has ended the waiting pauses itself)
  virtual bool filterMessage(uint32_t message) = 0;  // true: swallow the message
};

// Designed sizes (pixels).
namespace layout {
constexpr int windowWidth = 359;
constexpr int minWindowWidth = 359, minWindowHeight = 340;  // with licence
constexpr int contentTop = -1, contentWidth = 352, contentHeight = 152;
constexpr int pictureLeft = 1, pictureTop = 1, pictureWidth = 350, pictureHeight = 150;
constexpr int buttonPanelHeight = 63;
constexpr int licenceMinHeight = 103;
constexpr int statusLabelLeft = 1, statusLabelTop = 3, statusLabelWidth = 419, statusLabelHeight = 13;
constexpr int fileLabelLeft = -1, fileLabelTop = 2, fileLabelWidth = 190, fileLabelHeight = 18;
constexpr int progressLeft = 1, progressTop = 20, progressHeight = 11;
constexpr int buttonTop = 36, buttonWidth = 80, buttonHeight = 25, acceptWidth = 115;
// The button panel was designed 351 wide (the client width of a 359-wide sizeable window); the
// progress bar and the buttons keep their designed distance to its right edge.
constexpr int designPanelWidth = 351;
constexpr int progressRightMargin = designPanelWidth - (progressLeft + 347);  // 3
constexpr int buttonRightMargin = designPanelWidth - (268 + buttonWidth);     // 3
constexpr int buttonGap = 6;                                                  // Install to Cancel
constexpr unsigned pauseInterval = 1000;                                      // ms
}  // namespace layout

// Control identifiers (WM_COMMAND) of the installer window.
enum ControlId : int {
  idContentPanel = 100,
  idButtonPanel,
  idLicence,
  idBmpPanel,
  idMoviePanel,
  idStatusLabel,
  idFileLabel,
  idProgressBar,
  idInstallButton,
  idDoneButton,
  idCancelButton,
};

class Win32InstallerView : public InstallerView {
 public:
  // The window's picture is read through `files`, which outlives the view.
  Win32InstallerView(Application& app, FileSystem& files, std::unique_ptr<FlashControlFactory> flashFactory);
  ~Win32InstallerView() override;
  Win32InstallerView(const Win32InstallerView&) = delete;
  Win32InstallerView& operator=(const Win32InstallerView&) = delete;

  // Connects the logic and runs its creation handler (start-up) while the window is still hidden; then,
  // unless start-up closed it, centres the window on the screen and shows it.
  void start(InstallerWindowEvents& events);

  // InstallerView
  WindowHandle handle() override;
  void setCaption(const std::string& caption) override;
  void setApplicationTitle(const std::string& title) override;
  void bringApplicationToFront() override;
  bool applicationActive() override;
  void minimiseOwnWindows() override;
  void processMessages() override;
  void runPauseTimer() override;
  void closeWindow() override;
  void terminateApplication() override;
  void chooseLayout(bool withLicence) override;
  void setLicenceText(const std::string& text) override;
  void sizeWindow() override;
  void hideMoviePanel() override;
  PictureOutcome showPicture(const std::string& path) override;
  PanelSurface& moviePanelSurface() override;
  FlashControlFactory& flashControlFactory() override;
  void setStatus(const std::string& text) override;
  void setProgressMax(int max) override;
  void setProgress(int position) override;
  int progress() override;
  int progressMax() override;
  void hideFileLabel() override;
  void setInstallEnabled(bool enabled) override;
  void setInstallVisible(bool visible) override;
  void setCancelVisible(bool visible) override;
  void setDoneVisible(bool visible) override;
  void focusDone() override;

  // The controls, for the program and for tests that look at the real windows.
  HWND window() const { return hwnd_; }
  HWND contentPanel() const { return contentPanel_; }
  HWND bmpPanel() const { return bmpPanel_; }
  HWND moviePanel() const { return moviePanel_; }
  HWND licenseScrollBox() const { return licence_; }
  HWND buttonPanel() const { return buttonPanel_; }
  HWND statusLabel() const { return statusLabel_; }
  HWND fileLabel() const { return fileLabel_; }
  HWND progressBar() const { return progressBar_; }
  HWND installButton() const { return installButton_; }
  HWND doneButton() const { return doneButton_; }
  HWND cancelButton() const { return cancelButton_; }
  // The resolution the window is laid out for (96: the designed pixels).
  int dpi() const { return scale_.dpi; }

  // Its window's messages (objectWindowProc): all answered here.
  bool onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

 private:
  class MoviePanel;
  LRESULT handleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  void createControls();
  void applyScale(int dpi);
  void layoutBands();  // the resize rule
  void onDpiChanged(int dpi, const RECT& suggested);
  void command(int id);
  void onPauseTimer();
  void centreOnScreen();

  Application& app_;
  FileSystem& files_;
  std::unique_ptr<FlashControlFactory> flashFactory_;
  InstallerWindowEvents* events_ = nullptr;
  HWND hwnd_ = nullptr;
  HWND contentPanel_ = nullptr, bmpPanel_ = nullptr, moviePanel_ = nullptr, licence_ = nullptr;
  HWND buttonPanel_ = nullptr, statusLabel_ = nullptr, fileLabel_ = nullptr, progressBar_ = nullptr;
  HWND installButton_ = nullptr, doneButton_ = nullptr, cancelButton_ = nullptr;
  std::unique_ptr<MoviePanel> movieSurface_;
  HBITMAP picture_ = nullptr;
  DpiScale scale_;
  bool withLicence_ = false;
  int installWidth_ = layout::buttonWidth;
  bool pauseTimerRunning_ = false;
  bool closing_ = false;
  HWND lastFocus_ = nullptr;
};

}  // namespace mv::win32
