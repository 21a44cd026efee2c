// Slot extraction on the host platform: destinations, clearing the way, every result code.
#include "package/slots.h"

#include <unistd.h>

#include "host_fixture.h"
#include "package/package_reader.h"
#include "support/user_texts.h"

namespace mv {
namespace {

using namespace test;

// A stream that delivers one byte less than asked for.
class ShortReadFile : public File {
 public:
  explicit ShortReadFile(File& inner) : inner_(inner) {}
  int64_t read(void* buffer, int64_t count) override { return inner_.read(buffer, count > 0 ? count - 1 : 0); }
  int64_t write(const void* buffer, int64_t count) override { return inner_.write(buffer, count); }
  bool seek(int64_t offset) override { return inner_.seek(offset); }
  int64_t size() override { return inner_.size(); }
  bool close() override { return inner_.close(); }

 private:
  File& inner_;
};

class SlotsTest : public PackageHostTest {
 protected:
  // Puts the package at the temp copy path and reads its directory.
  void load(const PackageBuilder& b) {
    built = b.build();
    put(kTempCopy, built);
    ASSERT_EQ(readPackageDirectory(host(), session, nullptr), 0);
    host().boxes.clear();
  }
  Result extract(int k, bool progress = false) {
    std::unique_ptr<File> stream = host().open(kTempCopy, OpenMode::Read);
    Result r = extractSlot(host(), session, *stream, k, progress);
    stream->close();
    return r;
  }
  std::string built;
};

// The codec adapter asks the platform it is handed, not the one the process installed.
TEST_F(SlotsTest, TheLibraryIsLookedForInTheWindowsFolderOfTheHandedPlatform) {
  HostPlatform other(sandbox.root());
  other.setWindowsDirectory("D:\\WINNT");
  EXPECT_EQ(DclLibrary::libraryPath(other), "D:\\WINNT\\impborl.dll");
  EXPECT_EQ(DclLibrary::libraryPath(host()), "C:\\WINDOWS\\impborl.dll");
}

TEST_F(SlotsTest, UncompressedSlotsLandWhereTheirKindSays) {
  PackageBuilder b;
  b.slots[1] = {"impborl.dat", 3, patternBytes(1000, 1)};
  b.slots[2] = {"flashax.exe", 3, patternBytes(700, 2)};
  b.slots[3] = {"installer.jpg", 5, patternBytes(333, 3)};
  b.slots[4] = {"FlashAX.exe", 3, "case differs"};
  b.slots[5] = {"readme", 3, "no extension"};
  b.slots[6] = {"Demo.html", 2, "<html/>"};
  b.slots[8] = {"Demo.mvd", 4, patternBytes(2000, 8)};
  b.slots[9] = {"uninstall.exe", 1, "u"};
  b.slots[10] = {"extra.txt", 10, "Z"};
  load(b);
  for (int k = 1; k <= 10; ++k)
    if (k != 7) EXPECT_EQ(extract(k), 0) << k;
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_TRUE(get("C:\\WINDOWS\\impborl.dll") == b.slots[1].content);
  EXPECT_TRUE(get("C:\\WINDOWS\\flashax.exe") == b.slots[2].content);
  EXPECT_TRUE(get(std::string(kContent) + "installer.jpg") == b.slots[3].content);
  EXPECT_EQ(get("C:\\WINDOWS\\FlashAX.dll"), "case differs");
  EXPECT_EQ(get("C:\\WINDOWS\\readme.dll"), "no extension");
  EXPECT_EQ(get(std::string(kWallpaper) + "Demo.html"), "<html/>");
  EXPECT_TRUE(get(std::string(kContent) + "Demo.mvd") == b.slots[8].content);
  EXPECT_EQ(get(std::string(kContent) + "uninstall.exe"), "u");
  EXPECT_EQ(get(std::string(kContent) + "extra.txt"), "Z");
  EXPECT_EQ(host().openFileCount(), 0);
}

TEST_F(SlotsTest, ProgressIsShownOnlyWhenAsked) {
  PackageBuilder b;
  b.slots[3] = {"a.jpg", 5, "A"};
  load(b);
  EXPECT_EQ(extract(3, false), 0);
  EXPECT_TRUE(window.events.empty());
  EXPECT_EQ(extract(3, true), 0);
  EXPECT_EQ(window.events, (std::vector<std::string>{"status Writing Moviva files...", "step"}));
}

TEST_F(SlotsTest, EmptyNameIsMinus531ReportedWithoutAPath) {
  PackageBuilder b;
  load(b);
  EXPECT_EQ(extract(4, true), rc::emptySlotName);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{problemWithFile("")});
  EXPECT_EQ(window.steps(), 0);
}

TEST_F(SlotsTest, NamesThatLeaveTheirFolderAreRefusedAndNothingIsWritten) {
  for (const std::string& name : {std::string(".."), std::string("."), std::string("..\\evil.txt"),
                                  std::string("sub\\x.txt"), std::string("../x.txt"), std::string("C:x.txt"),
                                  std::string("a/b")}) {
    PackageBuilder b;
    b.slots[3] = {name, 5, "EVIL"};
    b.slots[1] = {name, 3, "EVIL"};
    load(b);
    for (int k : {1, 3}) {
      host().boxes.clear();
      EXPECT_EQ(extract(k, true), rc::unsafeName) << name;
      EXPECT_EQ(boxTexts(), std::vector<std::string>{text::unsafeSlotName + name}) << name;
    }
    EXPECT_EQ(window.steps(), 0);
  }
  EXPECT_FALSE(exists(std::string(kWallpaper) + "evil.txt"));
  EXPECT_FALSE(exists("C:\\WINDOWS\\evil.dll"));
  EXPECT_FALSE(exists("C:\\x.txt"));
  EXPECT_FALSE(exists(std::string(kContent) + "sub"));
}

TEST_F(SlotsTest, KindsWithoutADestinationAreRefused) {
  for (int kind : {0, 7, 8, 9, 11, -3}) {
    PackageBuilder b;
    b.slots[3] = {"pic.jpg", kind, "P"};
    load(b);
    EXPECT_EQ(extract(3), rc::damagedPackage) << kind;
    EXPECT_EQ(boxTexts(), std::vector<std::string>{std::string(text::damagedPackage) +
                                                   "slot 3 (pic.jpg) has a kind without a destination folder: " +
                                                   std::to_string(kind)});
  }
}

TEST_F(SlotsTest, OffsetsOutsideTheFileAreRefusedBeforeTheDestinationIsTouched) {
  PackageBuilder b;
  b.slots[3] = {"pic.jpg", 5, "PICTURE"};
  load(b);
  put(std::string(kContent) + "pic.jpg", "old");
  PackageEntry& e = session.directory.entries[3];
  const PackageEntry good = e;
  for (auto damage : {+[](PackageEntry& x) { x.end = 0x7FFFFFFF; }, +[](PackageEntry& x) { x.start = -1; },
                      +[](PackageEntry& x) { x.start = x.end + 1; }}) {
    e = good;
    damage(e);
    host().boxes.clear();
    EXPECT_EQ(extract(3), rc::damagedPackage);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{std::string(text::damagedPackage) +
                                                   "slot 3 (pic.jpg) points outside the file.\r\n\r\nFile: " +
                                                   kTempCopy});
    EXPECT_EQ(get(std::string(kContent) + "pic.jpg"), "old");
  }
}

TEST_F(SlotsTest, BusyLibraryIsRetried5000TimesThenReportedAndCountsAsExtracted) {
  PackageBuilder b;
  b.slots[1] = {"impborl.dat", 3, "NEW LIBRARY"};
  load(b);
  const std::string dll = "C:\\WINDOWS\\impborl.dll";
  put(dll, "OLD LIBRARY");
  host().setBusy(dll);
  EXPECT_EQ(extract(1), 0);
  EXPECT_EQ(host().deleteAttempts(dll), 2 * 5000);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{busyMessage(dll)});
  EXPECT_EQ(get(dll), "OLD LIBRARY");
}

TEST_F(SlotsTest, BusyFileThatIsNoLibraryIsKeptWithoutAMessage) {
  PackageBuilder b;
  b.slots[9] = {"uninstall.exe", 5, "NEW"};
  b.slots[2] = {"flashax.exe", 3, "NEW FLASH"};
  load(b);
  const std::string uninstaller = std::string(kContent) + "uninstall.exe", flash = "C:\\WINDOWS\\flashax.exe";
  put(uninstaller, "OLD");
  put(flash, "OLD FLASH");
  host().setBusy(uninstaller);
  host().setBusy(flash);
  EXPECT_EQ(extract(9), 0);
  EXPECT_EQ(extract(2), 0);
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(get(uninstaller), "OLD");
  EXPECT_EQ(get(flash), "OLD FLASH");
  EXPECT_EQ(host().deleteAttempts(flash), 2);  // one forced delete, no retries
}

TEST_F(SlotsTest, ReadOnlyDestinationIsReplaced) {
  PackageBuilder b;
  b.slots[6] = {"Demo.html", 2, "NEW PAGE"};
  b.slots[1] = {"impborl.dat", 3, "NEW LIB"};
  load(b);
  for (const std::string& path : {std::string(kWallpaper) + "Demo.html", std::string("C:\\WINDOWS\\impborl.dll")}) {
    put(path, "old");
    host().setAttributes(path, attr::readOnly | attr::hidden);
  }
  EXPECT_EQ(extract(6), 0);
  EXPECT_EQ(extract(1), 0);
  EXPECT_EQ(get(std::string(kWallpaper) + "Demo.html"), "NEW PAGE");
  EXPECT_EQ(get("C:\\WINDOWS\\impborl.dll"), "NEW LIB");
}

TEST_F(SlotsTest, ShortReadsWritesAndIoErrorsAreReportedWithTheDestination) {
  PackageBuilder b;
  b.slots[3] = {"pic.jpg", 5, patternBytes(5000, 3)};
  load(b);
  const std::string dest = std::string(kContent) + "pic.jpg";

  std::unique_ptr<File> stream = host().open(kTempCopy, OpenMode::Read);
  ShortReadFile shortStream(*stream);
  EXPECT_EQ(extractSlot(host(), session, shortStream, 3, false), rc::shortIo);
  stream->close();
  EXPECT_EQ(boxTexts(), std::vector<std::string>{problemWithFile(dest)});

  host().boxes.clear();
  host().limitWrites(dest, 100);  // a full disk
  Result r = extract(3);
  EXPECT_TRUE(r == oserr::diskFull || r == rc::shortIo) << r;
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_NE(boxTexts()[0].find("Problem with file " + dest + ". "), std::string::npos);
  host().limitWrites(dest, -1);

  host().boxes.clear();
  host().failIo(kTempCopy, oserr::readFault);
  EXPECT_EQ(extract(3), oserr::readFault);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_NE(boxTexts()[0].find("Problem with file " + dest + ". "), std::string::npos);
  host().failIo(kTempCopy, 0);

  host().boxes.clear();
  host().failOpen(dest, oserr::accessDenied);
  EXPECT_EQ(extract(3), oserr::accessDenied);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(host().openFileCount(), 0);
}

TEST_F(SlotsTest, CompressedSlotsAreExpandedAndSizeChecked) {
  if (!installCodec()) GTEST_SKIP() << "no native impborl library in this build";
  PackageBuilder b;
  const std::string page = "<html>" + patternBytes(3000, 6) + "</html>";
  b.slots[6] = {"Demo.html", 2, page, true};
  b.slots[9] = {"uninstall.exe", 5, patternBytes(4000, 9), true, +1};  // declares one byte too many
  b.slots[3] = {"pic.jpg", 5, "PICTURE", true, -1};                    // declares one byte too few
  load(b);
  EXPECT_EQ(extract(6), 0);
  EXPECT_TRUE(get(std::string(kWallpaper) + "Demo.html") == page);
  EXPECT_TRUE(boxTexts().empty());

  const std::string uninstaller = std::string(kContent) + "uninstall.exe";
  EXPECT_EQ(extract(9), rc::wrongSize);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{problemWithFile(uninstaller)});
  EXPECT_TRUE(get(uninstaller) == b.slots[9].content);  // the wrong-sized file stays

  host().boxes.clear();
  EXPECT_EQ(extract(3), rc::wrongSize);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{problemWithFile(std::string(kContent) + "pic.jpg")});
  EXPECT_EQ(host().openFileCount(), 0);
}

TEST_F(SlotsTest, WithoutTheCodecCompressedSlotsAreMinus35) {
  PackageBuilder b;
  b.slots[6] = {"Demo.html", 2, "<html/>", true};
  b.slots[9] = {"uninstall.exe", 5, "plain"};
  load(b);
  const std::string page = std::string(kWallpaper) + "Demo.html";
  EXPECT_EQ(extract(6), rc::codecUnavailable);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{problemWithFile(page)});  // no compression warning
  EXPECT_FALSE(exists(page));
  EXPECT_EQ(extract(9), 0);
}

TEST_F(SlotsTest, ExpandedFileThatIsMissingIsMinus16) {
  if (!installFakeCodec()) GTEST_SKIP() << "no fake codec in this build";
  PackageBuilder b;
  b.slots[6] = {"Demo.html", 2, "<html/>", true};
  load(b);
  const std::string page = std::string(kWallpaper) + "Demo.html";
  // The fake codec consumes the stream and removes the file it was writing.
  setenv("MV_FAKE_EXPLODE_UNLINK", host().hostPath(page).c_str(), 1);
  Result r = extract(6);
  unsetenv("MV_FAKE_EXPLODE_UNLINK");
  EXPECT_EQ(r, rc::expandedMissing);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{problemWithFile(page)});
}

TEST_F(SlotsTest, NoMemoryForThePayloadIsMinus7) {
  if (underAddressSanitizer()) GTEST_SKIP() << "address space limits do not mix with the sanitizer";
  PackageBuilder b;
  b.slots[3] = {"pic.jpg", 5, "P"};
  load(b);
  // A payload of 1.5 GB inside a sparse temp copy: the size is plausible, the memory is not there.
  const int64_t huge = int64_t(1536) << 20;
  PackageEntry& e = session.directory.entries[3];
  e.end = int32_t(e.start + huge - 1);
  ASSERT_EQ(truncate(host().hostPath(kTempCopy).c_str(), off_t(e.end) + 1), 0);
  const std::string dest = std::string(kContent) + "pic.jpg";
  EXPECT_EXIT(
      {
        limitAddressSpace(size_t(256) << 20);
        Result r = extract(3);
        bool ok = r == rc::noMemory && boxTexts() == std::vector<std::string>{problemWithFile(dest)};
        std::_Exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

class InstallSlotsTest : public SlotsTest {
 protected:
  PackageBuilder package() {
    PackageBuilder b;
    b.slots[5] = {"extra.txt", 5, "EXTRA"};
    b.slots[6] = {"Demo.html", 2, "PAGE"};
    b.slots[7] = {"never.txt", 5, "NEVER"};
    b.slots[8] = {"Demo.mvd", 4, "DATA"};
    b.slots[9] = {"uninstall.exe", 5, "UNINSTALL"};
    return b;
  }
  std::string content(const std::string& name) { return std::string(kContent) + name; }
};

TEST_F(InstallSlotsTest, WritesSixEightAndNineWithOneStepEach) {
  load(package());
  EXPECT_EQ(extractInstallSlots(host(), session), 0);
  EXPECT_EQ(window.steps(), 3);
  EXPECT_EQ(window.events.front(), "status Writing Moviva files...");
  EXPECT_FALSE(exists(content("extra.txt")));
  EXPECT_FALSE(exists(content("never.txt")));
  EXPECT_EQ(get(std::string(kWallpaper) + "Demo.html"), "PAGE");
  EXPECT_EQ(get(content("Demo.mvd")), "DATA");
  EXPECT_EQ(get(content("uninstall.exe")), "UNINSTALL");
  EXPECT_EQ(host().openFileCount(), 0);
}

TEST_F(InstallSlotsTest, RunExtraStartsAtFiveAndANamedSlotTenIsLast) {
  PackageBuilder b = package();
  b.slots[10] = {"further.txt", 10, "FURTHER"};
  load(b);
  session.runExtra = true;
  EXPECT_EQ(extractInstallSlots(host(), session), 0);
  EXPECT_EQ(window.steps(), 5);
  EXPECT_EQ(get(content("extra.txt")), "EXTRA");
  EXPECT_EQ(get(content("further.txt")), "FURTHER");
  EXPECT_FALSE(exists(content("never.txt")));
}

TEST_F(InstallSlotsTest, CancelDuringSlotSixStopsBeforeSlotEight) {
  load(package());
  window.onStep = [this] { session.installAborted = true; };
  EXPECT_EQ(extractInstallSlots(host(), session), 0);
  EXPECT_TRUE(exists(std::string(kWallpaper) + "Demo.html"));
  EXPECT_FALSE(exists(content("Demo.mvd")));
  EXPECT_EQ(window.steps(), 1);
}

TEST_F(InstallSlotsTest, AFailingSlotStopsTheLoop) {
  PackageBuilder b = package();
  b.slots[8].compressed = true;  // no codec installed: -35
  load(b);
  EXPECT_EQ(extractInstallSlots(host(), session), rc::codecUnavailable);
  EXPECT_FALSE(exists(content("uninstall.exe")));
  EXPECT_EQ(boxTexts().size(), 1u);
}

TEST_F(InstallSlotsTest, TempCopyThatCannotBeOpenedIsReportedWithItsPath) {
  load(package());
  host().failOpen(kTempCopy, oserr::accessDenied);
  EXPECT_EQ(extractInstallSlots(host(), session), oserr::accessDenied);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_NE(boxTexts()[0].find(std::string("Problem with file ") + kTempCopy + ". "), std::string::npos);
  EXPECT_EQ(window.steps(), 0);
}

TEST_F(InstallSlotsTest, StartupWrapper) {
  load(package());
  EXPECT_EQ(extractStartupSlot(host(), session, slot::licence), rc::emptySlotName);  // empty: no message
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(extractStartupSlot(host(), session, slot::extra), 0);
  EXPECT_EQ(get(content("extra.txt")), "EXTRA");
  EXPECT_TRUE(window.events.empty());

  host().failOpen(kTempCopy, oserr::sharingViolation);
  EXPECT_EQ(extractStartupSlot(host(), session, slot::extra), oserr::sharingViolation);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_NE(boxTexts()[0].find(std::string("Problem with file ") + kContent + ". "), std::string::npos);
}

}  // namespace
}  // namespace mv
