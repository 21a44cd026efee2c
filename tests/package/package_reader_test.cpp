// Deletion with retries, the temp copy and the directory read, on the host platform.
#include "package/package_reader.h"

#include "host_fixture.h"
#include "support/user_texts.h"

namespace mv {
namespace {

using namespace test;

class ReaderTest : public PackageHostTest {
 protected:
  PackageBuilder typical() {
    PackageBuilder b;
    b.slots[1] = {"impborl.dat", 3, "LIBRARY"};
    b.slots[2] = {"flashax.exe", 3, patternBytes(300, 2)};
    b.slots[3] = {"installer.jpg", 5, patternBytes(200, 3)};
    b.slots[6] = {"Demo.html", 2, "<html></html>"};
    b.slots[8] = {"Demo.mvd", 4, patternBytes(500, 4)};
    b.slots[9] = {"uninstall.exe", 5, patternBytes(100, 5)};
    return b;
  }
  // Reads the directory from `file` put at the temp copy path; counts the calls of the open step.
  Result read(const std::string& file) {
    put(kTempCopy, file);
    return readPackageDirectory(host(), session, [this](File& stream) {
      ++whileOpenCalls;
      // The stream is still open and usable.
      uint8_t two[2];
      EXPECT_TRUE(stream.seek(0));
      EXPECT_EQ(stream.read(two, 2), 2);
      return whileOpenResult;
    });
  }
  int whileOpenCalls = 0;
  Result whileOpenResult = 0;
};

TEST_F(ReaderTest, DeleteWithRetryOnMissingReadOnlyAndBusyFiles) {
  const std::string path = "C:\\WINDOWS\\x.dll";
  EXPECT_EQ(deleteWithRetry(host(), path, &reporter, 5000), 0);
  EXPECT_EQ(host().deleteAttempts(path), 0);

  put(path, "x");
  host().setAttributes(path, attr::readOnly);
  EXPECT_EQ(deleteWithRetry(host(), path, &reporter, 5000), 0);
  EXPECT_FALSE(exists(path));
  EXPECT_TRUE(boxTexts().empty());

  put(path, "x");
  host().setBusy(path);
  EXPECT_EQ(deleteWithRetry(host(), path, nullptr, 5000), rc::fileBusy);
  EXPECT_EQ(host().deleteAttempts(path), 2 + 2 * 5000);  // the read-only file took two, then 5,000 attempts of two
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(deleteWithRetry(host(), path, &reporter, 3), rc::fileBusy);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{busyMessage(path)});
  EXPECT_EQ(host().boxes[0].caption, "Error");
  EXPECT_EQ(host().boxes[0].kind, BoxKind::ErrorAbort);
  EXPECT_TRUE(exists(path));
}

TEST_F(ReaderTest, MakeTempCopyCopiesTheExecutableOverALeftover) {
  const std::string exe = typical().build();
  put(session.executablePath, exe);
  put(kTempCopy, "leftover");
  host().setAttributes(kTempCopy, attr::readOnly);
  EXPECT_EQ(makeTempCopy(host(), session), 0);
  EXPECT_TRUE(get(kTempCopy) == exe);
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(ReaderTest, MakeTempCopyFailuresShowTheTempCopyMessage) {
  const std::string advice = std::string("Installation Error: ") + kTempCopy + "\r\n\r\n" + text::retryAdvice;
  put(session.executablePath, "MZ");
  put(kTempCopy, "leftover");
  host().setBusy(kTempCopy);
  EXPECT_EQ(makeTempCopy(host(), session), rc::fileBusy);  // the actual code is returned
  EXPECT_EQ(host().deleteAttempts(kTempCopy), 2 * 5000);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{advice});

  host().setBusy(kTempCopy, false);
  host().boxes.clear();
  host().failCopy(session.executablePath, oserr::accessDenied);
  EXPECT_EQ(makeTempCopy(host(), session), oserr::accessDenied);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{advice});
}

TEST_F(ReaderTest, ReadsTheDirectoryAtTheEndOfTheImageAndRunsTheLibraryStep) {
  PackageBuilder b = typical();
  b.stub = fakeExecutable(0x1200, 20, 64);  // an image with a symbol table
  b.title = "My Title";
  whileOpenResult = 77;
  EXPECT_EQ(read(b.build()), 77);
  EXPECT_EQ(whileOpenCalls, 1);
  const PackageDirectory& d = session.directory;
  EXPECT_EQ(d.header.title(), "My Title");
  EXPECT_EQ(d.entries[0].end, int32_t(b.stub.size()) - 1);
  EXPECT_EQ(d.entries[8].name, "Demo.mvd");
  EXPECT_EQ(d.entries[8].start, int32_t(b.payloadOffset(8)));
  EXPECT_EQ(host().openFileCount(), 0);  // closed in every case
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(ReaderTest, ShortDirectoryIsMinus31WithTheTempCopyPath) {
  std::string file = typical().build();
  file.resize(typical().stub.size() + kDirectorySize - 1);
  EXPECT_EQ(read(file), rc::directoryIncomplete);
  EXPECT_EQ(whileOpenCalls, 0);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{problemWithFile(kTempCopy)});
  EXPECT_TRUE(session.directory.entries[8].name.empty());  // nothing taken from a short read

  host().boxes.clear();
  EXPECT_EQ(read(fakeExecutable()), rc::directoryIncomplete);  // a stub without a package
}

TEST_F(ReaderTest, AFileThatIsNoExecutableIsDamaged) {
  std::string file = typical().build();
  file[0] = 'X';
  EXPECT_EQ(read(file), rc::damagedPackage);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{std::string(text::damagedPackage) + text::notAnExecutable +
                                                 "\r\n\r\nFile: " + kTempCopy});
  EXPECT_EQ(whileOpenCalls, 0);
}

TEST_F(ReaderTest, SlotsWithANameMustLieInsideTheFile) {
  for (int k : {0, 3, 9}) {
    for (int variant = 0; variant < 4; ++variant) {
      PackageBuilder b = typical();
      size_t fileSize = b.build().size();
      b.tweakEntry = [&](int slot, std::string& e) {
        if (slot != k) return;
        switch (variant) {
          case 0: putLe32(e, 260, uint32_t(fileSize)); break;        // end one past the last byte
          case 1: putLe32(e, 256, uint32_t(-5)); break;              // negative start
          case 2: putLe32(e, 260, uint32_t(fileSize) - 1);           // start after end
                  putLe32(e, 256, uint32_t(fileSize)); break;
          case 3: putLe32(e, 260, 0x7FFFFFFF); break;                // a huge size
        }
      };
      host().boxes.clear();
      whileOpenCalls = 0;
      EXPECT_EQ(read(b.build()), rc::damagedPackage) << k << " " << variant;
      EXPECT_EQ(whileOpenCalls, 0);
      ASSERT_EQ(boxTexts().size(), 1u);
      std::string name = k == 0 ? "install.exe" : b.slots[k].name;
      EXPECT_EQ(boxTexts()[0], std::string(text::damagedPackage) + "slot " + std::to_string(k) + " (" + name +
                                   ") points outside the file.\r\n\r\nFile: " + kTempCopy);
    }
  }
  // Slots without a name are never read, whatever their offsets say; the last byte is a valid end.
  PackageBuilder b = typical();
  size_t fileSize = b.build().size();
  b.tweakEntry = [&](int slot, std::string& e) {
    if (slot == 7) putLe32(e, 256, 0xFFFFFFFF);
    if (slot == 9) putLe32(e, 260, uint32_t(fileSize - 1));
  };
  host().boxes.clear();
  EXPECT_EQ(read(b.build()), 0);
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(ReaderTest, IntegrityRecordIsCheckedWhenPresent) {
  PackageBuilder b = typical();
  b.integrity = true;
  const std::string good = b.build();
  EXPECT_EQ(read(good), 0);
  EXPECT_EQ(whileOpenCalls, 1);

  // One changed payload byte, a missing last byte, a changed checksum: all refused before the library step.
  std::string flipped = good;
  flipped[b.payloadOffset(8) + 17] ^= 0x01;
  std::string truncated = good.substr(0, good.size() - 1);
  std::string wrongCrc = good;
  wrongCrc[b.stub.size() + 12] ^= 0x80;
  for (const std::string& bad : {flipped, truncated, wrongCrc}) {
    host().boxes.clear();
    EXPECT_EQ(read(bad), rc::integrityFailed);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{text::integrityFailed});
  }
  EXPECT_EQ(whileOpenCalls, 1);

  // Without the marker nothing is checked.
  b.integrity = false;
  std::string unmarked = b.build();
  unmarked[b.payloadOffset(8) + 17] ^= 0x01;
  host().boxes.clear();
  EXPECT_EQ(read(unmarked), 0);
  EXPECT_TRUE(boxTexts().empty());
}

// A signed installer: the certificate table follows the package, which the record's length bounds.
TEST_F(ReaderTest, IntegrityRecordEndsAtThePackagesRecordedLength) {
  PackageBuilder b = typical();
  b.integrity = true;
  b.trailer = std::string(7, '\0') + std::string(1200, 'C');  // alignment padding, certificate table
  const std::string signedFile = b.build();
  const size_t packageEnd = signedFile.size() - b.trailer.size();
  EXPECT_EQ(read(signedFile), 0);
  std::string changedCertificate = signedFile;
  changedCertificate[packageEnd + 100] ^= 0x01;
  EXPECT_EQ(read(changedCertificate), 0);
  EXPECT_EQ(whileOpenCalls, 2);

  // A changed package byte, or a file cut inside the package, is refused all the same.
  std::string flipped = signedFile;
  flipped[b.payloadOffset(9) + 3] ^= 0x01;
  const std::string cut = signedFile.substr(0, packageEnd - 1);
  for (const std::string& bad : {flipped, cut}) {
    host().boxes.clear();
    EXPECT_EQ(read(bad), rc::integrityFailed);
    EXPECT_EQ(boxTexts(), std::vector<std::string>{text::integrityFailed});
  }

  // A record without the length covers the file to its end, as it always did: a signature breaks it.
  b.recordLength = false;
  host().boxes.clear();
  EXPECT_EQ(read(b.build()), rc::integrityFailed);
  EXPECT_EQ(whileOpenCalls, 2);

  // Slots must lie inside the package: one that reaches into what follows it is damage.
  b.recordLength = true;
  b.tweakEntry = [&](int slot, std::string& e) {
    if (slot == 9) putLe32(e, 260, uint32_t(packageEnd + 10));
  };
  host().boxes.clear();
  EXPECT_EQ(read(b.build()), rc::damagedPackage);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_NE(boxTexts()[0].find("slot 9"), std::string::npos) << boxTexts()[0];
}

TEST_F(ReaderTest, IoErrorsAreReportedWithTheTempCopyPath) {
  put(kTempCopy, typical().build());
  host().failOpen(kTempCopy, oserr::sharingViolation);
  EXPECT_EQ(readPackageDirectory(host(), session, nullptr), oserr::sharingViolation);
  ASSERT_EQ(boxTexts().size(), 1u);
  EXPECT_NE(boxTexts()[0].find(std::string("Problem with file ") + kTempCopy + ". "), std::string::npos);

  host().failOpen(kTempCopy, 0);
  host().failIo(kTempCopy, oserr::readFault);
  host().boxes.clear();
  EXPECT_EQ(readPackageDirectory(host(), session, nullptr), oserr::readFault);
  EXPECT_EQ(boxTexts().size(), 1u);
  EXPECT_EQ(host().openFileCount(), 0);
}

// The look before start-up decides whether the program makes windows: it must find the kind wherever
// the directory is, and say "unknown" (not a kind) for anything else, without a box and without a handle
// left open.
TEST_F(ReaderTest, PresentationKindIsReadFromTheExecutableWithoutBoxes) {
  PackageBuilder b = typical();
  b.presentationKind = 4;
  put(session.executablePath, b.build());
  EXPECT_EQ(presentationKindOf(host(), session.executablePath), 4);
  b.presentationKind = 2;
  b.recordLength = false;
  put(session.executablePath, b.build() + std::string(700, 'S'));  // a signature's bytes after the package
  EXPECT_EQ(presentationKindOf(host(), session.executablePath), 2);

  put(session.executablePath, typical().build().substr(0, 0x600 + 3000));  // cut inside the directory
  EXPECT_EQ(presentationKindOf(host(), session.executablePath), -1);
  put(session.executablePath, "MZ not a program");
  EXPECT_EQ(presentationKindOf(host(), session.executablePath), -1);
  put(session.executablePath, "");
  EXPECT_EQ(presentationKindOf(host(), session.executablePath), -1);
  EXPECT_EQ(presentationKindOf(host(), "C:\\missing.exe"), -1);
  put(session.executablePath, typical().build());
  host().failIo(session.executablePath, oserr::readFault);
  EXPECT_EQ(presentationKindOf(host(), session.executablePath), -1);

  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(host().openFileCount(), 0);
}

}  // namespace
}  // namespace mv
