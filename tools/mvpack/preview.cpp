#include "preview.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>

#include "desktop/still_page.h"
#include "flash/render/libjpeg_decoder.h"
#include "flash/render/still_frame.h"
#ifdef _WIN32
#include "flash/win32/gdi_fonts.h"
#else
#include "flash/render/freetype_fonts.h"
#endif
#include "output_file.h"
#include "png_writer.h"
#include "util.h"

namespace mvpack {

namespace {

using mv::render::FrameStatus;

std::string lowerCase(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool parseSide(const std::string& text, int maxSide, int& side) {
  if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), ::isdigit)) return false;
  side = std::stoi(text);
  return side >= 1 && side <= maxSide;
}

}  // namespace

std::string refusal(FrameStatus why) {
  switch (why) {
    case FrameStatus::notSwf: return "not an SWF movie (it starts with neither \"FWS\" nor \"CWS\")";
    case FrameStatus::lzma: return "compressed with LZMA (\"ZWS\", versions 13 and later), which the renderer does not expand";
    case FrameStatus::versionTooNew: return "its version is newer than the renderer draws";
    case FrameStatus::versionTooOld: return "its version is older than the renderer draws";
    case FrameStatus::damaged: return "damaged: a header or compressed stream that cannot be read";
    case FrameStatus::tooLarge: return "larger than the renderer's bound on a movie";
    case FrameStatus::limitReached: return "it needs more work than the renderer's bounds allow";
    default: return "refused by the renderer";
  }
}

namespace {

// The stage's size, made to fit within maxSide keeping its aspect ratio.
void stageSize(const mv::render::FirstFrame& frame, int maxSide, int& width, int& height) {
  width = frame.stageWidth();
  height = frame.stageHeight();
  const int longest = std::max(width, height);
  if (longest > maxSide) {
    width = std::max(1, int(int64_t(width) * maxSide / longest));
    height = std::max(1, int(int64_t(height) * maxSide / longest));
  }
}

}  // namespace

bool parsePictureSize(const std::string& text, int maxSide, int& width, int& height) {
  const size_t x = lowerCase(text).find('x');
  return x != std::string::npos && parseSide(text.substr(0, x), maxSide, width) &&
         parseSide(text.substr(x + 1), maxSide, height);
}

bool parseScaleMode(const std::string& text, mv::render::ScaleMode& mode) {
  using mv::render::ScaleMode;
  const std::string t = lowerCase(text);
  if (t == "showall") mode = ScaleMode::showAll;
  else if (t == "exactfit") mode = ScaleMode::exactFit;
  else if (t == "noborder") mode = ScaleMode::noBorder;
  else if (t == "noscale") mode = ScaleMode::noScale;
  else return false;
  return true;
}

bool parseColour(const std::string& text, uint32_t& colour) {
  const std::optional<uint32_t> parsed = mv::still::pageColour(text);  // as a page's bgcolor is read
  if (parsed) colour = *parsed;
  return parsed.has_value();
}

const mv::render::FontProvider& deviceFonts() {
  // As the installer finds them on Windows (GDI's outlines); natively through FreeType, the Liberation and
  // DejaVu faces standing in for Arial, Times New Roman and Courier New.
#ifdef _WIN32
  static const mv::GdiFontProvider fonts;
#else
  static const mv::render::FreetypeFontProvider fonts;
#endif
  return fonts;
}

// The still wallpaper's bounds (the installer's, every version): content movies are drawn with them.
mv::render::Limits previewLimits() { return mv::render::stillLimits(); }

bool isPngName(const std::string& path) {
  return path.size() > 4 && lowerCase(path.substr(path.size() - 4)) == ".png";
}

int previewMovie(const PreviewOptions& options, std::ostream& out, std::ostream& err) {
  const mv::render::Limits limits = previewLimits();
  checkOutputPath(options.output, "picture", "frame.png");
  std::error_code ec;
  if (std::filesystem::equivalent(toPath(options.output), toPath(options.movie), ec))
    throw ToolError(options.output + ": is the movie itself, which writing the picture would destroy; choose "
                    "another picture file");
  // A file larger than the bound is refused before it is read; a compressed one is held to the same
  // bound while it expands.
  const uintmax_t fileSize = std::filesystem::file_size(toPath(options.movie), ec);
  if (!ec && fileSize > limits.maxMovieBytes) {
    err << "mvpack preview: " << options.movie << ": refused: " << refusal(FrameStatus::tooLarge) << " ("
        << withCommas(int64_t(limits.maxMovieBytes)) << " bytes)\n";
    return exitcode::damaged;
  }
  const std::vector<uint8_t> bytes = readWholeFile(options.movie, "movie");
  const mv::render::LibjpegDecoder jpeg;
  FrameStatus why = FrameStatus::ok;
  auto frame = mv::render::loadStillFrame(bytes.data(), bytes.size(), &jpeg, &deviceFonts(), &why);
  if (!frame) {
    err << "mvpack preview: " << options.movie << ": refused: " << refusal(why) << "\n";
    return exitcode::damaged;
  }
  int width = options.width, height = options.height;
  if (!width) stageSize(*frame, mv::render::Limits::forInstaller().maxFrameSide, width, height);
  if (!width || !height) {
    err << "mvpack preview: " << options.movie << ": the stage has no size; give one with --size WxH\n";
    return exitcode::damaged;
  }
  // Drawn as the still wallpaper draws it: the stage in its colour, the margin's around it, a picture
  // beyond the drawn bound scaled up.
  mv::render::StillLook look;
  look.scale = options.scale;
  look.stageColour = options.background;
  look.margin = options.margin ? *options.margin : options.background ? *options.background : frame->background();
  mv::render::StillPicture picture;
  const mv::render::StillStatus status = picture.draw(*frame, width, height, look);
  writeOutputFile(options.output, encodePng(width, height, [&picture](int y, uint32_t* row) { picture.copyRow(y, row); }));
  if (status == mv::render::StillStatus::limitReached) {
    err << "mvpack preview: " << options.movie << ": a bound on drawing was reached: the picture shows only the "
        << "background, and the installer would set no still wallpaper\n";
    return exitcode::damaged;
  }
  out << options.output << ": " << width << " x " << height << "\n";
  return exitcode::ok;
}

}  // namespace mvpack
