#pragma once
// The installation: the Install button, the procedure that writes everything, its stages on the
// window, the expansion of the Moviva data file, the questions after a successful run, and the abort
// that Cancel asks for while it runs.
#include <string>

#include "flash/render/services.h"
#include "installer/error_reporter.h"
#include "installer/state.h"
#include "installer/view.h"
#include "package/datafile.h"
#include "platform/platform.h"
#include "support/reporter.h"

namespace mv {

class Installation {
 public:
  // The render services draw the still wallpaper.
  Installation(Platform& platform, InstallerView& view, InstallerState& state, ErrorBoxes& boxes,
               DataFileReader& dataFile, Progress& progress, const render::Services& services)
      : platform_(platform),
        view_(view),
        state_(state),
        boxes_(boxes),
        dataFile_(dataFile),
        progress_(progress),
        services_(services) {}

  void onInstallClicked();
  Result silentInstall();  // a windowless package, from start-up
  // Cancel while the installation runs: marks the abort and shows it, unless the outcome is settled.
  void abort();
  // Whether an installation has begun in this run (start-up's content folder is then in use).
  bool started() const { return phase_ != Phase::notStarted; }

 private:
  Result runInstallation();
  bool overwriteConfirmed();  // asks when an earlier installation of the content is there
  bool restartAccepted();     // answers the Flash Player installer's restart question
  void showPreparing();
  Result expandDataFile();
  Result copyMovie(int index, const std::string& mainName);
  void runExtraFile();
  void showInstallResult(Result result);
  void offerShowDesktop();
  void cleanUp();
  Result desktopStep(Result result);
  Result recordDesktop();  // the desktop record, before the wallpaper step
  void stillWallpaperStep(bool pageTaken);  // silent: never changes the result

  // How far the one installation of this run got. Until the procedure decides between keeping and
  // cleaning up, Cancel aborts it; from that decision on its outcome stands, and a Cancel that arrives
  // in the remaining pauses and questions changes nothing.
  enum class Phase { notStarted, running, settled };

  Platform& platform_;
  InstallerView& view_;
  InstallerState& state_;
  ErrorBoxes& boxes_;
  DataFileReader& dataFile_;
  Progress& progress_;
  render::Services services_;
  Phase phase_ = Phase::notStarted;
};

}  // namespace mv
