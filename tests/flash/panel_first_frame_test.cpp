// The movie panel without a Flash control hands its surface the movie's first frame; with one it does
// not; a movie without a frame to draw leaves the panel's colour.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "flash/flash_panel.h"
#include "flash/render/libjpeg_decoder.h"
#include "flash_fakes.h"
#include "platform/host/host_platform.h"
#include "render/movie_builder.h"

using namespace mv;

namespace {

// A 100 x 100 movie on the colour 0x336699 with a red square over its left half.
std::string squareMovie(int version = 6) {
  using namespace rendertest;
  return movie(version, 100, 100,
               swftest::bg(0x33, 0x66, 0x99) + rectangleShape(1, Colour{255, 0, 0}, 0, 0, 1000, 2000) + place(1, 1));
}

class PanelFrameTest : public ::testing::Test {
 protected:
  void SetUp() override { sb->createDirectory("C:\\movies"); }
  std::string put(const std::string& name, const std::string& bytes) {
    const std::string path = "C:\\movies\\" + name;
    EXPECT_TRUE(sb->writeWholeFile(path, bytes));
    return path;
  }
  // The last frame handed over, drawn at 100 x 100.
  render::Image lastDrawn() {
    render::Image img;
    EXPECT_FALSE(surface.frames.empty());
    if (!surface.frames.empty() && surface.frames.back()) surface.frames.back()->draw(100, 100, img);
    return img;
  }

  HostSandbox sb;
  flashtest::Log log;
  flashtest::RecordingSurface surface{log};
  flashtest::RecordingFactory factory{log};
  MoviePanel panel{sb.platform(), sb.platform(), surface, factory};
};

TEST_F(PanelFrameTest, WithoutAControlThePanelShowsTheFirstFrameOfPlainAndCompressedMovies) {
  panel.maxAttempts = 3;
  factory.failCreates = 1000000;
  for (const std::string& swf : {squareMovie(), swftest::cwsOf(squareMovie())}) {
    panel.unloadSWF();
    surface.frames.clear();
    EXPECT_EQ(panel.loadSWF(put(swf[0] == 'C' ? "c.swf" : "p.swf", swf)), rc::noFlashControl);
    ASSERT_EQ(surface.frames.size(), 1u);
    ASSERT_TRUE(surface.frames[0]);
    EXPECT_EQ(surface.frames[0]->background(), 0x336699u);
    EXPECT_EQ(panel.colour(), 0x996633u);  // the panel's own colour as before
    render::Image img = lastDrawn();
    EXPECT_EQ(img.at(20, 50), 0xFFFF0000u);
    EXPECT_EQ(img.at(80, 50), 0xFF336699u);
  }
}

TEST_F(PanelFrameTest, WithAControlNoFrameIsShown) {
  EXPECT_EQ(panel.loadSWF(put("m.swf", squareMovie())), rc::ok);
  ASSERT_EQ(surface.frames.size(), 1u);
  EXPECT_FALSE(surface.frames[0]);
  EXPECT_TRUE(panel.hasControl());
}

TEST_F(PanelFrameTest, ARefusedMovieKeepsWhatThePanelShowedAndUnloadTakesTheFrameAway) {
  panel.maxAttempts = 2;
  factory.failCreates = 1000000;
  EXPECT_EQ(panel.loadSWF(put("m.swf", squareMovie())), rc::noFlashControl);
  ASSERT_EQ(surface.frames.size(), 1u);
  EXPECT_EQ(panel.loadSWF(put("new.swf", squareMovie(7))), rc::swfTooNew);
  EXPECT_EQ(surface.frames.size(), 1u);
  panel.unloadSWF();
  ASSERT_EQ(surface.frames.size(), 2u);
  EXPECT_FALSE(surface.frames[1]);
}

TEST_F(PanelFrameTest, ABackgroundOnlyMovieShowsExactlyThePanelsColour) {
  panel.maxAttempts = 2;
  factory.failCreates = 1000000;
  EXPECT_EQ(panel.loadSWF(put("bg.swf", swftest::fws(5, swftest::bg(0x12, 0x34, 0x56) + swftest::showFrame()))),
            rc::noFlashControl);
  ASSERT_EQ(surface.frames.size(), 1u);
  ASSERT_TRUE(surface.frames[0]);
  render::Image img;
  ASSERT_TRUE(surface.frames[0]->draw(349, 150, img));
  const uint32_t c = panel.colour();  // 0x00BBGGRR
  const uint32_t expected = 0xFF000000u | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  for (uint32_t p : img.pixels) ASSERT_EQ(p, expected);
}

TEST_F(PanelFrameTest, AMissingFileShowsNoFrame) {
  panel.maxAttempts = 2;
  factory.failCreates = 1000000;
  EXPECT_EQ(panel.loadSWF("C:\\movies\\absent.swf"), rc::noFlashControl);
  ASSERT_EQ(surface.frames.size(), 1u);
  EXPECT_FALSE(surface.frames[0]);
}

// The panel's bounds are counts of work chosen so that every movie of the test data that the panel
// plays (the reference movies among them) is drawn whole at the panel's size.
TEST(PanelFrameBounds, EveryMovieOfTheTestDataThePanelPlaysIsDrawnWhole) {
  const char* data = std::getenv("MV_TEST_DATA");
  ASSERT_NE(data, nullptr) << "MV_TEST_DATA (tests/data) not set";
  const render::LibjpegDecoder jpeg;
  int drawn = 0;
  for (const char* folder : {"render", "swf"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(data) + "/" + folder)) {
      if (entry.path().extension() != ".swf") continue;
      SCOPED_TRACE(entry.path().string());
      std::ifstream f(entry.path(), std::ios::binary);
      const std::string swf((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
      auto frame = render::FirstFrame::load(reinterpret_cast<const uint8_t*>(swf.data()), swf.size(), &jpeg,
                                            MoviePanel::firstFrameLimits());
      if (!frame) continue;  // not played by the panel (its version, or not an SWF)
      render::Image img;
      EXPECT_TRUE(frame->draw(350, 150, img));
      ++drawn;
    }
  }
  EXPECT_GE(drawn, 10);
}

}  // namespace
