// Start-up's check of the PE checksum, beside the package's integrity record, on the host platform.
#include "host_fixture.h"
#include "package/package_reader.h"
#include "support/user_texts.h"

namespace mv {
namespace {

using namespace test;

constexpr size_t kChecksumField = 0xD8;  // fakeExecutable's optional header at 0x98, CheckSum 64 bytes in

// The checksum of the whole file, computed here as 32-bit words with the carries folded back (not the
// product's 16-bit sum), written into the field.
std::string withPeChecksum(std::string file) {
  putLe32(file, kChecksumField, 0);
  std::string padded = file + std::string((4 - file.size() % 4) % 4, '\0');
  uint64_t sum = 0;
  for (size_t i = 0; i < padded.size(); i += 4) {
    uint32_t word;
    std::memcpy(&word, padded.data() + i, 4);
    sum += word;
    sum = (sum & 0xFFFFFFFF) + (sum >> 32);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  sum = (sum + (sum >> 16)) & 0xFFFF;
  putLe32(file, kChecksumField, uint32_t(sum + file.size()));
  return file;
}

class ChecksumReaderTest : public PackageHostTest {
 protected:
  PackageBuilder typical() {
    PackageBuilder b;
    b.slots[1] = {"impborl.dat", 3, "LIBRARY"};
    b.slots[2] = {"flashax.exe", 3, patternBytes(300, 2)};
    b.slots[3] = {"installer.jpg", 5, patternBytes(200, 3)};
    b.slots[6] = {"Demo.html", 2, "<html></html>"};
    b.slots[8] = {"Demo.mvd", 4, patternBytes(70000, 4)};  // larger than one block of the check
    b.slots[9] = {"uninstall.exe", 5, patternBytes(101, 5)};  // an odd file length
    return b;
  }
  Result read(const std::string& file) {
    put(kTempCopy, file);
    host().boxes.clear();
    return readPackageDirectory(host(), session, [this](File&) {
      ++libraryStepCalls;
      return 0;
    });
  }
  void expectRefused(const std::string& file, const char* what) {
    EXPECT_EQ(read(file), rc::integrityFailed) << what;
    EXPECT_EQ(boxTexts(), std::vector<std::string>{text::integrityFailed}) << what;
  }
  int libraryStepCalls = 0;
};

TEST_F(ChecksumReaderTest, AChangedByteInTheProgramPartIsRefused) {
  PackageBuilder b = typical();
  b.integrity = true;
  const std::string good = withPeChecksum(b.build());
  ASSERT_EQ(good.size() % 2, 1u);
  EXPECT_EQ(read(good), 0);
  EXPECT_TRUE(boxTexts().empty());
  EXPECT_EQ(libraryStepCalls, 1);

  // The package's own record does not cover the program part; the PE checksum does.
  std::string image = good;
  image[0x300] ^= 0x20;
  expectRefused(image, "program part");
  std::string header = good;
  header[0x40] ^= 0x01;  // the DOS stub, outside anything the directory read looks at
  expectRefused(header, "headers");
  std::string package = good;
  package[b.payloadOffset(8) + 70000 - 1] ^= 0x01;
  expectRefused(package, "package");
  std::string lastByte = good;
  lastByte.back() ^= 0x01;
  expectRefused(lastByte, "last byte of an odd-length file");
  std::string field = good;
  field[kChecksumField + 1] ^= 0x01;
  expectRefused(field, "the recorded checksum");
  EXPECT_EQ(libraryStepCalls, 1);  // nothing is extracted from a damaged installer

  // Without the package's record (a package of an older packer, signed afterwards) the checksum alone.
  b.integrity = false;
  const std::string unmarked = withPeChecksum(b.build());
  EXPECT_EQ(read(unmarked), 0);
  std::string unmarkedImage = unmarked;
  unmarkedImage[0x300] ^= 0x20;
  expectRefused(unmarkedImage, "program part, no package record");
}

TEST_F(ChecksumReaderTest, ACheckSumOfZeroIsNotRecordedAndNotChecked) {
  // A stub joined to its package by copying, or an installer of an older packer: as before.
  PackageBuilder b = typical();
  b.integrity = true;
  std::string joined = b.build();
  joined[0x300] ^= 0x20;
  EXPECT_EQ(read(joined), 0);
  EXPECT_TRUE(boxTexts().empty());
}

TEST_F(ChecksumReaderTest, ASignedInstallersChecksumCoversItsCertificateTable) {
  // Signing appends the certificate table after the package and computes the checksum again over all.
  PackageBuilder b = typical();
  b.integrity = true;
  b.trailer = std::string(3, '\0') + patternBytes(1200, 9);
  const std::string signedFile = withPeChecksum(b.build());
  EXPECT_EQ(read(signedFile), 0);
  EXPECT_TRUE(boxTexts().empty());
  std::string certificate = signedFile;
  certificate[signedFile.size() - 500] ^= 0x01;
  expectRefused(certificate, "certificate table");
  // A checksum of the file before signing does not match the signed file.
  std::string stale = b.build();
  const std::string unsignedFile = withPeChecksum(stale.substr(0, stale.size() - b.trailer.size()));
  expectRefused(unsignedFile + b.trailer, "checksum from before signing");
}

}  // namespace
}  // namespace mv
