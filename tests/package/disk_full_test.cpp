// A full disk at every place the package code writes: the temp copy, a stored and an expanded slot, a
// stored and an expanded data file entry. Each must hand the system's code (112) to the message of its
// step, never a size mismatch or a message without the reason.
#include "host_fixture.h"
#include "package/package_reader.h"
#include "package/slots.h"
#include "support/user_texts.h"

namespace mv {
namespace {

using namespace test;

const char* const kNoSpace = "There is not enough space on the disk";  // the system's text, trimmed

// The installer's message for a positive code.
std::string diskFullMessage(const std::string& path) {
  return std::string("Installation Error: ") + kNoSpace + "\r\n\r\nProblem with file " + path + ". ";
}
const std::string kDataFileMessage = std::string("Quillon Error: Problem reading Moviva data file. ") + kNoSpace;

class DiskFullTest : public PackageHostTest {
 protected:
  void loadPackage(const PackageBuilder& b) {
    put(kTempCopy, b.build());
    ASSERT_EQ(readPackageDirectory(host(), session, nullptr), 0);
    host().boxes.clear();
  }
  Result extract(int k) {
    std::unique_ptr<File> stream = host().open(kTempCopy, OpenMode::Read);
    Result r = extractSlot(host(), session, *stream, k, false);
    stream->close();
    return r;
  }
  std::string content(const std::string& name) { return std::string(kContent) + name; }
};

TEST_F(DiskFullTest, TempCopyNamesTheFullDiskInsteadOfThePrivilegesAdvice) {
  put(session.executablePath, patternBytes(200000, 1));
  host().limitWrites(kTempCopy, 4096);
  EXPECT_EQ(makeTempCopy(host(), session), oserr::diskFull);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{diskFullMessage(kTempCopy)});
}

TEST_F(DiskFullTest, SlotsReportTheSystemsCodeWithTheirDestination) {
  const bool codec = installCodec();
  PackageBuilder b;
  b.slots[8] = {"Large Sea.mvd", 4, patternBytes(50000, 8)};
  b.slots[9] = {"uninstall.exe", 5, patternBytes(40000, 9), codec};
  loadPackage(b);

  // A stored slot: the write that does not fit fails with 112 part way.
  const std::string dataFile = content("Large Sea.mvd");
  host().limitWrites(dataFile, 1000);
  EXPECT_EQ(extract(8), oserr::diskFull);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{diskFullMessage(dataFile)});

  // An expanded slot: the codec's writes fail; the code, not the size check's -13, comes back.
  if (!codec) GTEST_SKIP() << "no native impborl library in this build";
  host().boxes.clear();
  const std::string uninstaller = content("uninstall.exe");
  host().limitWrites(uninstaller, 5000);
  EXPECT_EQ(extract(9), oserr::diskFull);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{diskFullMessage(uninstaller)});
  EXPECT_EQ(host().openFileCount(), 0);
}

TEST_F(DiskFullTest, ExpansionThatFailsAtTheFirstWriteStillReturnsTheCode) {
  if (!installCodec()) GTEST_SKIP() << "no native impborl library in this build";
  PackageBuilder b;
  b.slots[6] = {"Demo.html", 2, patternBytes(3000, 6), true};
  loadPackage(b);
  host().limitWrites(std::string(kWallpaper) + "Demo.html", 0);
  EXPECT_EQ(extract(6), oserr::diskFull);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{diskFullMessage(std::string(kWallpaper) + "Demo.html")});
}

TEST_F(DiskFullTest, DataFileEntriesShowTheReadingProblemWithTheReasonAndLeaveNoFile) {
  const bool codec = installCodec();
  DataFileBuilder b;
  b.entries = {{"stored.swf", 0, patternBytes(20000, 1)}, {"imploded.swf", 0, patternBytes(20000, 2), codec}};
  put(session.dataFilePath, b.build());
  ASSERT_EQ(reader.openDataFile(host(), session, session.dataFilePath, true), 0);

  host().limitWrites(content("stored.swf"), 100);
  EXPECT_EQ(reader.extractDataEntry(kContent, 1, true, nullptr), oserr::diskFull);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{kDataFileMessage});
  EXPECT_FALSE(exists(content("stored.swf")));

  if (!codec) GTEST_SKIP() << "no native impborl library in this build";
  host().boxes.clear();
  host().limitWrites(content("imploded.swf"), 3000);
  EXPECT_EQ(reader.extractDataEntry(kContent, 2, true, nullptr), oserr::diskFull);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{kDataFileMessage});
  EXPECT_FALSE(exists(content("imploded.swf")));
}

}  // namespace
}  // namespace mv
