// The movie panel on the host platform: header checks, compressed movies, control creation and release.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "flash/flash_panel.h"
#include "flash/swf.h"
#include "flash_fakes.h"
#include "platform/host/host_platform.h"
#include "swf_builder.h"
#include "platform/file_helpers.h"

using namespace mv;
using namespace swftest;
using flashtest::Log;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

template <size_t N>
std::string lit(const char (&s)[N]) {
  return std::string(s, N - 1);
}

const std::vector<std::string> kSetUp = {"create 350x150", "ScaleMode 0", "SetVariable Align=AlClient",
                                         "WMode Opaque", "Menu false"};

std::vector<std::string> started(const std::string& path) {
  std::vector<std::string> v = kSetUp;
  for (const char* s : {"DoVerb -3", "", "Play", "DoVerb -1"}) v.push_back(*s ? s : "Movie " + path);
  return v;
}

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override { sb->createDirectory("C:\\movies"); }

  std::string put(const std::string& name, const std::string& bytes) {
    std::string path = "C:\\movies\\" + name;
    EXPECT_TRUE(sb->writeWholeFile(path, bytes));
    return path;
  }
  std::string read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(sb->readWholeFile(path, bytes)) << path;
    return bytes;
  }

  // A load that must end with a failure: its text.
  std::string loadFailure(const std::string& path) {
    Result f = panel.loadSWF(path);
    EXPECT_EQ(f, rc::failedWithText);
    EXPECT_FALSE(f.text().empty());
    return f.text();
  }

  HostSandbox sb;
  Log log;
  flashtest::RecordingSurface surface{log};
  flashtest::RecordingFactory factory{log};
  MoviePanel panel{sb.platform(), sb.platform(), surface, factory};
};

// --------------------------------------------------------------------------------------------------
// Movies from independent producers and hand-built ones with a known answer.

struct KnownMovie {
  const char* file;
  int32_t result;
  uint32_t colour;
};

const KnownMovie kKnown[] = {
    {"h01_fws6_bg_first.swf", 0, 0x00996633},
    {"h02_fws6_longtag_before_bg.swf", 0, 0x00302010},
    {"h04_cws6_bg.swf", 0, 0x00563412},
    {"h05_cws7_bg.swf", -405, 0},
    {"h06_fws2_bg.swf", -406, 0},
    {"h07_fws7_bg.swf", -405, 0},
    {"h08_gif_not_swf.swf", -404, 0},
    {"h10_fws6_end_before_bg.swf", 0, 0x00EFCDAB},
    {"x_freehep_fws3.swf", 0, 0x00433020},
    {"x_freehep_fws4.swf", 0, 0x00443020},
    {"x_freehep_fws5.swf", 0, 0x00453020},
    {"x_freehep_fws6.swf", 0, 0x00463020},
    {"x_freehep_cws6.swf", 0, 0x00665040},
    {"x_freehep_cws6_bitmap_before_bg.swf", 0, 0x0041810B},
    {"x_freehep_fws6_bitmap_before_bg.swf", 0, 0x0040800A},
    {"x_freehep_cws7.swf", -405, 0},
    {"x_freehep_fws8.swf", -405, 0},
};

TEST_F(PanelTest, KnownMoviesGiveTheirResultAndColour) {
  const char* data = std::getenv("MV_TEST_DATA");
  ASSERT_NE(data, nullptr) << "MV_TEST_DATA (tests/data) not set";
  for (const KnownMovie& m : kKnown) {
    SCOPED_TRACE(m.file);
    std::ifstream in(std::string(data) + "/swf/" + m.file, std::ios::binary);
    ASSERT_TRUE(in) << m.file;
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::string path = put(m.file, bytes.str());

    Log callLog;
    flashtest::RecordingSurface s(callLog);
    flashtest::RecordingFactory f(callLog);
    Result r;
    {
      MoviePanel p(sb.platform(), sb.platform(), s, f);
      r = p.loadSWF(path);
      EXPECT_EQ(r, m.result);
      if (m.result == 0) {
        EXPECT_EQ(p.colour(), m.colour);
        ASSERT_TRUE(p.hasControl());
        EXPECT_EQ(f.last->movie, path);  // the original file, also for a compressed movie
      } else {
        EXPECT_EQ(p.colour(), 0xFFFFFFu);
        EXPECT_FALSE(p.hasControl());
        EXPECT_EQ(f.attempts, 0);
      }
    }
  }
}

TEST_F(PanelTest, PlainMovieColoursPanelAndStartsControlInOrder) {
  std::string path = put("a.swf", fws(6, bg(0x33, 0x66, 0x99) + showFrame() + endTag()));
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(panel.colour(), 0x00996633u);
  EXPECT_EQ(surface.colours.back(), 0x00996633u);
  EXPECT_EQ(panel.signature(), "FWS");
  EXPECT_EQ(log, started(path));
  EXPECT_TRUE(panel.tempFolder().empty());
}

TEST_F(PanelTest, TagWalkSkipsLongTagsAndEndTags) {
  // The long tag's body holds decoy background tags, reached by a walk that skips only 63 bytes.
  std::string decoy = std::string(100, '\0');
  for (size_t i = 0; i + 5 <= decoy.size(); i += 5) decoy.replace(i, 5, bg(1, 2, 3));
  std::string path = put("long.swf", fws(6, tag(36, decoy) + endTag() + showFrame() + bg(0x10, 0x20, 0x30)));
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(panel.colour(), 0x00302010u);

  // A short body written in the long form is still a long tag (header 0x3F then 32-bit length).
  std::string path2 = put("longshort.swf", fws(5, tag(2, "abc", true) + bg(0x44, 0x55, 0x66)));
  EXPECT_EQ(panel.loadSWF(path2), 0);
  EXPECT_EQ(panel.colour(), 0x00665544u);
}

TEST_F(PanelTest, LongFormBackgroundTagIsReadFromItsBody) {
  std::string body = std::string("\x0A\x0B\x0C", 3);
  std::string path = put("bglong.swf", fws(6, tag(9, body, true) + endTag()));
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(panel.colour(), 0x000C0B0Au);
}

TEST_F(PanelTest, MovieWithoutBackgroundTagIsWhiteAndPlays) {
  std::string path = put("nobg.swf", fws(6, showFrame() + endTag()));
  panel.unloadSWF();  // black first, so that white shows the parse coloured the panel
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(panel.colour(), 0xFFFFFFu);
  EXPECT_TRUE(panel.hasControl());
}

TEST_F(PanelTest, MovieCutShortIsAReadErrorAndCreatesNoControl) {
  std::string whole = fws(6, tag(36, std::string(20, 'x')) + bg(1, 2, 3));
  struct Cut {
    const char* where;
    size_t size;
    const char* text;  // the end of the error's text
  };
  const Cut cuts[] = {{"inside the signature", 2, nullptr},
                      {"inside the length", 6, "the file ends inside its header"},
                      {"inside the rectangle", 10, "the file ends inside its header"},
                      {"inside the frame count", 19, "the file ends inside its header"},
                      {"inside a tag header", 22, "the file ends inside a tag header"},
                      {"inside a tag body", 30, "the file ends inside a tag"},
                      {"inside the colour", whole.size() - 1, "the file ends inside its background colour tag"}};
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.where);
    std::string path = put(std::string("cut") + std::to_string(cut.size) + ".swf", whole.substr(0, cut.size));
    if (!cut.text) {
      EXPECT_EQ(panel.loadSWF(path), -404);  // not even a signature
      continue;
    }
    EXPECT_EQ(loadFailure(path), "Error reading movie file \"" + path + "\": " + cut.text + ".");
  }
  // A long tag whose 32-bit length is cut off.
  std::string lt = fws(6, tag(36, std::string(80, 'x')));
  std::string path = put("cutlen.swf", lt.substr(0, 8 + 13 + 4));
  EXPECT_EQ(loadFailure(path), "Error reading movie file \"" + path + "\": the file ends inside a tag header.");
  EXPECT_EQ(factory.attempts, 0);
  EXPECT_EQ(surface.colours, std::vector<uint32_t>{0xFFFFFFu});
  EXPECT_TRUE(surface.frames.empty());  // the load ended before the first frame
}

TEST_F(PanelTest, RefusedMoviesLeaveColourAndControlAlone) {
  std::string good = put("good.swf", fws(6, bg(7, 8, 9)));
  ASSERT_EQ(panel.loadSWF(good), 0);
  log.clear();
  EXPECT_EQ(panel.loadSWF(put("gif.swf", "GIF89a" + std::string(20, '\0'))), -404);
  EXPECT_EQ(panel.signature(), "GIF");
  EXPECT_EQ(panel.loadSWF(put("v7.swf", fws(7, bg(1, 1, 1)))), -405);
  EXPECT_EQ(panel.loadSWF(put("v2.swf", fws(2, bg(1, 1, 1)))), -406);
  EXPECT_EQ(panel.loadSWF(put("tiny.swf", "FW")), -404);
  EXPECT_EQ(panel.colour(), 0x00090807u);
  EXPECT_TRUE(log.empty());  // the old control was neither released nor replaced
  EXPECT_TRUE(panel.hasControl());
}

TEST_F(PanelTest, SamePathTwiceDoesNothingEvenAfterAFailure) {
  std::string bad = put("bad.swf", "XYZ........");
  EXPECT_EQ(panel.loadSWF(bad), -404);
  EXPECT_EQ(panel.loadSWF(bad), 0);
  EXPECT_EQ(panel.loadSWF(""), 0);
  EXPECT_EQ(panel.swfFilename(), bad);

  std::string good = put("good.swf", fws(6, bg(1, 2, 3)));
  EXPECT_EQ(panel.loadSWF(good), 0);
  log.clear();
  EXPECT_EQ(panel.loadSWF(good), 0);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(factory.attempts, 1);
}

TEST_F(PanelTest, MissingFileStillStartsTheControl) {
  EXPECT_EQ(panel.loadSWF("C:\\movies\\absent.swf"), 0);
  EXPECT_EQ(log, started("C:\\movies\\absent.swf"));
  EXPECT_EQ(surface.colours, std::vector<uint32_t>{0xFFFFFFu});  // only the construction's white
}

TEST_F(PanelTest, CompressedMovieIsExpandedIntoItsOwnFolder) {
  std::string plain = fws(6, tag(2, std::string(3000, 'p')) + bg(0x12, 0x34, 0x56) + endTag());
  std::string packed = cwsOf(plain);
  std::string path = put("c.swf", packed);
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(panel.signature(), "CWS");
  EXPECT_EQ(panel.colour(), 0x00563412u);
  EXPECT_EQ(log, started(path));  // the control plays the compressed file itself

  const std::string& folder = panel.tempFolder();
  EXPECT_EQ(folder, "C:\\TEMP\\FlashPanel\\");
  EXPECT_EQ(read(folder + "compressedSWFSegment.swf"), packed.substr(8));
  EXPECT_EQ(read(folder + "unCompressedSWF.swf"), plain);

  // A second compressed movie reuses the folder and overwrites both files.
  std::string plain2 = fws(5, bg(9, 9, 9));
  std::string path2 = put("c2.swf", cwsOf(plain2));
  EXPECT_EQ(panel.loadSWF(path2), 0);
  EXPECT_EQ(panel.tempFolder(), folder);
  EXPECT_EQ(read(folder + "unCompressedSWF.swf"), plain2);
}

TEST_F(PanelTest, CompressedVersion7IsRefusedAfterExpansion) {
  std::string plain = fws(7, bg(1, 2, 3));
  std::string path = put("c7.swf", cwsOf(plain));
  EXPECT_EQ(panel.loadSWF(path), -405);
  EXPECT_EQ(read(panel.tempFolder() + "unCompressedSWF.swf"), plain);
  EXPECT_EQ(read(panel.tempFolder() + "compressedSWFSegment.swf"), cwsOf(plain).substr(8));
  EXPECT_FALSE(panel.hasControl());
  EXPECT_EQ(factory.attempts, 0);
}

TEST_F(PanelTest, ExpansionStopsAtTheDeclaredLength) {
  // The stream holds a megabyte; the header declares 100 bytes.
  std::string plain = fws(6, bg(5, 6, 7) + std::string(1 << 20, 'z'), 100);
  std::string path = put("bomb.swf", cwsOf(plain));
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(read(panel.tempFolder() + "unCompressedSWF.swf"), plain.substr(0, 100));

  // Whatever the declared length, the bound holds.
  std::string huge = fws(6, bg(5, 6, 7) + std::string(1 << 20, 'z'), 0xFFFFFFFFu);
  std::string hugePath = put("huge.swf", cwsOf(huge));
  const std::string packed = cwsOf(huge);
  std::vector<uint8_t> plainBytes;
  EXPECT_EQ(expandCompressedSwf(sb.platform(), sb.platform(), hugePath, reinterpret_cast<const uint8_t*>(packed.data()),
                                packed.size(), panel.tempFolder(), plainBytes, 4096),
            0);
  EXPECT_EQ(read(panel.tempFolder() + "unCompressedSWF.swf"), huge.substr(0, 4096));
  EXPECT_EQ(std::string(plainBytes.begin(), plainBytes.end()), huge.substr(0, 4096));
}

TEST_F(PanelTest, CompressedStreamThatEndsEarlyGivesAShorterMovie) {
  std::string plain = fws(6, bg(5, 6, 7) + endTag(), 5000);  // declares more than it holds
  std::string path = put("short.swf", cwsOf(plain));
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(read(panel.tempFolder() + "unCompressedSWF.swf"), plain);
  EXPECT_EQ(panel.colour(), 0x00070605u);
}

TEST_F(PanelTest, CorruptCompressedStreamFailsWithZlibsMessage) {
  std::string packed = cwsOf(fws(6, bg(1, 2, 3)));
  packed[8] = char(0x78);
  packed[9] = char(0x00);  // a zlib header whose check bits are wrong
  std::string path = put("corrupt.swf", packed);
  EXPECT_EQ(loadFailure(path), "Error expanding compressed movie \"" + path + "\": data error (incorrect header check)");
  EXPECT_FALSE(panel.hasControl());
  EXPECT_EQ(surface.colours, std::vector<uint32_t>{0xFFFFFFu});
}

TEST_F(PanelTest, FileErrorsFailWithTheFileName) {
  std::string path = put("locked.swf", fws(6, bg(1, 2, 3)));
  sb->failOpen(path, oserr::sharingViolation);
  EXPECT_THAT(loadFailure(path), HasSubstr("Cannot open file \"" + path + "\"."));

  // A full disk while the expanded copy is written.
  std::string packed = put("c.swf", cwsOf(fws(6, bg(1, 2, 3) + std::string(10000, 'q'))));
  sb->limitWrites("C:\\TEMP\\FlashPanel\\unCompressedSWF.swf", 3000);
  EXPECT_THAT(loadFailure(packed), HasSubstr("Error writing file \"C:\\TEMP\\FlashPanel\\unCompressedSWF.swf\"."));
  EXPECT_FALSE(panel.hasControl());
  EXPECT_EQ(factory.attempts, 0);
}

TEST_F(PanelTest, NoWorkingFolderForACompressedMovieFails) {
  sb->setEnv("TEMP", "C:\\NOWHERE");  // no folder can be made in a folder that does not exist
  std::string path = put("c.swf", cwsOf(fws(6, bg(1, 2, 3))));
  EXPECT_THAT(loadFailure(path), ::testing::StartsWith("Cannot create the folder \"C:\\NOWHERE\\FlashPanel9999\" for the movie."));
  EXPECT_EQ(panel.signature(), "CWS");
  EXPECT_TRUE(panel.tempFolder().empty());
  EXPECT_EQ(factory.attempts, 0);
  EXPECT_EQ(surface.colours, std::vector<uint32_t>{0xFFFFFFu});
}

// The steps read and write only the files they are handed, whatever platform the process has installed.
TEST(SwfSteps, WorkOnTheFilesTheyAreHanded) {
  HostSandbox work;
  ASSERT_TRUE(work->writeWholeFile("C:\\TEMP\\c.swf", cwsOf(fws(6, bg(0x12, 0x34, 0x56)))));
  ASSERT_TRUE(work->createDirectory("C:\\TEMP\\work"));
  HostSandbox installed;  // the process's platform from here on: it holds no movie
  FileBytes movie;
  ASSERT_EQ(readSwfFile(work.platform(), work.platform(), "C:\\TEMP\\c.swf", movie), 0);
  std::vector<uint8_t> plain;
  EXPECT_EQ(expandCompressedSwf(work.platform(), work.platform(), "C:\\TEMP\\c.swf", movie.data.get(), movie.size,
                                "C:\\TEMP\\work\\", plain),
            0);
  SwfHeaderInfo info;
  EXPECT_EQ(parseSwfHeader(plain.data(), plain.size(), "C:\\TEMP\\c.swf", info), 0);
  EXPECT_EQ(info.colour(), 0x00563412u);
  EXPECT_EQ(installed->getAttributes("C:\\TEMP\\work"), attr::invalid);
}

// --------------------------------------------------------------------------------------------------
// The control: creation attempts, release, unload, focus, movie commands.

TEST_F(PanelTest, NoControlAfterAllAttemptsGivesMinus403AndKeepsTheColour) {
  factory.failCreates = 1000000;
  std::string path = put("a.swf", fws(6, bg(0x33, 0x66, 0x99)));
  EXPECT_EQ(panel.loadSWF(path), -403);
  EXPECT_EQ(factory.attempts, 10000);
  EXPECT_EQ(panel.colour(), 0x00996633u);
  EXPECT_FALSE(panel.hasControl());
}

TEST_F(PanelTest, CreationIsRetriedUntilAControlExists) {
  factory.failCreates = 3;
  std::string path = put("a.swf", fws(6, bg(1, 2, 3)));
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(factory.attempts, 4);
  EXPECT_EQ(log, started(path));
}

// A failure that says no attempt can succeed ends the attempts at once; one that may pass keeps them
// going (above); one that is lasting only when it repeats ends them when the same failure comes twice.
TEST_F(PanelTest, CreationStopsAsSoonAsAFailureSaysNoControlCanBeMade) {
  struct Case {
    CreationFailure kind;
    std::vector<std::string> texts;
    long failures;
    int attempts;
    int32_t result;
  } cases[] = {
      {CreationFailure::lasting, {}, 1000000, 1, rc::noFlashControl},
      {CreationFailure::lastingIfRepeated, {}, 1000000, 2, rc::noFlashControl},
      // Different failures in turn are no repetition: the attempts go on, and the control comes.
      {CreationFailure::lastingIfRepeated, {"module not found", "access denied"}, 6, 7, rc::ok},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.kind));
    Log callLog;
    flashtest::RecordingSurface s(callLog);
    flashtest::RecordingFactory f(callLog);
    f.failCreates = c.failures;
    f.failureKind = c.kind;
    f.failures = c.texts;
    MoviePanel p(sb.platform(), sb.platform(), s, f);
    std::string path = put("a.swf", fws(6, bg(0x33, 0x66, 0x99)));
    EXPECT_EQ(p.loadSWF(path), c.result);
    EXPECT_EQ(f.attempts, c.attempts);
    EXPECT_EQ(p.hasControl(), c.result == rc::ok);
    EXPECT_EQ(p.colour(), 0x00996633u);
    // Without a control the panel goes on to its first frame at once.
    EXPECT_EQ(s.frames.size(), 1u);
  }
}

TEST_F(PanelTest, SetUpErrorAfterCreationKeepsTheControlAsFarAsItGot) {
  factory.failAt = "WMode";
  std::string path = put("a.swf", fws(6, bg(1, 2, 3)));
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(factory.attempts, 1);
  EXPECT_THAT(log, ElementsAre("create 350x150", "ScaleMode 0", "SetVariable Align=AlClient", "WMode Opaque",
                               "DoVerb -3", "Movie " + path, "Play", "DoVerb -1"));
}

TEST_F(PanelTest, StartErrorsReachTheCaller) {
  for (const char* step : {"DoVerb -3", "Movie", "Play", "DoVerb -1"}) {
    SCOPED_TRACE(step);
    Log callLog;
    flashtest::RecordingSurface s(callLog);
    flashtest::RecordingFactory f(callLog);
    f.failAt = step;
    MoviePanel p(sb.platform(), sb.platform(), s, f);
    std::string path = put("a.swf", fws(6, bg(1, 2, 3)));
    Result refused = p.loadSWF(path);
    EXPECT_EQ(refused, rc::failedWithText);
    EXPECT_EQ(refused.text(), std::string("the control refuses ") + step);
    EXPECT_TRUE(p.hasControl());
    // The start stops at the refused step, and the load there: no frame is handed over.
    std::vector<std::string> upTo = started(path);
    upTo.erase(std::find(upTo.begin(), upTo.end(), step == std::string("Movie") ? "Movie " + path : step) + 1,
               upTo.end());
    EXPECT_EQ(callLog, upTo);
    EXPECT_TRUE(s.frames.empty());
  }
}

TEST_F(PanelTest, AnotherMovieReleasesTheOldControlFirst) {
  std::string a = put("a.swf", fws(6, bg(1, 2, 3)));
  std::string b = put("b.swf", fws(6, bg(4, 5, 6)));
  ASSERT_EQ(panel.loadSWF(a), 0);
  log.clear();
  ASSERT_EQ(panel.loadSWF(b), 0);
  std::vector<std::string> expected = {"StopPlay", "destroy", "deliver message"};
  for (const std::string& s : started(b)) expected.push_back(s);
  EXPECT_EQ(log, expected);
}

TEST_F(PanelTest, ReleaseDestroysTheControlEvenWhenStopPlayFails) {
  factory.failAt = "StopPlay";
  std::string a = put("a.swf", fws(6, bg(1, 2, 3)));
  ASSERT_EQ(panel.loadSWF(a), 0);
  log.clear();
  panel.unloadSWF();
  EXPECT_THAT(log, ElementsAre("StopPlay", "destroy", "deliver message"));
  EXPECT_FALSE(panel.hasControl());
}

TEST_F(PanelTest, UnloadPaintsBlackAndForgetsTheMovie) {
  std::string a = put("a.swf", fws(6, bg(1, 2, 3)));
  ASSERT_EQ(panel.loadSWF(a), 0);
  panel.unloadSWF();
  EXPECT_EQ(panel.colour(), 0u);
  EXPECT_EQ(panel.swfFilename(), "");
  EXPECT_EQ(panel.signature(), "FWS");
  log.clear();
  EXPECT_EQ(panel.loadSWF(a), 0);  // the same path loads again
  EXPECT_EQ(log, started(a));
  EXPECT_EQ(panel.colour(), 0x00030201u);

  panel.unloadSWF();
  log.clear();
  panel.unloadSWF();  // nothing to release
  EXPECT_TRUE(log.empty());
}

TEST_F(PanelTest, FocusOnlyWhenVisibleWithAControl) {
  panel.focusMovie();
  EXPECT_TRUE(log.empty());
  std::string a = put("a.swf", fws(6, bg(1, 2, 3)));
  ASSERT_EQ(panel.loadSWF(a), 0);
  log.clear();
  surface.visible = false;
  panel.focusMovie();
  EXPECT_TRUE(log.empty());
  surface.visible = true;
  panel.focusMovie();
  EXPECT_THAT(log, ElementsAre("panel repaint", "panel focus", "control focus"));

  // A control that refuses the focus changes nothing: it stays, and the next attempt asks it again.
  factory.last->failAt("focus");
  log.clear();
  panel.focusMovie();
  panel.focusMovie();
  EXPECT_THAT(log, ElementsAre("panel repaint", "panel focus", "control focus", "panel repaint", "panel focus",
                               "control focus"));
  EXPECT_TRUE(panel.hasControl());
}

TEST_F(PanelTest, MovieCommandsSetAllowScaleWhenEnabled) {
  std::string a = put("a.swf", fws(6, bg(1, 2, 3)));
  ASSERT_EQ(panel.loadSWF(a), 0);
  ASSERT_TRUE(factory.last->onFSCommand);
  factory.last->onFSCommand("allowScale", "TrueColour");  // case-insensitive, first four characters
  EXPECT_EQ(panel.allowScale(), 1);
  factory.last->onFSCommand("ALLOWSCALE", "false");
  EXPECT_EQ(panel.allowScale(), 0);
  factory.last->onFSCommand("ALLOWSCALE", "tru");
  EXPECT_EQ(panel.allowScale(), 0);
  panel.enableAllowScale = false;
  factory.last->onFSCommand("ALLOWSCALE", "true");
  EXPECT_EQ(panel.allowScale(), 0);
  factory.last->onFSCommand("FULLSCREEN", "true");  // recognised, no effect
  factory.last->onFSCommand("quit", "");
  EXPECT_EQ(panel.fullScreen(), -1);
}

TEST_F(PanelTest, HeaderSeedsAllowScaleAndFullScreen) {
  struct Case {
    std::string after;
    int allowScale, fullScreen;
  };
  const Case cases[] = {
      {lit("..allowscale\0true\0fullScreen\0false\0"), 1, 0},
      {lit("ALLOWSCALE\0false\0...."), 0, -1},
      {lit("AllowScale\0yes\0"), -2, -1},
      {lit("allowscale\0t"), 1, -1},  // the word's last possible place
      {lit("allowscale\0"), -1, -1},  // too close to the end to have an argument
      {"", -1, -1},
  };
  int i = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(i);
    std::string path = put("seed" + std::to_string(i++) + ".swf", fws(6, bg(1, 2, 3) + c.after));
    EXPECT_EQ(panel.loadSWF(path), 0);
    EXPECT_EQ(panel.allowScale(), c.allowScale);
    EXPECT_EQ(panel.fullScreen(), c.fullScreen);
  }
  // The window is bounded by the declared length, and a declared length beyond the file is no error.
  std::string path = put("seedlen.swf", fws(6, bg(1, 2, 3) + lit("allowscale\0true"), 8 + 13 + 5 + 5));
  EXPECT_EQ(panel.loadSWF(path), 0);
  EXPECT_EQ(panel.allowScale(), -1);
  std::string path2 = put("seedlong.swf", fws(6, bg(1, 2, 3) + lit("allowscale\0true"), 100000));
  EXPECT_EQ(panel.loadSWF(path2), 0);
  EXPECT_EQ(panel.allowScale(), 1);
}

TEST(PanelLifetime, DestructionRemovesTheFolderOfCompressedMovies) {
  HostSandbox sb;
  sb->createDirectory("C:\\movies");
  Log log;
  flashtest::RecordingSurface surface(log);
  flashtest::RecordingFactory factory(log);
  ASSERT_TRUE(sb->writeWholeFile("C:\\movies\\p.swf", fws(6, bg(1, 2, 3))));
  ASSERT_TRUE(sb->writeWholeFile("C:\\movies\\c.swf", cwsOf(fws(6, bg(1, 2, 3)))));
  {
    MoviePanel panel(sb.platform(), sb.platform(), surface, factory);
    ASSERT_EQ(panel.loadSWF("C:\\movies\\p.swf"), 0);
  }
  EXPECT_FALSE(folderExists(platform(), "C:\\TEMP\\FlashPanel\\"));
  EXPECT_EQ(log.back(), "destroy");

  std::string folder;
  {
    MoviePanel panel(sb.platform(), sb.platform(), surface, factory);
    ASSERT_EQ(panel.loadSWF("C:\\movies\\c.swf"), 0);
    folder = panel.tempFolder();
    EXPECT_TRUE(fileExists(platform(), folder + "unCompressedSWF.swf"));
  }
  EXPECT_FALSE(folderExists(platform(), folder));
  EXPECT_TRUE(fileExists(platform(), "C:\\movies\\c.swf"));
}

TEST(PanelLifetime, EachPanelGetsItsOwnFolder) {
  HostSandbox sb;
  Log log;
  flashtest::RecordingSurface surface(log);
  flashtest::RecordingFactory factory(log);
  ASSERT_TRUE(sb->writeWholeFile("C:\\TEMP\\c.swf", cwsOf(fws(6, bg(1, 2, 3)))));
  MoviePanel one(sb.platform(), sb.platform(), surface, factory), two(sb.platform(), sb.platform(), surface, factory);
  ASSERT_EQ(one.loadSWF("C:\\TEMP\\c.swf"), 0);
  ASSERT_EQ(two.loadSWF("C:\\TEMP\\c.swf"), 0);
  EXPECT_EQ(one.tempFolder(), "C:\\TEMP\\FlashPanel\\");
  EXPECT_EQ(two.tempFolder(), "C:\\TEMP\\FlashPanel1\\");
}

}  // namespace
