// Benchmark of the still wallpaper: a movie's first frame drawn at a screen's size and written as the
// 24-bit BMP, as the installer does it.
//   still_wallpaper_bench [seconds] [WIDTHxHEIGHT ...] [built | movie.swf ...]
// Without sizes: 1920 x 1080, 3840 x 2160, 5120 x 1440 and 7680 x 4320 (drawn at 5461 x 3072 and scaled up). Without movies ("built": the built one alone): the sample's movie (samples/content/ocean.swf) and a built one of about 2,000 edges
// under a gradient with a smoothed bitmap. For each movie and each of 1920 x 1080 and 3840 x 2160 it
// prints the best and median milliseconds of the drawing and of the BMP's writing, and how much the
// process's memory peak grew over the picture itself (the BMP goes out in strips, so it adds little),
// with a hash of the picture so that a faster build can be shown to draw the very same pixels.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../tests/flash/render/movie_builder.h"
#include "desktop/still_wallpaper.h"
#include "flash/render/first_frame.h"
#include "flash/render/still_frame.h"
#include "flash/render/libjpeg_decoder.h"
#include "platform/host/host_platform.h"

using namespace rendertest;

namespace {

constexpr int kPx = 20;

// 550 x 400: a gradient over the stage, a 128 x 96 bitmap smoothed at twice its size, 48 shapes of 40
// curves and lines each, a third of them outlined.
std::string edgesMovie() {
  std::string tags = swftest::bg(0x10, 0x18, 0x30);
  Styles sky;
  const int g = sky.gradient(false, Mat{0, 400.0 * kPx / 32768, -550.0 * kPx / 32768, 0, 275 * kPx, 200 * kPx},
                             {{0, Colour{20, 40, 90}}, {140, Colour{200, 120, 80}}, {255, Colour{250, 220, 150}}});
  Records r;
  r.move(0, 0, 0, g, 0).rectangle(0, 0, 550 * kPx, 400 * kPx);
  tags += defineShape(2, 1, sky, r) + place(1, 1);
  std::string pixels;
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 128; ++x) pixels += std::string{char(255), char(x * 2), char(y * 2), char((x ^ y) & 255)};
  tags += tag(36, le16(2) + char(5) + le16(128) + le16(96) + zlibOf(pixels));
  Styles photo;
  const int b = photo.bitmap(2, Mat::scaled(2 * kPx, 2 * kPx), false, true);
  Records pr;
  pr.move(0, 0, 0, b, 0).rectangle(0, 0, 256 * kPx, 192 * kPx);
  tags += defineShape(2, 3, photo, pr) + place(2, 3, Mat::at(260 * kPx, 180 * kPx));
  for (int i = 0; i < 48; ++i) {
    Styles s;
    s.version = 3;
    const int f = s.solid(Colour{uint8_t(60 + 4 * i), uint8_t(200 - 3 * i), uint8_t(90 + 2 * i), uint8_t(160 + i)});
    const int l = i % 3 == 0 ? s.line(2 * kPx, Colour{250, 250, 250, 200}) : 0;
    Records sr;
    const double cx = 40 + (i % 8) * 66, cy = 40 + (i / 8) * 64, radius = 28;
    auto px = [&](double a, double rr) { return int32_t(std::lround((cx + rr * std::cos(a)) * kPx)); };
    auto py = [&](double a, double rr) { return int32_t(std::lround((cy + rr * std::sin(a)) * kPx)); };
    sr.move(px(0, radius), py(0, radius), 0, f, l);
    for (int k = 1; k <= 40; ++k) {
      const double a = 2 * M_PI * k / 40, m = 2 * M_PI * (k - 0.5) / 40, wobble = radius * (k % 2 ? 1.25 : 0.8);
      if (k % 4 == 0) sr.lineTo(px(a, radius), py(a, radius));
      else sr.curveTo(px(m, wobble), py(m, wobble), px(a, radius), py(a, radius));
    }
    tags += defineShape(3, uint16_t(10 + i), s, sr) + place(uint16_t(10 + i), uint16_t(10 + i));
  }
  return movie(6, 550, 400, tags);
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

long peakKilobytes() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

struct Times {
  std::vector<double> ms;
  double best() const { return *std::min_element(ms.begin(), ms.end()); }
  double median() const {
    std::vector<double> v = ms;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }
};

// FNV-1a over the pixels.
uint64_t pictureHash(const std::vector<uint32_t>& pixels) {
  uint64_t h = 14695981039346656037ull;
  for (uint32_t p : pixels) h = (h ^ p) * 1099511628211ull;
  return h;
}

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

// The still picture's rows for the BMP writer.
class Rows : public mv::still::PictureRows {
 public:
  explicit Rows(const mv::render::StillPicture& picture) : picture_(picture) {}
  void copyRow(int y, uint32_t* out) const override { picture_.copyRow(y, out); }

 private:
  const mv::render::StillPicture& picture_;
};

// Drawn as the installer draws it (flash/render/still_frame.h): in the page's scale mode, the package's
// colour around the stage.
bool bench(const std::string& name, const std::string& swf, mv::render::ScaleMode scale, int width, int height,
           double seconds, mv::HostPlatform& files) {
  mv::render::LibjpegDecoder jpeg;
  auto frame = mv::render::loadStillFrame(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), &jpeg, nullptr);
  if (!frame) {
    std::fprintf(stderr, "%s: the movie was refused\n", name.c_str());
    return false;
  }
  const long before = peakKilobytes();
  mv::render::StillPicture picture;
  Times draw, write;
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  do {
    auto t = Clock::now();
    mv::render::StillLook look;
    look.scale = scale;
    look.margin = 0x0B2A4A;
    if (picture.draw(*frame, width, height, look) != mv::render::StillStatus::drawn) {
      std::fprintf(stderr, "%s: no still picture at %dx%d\n", name.c_str(), width, height);
      return false;
    }
    draw.ms.push_back(since(t));
    t = Clock::now();
    if (!mv::still::writeBmp24(files, "C:\\still.bmp", width, height, Rows(picture))) return false;
    write.ms.push_back(since(t));
  } while (Clock::now() < end || draw.ms.size() < 5);
  const mv::render::Image& drawn = picture.drawn();
  const long pictureKb = long(size_t(drawn.width) * size_t(drawn.height) * 4 / 1024);
  std::printf("movie=%s size=%dx%d drawn=%dx%d draw_best_ms=%.2f draw_median_ms=%.2f bmp_best_ms=%.2f "
              "bmp_median_ms=%.2f peak_growth_kb=%ld picture_kb=%ld runs=%zu picture_hash=%016llx\n",
              name.c_str(), width, height, drawn.width, drawn.height, draw.best(), draw.median(), write.best(),
              write.median(), peakKilobytes() - before, pictureKb, draw.ms.size(),
              static_cast<unsigned long long>(pictureHash(drawn.pixels)));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  struct Movie {
    std::string name, bytes;
    mv::render::ScaleMode scale;
  };
  std::vector<Movie> movies;
  std::vector<std::pair<int, int>> sizes;
  bool builtOnly = false;
  for (int i = 2; i < argc; ++i) {
    int w = 0, h = 0;
    char end = 0;
    if (std::sscanf(argv[i], "%dx%d%c", &w, &h, &end) == 2 && w > 0 && h > 0) sizes.push_back({w, h});
    else if (std::string(argv[i]) == "built") builtOnly = true;
    else movies.push_back({argv[i], readFile(argv[i]), mv::render::ScaleMode::showAll});
  }
  if (sizes.empty()) sizes = {{1920, 1080}, {3840, 2160}, {5120, 1440}, {7680, 4320}};
  if (movies.empty()) {  // the sample's page asks for exact fit
    if (!builtOnly)
      movies.push_back({"ocean.swf", readFile(std::string(MV_SOURCE_DIR) + "/samples/content/ocean.swf"),
                        mv::render::ScaleMode::exactFit});
    movies.push_back({"2000-edges", edgesMovie(), mv::render::ScaleMode::showAll});
  }
  char folder[] = "/tmp/still_bench_XXXXXX";
  if (!mkdtemp(folder)) return 1;
  int status = 0;
  {
    mv::HostPlatform files(folder);
    for (const auto& m : movies)
      for (auto size : sizes)
        if (!bench(m.name, m.bytes, m.scale, size.first, size.second, seconds, files)) status = 1;
  }
  std::system((std::string("rm -rf ") + folder).c_str());
  return status;
}
