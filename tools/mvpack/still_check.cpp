#include "still_check.h"

#include <fstream>
#include <iterator>
#include <map>

#include "desktop/still_page.h"
#include "flash/render/libjpeg_decoder.h"
#include "flash/render/still_frame.h"
#include "preview.h"
#include "support/install_layout.h"
#include "support/paths.h"
#include "util.h"

namespace mvpack {

const std::vector<ScreenSize> kCheckedScreens = {{1920, 1080}, {3840, 2160}, {5120, 1440}};

namespace {

// Any Windows folder does: the choice only compares paths under it.
const char* const kWindowsFolder = "C:\\WINDOWS\\";
const char* const kNoStill = "users of Windows 8 and later get no still wallpaper";

mv::render::ScaleMode scaleMode(mv::still::StageScale scale) {
  switch (scale) {
    case mv::still::StageScale::exactFit: return mv::render::ScaleMode::exactFit;
    case mv::still::StageScale::noBorder: return mv::render::ScaleMode::noBorder;
    case mv::still::StageScale::noScale: return mv::render::ScaleMode::noScale;
    case mv::still::StageScale::showAll: break;
  }
  return mv::render::ScaleMode::showAll;
}

// The content file at an installed path; nullptr when the content folder has none there.
const ContentFile* fileAt(const StillInputs& inputs, const std::string& contentFolder, const std::string& path) {
  for (const ContentFile& f : inputs.files)
    if (mv::equalsIgnoreCase(contentFolder + f.name, path)) return &f;
  return nullptr;
}

std::string sizeText(const ScreenSize& s) { return std::to_string(s.width) + " x " + std::to_string(s.height); }

std::string joined(const std::vector<std::string>& parts) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? (i + 1 == parts.size() ? " and " : ", ") : "") + parts[i];
  return out;
}

std::vector<uint8_t> fileBytes(const std::string& path) {
  std::ifstream f(toPath(path), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// The warnings of a movie read, by the screens on which it gives no picture.
std::vector<std::string> drawingWarnings(const mv::render::FirstFrame& frame, const mv::still::MovieChoice& choice,
                                         uint32_t background, const std::string& what) {
  mv::render::StillLook look;
  look.scale = scaleMode(choice.scale);
  look.stageColour = choice.stageColour;
  look.margin = background & 0xFFFFFFu;
  std::map<mv::render::StillStatus, std::vector<std::string>> failed;
  mv::render::StillPicture picture;
  for (const ScreenSize& screen : kCheckedScreens) {
    const mv::render::StillStatus status = picture.draw(frame, screen.width, screen.height, look);
    if (status != mv::render::StillStatus::drawn) failed[status].push_back(sizeText(screen));
  }
  std::vector<std::string> warnings;
  for (const auto& [status, sizes] : failed) {
    const std::string reason = status == mv::render::StillStatus::blank
                                   ? "its first frame draws nothing on the stage (only background colour)"
                                   : "drawing its first frame reaches a bound on the installer's drawing work";
    warnings.push_back(what + ": " + reason + " at " + joined(sizes) + ": " + kNoStill + " on " +
                       (sizes.size() == 1 ? "such a screen" : "such screens"));
  }
  return warnings;
}

}  // namespace

std::vector<std::string> stillWallpaperWarnings(const StillInputs& inputs) {
  const std::string contentFolder = mv::layout::contentFolder(kWindowsFolder, inputs.title);
  std::vector<std::string> names;
  for (const ContentFile& f : inputs.files) names.push_back(f.name);
  const mv::still::MovieChoice choice = mv::still::chooseMovie(
      inputs.page, mv::layout::pagePath(kWindowsFolder, inputs.title), contentFolder, names,
      [&](const std::string& path) { return fileAt(inputs, contentFolder, path) != nullptr; });
  const ContentFile* movie = choice.path.empty() ? nullptr : fileAt(inputs, contentFolder, choice.path);
  if (!movie)
    return {"still wallpaper: the page embeds no movie inside the content folder and the content has no .swf "
            "file: " + std::string(kNoStill)};
  const std::string what = "still wallpaper: content file " + inQuotes(movie->name);
  const std::vector<uint8_t> bytes = fileBytes(movie->path);
  if (bytes.size() > mv::render::stillLimits().maxMovieBytes)
    return {what + ": larger than the installer reads for the still wallpaper (" +
            withCommas(int64_t(mv::render::stillLimits().maxMovieBytes)) + " bytes): " + kNoStill};
  const mv::render::LibjpegDecoder jpeg;
  mv::render::FrameStatus why = mv::render::FrameStatus::ok;
  auto frame = mv::render::loadStillFrame(bytes.data(), bytes.size(), &jpeg, &deviceFonts(), &why);
  if (!frame) return {what + ": refused by the installer's renderer: " + refusal(why) + ": " + kNoStill};
  return drawingWarnings(*frame, choice, inputs.background, what);
}

}  // namespace mvpack
