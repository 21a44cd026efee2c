// Benchmark of the movie renderer: the first frame of a 550 x 400 movie drawn into 550 x 400 pixels.
//   render_bench [seconds] [movie.swf]
// Without a movie it builds one: a linear gradient over the whole stage, a 128 x 96 bitmap drawn
// smoothed at twice its size, 48 shapes of curves and lines (about 2,000 edges in all), a third of them
// outlined; the same movie filtered: the gradient blurred (8 pixels, two passes) and the shapes, in a
// sprite, under a drop shadow (6 pixels away, blurred 6 pixels, two passes); and a text-heavy frame
// (render_text_frame.h), its device font through FreeType. Prints, for each movie, its edges (or glyphs),
// the time to read it and the time to draw it (best and median of repeated runs for at least `seconds`),
// one "key=value" line.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../tests/flash/render/display_builder.h"
#include "flash/render/first_frame.h"
#include "flash/render/freetype_fonts.h"
#include "flash/render/libjpeg_decoder.h"
#include "render_text_frame.h"

using namespace rendertest;

namespace {

constexpr int kWidth = 550, kHeight = 400, kPx = 20;

std::string benchMovie(int& edges, bool filtered) {
  std::string tags = swftest::bg(0x10, 0x18, 0x30);
  edges = 0;

  // The stage under a gradient.
  Styles sky;
  const int g = sky.gradient(false, Mat{0, 400.0 * kPx / 32768, -550.0 * kPx / 32768, 0, 275 * kPx, 200 * kPx},
                             {{0, Colour{20, 40, 90}}, {140, Colour{200, 120, 80}}, {255, Colour{250, 220, 150}}});
  Records r;
  r.move(0, 0, 0, g, 0).rectangle(0, 0, kWidth * kPx, kHeight * kPx);
  edges += 4;
  tags += defineShape(2, 1, sky, r);
  if (filtered) {
    Place3 blurred{Place(1, 1)};
    blurred.filters = {blurFilter(8, 8, 2)};
    tags += blurred.tag();
  } else {
    tags += place(1, 1);
  }

  // A bitmap, smoothed at twice its size.
  std::string pixels;
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 128; ++x)
      pixels += std::string{char(255), char(x * 2), char(y * 2), char((x ^ y) & 255)};
  tags += tag(36, le16(2) + char(5) + le16(128) + le16(96) + zlibOf(pixels));
  Styles photo;
  const int b = photo.bitmap(2, Mat::scaled(2 * kPx, 2 * kPx), false, true);
  Records pr;
  pr.move(0, 0, 0, b, 0).rectangle(0, 0, 256 * kPx, 192 * kPx);
  edges += 4;
  tags += defineShape(2, 3, photo, pr) + place(2, 3, Mat::at(260 * kPx, 180 * kPx));

  // Shapes of curves and lines.
  std::string shapes;
  for (int i = 0; i < 48; ++i) {
    Styles s;
    s.version = 3;
    const int f = s.solid(Colour{uint8_t(60 + 4 * i), uint8_t(200 - 3 * i), uint8_t(90 + 2 * i), uint8_t(160 + i)});
    const int l = i % 3 == 0 ? s.line(2 * kPx, Colour{250, 250, 250, 200}) : 0;
    Records sr;
    const double cx = 40 + (i % 8) * 66, cy = 40 + (i / 8) * 64, radius = 28;
    const int n = 40;
    auto pt = [&](double a, double rr, double c) { return int32_t(std::lround((c + rr * std::cos(a)) * kPx)); };
    auto ptY = [&](double a, double rr, double c) { return int32_t(std::lround((c + rr * std::sin(a)) * kPx)); };
    sr.move(pt(0, radius, cx), ptY(0, radius, cy), 0, f, l);
    for (int k = 1; k <= n; ++k) {
      const double a = 2 * 3.14159265358979 * k / n, m = 2 * 3.14159265358979 * (k - 0.5) / n;
      const double wobble = radius * (k % 2 ? 1.25 : 0.8);
      if (k % 4 == 0) sr.lineTo(pt(a, radius, cx), ptY(a, radius, cy));
      else sr.curveTo(pt(m, wobble, cx), ptY(m, wobble, cy), pt(a, radius, cx), ptY(a, radius, cy));
      if (k == n) sr.lineTo(pt(0, radius, cx), ptY(0, radius, cy));
    }
    edges += n + 1;
    tags += defineShape(3, uint16_t(10 + i), s, sr);
    shapes += place(uint16_t(10 + i), uint16_t(10 + i));
  }
  if (!filtered) return movie(6, kWidth, kHeight, tags + shapes);
  Place3 shadowed{Place(10, 100)};
  shadowed.filters = {shadowFilter(Colour{0, 0, 0, 160}, 6, 0.785398, 6, 1, 0x22)};
  return movie(6, kWidth, kHeight, tags + spriteOf(100, shapes) + shadowed.tag());
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Frame {
  const char* name;
  int width = kWidth, height = kHeight;
  const char* counted = "edges";  // what `count` counts
  int count = 0;
};

// Reads and draws swf repeatedly for at least `seconds`; prints one line. false when it cannot be drawn.
bool measure(const Frame& f, const std::string& swf, double seconds) {
  mv::render::LibjpegDecoder jpeg;
  mv::render::FreetypeFontProvider fonts;
  using Clock = std::chrono::steady_clock;
  auto t0 = Clock::now();
  auto frame = mv::render::FirstFrame::load(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), &jpeg, &fonts);
  const double readMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  if (!frame) {
    std::fprintf(stderr, "the movie was refused\n");
    return false;
  }
  mv::render::Image image;
  std::vector<double> times;
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  do {
    auto a = Clock::now();
    if (!frame->draw(f.width, f.height, image)) {
      std::fprintf(stderr, "drawing hit a bound\n");
      return false;
    }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
  } while (Clock::now() < end || times.size() < 5);
  std::printf("frame=%s size=%dx%d %s=%d movie_bytes=%zu read_ms=%.3f draw_best_ms=%.3f draw_median_ms=%.3f runs=%zu\n",
              f.name, f.width, f.height, f.counted, f.count, swf.size(), readMs,
              *std::min_element(times.begin(), times.end()), median(times), times.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  if (argc > 2) {
    std::ifstream f(argv[2], std::ios::binary);
    const std::string swf((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    return measure(Frame{"file"}, swf, seconds) ? 0 : 1;
  }
  Frame plain{"plain"}, filtered{"filtered"};
  if (!measure(plain, benchMovie(plain.count, false), seconds)) return 1;
  if (!measure(filtered, benchMovie(filtered.count, true), seconds)) return 1;
  Frame text{"text", renderbench::kTextWidth, renderbench::kTextHeight, "glyphs"};
  const std::string textMovie = renderbench::textMovie(text.count);
  return measure(text, textMovie, seconds) ? 0 : 1;
}
