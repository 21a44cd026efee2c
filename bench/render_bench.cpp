// Benchmark of the movie renderer: the first frame of a 550 x 400 movie drawn into 550 x 400 pixels.
//   render_bench [seconds] [movie.swf]
// Without a movie it builds one: a linear gradient over the whole stage, a 128 x 96 bitmap drawn
// smoothed at twice its size, 48 shapes of curves and lines (about 2,000 edges in all), a third of them
// outlined. Prints the movie's edges, the time to read it and the time to draw it (best and median of
// repeated runs for at least `seconds`), one "key=value" line. Then the same for a text-heavy frame
// (render_text_frame.h), its device font through FreeType.
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
#include "flash/render/first_frame.h"
#include "flash/render/freetype_fonts.h"
#include "flash/render/libjpeg_decoder.h"
#include "render_text_frame.h"

using namespace rendertest;

namespace {

constexpr int kWidth = 550, kHeight = 400, kPx = 20;

std::string benchMovie(int& edges) {
  std::string tags = swftest::bg(0x10, 0x18, 0x30);
  edges = 0;

  // The stage under a gradient.
  Styles sky;
  const int g = sky.gradient(false, Mat{0, 400.0 * kPx / 32768, -550.0 * kPx / 32768, 0, 275 * kPx, 200 * kPx},
                             {{0, Colour{20, 40, 90}}, {140, Colour{200, 120, 80}}, {255, Colour{250, 220, 150}}});
  Records r;
  r.move(0, 0, 0, g, 0).rectangle(0, 0, kWidth * kPx, kHeight * kPx);
  edges += 4;
  tags += defineShape(2, 1, sky, r) + place(1, 1);

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
    tags += defineShape(3, uint16_t(10 + i), s, sr) + place(uint16_t(10 + i), uint16_t(10 + i));
  }
  return movie(6, kWidth, kHeight, tags);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  std::string swf;
  int edges = 0;
  if (argc > 2) {
    std::ifstream f(argv[2], std::ios::binary);
    swf.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  } else {
    swf = benchMovie(edges);
  }
  mv::render::LibjpegDecoder jpeg;
  using Clock = std::chrono::steady_clock;
  auto t0 = Clock::now();
  auto frame = mv::render::FirstFrame::load(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), &jpeg);
  const double readMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  if (!frame) {
    std::fprintf(stderr, "the movie was refused\n");
    return 1;
  }
  mv::render::Image image;
  std::vector<double> times;
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  do {
    auto a = Clock::now();
    if (!frame->draw(kWidth, kHeight, image)) {
      std::fprintf(stderr, "drawing hit a bound\n");
      return 1;
    }
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
  } while (Clock::now() < end || times.size() < 5);
  std::printf("size=%dx%d edges=%d movie_bytes=%zu read_ms=%.3f draw_best_ms=%.3f draw_median_ms=%.3f runs=%zu\n",
              kWidth, kHeight, edges, swf.size(), readMs, *std::min_element(times.begin(), times.end()), median(times),
              times.size());

  int glyphs = 0;
  const std::string text = renderbench::textMovie(glyphs);
  mv::render::FreetypeFontProvider fonts;
  t0 = Clock::now();
  auto textFrame = mv::render::FirstFrame::load(reinterpret_cast<const uint8_t*>(text.data()), text.size(), &jpeg, &fonts);
  const double textReadMs = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
  if (!textFrame) {
    std::fprintf(stderr, "the text movie was refused\n");
    return 1;
  }
  std::vector<double> textTimes;
  const auto textEnd = Clock::now() + std::chrono::duration<double>(seconds);
  do {
    auto a = Clock::now();
    if (!textFrame->draw(renderbench::kTextWidth, renderbench::kTextHeight, image)) {
      std::fprintf(stderr, "drawing the text hit a bound\n");
      return 1;
    }
    textTimes.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
  } while (Clock::now() < textEnd || textTimes.size() < 5);
  std::printf("frame=text size=%dx%d glyphs=%d read_ms=%.3f draw_best_ms=%.3f draw_median_ms=%.3f runs=%zu\n",
              renderbench::kTextWidth, renderbench::kTextHeight, glyphs, textReadMs,
              *std::min_element(textTimes.begin(), textTimes.end()), median(textTimes), textTimes.size());
  return 0;
}
