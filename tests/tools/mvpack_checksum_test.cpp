// The PE checksum that mvpack writes into the installers it builds, and how verify, list and extract
// treat it: installers built, damaged in their program part or their package, joined by copying, signed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "builder.h"
#include "examine.h"
#include "manifest.h"
#include "mvpack_test_support.h"

using namespace mvtest;

namespace {

constexpr size_t kStubSize = 0x800;

// The checksum as 32-bit words with the carries folded back, the field zeroed, the file padded to 4
// bytes: computed here independently of the 16-bit sum that mvpack uses.
uint32_t referenceChecksum(Bytes file) {
  const size_t length = file.size();
  put32(file, kPeChecksumField, 0);
  file.resize((length + 3) / 4 * 4, 0);
  uint64_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 4) {
    sum += le32(file, i);
    sum = (sum & 0xFFFFFFFF) + (sum >> 32);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  sum = (sum + (sum >> 16)) & 0xFFFF;
  return uint32_t(sum + length);
}

// A PE32 stub whose one section ends the file, with the checksum a linker would have recorded for it.
Bytes stubWithItsOwnChecksum() {
  Bytes b = peImage(kStubSize);
  put32(b, kPeChecksumField, referenceChecksum(b));
  return b;
}

class MvpackChecksum : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/mvpack-checksum.XXXXXX";
    root = mkdtemp(tmpl);
    writeFile(root / "bin/install.exe", stubWithItsOwnChecksum());
    writeFile(root / "bin/impborl.dll", Bytes{'M', 'Z', 1, 2, 3});
    writeText(root / "bin/uninstall.exe", "MZ uninstall, uninstall, uninstall");
    writeText(root / "flashax.exe", "MZ flash flash flash");
    writeFile(root / "banner.jpg", Bytes{0xFF, 0xD8, 0xFF, 0xE0, 9, 8, 7});
    writeText(root / "page.html", "<html>sea</html>");
    writeText(root / "content/wave.swf", "FWS\x06 the sea rolls in and the sea rolls out");
    writeText(root / "sea.manifest",
              "title = Sea\npresentation = picture banner.jpg\nhtml = page.html\ncontent = content\n"
              "flash-installer = flashax.exe\nstub = bin/install.exe\n");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  fs::path build(bool integrity = true) {
    mvpack::BuildOptions o;
    o.output = (root / "setup.exe").string();
    o.integrity = integrity;
    built = mvpack::buildInstaller(mvpack::parseManifest((root / "sea.manifest").string()), o);
    return root / "setup.exe";
  }
  // verify on the file as it is now: its exit code and everything it printed.
  int verify(const Bytes& file, std::string& output) {
    writeFile(root / "examined.exe", file);
    std::ostringstream out, err;
    int code = mvpack::verifyInstaller(mvpack::InstallerImage::load((root / "examined.exe").string()), false, out, err);
    output = out.str() + err.str();
    return code;
  }
  static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  fs::path root;
  mvpack::BuildResult built;
};

TEST_F(MvpackChecksum, BuildRecordsTheChecksumOfTheWholeInstaller) {
  const Bytes f = readFile(build());
  const uint32_t recorded = le32(f, kPeChecksumField);
  EXPECT_EQ(recorded, referenceChecksum(f));
  EXPECT_EQ(built.peChecksum, recorded);
  EXPECT_NE(recorded, referenceChecksum(stubWithItsOwnChecksum()));  // the stub's own one is replaced
  // Apart from the field, the stub is as it was.
  Bytes stub(f.begin(), f.begin() + kStubSize);
  put32(stub, kPeChecksumField, le32(stubWithItsOwnChecksum(), kPeChecksumField));
  EXPECT_EQ(stub, stubWithItsOwnChecksum());

  std::string output;
  EXPECT_EQ(verify(f, output), 0) << output;
  EXPECT_TRUE(has(output, "PE checksum: 0x")) << output;
  EXPECT_TRUE(has(output, "matches (the whole file)")) << output;

  // Without integrity neither record: the field is cleared, not left with the stub's own checksum.
  const Bytes plain = readFile(build(false));
  EXPECT_EQ(le32(plain, kPeChecksumField), 0u);
  EXPECT_EQ(built.peChecksum, 0u);
  EXPECT_EQ(verify(plain, output), 0) << output;
  EXPECT_TRUE(has(output, "note: no PE checksum recorded")) << output;
}

TEST_F(MvpackChecksum, VerifySaysWhichRecordFails) {
  const Bytes good = readFile(build());
  std::string output;

  // A byte of the program part: the package's record still matches, the PE checksum does not.
  Bytes image = good;
  image[0x500] ^= 0x20;
  EXPECT_EQ(verify(image, output), 3) << output;
  EXPECT_TRUE(has(output, "integrity record: CRC-32 0x")) << output;
  EXPECT_TRUE(has(output, "DAMAGED: PE checksum: the file's is 0x")) << output;
  EXPECT_TRUE(has(output, "damaged (1 problem): PE checksum")) << output;
  EXPECT_FALSE(has(output, "DAMAGED: integrity record")) << output;

  // A byte of the package: both.
  Bytes package = good;
  package[good.size() - 3] ^= 0x01;
  EXPECT_EQ(verify(package, output), 3) << output;
  EXPECT_TRUE(has(output, "DAMAGED: integrity record: the package's CRC-32 is")) << output;
  EXPECT_TRUE(has(output, "DAMAGED: PE checksum")) << output;

  // list shows it too.
  writeFile(root / "listed.exe", image);
  std::ostringstream out, err;
  EXPECT_EQ(mvpack::listInstaller(mvpack::InstallerImage::load((root / "listed.exe").string()), out, err),
            0);  // list reads it; verify is the one that judges
  EXPECT_TRUE(has(out.str(), "PE checksum: 0x" )) << out.str();
  EXPECT_TRUE(has(out.str(), "(DOES NOT MATCH: 0x")) << out.str();
}

TEST_F(MvpackChecksum, AStubJoinedByCopyingAndASignedInstallerStaySound) {
  const Bytes good = readFile(build());
  std::string output;

  // The package joined to a stub without a checksum, as `cat install.exe package` does.
  Bytes joined = stubWithItsOwnChecksum();
  put32(joined, kPeChecksumField, 0);
  joined.insert(joined.end(), good.begin() + kStubSize, good.end());
  EXPECT_EQ(verify(joined, output), 0) << output;
  EXPECT_TRUE(has(output, "no PE checksum recorded")) << output;

  // Signed: padded, a certificate table appended, the checksum computed again over everything.
  Bytes signedFile = good;
  while (signedFile.size() % 8) signedFile.push_back(0);
  const size_t table = signedFile.size();
  Bytes certificate = {0, 0, 0, 0, 0x00, 0x02, 0x02, 0x00};
  for (int i = 0; i < 504; ++i) certificate.push_back(uint8_t(i * 11));
  put32(certificate, 0, uint32_t(certificate.size()));
  signedFile.insert(signedFile.end(), certificate.begin(), certificate.end());
  const size_t optional = 0x80 + 24;
  put32(signedFile, optional + 92, 16);
  put32(signedFile, optional + 96 + 4 * 8, uint32_t(table));
  put32(signedFile, optional + 96 + 4 * 8 + 4, uint32_t(certificate.size()));
  put32(signedFile, kPeChecksumField, referenceChecksum(signedFile));
  EXPECT_EQ(verify(signedFile, output), 0) << output;
  EXPECT_TRUE(has(output, "matches (the whole file)")) << output;
  // The checksum covers the certificate table as Windows computes it: a changed byte there shows.
  Bytes changed = signedFile;
  changed[signedFile.size() - 7] ^= 0x01;
  EXPECT_EQ(verify(changed, output), 3) << output;
  EXPECT_TRUE(has(output, "damaged (1 problem): PE checksum")) << output;
}

TEST_F(MvpackChecksum, ExtractGivesTheStubBackWithoutTheInstallersChecksum) {
  const fs::path setup = build();
  std::ostringstream out, err;
  ASSERT_EQ(mvpack::extractInstaller(mvpack::InstallerImage::load(setup.string()), (root / "x").string(), false, false,
                                     out, err),
            0)
      << err.str();
  const Bytes stub = readFile(root / "x" / "slots" / "install.exe");
  ASSERT_EQ(stub.size(), kStubSize);
  EXPECT_EQ(le32(stub, kPeChecksumField), 0u);
  // Joined by copying, it makes a sound installer.
  Bytes joined = stub;
  const Bytes f = readFile(setup);
  joined.insert(joined.end(), f.begin() + kStubSize, f.end());
  std::string output;
  EXPECT_EQ(verify(joined, output), 0) << output;
}

}  // namespace
