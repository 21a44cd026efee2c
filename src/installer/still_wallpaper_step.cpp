// The installation's last step: where the system shows no web page as its wallpaper, the first frame of
// the content's movie becomes a still wallpaper (desktop/still_wallpaper.h). It is silent: whatever it
// meets, the installation has succeeded already and stays so.
#include <algorithm>
#include <vector>

#include "desktop/still_wallpaper.h"
#include "flash/render/still_frame.h"
#include "installer/installation.h"
#include "support/install_layout.h"

namespace mv {

namespace {

render::ScaleMode scaleMode(still::StageScale scale) {
  switch (scale) {
    case still::StageScale::exactFit: return render::ScaleMode::exactFit;
    case still::StageScale::noBorder: return render::ScaleMode::noBorder;
    case still::StageScale::noScale: return render::ScaleMode::noScale;
    case still::StageScale::showAll: break;
  }
  return render::ScaleMode::showAll;
}

// Draws the still wallpaper's picture (flash/render/still_frame.h, as `mvpack build` checks it), JPEG
// bitmaps and device fonts through the render services the program made; movies of every version the
// renderer reads.
class RenderedStill : public still::StillPainter {
 public:
  explicit RenderedStill(const render::Services& services) : services_(services) {}
  Outcome paint(const uint8_t* movie, size_t size, int width, int height, const still::StillLook& look) override {
    auto frame = render::loadStillFrame(movie, size, services_.jpeg, services_.fonts);
    if (!frame) return Outcome::refused;
    render::StillLook drawing;
    drawing.scale = scaleMode(look.scale);
    drawing.stageColour = look.stageColour;
    drawing.margin = look.margin;
    switch (picture_.draw(*frame, width, height, drawing)) {
      case render::StillStatus::drawn: return Outcome::painted;
      case render::StillStatus::blank: return Outcome::blank;
      case render::StillStatus::limitReached:
      case render::StillStatus::badSize: break;
    }
    return Outcome::refused;
  }
  void copyRow(int y, uint32_t* out) const override { picture_.copyRow(y, out); }

 private:
  const render::Services services_;
  render::StillPicture picture_;
};

uint32_t channel(int value) { return uint32_t(std::clamp(value, 0, 255)); }

}  // namespace

void Installation::stillWallpaperStep(bool pageTaken) {
  const InstallerState& s = state_;
  still::StillRequest request;
  request.title = s.contentTitle;
  request.contentFolder = s.contentFolder;
  request.pagePath = layout::pagePath(s.windowsFolder, dataFile_.dataTitle());
  const int32_t count = std::min<int32_t>(dataFile_.entryCount(), kMaxDataRecords);
  for (int i = 1; i <= count; ++i) request.contentNames.push_back(dataFile_.record(i).name);
  request.activeDesktopTookPage = pageTaken;
  const PackageHeader& h = s.directory.header;
  request.background = channel(h.red) << 16 | channel(h.green) << 8 | channel(h.blue);

  RenderedStill painter(services_);
  // Every outcome leaves the installation as it was: a picture that could not be made or set is simply
  // not there, and the page and the background colour stay the desktop's.
  (void)still::installStillWallpaper(platform_, request, painter);
}

}  // namespace mv
