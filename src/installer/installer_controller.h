#pragma once
// InstallerController: the installer window's logic. Start-up runs inside onCreate; the handlers are
// called by the window (real or headless) for clicks, close requests, timer ticks and queued messages.
#include <memory>
#include <string>

#include "flash/flash_panel.h"
#include "installer/state.h"
#include "installer/view.h"

namespace mv {

// Process exit codes, for scripts that run an installer.
namespace exitcode {
constexpr int installed = 0;
constexpr int cancelled = 2;   // the user cancelled (before or during the installation)
constexpr int failed = 1;      // start-up or the installation failed
}  // namespace exitcode

class InstallerController : public Progress {
 public:
  explicit InstallerController(InstallerView& view);
  ~InstallerController() override;

  void onCreate();  // frame settings, then startUp
  Result startUp();
  // The Windows and System folders of the installer state, each with a trailing backslash.
  static void resolveSystemFolders();

  // Handlers
  void onInstallClicked();
  void onCancelClicked();
  void onDoneClicked();
  bool canClose();  // true: the window may close
  void onClose();
  void onPauseTimer();
  bool filterMessage(uint32_t message);  // true: handled (swallowed)

  // Progress
  void showStatus(const std::string& text) override;
  void stepProgress() override;
  void pause() override;

  // Installation
  Result runInstallation();
  Result silentInstall();

  MoviePanel* moviePanel() { return moviePanel_.get(); }
  int exitCode() const { return exitCode_; }
  bool pauseTimerEnabled() const { return pauseTimerEnabled_; }

 private:
  void showPreparing();
  Result expandDataFile();
  void runExtraFile();
  void showInstallResult(Result result);
  void offerShowDesktop();
  void cleanUpInstallation();
  void removeUnusedContentFolder();
  void closeAndEnd();
  Result prepareWindow();  // the start-up unpacking and window preparation steps
  bool silentKind() const;
  Result libraryStep(File& stream);  // runs while the temp copy is open after the directory read
  Result checkTitle();               // refuses a title that is not a plain folder name
  Result makeContentFolder();
  void showLicence();
  void showPresentation();
  Result copyMovie(int index, const std::string& mainName);

  // How far the one installation of this run got. Until the procedure decides between keeping and
  // cleaning up, Cancel aborts it; from that decision on its outcome stands, and a Cancel that arrives
  // in the remaining pauses and questions changes nothing.
  enum class InstallPhase { notStarted, running, settled };

  InstallerView& view_;
  std::unique_ptr<MoviePanel> moviePanel_;
  bool pauseTimerEnabled_ = false;
  int exitCode_ = exitcode::cancelled;
  InstallPhase installPhase_ = InstallPhase::notStarted;
  bool tempFolderCreated_ = false;  // only a folder this run created is deleted at close
  bool titleChecked_ = false;
  bool titleRefused_ = false;
};

}  // namespace mv
