// The still wallpaper on the host platform: the movie the page names, the bitmap file, when the step
// runs, what it records before it changes the wallpaper, and that a failure leaves nothing of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "desktop/desktop.h"
#include "desktop/still_wallpaper.h"
#include "platform/host/host_platform.h"

namespace mv::still {
namespace {

const std::string kWallpaperFolder = "C:\\WINDOWS\\Web\\Wallpaper\\";
const std::string kContent = kWallpaperFolder + "Ocean dir\\";
const std::string kPage = kWallpaperFolder + "Ocean.html";
const std::string kEntry = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ocean";
const char* const kDesktop = "Control Panel\\Desktop";
const char* const kRecordedContent = MV_RECORD_KEY "\\" MV_RECORD_CONTENTS "\\Ocean";

// ---- the page

TEST(StillPage, MovieParameterBeforeEmbedAndTheScaleWithIt) {
  PageMovie m = findPageMovie(
      "<html><!-- <param name=movie value=commented.swf> --><OBJECT classid=x>\r\n"
      "<PARAM NAME='Scale' VALUE='NoBorder'><param name=\"movie\" value=\"Ocean dir/sea.swf\">\r\n"
      "<embed src=\"Ocean dir/other.swf\" scale=exactfit></OBJECT></html>");
  EXPECT_EQ(m.reference, "Ocean dir/sea.swf");
  EXPECT_EQ(m.scale, "NoBorder");
  EXPECT_EQ(stageScaleFromParam(m.scale), StageScale::noBorder);

  m = findPageMovie("<embed width=100 src=Ocean%20dir/a&amp;b.swf scale=\"exactfit\"/>");
  EXPECT_EQ(m.reference, "Ocean%20dir/a&b.swf");
  EXPECT_EQ(stageScaleFromParam(m.scale), StageScale::exactFit);

  m = findPageMovie("<p>no movie <b>here</b>");
  EXPECT_EQ(m.reference, "");
  EXPECT_EQ(stageScaleFromParam(m.scale), StageScale::showAll);
  EXPECT_EQ(stageScaleFromParam("NOSCALE"), StageScale::noScale);
  EXPECT_EQ(stageScaleFromParam("sideways"), StageScale::showAll);
  // A page cut off inside a tag or a comment ends the search without reading past its end.
  EXPECT_EQ(findPageMovie("<embed src=\"Ocean dir/x.swf").reference, "Ocean dir/x.swf");
  EXPECT_EQ(findPageMovie("<!-- <embed src=x.swf>").reference, "");
}

// The page's bgcolor, as a Flash player embedding takes it: the object's parameter before the embed's.
TEST(StillPage, BackgroundColourOfThePage) {
  PageMovie m = findPageMovie("<object><param name=BGCOLOR value=\"#FFffff\"><param name=movie value=a.swf>"
                              "<embed src=a.swf bgcolor=#000000></object>");
  EXPECT_EQ(m.bgcolor, "#FFffff");
  EXPECT_EQ(pageColour(m.bgcolor), 0xFFFFFFu);
  EXPECT_EQ(findPageMovie("<embed src=a.swf bgcolor='#0b2a4a'>").bgcolor, "#0b2a4a");
  EXPECT_EQ(pageColour(" 0B2A4A "), 0x0B2A4Au);  // the '#' may be left out
  for (const char* refused : {"", "#", "#12345", "#1234567", "#12345g", "white", "rgb(0,0,0)"})
    EXPECT_EQ(pageColour(refused), std::nullopt) << refused;
}

TEST(StillPage, EscapesAndResolution) {
  EXPECT_EQ(decodeUrlEscapes("a%20b%2Fc%e9%"), "a b/c\xe9%");
  EXPECT_EQ(decodeUrlEscapes("%2x%4"), "%2x%4");

  EXPECT_EQ(resolveInside(kWallpaperFolder, "Ocean dir/sea one.swf", kContent), kContent + "sea one.swf");
  EXPECT_EQ(resolveInside(kWallpaperFolder, "./ocean DIR\\sub\\..\\sea.swf?loop=1#x", kContent),
            kWallpaperFolder + "ocean DIR\\sea.swf");
  EXPECT_EQ(resolveInside(kWallpaperFolder, "../Wallpaper/Ocean dir/sea.swf", kContent), kContent + "sea.swf");
  // Ways out of the content folder.
  for (const char* outside : {"sea.swf", "Ocean dir/../sea.swf", "Ocean dir/../../../system32/x.swf",
                              "C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\sea.swf", "/Ocean dir/sea.swf",
                              "file:///C:/WINDOWS/Web/Wallpaper/Ocean%20dir/sea.swf", "http://host/sea.swf",
                              "Ocean dir", "Ocean dir/", "Ocean dirt/sea.swf", "../../../../../../x.swf"})
    EXPECT_EQ(resolveInside(kWallpaperFolder, outside, kContent), "") << outside;
}

class StillHost : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host().createDirectory("C:\\WINDOWS\\Web"));
    ASSERT_TRUE(host().createDirectory("C:\\WINDOWS\\Web\\Wallpaper"));
    ASSERT_TRUE(host().createDirectory(kContent));
  }
  HostPlatform& host() { return sandbox.platform(); }
  void put(const std::string& path, const std::string& bytes) { ASSERT_TRUE(host().writeWholeFile(path, bytes)); }
  std::string get(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(host().readWholeFile(path, bytes)) << path;
    return bytes;
  }
  bool exists(const std::string& path) { return host().getAttributes(path) != attr::invalid; }
  HostSandbox sandbox;
};

TEST_F(StillHost, ChoosesThePagesMovieElseTheFirstMovieOfTheContent) {
  const std::vector<std::string> names = {"readme.txt", "pictures\\intro.SWF", "main.swf"};
  put(kContent + "readme.txt", "text");
  put(kContent + "main.swf", "FWS");
  ASSERT_TRUE(host().createDirectory(kContent + "pictures"));
  put(kContent + "pictures\\intro.SWF", "FWS");
  put(kContent + "sea \xc3\xa9t\xc3\xa9.swf", "FWS");

  // Windows-1252 page, the name escaped: %E9 is the page's e acute.
  put(kPage, "<object><param name=movie value=\"Ocean%20dir/sea%20%E9t\xe9.swf\"><param name=scale value=noscale>");
  MovieChoice c = chooseMovie(host(), kPage, kContent, names);
  EXPECT_EQ(c.path, kContent + "sea \xc3\xa9t\xc3\xa9.swf");
  EXPECT_EQ(c.scale, StageScale::noScale);
  EXPECT_EQ(c.stageColour, std::nullopt);

  put(kPage, "<embed src=\"../../system32/evil.swf\" scale=exactfit bgcolor=#102030>");  // outside: the content's first movie
  put("C:\\WINDOWS\\system32\\evil.swf", "FWS");
  c = chooseMovie(host(), kPage, kContent, names);
  EXPECT_EQ(c.path, kContent + "pictures\\intro.SWF");
  EXPECT_EQ(c.scale, StageScale::exactFit);  // the page's scale and colour still hold
  EXPECT_EQ(c.stageColour, 0x102030u);

  put(kPage, "<embed src=\"Ocean dir/missing.swf\">");
  EXPECT_EQ(chooseMovie(host(), kPage, kContent, names).path, kContent + "pictures\\intro.SWF");

  put(kPage, std::string(kMaxPageBytes + 1, ' '));  // too large to read: as if it named nothing
  EXPECT_EQ(chooseMovie(host(), kPage, kContent, {"main.swf"}).path, kContent + "main.swf");
  EXPECT_EQ(chooseMovie(host(), kPage, kContent, {"readme.txt", "..\\x.swf", "gone.swf"}).path, "");
}

// ---- the picture

TEST_F(StillHost, BitmapIsA24BitBottomUpPictureWithPaddedRows) {
  const uint32_t pixels[] = {0xFF102030, 0xFF405060, 0xFF708090,   // top row
                             0xFFA0B0C0, 0xFFD0E0F0, 0xFF010203};  // bottom row
  ASSERT_TRUE(writeBmp24(host(), kContent + "p.bmp", 3, 2, pixels));
  const std::string b = get(kContent + "p.bmp");
  auto u32 = [&](size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
  };
  ASSERT_EQ(b.size(), 54u + 2 * 12);  // 9 bytes of pixels and 3 of padding a row
  EXPECT_EQ(b.substr(0, 2), "BM");
  EXPECT_EQ(u32(2), b.size());
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(18), 3u);
  EXPECT_EQ(u32(22), 2u);
  EXPECT_EQ(uint8_t(b[28]), 24);
  EXPECT_EQ(u32(30), 0u);
  EXPECT_EQ(b.substr(54, 12), std::string("\xC0\xB0\xA0\xF0\xE0\xD0\x03\x02\x01\0\0\0", 12));
  EXPECT_EQ(b.substr(66, 12), std::string("\x30\x20\x10\x60\x50\x40\x90\x80\x70\0\0\0", 12));
}

// Rows whose width is not a multiple of four: whole groups of pixels and the ones left over alike
// come out blue, green, red, without the alpha, with zero padding.
TEST_F(StillHost, BitmapRowsOfAnyWidthKeepEveryChannel) {
  for (int width : {4, 7, 9}) {
    const int height = 3;
    std::vector<uint32_t> pixels;
    for (int i = 0; i < width * height; ++i)
      pixels.push_back(uint32_t(0x11 * (i % 15)) << 24 | uint32_t(i) << 16 | uint32_t(100 + i) << 8 | uint32_t(200 - i));
    ASSERT_TRUE(writeBmp24(host(), kContent + "w.bmp", width, height, pixels.data()));
    const std::string b = get(kContent + "w.bmp");
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    ASSERT_EQ(b.size(), 54 + stride * height) << width;
    std::string expected;
    for (int y = height - 1; y >= 0; --y) {
      for (int x = 0; x < width; ++x) {
        const uint32_t p = pixels[size_t(y * width + x)];
        expected += {char(p & 255), char(p >> 8 & 255), char(p >> 16 & 255)};
      }
      expected.append(stride - size_t(width) * 3, '\0');
    }
    EXPECT_EQ(b.substr(54), expected) << width;
  }
}

TEST_F(StillHost, BitmapThatCannotBeWrittenLeavesNoFile) {
  std::vector<uint32_t> pixels(200 * 100, 0xFF000000);
  host().limitWrites(kContent + "p.bmp", 5000);  // a disk that fills up half way
  EXPECT_FALSE(writeBmp24(host(), kContent + "p.bmp", 200, 100, pixels.data()));
  EXPECT_EQ(host().lastError(), 112);
  EXPECT_FALSE(exists(kContent + "p.bmp"));
  EXPECT_FALSE(writeBmp24(host(), kContent + "q.bmp", 0, 100, pixels.data()));
  EXPECT_FALSE(writeBmp24(host(), kContent + "q.bmp", 40000, 40000, pixels.data()));  // above 2 GB
  EXPECT_FALSE(exists(kContent + "q.bmp"));
}

TEST_F(StillHost, PictureNameNeverTakesAContentFile) {
  EXPECT_EQ(freePictureName(host(), kContent, ""), "still wallpaper.bmp");
  put(kContent + "Still Wallpaper.bmp", "content");
  put(kContent + "still wallpaper 2.bmp", "content");
  EXPECT_EQ(freePictureName(host(), kContent, ""), "still wallpaper 3.bmp");
  // The picture of an earlier installation of the content is ours to replace.
  EXPECT_EQ(freePictureName(host(), kContent, kContent + "STILL WALLPAPER 2.bmp"), "still wallpaper 2.bmp");
}

// ---- the step

// Paints a recognisable picture and remembers what it was asked.
class FakePainter : public StillPainter {
 public:
  Outcome paint(const uint8_t* movie, size_t size, int width, int height, const StillLook& look) override {
    ++calls;
    movieBytes.assign(reinterpret_cast<const char*>(movie), size);
    this->look = look;
    if (refuse) return Outcome::refused;
    if (blank) return Outcome::blank;
    this->width = width;
    pixels.assign(size_t(width) * size_t(height), 0xFF000000 | look.margin);
    pixels[0] = 0xFF123456;
    return Outcome::painted;
  }
  void copyRow(int y, uint32_t* out) const override {
    std::copy_n(pixels.begin() + long(y) * width, width, out);
  }
  int calls = 0, width = 0;
  bool refuse = false, blank = false;
  std::string movieBytes;
  StillLook look;
  std::vector<uint32_t> pixels;
};

class StillStep : public StillHost {
 protected:
  void SetUp() override {
    StillHost::SetUp();
    put(kContent + "sea.swf", "FWS\x06 the movie");
    put(kPage, "<object><param name=movie value=\"Ocean dir/sea.swf\"><param name=scale value=exactfit></object>");
    host().putString(RegRoot::LocalMachine, kEntry, "DisplayName", "Ocean Wallpaper");
    host().putString(RegRoot::CurrentUser, kDesktop, "Wallpaper", "C:\\WINDOWS\\bliss.bmp");
    host().putString(RegRoot::CurrentUser, kDesktop, "WallpaperStyle", "2");
    host().putString(RegRoot::CurrentUser, kDesktop, "TileWallpaper", "1");
    windows10();
    host().screenWidth = 40;
    host().screenHeight = 30;
    request.title = "Ocean";
    request.contentFolder = kContent;
    request.pagePath = kPage;
    request.contentNames = {"sea.swf"};
    request.background = 0x0B2A4A;
  }
  // The system is 10.0; what the program is told is capped at 6.2.
  void windows10() {
    host().setVersion({2, 6, 2, 9200});
    host().realVersionSet = true;
    host().realVersion = {2, 10, 0, 19045};
  }
  std::string entryValue(const char* name) { return host().getString(RegRoot::LocalMachine, kEntry, name); }
  std::string desktopValue(const char* name) { return host().getString(RegRoot::CurrentUser, kDesktop, name); }
  void expectNothingOfIt() {
    EXPECT_FALSE(exists(kContent + "still wallpaper.bmp"));
    EXPECT_EQ(desktopValue("Wallpaper"), "C:\\WINDOWS\\bliss.bmp");
    EXPECT_EQ(desktopValue("WallpaperStyle"), "2");
    EXPECT_EQ(desktopValue("TileWallpaper"), "1");
    RegValue v;
    EXPECT_FALSE(host().getValue(RegRoot::LocalMachine, kEntry, entry::kPicture, v));
    EXPECT_FALSE(host().getValue(RegRoot::CurrentUser, kRecordedContent, MV_CONTENT_PICTURE, v));
    EXPECT_EQ(entryValue("DisplayName"), "Ocean Wallpaper");
    EXPECT_EQ(host().openKeyCount(), 0);
    EXPECT_EQ(host().openFileCount(), 0);
  }
  StillRequest request;
  FakePainter painter;
};

TEST_F(StillStep, OnWindows10ThePictureIsRecordedThenSet) {
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::set);
  const std::string picture = kContent + "still wallpaper.bmp";
  EXPECT_EQ(painter.movieBytes, "FWS\x06 the movie");
  EXPECT_EQ(painter.look.scale, StageScale::exactFit);
  EXPECT_EQ(painter.look.margin, 0x0B2A4Au);  // the package's colour around the stage
  EXPECT_EQ(painter.look.stageColour, std::nullopt);  // the movie's own on the stage

  const std::string bmp = get(picture);
  ASSERT_EQ(bmp.size(), 54u + 40 * 3 * 30);
  EXPECT_EQ(bmp.substr(18, 8), std::string("\x28\0\0\0\x1e\0\0\0", 8));
  EXPECT_EQ(bmp.substr(54 + 29 * 120, 3), "\x56\x34\x12");  // the top left pixel is the last row's first

  EXPECT_EQ(entryValue(entry::kPicture), picture);
  EXPECT_EQ(host().getString(RegRoot::CurrentUser, kRecordedContent, MV_CONTENT_PICTURE), picture);
  EXPECT_EQ(desktopValue("Wallpaper"), picture);
  EXPECT_EQ(desktopValue("WallpaperStyle"), "0");  // centred, not tiled: pixel for pixel
  EXPECT_EQ(desktopValue("TileWallpaper"), "0");
  ASSERT_EQ(host().wallpaperCalls.size(), 1u);
  EXPECT_EQ(host().wallpaperCalls[0].path, picture);
  EXPECT_EQ(host().wallpaperCalls[0].flags, 3u);  // saved and broadcast

  // The picture is recorded before anything of the desktop changes.
  const std::vector<std::string>& log = host().callLog;
  auto at = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) - log.begin(); };
  const auto recorded = at("regSetValue HKCU\\" + std::string(kRecordedContent) + " [Picture] = \"" + picture + "\"");
  ASSERT_LT(size_t(recorded), log.size());
  EXPECT_LT(recorded, at("regSetValue HKCU\\Control Panel\\Desktop [WallpaperStyle] = \"0\""));
  EXPECT_LT(recorded, at("setDeskWallpaper " + picture + " 3"));
  EXPECT_EQ(host().openKeyCount(), 0);
  EXPECT_EQ(host().openFileCount(), 0);
}

TEST_F(StillStep, RunsOnlyWhereTheSystemCannotShowThePage) {
  host().realVersionSet = false;
  host().setVersion({2, 5, 1, 2600});  // XP with an Active Desktop that took the page
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::notNeeded);
  host().setVersion({2, 6, 2, 9200});  // the capped answer of Windows 8 and later alone is enough as well
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::set);

  host().realVersionSet = true;
  host().realVersion = {2, 6, 1, 7601};  // Windows 7 with a working Active Desktop
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::notNeeded);
  host().realVersion = {1, 4, 90, 3000};  // Windows ME
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::notNeeded);
  EXPECT_EQ(painter.calls, 1);
  EXPECT_TRUE(host().wallpaperCalls.size() == 1u);

  request.activeDesktopTookPage = false;  // the shell refused the page (Wine: E_NOTIMPL)
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::set);
}

TEST_F(StillStep, FailuresLeaveNothingOfIt) {
  painter.refuse = true;
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::refused);
  expectNothingOfIt();
  painter.refuse = false;

  painter.blank = true;  // nothing drawn but the colour the desktop has already
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::blank);
  expectNothingOfIt();
  painter.blank = false;

  host().setDeskWallpaperResult = false;
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::notApplied);
  expectNothingOfIt();
  host().setDeskWallpaperResult = true;

  host().failOpen(kContent + "still wallpaper.bmp", 5);
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::notWritten);
  expectNothingOfIt();
  host().failOpen(kContent + "still wallpaper.bmp", 0);

  host().setKeyUnwritable(RegRoot::LocalMachine, kEntry);
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::notWritten);
  expectNothingOfIt();
}

TEST_F(StillStep, WithoutAMovieOrAScreenNothingIsTried) {
  put(kPage, "<p>no movie</p>");
  request.contentNames = {"readme.txt"};
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::noMovie);
  request.contentNames = {"sea.swf"};
  host().failOpen(kContent + "sea.swf", 5);
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::unreadable);
  host().failOpen(kContent + "sea.swf", 0);
  host().screenWidth = 0;
  EXPECT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::noScreen);
  EXPECT_EQ(painter.calls, 0);
  expectNothingOfIt();
}

// Installing the same content again replaces its picture under the same name.
TEST_F(StillStep, AnotherInstallationReplacesItsPicture) {
  ASSERT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::set);
  ASSERT_EQ(installStillWallpaper(host(), request, painter), StillOutcome::set);
  EXPECT_EQ(entryValue(entry::kPicture), kContent + "still wallpaper.bmp");
  EXPECT_EQ(host().getString(RegRoot::CurrentUser, kRecordedContent, MV_CONTENT_PICTURE),
            kContent + "still wallpaper.bmp");
  EXPECT_FALSE(exists(kContent + "still wallpaper 2.bmp"));
}

}  // namespace
}  // namespace mv::still
