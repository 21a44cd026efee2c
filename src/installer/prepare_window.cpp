// The later start-up steps: unpack what the window needs (extra file, Flash Player installer,
// licence, picture or movie), run the Flash Player decision, choose the window's look and size it;
// a windowless package installs from here.
#include <string>

#include "desktop/desktop.h"
#include "flash/flash_player.h"
#include "installer/start_up.h"
#include "platform/file_helpers.h"
#include "package/slots.h"
#include "platform/system_errors.h"
#include "support/paths.h"
#include "support/user_texts.h"
#include "support/text_encoding.h"

namespace mv {

namespace {

// A count with its thousands grouped ("40,000,000"), for bounds a reader takes in at a glance.
std::string grouped(uint64_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

// The licence as the window shows it: a file that starts with the UTF-8 byte order mark is UTF-8 (the
// mark dropped, anything ill-formed shown as U+FFFD); any other is Windows-1252, as packages always
// stored it.
std::string licenceText(const std::string& bytes) {
  static const std::string kUtf8Mark = "\xEF\xBB\xBF";
  if (bytes.compare(0, kUtf8Mark.size(), kUtf8Mark) != 0) return windows1252ToUtf8(bytes);
  const std::string text = bytes.substr(kUtf8Mark.size());
  return isValidUtf8(text) ? text : utf16ToUtf8(utf8ToUtf16(text));
}

}  // namespace

std::string pictureFailureMessage(System& system, const PictureOutcome& outcome, const std::string& path) {
  std::string why;
  switch (outcome.problem) {
    case PictureOutcome::Problem::None:
      return std::string();
    case PictureOutcome::Problem::Unreadable: {
      why = text::pictureUnreadable;
      const std::string reason = outcome.code.code() > 0 ? errorDescription(system, outcome.code) : std::string();
      if (!reason.empty()) why += " " + reason + ".";
      break;
    }
    case PictureOutcome::Problem::TooLarge:
      why = std::string(text::pictureTooLarge) + std::to_string(outcome.width) + " x " +
            std::to_string(outcome.height) + text::pixelsBound + grouped(outcome.maxSide) +
            text::pixelsPerSideBound + grouped(outcome.maxPixels) + text::pixelsInAll;
      break;
    case PictureOutcome::Problem::NotDecodable:
      why = text::pictureNotDecodable;
      break;
  }
  return std::string(text::corruptFile) + why + text::fileLine + path;
}

void StartUp::showPresentation() {
  InstallerState& s = state_;
  std::string path = s.contentFolder + s.directory.entries[slot::presentation].name;
  switch (s.presentationKind) {
    case presentation::bmp:
    case presentation::jpeg:
      view_.hideMoviePanel();
      if (PictureOutcome shown = view_.showPicture(path); !shown) boxes_.error(pictureFailureMessage(platform_, shown, path));
      break;
    case presentation::movie:
    case presentation::movie2: {
      // The code is not looked at: a refused movie leaves the panel empty. A failure with a text is shown.
      Result loaded = moviePanel_.loadSWF(path);
      if (loaded.code() == rc::failedWithText) boxes_.failureText(loaded.text(), installerCaption(s.contentTitle));
      view_.bringApplicationToFront();
      view_.processMessages();
      if (view_.applicationActive()) moviePanel_.focusMovie();
      break;
    }
    default:
      break;  // neither picture nor movie
  }
}

// The licence, read from where start-up unpacked it, in the window's licence layout.
Result StartUp::showLicence() {
  InstallerState& s = state_;
  Result r = extractStartupSlot(platform_, s, slot::licence);
  if (r != rc::ok) return r;
  std::string path = s.contentFolder + s.directory.entries[slot::licence].name;
  FileBytes licence;
  r = readWholeFile(platform_, path, UINT64_MAX, licence);  // any size that fits in memory
  if (r != rc::ok) {
    boxes_.fileError(r, path);
    return r;
  }
  view_.setLicenceText(licenceText(licence.text()));
  view_.chooseLayout(true);
  return rc::ok;
}

// The presentation file, renamed for the picture control in the in-memory directory.
Result StartUp::extractPresentation() {
  InstallerState& s = state_;
  PackageEntry& entry = s.directory.entries[slot::presentation];
  if (entry.name.empty()) return rc::emptySlotName;
  if (s.presentationKind == presentation::bmp) entry.name = replaceExtension(entry.name, ".BMP");
  if (s.presentationKind == presentation::jpeg) entry.name = replaceExtension(entry.name, ".jpg");
  return extractStartupSlot(platform_, s, slot::presentation);
}

Result StartUp::prepareWindow() {
  InstallerState& s = state_;
  PackageDirectory& dir = s.directory;
  Result r = rc::ok;

  // Extra file.
  s.runExtra = dir.header.runExtraFlag != 0;
  if (s.runExtra) r = extractStartupSlot(platform_, s, slot::extra);

  // Flash Player installer, then the decision whether to run it.
  if (r == rc::ok) r = extractStartupSlot(platform_, s, slot::flashInstaller);
  if (r == rc::ok) {
    if (checkFlashPlayer(platform_, platform_, s.systemFolder, s.windowsFolder, view_.handle()))
      s.flashRestartPending = true;
    view_.bringApplicationToFront();
  }

  // Caption.
  if (r == rc::ok) {
    if (s.presentationKind == presentation::silent) {
      s.silent = true;
    } else {
      std::string caption = installerCaption(s.contentTitle);
      view_.setCaption(caption);
      view_.setApplicationTitle(caption);
    }
  }

  // Licence and layout.
  if (r == rc::ok && !s.silent) {
    s.licenseShown = dir.header.licenseFlag != 0;
    if (s.licenseShown) r = showLicence();
    else view_.chooseLayout(false);
  }

  // Presentation file, then the picture or movie.
  if (r == rc::ok && !s.silent) r = extractPresentation();
  if (r == rc::ok && !s.silent) showPresentation();

  // Progress range and window size.
  if (r == rc::ok && !s.silent) {
    view_.setProgressMax(10);
    view_.sizeWindow();
  }

  // A windowless package installs now; its outcome is the exit code, its failures have been shown.
  if (r == rc::ok && s.silent) (void)installation_.silentInstall();
  return r;
}

}  // namespace mv
