// `mvpack preview` run as authors run it: the program started as a child process, its PNG read back.
// The movies of independent writers in tests/data/render/preview are compared with their reference
// pictures; a hostile movie must be refused within a small peak of memory, and the picture must not
// depend on how busy the machine is.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "render_support.h"

#ifndef MV_MVPACK
#error "MV_MVPACK: the mvpack program"
#endif
#ifndef MV_PREVIEW_DATA
#error "MV_PREVIEW_DATA: the folder of the preview reference movies"
#endif

namespace rendertest {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int code = -1;
  long peakKilobytes = 0;  // the child's peak resident size (it starts with this process's own)
};

ToolRun runMvpack(std::vector<std::string> args) {
  args.insert(args.begin(), MV_MVPACK);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  ToolRun r;
  const pid_t pid = fork();
  if (pid == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.peakKilobytes = usage.ru_maxrss;
  return r;
}

class Folder {
 public:
  Folder() {
    char pattern[] = "/tmp/mvpack-preview.XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string file(const std::string& name, const std::string& bytes = "") const {
    const std::string p = (path_ / name).string();
    if (!bytes.empty()) std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

 private:
  fs::path path_;
};

// A 100 x 50 stage on grey: its left half red, its right half blue.
std::string halves(int version = 6) {
  return movie(version, 100, 50,
               swftest::bg(50, 50, 50) + rectangleShape(1, Colour{220, 20, 20}, 0, 0, 1000, 1000) +
                   rectangleShape(2, Colour{20, 40, 200}, 1000, 0, 2000, 1000) + place(1, 1) + place(2, 2));
}

TEST(MvpackPreview, DrawsTheStageAtItsSizeOrAsTheOptionsSay) {
  Folder f;
  const std::string swf = f.file("halves.swf", swftest::cwsOf(halves())), png = f.file("out.png");
  ASSERT_EQ(runMvpack({"preview", swf, "-o", png}).code, 0);
  Image stage = readPng(png);
  ASSERT_EQ(stage.width, 100);
  ASSERT_EQ(stage.height, 50);
  EXPECT_PIXEL(stage, 10, 25, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(stage, 90, 25, (Rgb{20, 40, 200}), 0);

  ASSERT_EQ(runMvpack({"preview", swf, "-o", png, "--size", "200x200", "--scale", "noscale", "--background",
                       "#00ff00"}).code,
            0);
  Image framed = readPng(png);
  ASSERT_EQ(framed.width, 200);
  EXPECT_PIXEL(framed, 100, 70, (Rgb{0, 255, 0}), 0);  // the stage: x 50..150, y 75..125
  EXPECT_PIXEL(framed, 60, 100, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(framed, 140, 100, (Rgb{20, 40, 200}), 0);

  ASSERT_EQ(runMvpack({"preview", swf, "-o", png, "--size=40x40", "--scale=ExactFit"}).code, 0);
  Image stretched = readPng(png);
  EXPECT_PIXEL(stretched, 5, 38, (Rgb{220, 20, 20}), 0);
  EXPECT_PIXEL(stretched, 35, 1, (Rgb{20, 40, 200}), 0);
}

TEST(MvpackPreview, WrongOptionsAreUsageErrorsAndRefusedMoviesSayWhy) {
  Folder f;
  const std::string swf = f.file("halves.swf", halves()), png = f.file("out.png");
  for (std::vector<std::string> bad : {std::vector<std::string>{"preview", swf},
                                       {"preview", swf, "-o", png, "--size", "0x10"},
                                       {"preview", swf, "-o", png, "--size", "100"},
                                       {"preview", swf, "-o", png, "--scale", "fit"},
                                       {"preview", swf, "-o", png, "--background", "red"},
                                       {"preview", swf, "-o", png, "--offset", "4"}})
    EXPECT_EQ(runMvpack(bad).code, 2) << bad.back();
  EXPECT_FALSE(fs::exists(png));
  EXPECT_EQ(runMvpack({"preview", f.file("text.swf", "not a movie at all"), "-o", png}).code, 3);
  EXPECT_EQ(runMvpack({"preview", f.file("missing.swf"), "-o", png}).code, 1);
  EXPECT_FALSE(fs::exists(png));
  const std::string named = f.file("halves.png", halves());
  EXPECT_EQ(runMvpack({"preview", named, "-o", named}).code, 1);  // the picture would destroy the movie
  EXPECT_EQ(readFile(named), halves());
}

// Under AddressSanitizer the shadow memory and the allocator's quarantine make the resident size say
// nothing about the program's own allocations.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryMeasurable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif
#else
constexpr bool kMemoryMeasurable = true;
#endif

TEST(MvpackPreview, MoviesClaimingTwoGigabytesTakeMemoryForWhatTheyHoldOnly) {
  if (!kMemoryMeasurable) GTEST_SKIP() << "resident sizes are not the program's own under AddressSanitizer";
  Folder f;
  const std::string claim = std::string("CWS\x06", 4) + swftest::le32(0x80000000u);
  // 19 bytes: the claim, then a zlib stream whose first stored block has lengths that disagree.
  const std::string damaged = claim + std::string("\x78\x01\x00\x05\x00\x00\x00\x00\x00\x00\x00", 11);
  ASSERT_EQ(damaged.size(), 19u);
  const ToolRun refused = runMvpack({"preview", f.file("damaged.swf", damaged), "-o", f.file("a.png")});
  std::printf("19-byte damaged movie: exit %d, peak resident size %ld KB\n", refused.code, refused.peakKilobytes);
  EXPECT_EQ(refused.code, 3);
  EXPECT_GT(refused.peakKilobytes, 0);
  EXPECT_LT(refused.peakKilobytes, 16 * 1024);
  // A whole stream under the same claim: drawn, in memory that follows what it holds.
  const std::string body = rect(0, 2000, 0, 2000) + le16(12 << 8) + le16(1) + swftest::bg(1, 2, 3) + swftest::endTag();
  const ToolRun drawn =
      runMvpack({"preview", f.file("short.swf", claim + swftest::deflateBytes(body)), "-o", f.file("b.png")});
  std::printf("short movie: exit %d, peak resident size %ld KB\n", drawn.code, drawn.peakKilobytes);
  EXPECT_EQ(drawn.code, 0);
  EXPECT_LT(drawn.peakKilobytes, 16 * 1024);
}

TEST(MvpackPreview, TheSamePictureWhetherTheMachineIsIdleOrBusy) {
  Folder f;
  const std::string swf = f.file("m.swf", readFile(std::string(MV_RENDER_DATA) + "/freehep_paint_v6c.swf"));
  const std::string idle = f.file("idle.png"), busy = f.file("busy.png");
  ASSERT_EQ(runMvpack({"preview", swf, "-o", idle, "--size", "1100x800"}).code, 0);
  std::atomic<bool> stop{false};
  std::vector<std::thread> load;
  for (unsigned i = 0; i < 2 * std::max(1u, std::thread::hardware_concurrency()); ++i)
    load.emplace_back([&] {
      volatile uint64_t spin = 0;
      while (!stop) ++spin;
    });
  const ToolRun r = runMvpack({"preview", swf, "-o", busy, "--size", "1100x800"});
  stop = true;
  for (std::thread& t : load) t.join();
  ASSERT_EQ(r.code, 0);
  const std::string a = readFile(idle), b = readFile(busy);
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == b) << "the pictures differ";
}

// ---- movies of independent writers against their references, at stage size

struct Reference {
  const char* movie;     // tests/data/render/preview/<movie>.swf and .png
  const char* features;  // what it shows
};

void PrintTo(const Reference& r, std::ostream* os) { *os << r.movie; }

class PreviewReferences : public ::testing::TestWithParam<Reference> {};

TEST_P(PreviewReferences, MatchWithinTheTolerance) {
  const Reference ref = GetParam();
  const std::string base = std::string(MV_PREVIEW_DATA) + "/" + ref.movie;
  const Image reference = readPng(base + ".png");
  ASSERT_GT(reference.width, 0) << base << ".png";
  Folder f;
  const std::string png = f.file("out.png");
  const ToolRun r = runMvpack({"preview", base + ".swf", "-o", png});
  const Image drawn = readPng(png);
  const Difference d = compare(drawn, reference);
  std::printf("%s (%s): exit %d, mean error %.2f, %.1f %% of pixels within 24\n", ref.movie, ref.features, r.code,
              d.meanError, 100 * d.closeShare);
  EXPECT_TRUE(r.code == 0 && d.meanError <= 12 && d.closeShare >= 0.9) << ref.movie << " (" << ref.features << ")";
  // At a screen's size, as the still wallpaper draws it, the same bounds let the movie through: the work
  // allowed grows with the picture.
  const ToolRun screen = runMvpack({"preview", base + ".swf", "-o", png, "--size", "2560x1440"});
  EXPECT_EQ(screen.code, 0) << ref.movie << " at 2560x1440";
}

std::string referenceName(const ::testing::TestParamInfo<Reference>& info) { return info.param.movie; }

// Three writers: FreeHEP's tag classes and its Graphics2D exporter (Java), and the Haxe compiler.
INSTANTIATE_TEST_SUITE_P(
    IndependentWriters, PreviewReferences,
    ::testing::Values(
        Reference{"freehep_text_buttons_v7",
                  "text fields: embedded DefineFont2 outlines, device fonts, HTML, border, alignment, word wrap; "
                  "DefineButton2 and DefineButton with DefineButtonCxform in their up state"},
        Reference{"freehep_text_fields_v8",
                  "text fields filling the stage: embedded DefineFont2 outlines at 30 to 34 pixels, word wrap, "
                  "border, HTML paragraphs with align, font face, size and colour"},
        Reference{"freehep_morphs_v8c", "DefineMorphShape at ratios 0, 1/2 and 1, and as a clipping layer"},
        Reference{"freehep_jpeg3_blend_filters_v9c",
                  "DefineBitsJPEG3 alpha plane; PlaceObject3 blend modes multiply, screen, difference, hard light; "
                  "drop shadow, blur, glow, bevel filters; cacheAsBitmap"},
        Reference{"freehep_jpeg3_blend_filters_v10", "the same, version 10, plain"},
        Reference{"freehep_graphics2d_v8",
                  "FreeHEP's Graphics2D exporter: DefineShape4, linear gradient, transparency, strokes; "
                  "its reference is Java2D's own raster"},
        Reference{"haxe_script_only_v10",
                  "Haxe: FileAttributes, DefineSceneAndFrameLabelData, DefineBitsLossless2 not placed, DoABC, "
                  "SymbolClass: the script is not run, the background shows"}),
    referenceName);

}  // namespace
}  // namespace rendertest
