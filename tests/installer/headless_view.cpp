#include "headless_view.h"

#include "platform/platform.h"

namespace mv::test {

namespace {

class FakeFlashControl : public FlashControl {
 public:
  Result setScaleMode(int) override { return Result(); }
  Result setVariable(const std::wstring&, const std::wstring&) override { return Result(); }
  Result setWMode(const std::wstring&) override { return Result(); }
  Result setMenu(bool) override { return Result(); }
  Result doVerb(int) override { return Result(); }
  Result setMovie(const std::wstring&) override { return Result(); }
  Result play() override { return Result(); }
  Result stopPlay() override { return Result(); }
  Result focus() override { return Result(); }
};

}  // namespace

void HeadlessView::processMessages() {
  ++processMessagesCalls;
  if (onProcessMessages) onProcessMessages();
}

void HeadlessView::runPauseTimer() {
  // The timer's tick arrives after the script has had its say; a nested pause started from inside
  // the script ends at the same tick, as with the real shared timer.
  timerEnabled = true;
  int number = ++pauses;
  events.push_back("pause");
  pauseStatuses.push_back(statuses.empty() ? std::string() : statuses.back());
  pauseProgress.push_back(progressValue);
  if (onPause) onPause(number);
  timerEnabled = false;
}

void HeadlessView::closeWindow() {
  ++closeRequests;
  events.push_back("close-request");
  if (logic_ && !logic_->canClose()) {
    ++closeRefusals;
    events.push_back("close-refused");
    return;
  }
  if (logic_ && !closed) logic_->onClose();
  closed = true;
  events.push_back("closed");
}

void HeadlessView::chooseLayout(bool licence) {
  layoutChosen = true;
  withLicence = licence;
  events.push_back(licence ? "layout:licence" : "layout:plain");
}

PictureOutcome HeadlessView::showPicture(const std::string& path) {
  picturePath = path;
  pictureShown = true;
  events.push_back("picture:" + path);
  if (platform().getAttributes(path) == attr::invalid)
    return PictureOutcome::failed(PictureOutcome::Problem::Unreadable, oserr::fileNotFound);
  return pictureLoads ? PictureOutcome() : pictureFailure;
}

void HeadlessView::setStatus(const std::string& text) {
  statusVisible = true;
  statuses.push_back(text);
  events.push_back("status:" + text);
}

void HeadlessView::setProgress(int position) {
  progressValue = position;
  events.push_back("progress:" + std::to_string(position));
}

void HeadlessView::setInstallEnabled(bool e) {
  installEnabled = e;
  events.push_back(e ? "install:enabled" : "install:disabled");
}

Result HeadlessView::create(WindowHandle, int, int, std::unique_ptr<FlashControl>& control) {
  if (!controlAvailable) return Result::failure("Class not registered");
  control = std::make_unique<FakeFlashControl>();
  return Result();
}

}  // namespace mv::test
