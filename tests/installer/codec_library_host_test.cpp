// The compression library over a whole run, on the host platform with the headless window: one load
// serves every compressed file of an installation, and it is freed when start-up and the installation end.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "dcl/dcl.h"
#include "installer_fixture.h"
#include "package_writer.h"
#include "platform/host/host_platform.h"
#include "support/user_texts.h"

namespace mv::test {
namespace {

const char* const kExe = "C:\\Downloads\\install.exe";
const char* const kContent = "C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\";

Bytes pattern(size_t size, uint32_t seed) {
  Bytes b(size);
  for (uint8_t& c : b) c = uint8_t("moviva wallpaper "[(seed = seed * 1103515245u + 12345u) >> 28]);
  return b;
}
Bytes imploded(const Bytes& data) { return dclImplode(data.data(), data.size(), 0, 4096); }

class CodecLibraryTest : public InstallerFixture {
 protected:
  // A package whose data file entries, uninstaller and Flash Player installer are all compressed, with the
  // codec library built here in slot 1.
  bool writeCompressedInstaller(uint8_t presentationKind) {
    std::ifstream so(MV_IMPBORL_SO, std::ios::binary);
    if (!so) return false;
    const Bytes library((std::istreambuf_iterator<char>(so)), std::istreambuf_iterator<char>());
    DataFileLayout d;
    d.title = "Ocean";
    for (int i = 0; i < 3; ++i)
      d.entries.push_back({"part" + std::to_string(i) + ".bin", 0, imploded(entries[i]), true, int32_t(entries[i].size())});
    PackageLayout p = typicalPackage("Ocean", buildDataFile(d));
    p.presentationKind = presentationKind;
    p.showDesktopFlag = 0;
    p.slots[1].payload = library;
    p.slots[2] = {"flashax.exe", 3, imploded(flashInstaller), true, int32_t(flashInstaller.size())};
    p.slots[9] = {"uninstall.exe", 5, imploded(uninstaller), true, int32_t(uninstaller.size())};
    const Bytes installer = buildInstaller(peStub(), p);
    return sb->writeWholeFile(kExe, std::string(installer.begin(), installer.end()));
  }
  std::string read(const std::string& path) {
    std::string s;
    EXPECT_TRUE(sb->readWholeFile(path, s)) << path;
    return s;
  }
  static std::string text(const Bytes& b) { return std::string(b.begin(), b.end()); }

  // A package whose one data file entry is compressed. Its library slot is written at start-up; the
  // library is gone by the time the installation needs it (taken away when start-up runs the Flash
  // Player installer, which comes after the library slot in a windowless run too).
  void writeEntryWithoutLibrary(uint8_t presentationKind) {
    sb->onShellExecute = [this](const HostPlatform::ShellCall&) { (void)sb->deleteFile("C:\\WINDOWS\\impborl.dll"); };
    DataFileLayout d;
    d.title = "Ocean";
    d.entries.push_back({"movie.swf", 0, imploded(entries[0]), true, int32_t(entries[0].size())});
    PackageLayout p = typicalPackage("Ocean", buildDataFile(d));
    p.presentationKind = presentationKind;
    p.showDesktopFlag = 0;
    const Bytes installer = buildInstaller(peStub(), p);
    ASSERT_TRUE(sb->writeWholeFile(kExe, std::string(installer.begin(), installer.end())));
  }
  // What a compressed slot without the library says at start-up, for the entry's file.
  static std::string missingLibraryMessage() {
    return std::string("Installation Error: \r\n\r\nProblem with file ") + kContent + "movie.swf. ";
  }

  const Bytes entries[3] = {pattern(5000, 1), pattern(70000, 2), pattern(1, 3)};
  const Bytes flashInstaller = pattern(9000, 4), uninstaller = pattern(12000, 5);
};

TEST_F(CodecLibraryTest, OneLoadServesEveryCompressedFileOfASilentRun) {
  ASSERT_TRUE(writeCompressedInstaller(4)) << MV_IMPBORL_SO;
  createWindow();
  ASSERT_EQ(logic->exitCode(), exitcode::installed);
  EXPECT_TRUE(sb->boxes.empty());
  for (int i = 0; i < 3; ++i) EXPECT_EQ(read(kContent + ("part" + std::to_string(i) + ".bin")), text(entries[i]));
  EXPECT_EQ(read(std::string(kContent) + "uninstall.exe"), text(uninstaller));
  EXPECT_EQ(read("C:\\WINDOWS\\flashax.exe"), text(flashInstaller));
  // Five compressed files (the Flash Player installer at start-up, the uninstaller, three entries), one load.
  EXPECT_EQ(sb->libraryLoads, 1);
  EXPECT_EQ(sb->loadedLibraries(), 0);
}

TEST_F(CodecLibraryTest, StartUpAndTheInstallationEachFreeTheirLoad) {
  ASSERT_TRUE(writeCompressedInstaller(8));
  createWindow();
  EXPECT_EQ(sb->libraryLoads, 1);  // the Flash Player installer
  EXPECT_EQ(sb->loadedLibraries(), 0);  // nothing stays loaded while the window waits
  sb->onMessageBox = [](const HostPlatform::BoxRecord&) { return BoxAnswer::Ok; };
  logic->onInstallClicked();
  ASSERT_EQ(logic->exitCode(), exitcode::installed);
  EXPECT_EQ(read(kContent + std::string("part1.bin")), text(entries[1]));
  EXPECT_EQ(sb->libraryLoads, 2);
  EXPECT_EQ(sb->loadedLibraries(), 0);
}

TEST_F(CodecLibraryTest, MissingLibraryOnADataFileEntryIsToldInTheWindow) {
  writeEntryWithoutLibrary(8);
  createWindow();
  ASSERT_TRUE(sb->boxes.empty());
  sb->onMessageBox = [](const HostPlatform::BoxRecord&) { return BoxAnswer::Ok; };
  logic->onInstallClicked();
  EXPECT_EQ(boxTexts(), std::vector<std::string>{missingLibraryMessage()});
  EXPECT_EQ(view.statuses.back(), "Install failed. Error: -35");
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
  EXPECT_EQ(sb->getAttributes(kContent), attr::invalid);  // cleaned up
}

TEST_F(CodecLibraryTest, MissingLibraryOnADataFileEntryIsToldWithoutAWindow) {
  writeEntryWithoutLibrary(4);
  createWindow();
  EXPECT_EQ(boxTexts(), std::vector<std::string>{missingLibraryMessage()});
  EXPECT_TRUE(view.statuses.empty());
  EXPECT_EQ(logic->exitCode(), exitcode::failed);
  EXPECT_TRUE(view.closed);
}

}  // namespace
}  // namespace mv::test
