// MoviePanel: reads an SWF movie once into memory, checks its header, expands a compressed movie (keeping
// its copies in a working folder of its own), paints itself in the movie's background colour and plays
// the movie in the hosted Flash control; without one it shows the movie's first frame, drawn from the
// same bytes.
#include "flash/flash_panel.h"

#include <memory>
#include <utility>

#include "flash/render/first_frame.h"
#include "platform/file_helpers.h"
#include "platform/system_errors.h"
#include "support/paths.h"
#include "support/text_encoding.h"
#include "support/user_texts.h"
#include "swf/header.h"

namespace mv {

Result NoFlashControls::create(WindowHandle, int, int, std::unique_ptr<FlashControl>&) {
  return Result::failure(text::classNotRegistered);
}

namespace {

bool beginsWithTrue(const std::string& args) { return asciiUpper(args.substr(0, 4)) == "TRUE"; }

}  // namespace

MoviePanel::MoviePanel(System& system, FileSystem& files, PanelSurface& surface, FlashControlFactory& factory,
                       const render::Services& services)
    : system_(system), files_(files), surface_(surface), factory_(factory), services_(services) {
  applyColour(0xFFFFFF);
}

MoviePanel::~MoviePanel() {
  // The control goes first, so that nothing it holds can keep the working folder busy.
  control_.reset();
  // What cannot be deleted stays behind.
  if (!tempFolder_.empty()) (void)deleteFolderTree(files_, tempFolder_);
}

void MoviePanel::applyColour(uint32_t c) {
  colour_ = c;
  surface_.setColour(c);
}

Result MoviePanel::loadSWF(const std::string& path) {
  if (path.empty() || path == swfFilename_) return rc::ok;
  swfFilename_ = path;  // before any check: the same path again does nothing, even after a failure

  LoadedMovie movie;  // the movie's bytes, and its plain form once its header was accepted
  Result result = fileExists(files_, swfFilename_) ? checkHeader(movie) : Result(rc::ok);
  // A failure with a text ends the load where it happens.
  if (result.code() == rc::failedWithText) return result;
  if (result == rc::ok) releaseControl();
  if (result == rc::ok) result = createControl();
  if (result == rc::ok) {
    // A control that refuses the movie ends the load, with the control kept.
    Result started = startMovie();
    if (!started.ok()) return started;
  }
  if (result == rc::ok) surface_.showFrame(nullptr);
  if (result == rc::noFlashControl) showFirstFrame(movie);
  return result;
}

// The header work over the movie read once: the signature, a compressed movie's expansion, the parse that
// colours the panel.
Result MoviePanel::checkHeader(LoadedMovie& movie) {
  Result result = readSwfFile(system_, files_, swfFilename_, movie.file);
  if (result.ok()) result = checkSwfSignature(movie.file.data.get(), movie.file.size, signature_);
  if (!result.ok()) return result;
  const uint8_t* plain = movie.file.data.get();
  size_t plainSize = movie.file.size;
  if (signature_ == "CWS") {
    result = makeWorkingFolder();
    if (result.ok())
      result = expandCompressedSwf(system_, files_, swfFilename_, plain, plainSize, tempFolder_, movie.expanded);
    if (!result.ok()) return result;
    plain = movie.expanded.data();
    plainSize = movie.expanded.size();
    movie.file = FileBytes();  // the compressed bytes are done with
  }
  SwfHeaderInfo info;
  allowScale_ = fullScreen_ = 0;
  result = parseSwfHeader(plain, plainSize, swfFilename_, info);
  if (result.code() == rc::failedWithText) return result;
  allowScale_ = info.allowScale;
  fullScreen_ = info.fullScreen;
  if (info.parsed) applyColour(info.colour());
  if (result == rc::ok && info.parsed) {
    movie.plain = plain;
    movie.plainSize = plainSize;
  }
  return result;
}

// The panel's own temporary folder, made once for its first compressed movie.
Result MoviePanel::makeWorkingFolder() {
  if (!tempFolder_.empty()) return rc::ok;
  std::string folder;
  Result made = makeTempFolder(system_, files_, "FlashPanel", folder);
  if (!made.ok()) {
    const std::string sys = systemErrorMessage(system_, made.code(), SystemTextEnd::AsGiven);
    return Result::failure(text::cannotCreateMovieFolder + folder + text::movieFolderEnd +
                           (sys.empty() ? std::string() : " " + sys));
  }
  tempFolder_ = withTrailingBackslash(folder);
  return rc::ok;
}

// Drawing happens on the window's thread, so its work is bounded by counts tighter than the renderer's
// own: the same picture on every machine, and a hostile movie leaves the colour within a second or so.
// The program ends when an allocation fails, so the bounds on memory are tighter too: a hostile movie
// makes it take a few hundred MB at most, well inside what a 32-bit process can count on; a larger
// movie leaves the colour. The panel plays versions 3 to 6 and draws only those.
render::Limits MoviePanel::firstFrameLimits() {
  render::Limits limits = render::Limits::forInstaller();
  limits.oldestVersion = kOldestPlayedSwf;
  limits.newestVersion = kNewestPlayedSwf;
  return limits;
}

// Without a control the panel shows the movie's first frame, drawn by the renderer from the plain movie
// (a compressed one's expansion). A movie it could not read, or refuses, leaves the colour alone.
void MoviePanel::showFirstFrame(const LoadedMovie& movie) {
  std::shared_ptr<const render::FirstFrame> frame;
  if (movie.plain)
    frame = render::FirstFrame::load(movie.plain, movie.plainSize, services_.jpeg, services_.fonts, firstFrameLimits());
  surface_.showFrame(frame);
}

Result MoviePanel::createControl() {
  // A failure before the control exists leads to the next attempt, unless it says that no attempt can
  // succeed: then the panel goes on without a control at once (on a machine without a Flash Player the
  // first answer is the last). One after it ends the loop with the control set up as far as it got.
  std::string previousFailure;
  for (int attempt = 0; attempt < maxAttempts && !control_; ++attempt) {
    std::unique_ptr<FlashControl> control;
    Result made = factory_.create(surface_.handle(), surface_.width(), surface_.height(), control);
    if (!made.ok() || !control) {
      const CreationFailure kind = made.ok() ? CreationFailure::mayPass : factory_.lastFailure();
      if (kind == CreationFailure::lasting) break;
      const std::string failure = std::to_string(made.code()) + " " + made.text();
      if (kind == CreationFailure::lastingIfRepeated && failure == previousFailure) break;
      previousFailure = kind == CreationFailure::lastingIfRepeated ? failure : std::string();
      continue;
    }
    control_ = std::move(control);
    control_->onFSCommand = [this](const std::string& command, const std::string& args) { fsCommand(command, args); };
    (void)setUpControl();  // not examined: a refused step ends the set-up, and the control stays as it is
  }
  return control_ ? rc::ok : rc::noFlashControl;
}

// The settings before any movie, in this order; the first refused one ends them.
Result MoviePanel::setUpControl() {
  Result r = control_->setScaleMode(0);
  if (r.ok()) r = control_->setVariable(L"Align", L"AlClient");
  if (r.ok()) r = control_->setWMode(L"Opaque");
  if (r.ok()) r = control_->setMenu(false);
  return r;
}

Result MoviePanel::startMovie() {
  Result r = control_->doVerb(-3);  // OLEIVERB_HIDE
  if (r.ok()) r = control_->setMovie(utf8ToWide(swfFilename_));
  if (r.ok()) r = control_->play();
  if (r.ok()) r = control_->doVerb(-1);  // OLEIVERB_SHOW
  return r;
}

void MoviePanel::releaseControl() {
  if (!control_) return;
  // The control is destroyed even when it refuses to stop.
  (void)control_->stopPlay();
  control_.reset();
  surface_.deliverOneMessage();
}

void MoviePanel::focusMovie() {
  if (!surface_.isVisible() || !control_) return;
  surface_.repaint();
  surface_.setFocus();
  (void)control_->focus();  // a control that refuses the focus leaves it with the panel
}

void MoviePanel::unloadSWF() {
  releaseControl();
  surface_.showFrame(nullptr);
  applyColour(0);
  swfFilename_.clear();
}

void MoviePanel::fsCommand(const std::string& command, const std::string& args) {
  const std::string name = asciiUpper(command);
  if (name == "ALLOWSCALE") {
    if (enableAllowScale) allowScale_ = beginsWithTrue(args) ? 1 : 0;
  } else if (name == "FULLSCREEN") {
    // Recognised; the panel has no full-screen behaviour.
  }
}

}  // namespace mv
