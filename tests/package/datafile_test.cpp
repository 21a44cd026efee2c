// The Moviva data file reader on the host platform.
#include "package/datafile.h"

#include <unistd.h>

#include "host_fixture.h"
#include "support/user_texts.h"

namespace mv {
namespace {

using namespace test;

class DataFileTest : public PackageHostTest {
 protected:
  std::string path() { return session.dataFilePath; }
  void write(const DataFileBuilder& b) { put(path(), b.build()); }
  Result open(bool report = true) { return reader.openDataFile(host(), session, path(), report); }
  Result extract(int i, uint8_t* kind = nullptr, bool skipKind = true) {
    return reader.extractDataEntry(kContent, i, skipKind, kind);
  }
  std::string content(const std::string& name) { return std::string(kContent) + name; }
  // The system's text without trailing blanks, control characters and periods.
  std::string errorTextOf(Result code) {
    std::string t = code.code() > 0 ? host().systemErrorText(code.code()) : "";
    while (!t.empty() && (uint8_t(t.back()) <= ' ' || t.back() == '.')) t.pop_back();
    return t;
  }
};

TEST_F(DataFileTest, HeaderAndRecordsAreLoaded) {
  DataFileBuilder b;
  b.title = std::string(64, 'W');
  b.movieSource = 3;
  b.entries = {{"movie.swf", 3, ""}, {"pics\\a.jpg", 11, "JPEG"}, {"", 0, ""}};
  write(b);
  EXPECT_EQ(reader.readDataHeader(host(), session), 0);
  EXPECT_EQ(reader.entryCount(), 3);
  EXPECT_EQ(reader.dataTitle(), std::string(64, 'W'));
  EXPECT_EQ(reader.movieSource(), 3);

  EXPECT_EQ(open(), 0);
  EXPECT_TRUE(reader.isOpen());
  EXPECT_EQ(reader.record(1).kind, 3);
  EXPECT_EQ(reader.record(1).name, "movie.swf");
  EXPECT_EQ(reader.record(2).name, "pics\\a.jpg");
  EXPECT_EQ(reader.record(2).blockOffset, 1240 + 3 * 264 + 44);
  EXPECT_EQ(reader.record(3).name, "");
  EXPECT_EQ(reader.closeDataFile(), 0);
  EXPECT_FALSE(reader.isOpen());
  EXPECT_EQ(reader.closeDataFile(), 0);  // closing a closed file is nothing
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(host().openFileCount(), 0);
}

TEST_F(DataFileTest, TheTableIsClearedBeforeEachLoad) {
  DataFileBuilder b;
  b.entries = {{"a.swf", 0, "A"}, {"b.swf", 0, "B"}, {"c.swf", 0, "C"}};
  write(b);
  ASSERT_EQ(open(), 0);
  ASSERT_EQ(reader.closeDataFile(), 0);
  b.entries.resize(1);
  write(b);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(reader.record(1).name, "a.swf");
  EXPECT_EQ(reader.record(3).name, "");
  EXPECT_EQ(reader.record(3).blockOffset, 0);
}

TEST_F(DataFileTest, ASecondOpenShowsTheInformationAndKeepsTheOpenFile) {
  DataFileBuilder b;
  b.entries = {{"a.swf", 0, "A"}};
  write(b);
  ASSERT_EQ(open(), 0);
  put(std::string(kContent) + "other.mvd", "x");
  EXPECT_EQ(reader.openDataFile(host(), session, std::string(kContent) + "other.mvd", true), 0);
  ASSERT_EQ(host().boxes.size(), 1u);
  EXPECT_EQ(host().boxes[0].text, "Quillon Error: Moviva data file already in use.");
  EXPECT_EQ(host().boxes[0].caption, "Information");
  EXPECT_EQ(host().boxes[0].kind, BoxKind::InformationAbort);
  EXPECT_EQ(reader.record(1).name, "a.swf");
  EXPECT_EQ(extract(1), 0);
  EXPECT_EQ(get(content("a.swf")), "A");
}

TEST_F(DataFileTest, OpenFailuresAreShownOnlyWhenAsked) {
  EXPECT_EQ(open(false), oserr::fileNotFound);
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(open(true), oserr::fileNotFound);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Problem opening Moviva data file.\r\n\r\nFile: " + path() +
                                                 "\r\n\r\n2"});
  EXPECT_FALSE(reader.isOpen());

  // Records cut short: a short read.
  DataFileBuilder b;
  b.entries = {{"a.swf", 0, "A"}, {"b.swf", 0, "B"}};
  put(path(), b.build().substr(0, 1240 + 264 + 100));
  host().boxes.clear();
  EXPECT_EQ(open(true), rc::shortIo);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Problem opening Moviva data file.\r\n\r\nFile: " + path() +
                                                 "\r\n\r\n-30"});
  EXPECT_FALSE(reader.isOpen());
  EXPECT_EQ(extract(1), rc::dataFileNotOpen);
  EXPECT_EQ(host().openFileCount(), 0);
}

TEST_F(DataFileTest, EntryCountsTheTableCannotHoldAreRefusedAsDamaged) {
  for (int32_t count : {-1, 110, 0x7FFFFFFF}) {
    DataFileBuilder b;
    b.entries = {{"a.swf", 0, "A"}};
    b.entryCount = count;
    write(b);
    host().boxes.clear();
    EXPECT_EQ(open(false), rc::damagedDataFile) << count;
    EXPECT_EQ(boxTexts(), std::vector<std::string>{std::string(text::damagedDataFile) +
                                                   "its entry count is not between 0 and 109: " +
                                                   std::to_string(count) + "\r\n\r\nFile: " + path()});
    EXPECT_FALSE(reader.isOpen());
  }
  // 109 records fit.
  DataFileBuilder b;
  for (int i = 0; i < 109; ++i) b.entries.push_back({"e" + std::to_string(i), 0, "x"});
  write(b);
  EXPECT_EQ(open(), 0);
  EXPECT_EQ(reader.record(109).name, "e108");
}

TEST_F(DataFileTest, EntriesAreWrittenIntoTheContentFolder) {
  DataFileBuilder b;
  b.entries = {{"main.swf", 11, patternBytes(3000, 1)},
               {"sub\\deeper\\pic.jpg", 0, patternBytes(100, 2)},
               {"empty.txt", 0, ""},
               {"kind.bin", 7, "K", false, 0, false, [](std::string& block) { putLe32(block, 4, 0x1FE); }}};
  write(b);
  ASSERT_EQ(open(), 0);
  uint8_t kind = 99;
  EXPECT_EQ(extract(1, &kind, false), 0);
  EXPECT_EQ(kind, 11);
  EXPECT_EQ(extract(2, &kind, true), 0);
  EXPECT_EQ(kind, 0);  // not handed back when skipped
  EXPECT_EQ(extract(3), 0);
  EXPECT_EQ(extract(4, &kind, false), 0);
  EXPECT_EQ(kind, 0xFE);  // the low byte of the block kind
  EXPECT_TRUE(get(content("main.swf")) == b.entries[0].content);
  EXPECT_TRUE(get(content("sub\\deeper\\pic.jpg")) == b.entries[1].content);
  EXPECT_FALSE(exists(content("empty.txt")));  // size 0: nothing written
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(DataFileTest, IndexBeyondTheCountIsMinus12WithoutReading) {
  DataFileBuilder b;
  b.entries = {{"a.swf", 0, "A"}};
  write(b);
  ASSERT_EQ(open(), 0);
  host().failIo(path(), oserr::readFault);  // any read would fail
  uint8_t kind = 5;
  EXPECT_EQ(extract(2, &kind, false), rc::recordOutOfRange);
  EXPECT_EQ(kind, 0);
  EXPECT_EQ(extract(0), rc::recordOutOfRange);
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(DataFileTest, UnsafeNamesAreRefusedAndNothingIsWritten) {
  for (const std::string& name : {std::string("..\\evil.swf"), std::string("sub\\..\\..\\evil.swf"),
                                  std::string("C:\\evil.swf"), std::string("C:evil.swf"), std::string("\\evil.swf"),
                                  std::string("/evil.swf"), std::string("a/../../evil.swf")}) {
    if (reader.isOpen()) {
      EXPECT_EQ(reader.closeDataFile(), 0);
    }
    DataFileBuilder b;
    b.entries = {{name, 0, "EVIL"}};
    write(b);
    ASSERT_EQ(open(), 0);
    host().boxes.clear();
    EXPECT_EQ(extract(1), rc::unsafeName) << name;
    EXPECT_EQ(boxTexts(), std::vector<std::string>{text::unsafeEntryName + name});
  }
  EXPECT_FALSE(exists(std::string(kWallpaper) + "evil.swf"));
  EXPECT_FALSE(exists("C:\\evil.swf"));
  EXPECT_FALSE(exists("C:\\WINDOWS\\evil.swf"));
}

TEST_F(DataFileTest, SizesAndOffsetsOutsideTheFileAreRefusedBeforeAnyAllocation) {
  auto huge = [](int field, uint32_t value) {
    return [=](std::string& block) { putLe32(block, size_t(field), value); };
  };
  std::vector<DataEntryContent> bad = {
      {"offset.swf", 0, "A", false, 0, true},
      {"expanded.swf", 0, "A", false, 0, false, huge(8, 0x7FFFFFF0)},
      {"negative.swf", 0, "A", false, 0, false, huge(8, 0x80000000)},
      {"stored.swf", 0, "A", true, 0, false, huge(12, 0x7FFFFFF0)},
      {"storedneg.swf", 0, "A", true, 0, false, huge(12, 0xFFFFFFFF)},
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    if (reader.isOpen()) {
      EXPECT_EQ(reader.closeDataFile(), 0);
    }
    DataFileBuilder b;
    b.entries = {bad[i]};
    write(b);
    ASSERT_EQ(open(), 0);
    host().boxes.clear();
    EXPECT_EQ(extract(1), rc::damagedDataFile) << bad[i].name;
    EXPECT_EQ(boxTexts(), std::vector<std::string>{std::string(text::damagedDataFile) + "entry 1 (" + bad[i].name +
                                                   ") points outside the file.\r\n\r\nFile: " + path()});
    EXPECT_FALSE(exists(content(bad[i].name)));
  }
}

TEST_F(DataFileTest, ReadErrorsShowTheReadingProblemAndLeaveNoFile) {
  DataFileBuilder b;
  b.entries = {{"a.swf", 0, patternBytes(500, 1)}};
  write(b);
  ASSERT_EQ(open(), 0);
  host().failIo(path(), oserr::readFault);
  EXPECT_EQ(extract(1), oserr::readFault);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Quillon Error: Problem reading Moviva data file. " +
                                                 errorTextOf(oserr::readFault)});
  EXPECT_FALSE(exists(content("a.swf")));
  host().failIo(path(), 0);

  host().boxes.clear();
  host().limitWrites(content("a.swf"), 10);
  Result r = extract(1);
  EXPECT_TRUE(r == oserr::diskFull || r == rc::shortIo) << r;
  EXPECT_EQ(boxTexts().size(), 1u);
  EXPECT_FALSE(exists(content("a.swf")));  // the partial file is deleted
}

TEST_F(DataFileTest, CompressedEntriesAreExpandedAndAWrongSizeLeavesNoFile) {
  if (!installCodec()) GTEST_SKIP() << "no native impborl library in this build";
  DataFileBuilder b;
  b.entries = {{"movie.swf", 0, patternBytes(5000, 3), true},
               {"long.swf", 0, "ABCDEFGH", true, +1},
               {"short.swf", 0, "ABCDEFGH", true, -1},
               {"zero.swf", 0, "", true}};
  write(b);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(extract(1), 0);
  EXPECT_TRUE(get(content("movie.swf")) == b.entries[0].content);
  EXPECT_EQ(extract(2), rc::wrongSize);
  EXPECT_FALSE(exists(content("long.swf")));
  EXPECT_EQ(extract(3), rc::wrongSize);
  EXPECT_FALSE(exists(content("short.swf")));
  EXPECT_EQ(extract(4), 0);
  EXPECT_FALSE(exists(content("zero.swf")));
  EXPECT_TRUE(boxTexts().empty());  // the codes go to the caller, which shows the failure
  EXPECT_EQ(host().openFileCount(), 1);  // the data file itself
}

// The session keeps the library from its first compressed file to the end of the installation: one
// load for every entry, freed once when the session lets it go.
TEST_F(DataFileTest, CompressedEntriesShareOneLoadOfTheLibrary) {
  if (!installCodec()) GTEST_SKIP() << "no native impborl library in this build";
  DataFileBuilder b;
  b.entries = {{"a.swf", 0, patternBytes(3000, 1), true},
               {"b.swf", 0, "ABCDEFGH", true, +1},  // a wrong size keeps the library too
               {"c.swf", 0, patternBytes(1600000, 2), true}};  // more than one buffer of output
  write(b);
  ASSERT_EQ(open(), 0);
  EXPECT_EQ(extract(1), 0);
  EXPECT_EQ(extract(2), rc::wrongSize);
  EXPECT_EQ(extract(3), 0);
  EXPECT_TRUE(get(content("c.swf")) == b.entries[2].content);
  EXPECT_EQ(host().libraryLoads, 1);
  EXPECT_EQ(host().loadedLibraries(), 1);
  releaseSessionLibrary(session);
  EXPECT_EQ(host().loadedLibraries(), 0);
}

TEST_F(DataFileTest, WithoutTheCodecCompressedEntriesAreMinus35) {
  DataFileBuilder b;
  b.entries = {{"movie.swf", 0, "SWF", true}};
  write(b);
  ASSERT_EQ(open(), 0);
  put(content("movie.swf"), "earlier");
  EXPECT_EQ(extract(1), rc::codecUnavailable);
  // The message of a compressed slot without the library at start-up, naming the entry's file.
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Installation Error: \r\n\r\nProblem with file " +
                                                 content("movie.swf") + ". "});
  EXPECT_EQ(get(content("movie.swf")), "earlier");  // nothing was created, so nothing is deleted
}

TEST_F(DataFileTest, ExpandedFileThatIsMissingIsMinus16) {
  if (!installFakeCodec()) GTEST_SKIP() << "no fake codec in this build";
  DataFileBuilder b;
  b.entries = {{"movie.swf", 0, "SWF", true}};
  write(b);
  ASSERT_EQ(open(), 0);
  setenv("MV_FAKE_EXPLODE_UNLINK", host().hostPath(content("movie.swf")).c_str(), 1);
  Result r = extract(1);
  unsetenv("MV_FAKE_EXPLODE_UNLINK");
  EXPECT_EQ(r, rc::expandedMissing);
}

TEST_F(DataFileTest, NoMemoryForThePayloadIsMinus7) {
  if (underAddressSanitizer()) GTEST_SKIP() << "address space limits do not mix with the sanitizer";
  DataFileBuilder b;
  const int32_t huge = int32_t(1536) << 20;
  b.entries = {{"big.swf", 0, "A", false, 0, false, [=](std::string& block) { putLe32(block, 8, uint32_t(huge)); }}};
  write(b);
  ASSERT_EQ(truncate(host().hostPath(path()).c_str(), off_t(1240 + 264 + 44) + huge), 0);  // sparse
  ASSERT_EQ(open(), 0);
  EXPECT_EXIT(
      {
        limitAddressSpace(size_t(256) << 20);
        Result r = extract(1);
        std::_Exit(r == rc::noMemory && !exists(content("big.swf")) && boxTexts().empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace mv
