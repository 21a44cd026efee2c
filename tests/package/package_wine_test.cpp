// Under Wine, on the real file system with the real Win32 platform and the codec library impborl.dll:
// whole packages written by the tests' package writer, extracted the way start-up and installation do.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "common/test_files.h"
#include "common/test_platform.h"
#include "package/datafile.h"
#include "package/format.h"
#include "package/package_reader.h"
#include "package/slots.h"
#include "package_test_util.h"
#include "support/user_texts.h"

namespace mv {
namespace {

using namespace test;
using testcommon::TestPlatform;
using testcommon::wholeFile;

bool writeAll(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD n = 0;
  BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr) && n == bytes.size();
  return CloseHandle(h) && ok;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Every file below folder, as paths relative to it, with their sizes.
void listFiles(const std::string& folder, const std::string& prefix, std::map<std::string, size_t>& out) {
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA((folder + "*.*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = d.cFileName;
    if (name == "." || name == "..") continue;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      listFiles(folder + name + "\\", prefix + name + "\\", out);
    else
      out[prefix + name] = d.nFileSizeLow;
  } while (FindNextFileA(h, &d));
  FindClose(h);
}

void removeTree(const std::string& folder) {
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA((folder + "*.*").c_str(), &d);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = d.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(path + "\\");
      else DeleteFileA(path.c_str());
    } while (FindNextFileA(h, &d));
    FindClose(h);
  }
  RemoveDirectoryA(folder.c_str());
}

class PackageWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root = std::string(temp) + "mvpkg" + std::to_string(GetCurrentProcessId()) + "\\";
    removeTree(root);
    windows = root + "WINDOWS\\";
    wallpaper = windows + "Web\\Wallpaper\\";
    content = wallpaper + "Demo dir\\";
    for (const std::string& f : {root, windows, windows + "Web\\", wallpaper, content, root + "MVVA\\"})
      ASSERT_TRUE(CreateDirectoryA(f.c_str(), nullptr)) << f;
    platform.windowsFolder = withoutSlash(windows);
    setPlatform(&platform);

    PackageSession& s = session;
    s.windowsFolder = windows;
    s.contentFolder = content;
    s.tempCopyPath = root + "MVVA\\temp.dat";
    s.executablePath = root + "install.exe";
    s.dataFilePath = content + "Demo.mvd";
    s.progress = &window;

    library = wholeFile(codecPath());
    ASSERT_GT(library.size(), 1000u) << codecPath();
  }
  void TearDown() override {
    if (reader.isOpen()) {
      EXPECT_EQ(reader.closeDataFile(), 0);
    }
    setPlatform(nullptr);
    removeTree(root);
  }
  static std::string withoutSlash(const std::string& folder) { return folder.substr(0, folder.size() - 1); }
  // The codec built beside this test, seen through Wine's Z: drive.
  static std::string codecPath() {
    std::string unixPath = MV_IMPBORL_DLL;
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return "Z:" + unixPath;
  }
  // The test program itself is the executable part: a real PE image as the linker made it.
  // This test program as a stub, with its PE checksum cleared as install.exe ships (the linker recorded
  // the checksum of the bare program, which the joined installer would not match).
  static std::string ownImage() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string image = wholeFile(std::string(path, n));
    const int64_t field = peChecksumOffset(reinterpret_cast<const uint8_t*>(image.data()), image.size());
    if (field >= 0) putLe32(image, size_t(field), 0);
    return image;
  }
  // Start-up's part: temp copy, directory with the library step, then the slots the window needs.
  Result startUp(const PackageBuilder& b) {
    if (!writeAll(session.executablePath, b.build())) return -1000;
    Result r = makeTempCopy(platform, session);
    if (r == 0) r = readPackageDirectory(platform, session, [this](File& stream) {
      return extractSlot(platform, session, stream, slot::library, false);
    });
    if (r == 0) r = extractStartupSlot(platform, session, slot::flashInstaller);
    if (r == 0) r = extractStartupSlot(platform, session, slot::presentation);
    return r;
  }

  TestPlatform platform;
  std::vector<std::string> boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& b : platform.boxes) texts.push_back(b.text);
    return texts;
  }
  RecordingWindow window;
  BoxReporter reporter{platform};
  PackageSession session{reporter};
  DataFileReader reader;
  std::string root, windows, wallpaper, content, library;
};

TEST_F(PackageWineTest, APackageWithCompressedAndPlainSlotsExtractsExactlyTheExpectedFiles) {
  DataFileBuilder data;
  data.entries = {{"main.swf", 11, patternBytes(20000, 1), true},
                  {"sub\\pic.jpg", 0, patternBytes(5000, 2)},
                  {"empty.txt", 0, ""},
                  {"sub\\deep\\notes.txt", 0, "Some notes about the content.\r\n", true}};
  const std::string dataBytes = data.build();

  PackageBuilder b;
  b.stub = ownImage();
  b.integrity = true;
  b.slots[1] = {"impborl.dat", 3, library};
  b.slots[2] = {"flashax.exe", 3, patternBytes(3000, 3)};
  b.slots[3] = {"installer.jpg", 5, patternBytes(2500, 4)};
  b.slots[6] = {"Demo.html", 2, "<html><body>" + patternBytes(4000, 5) + "</body></html>", true};
  b.slots[7] = {"never.txt", 5, "NEVER"};
  b.slots[8] = {"Demo.mvd", 4, dataBytes};
  b.slots[9] = {"uninstall.exe", 5, patternBytes(9000, 6), true};

  ASSERT_EQ(startUp(b), 0);
  EXPECT_EQ(wholeFile(session.tempCopyPath), wholeFile(session.executablePath));
  ASSERT_EQ(extractInstallSlots(platform, session), 0);
  EXPECT_EQ(window.steps(), 3);

  ASSERT_EQ(reader.readDataHeader(platform, session), 0);
  ASSERT_EQ(reader.openDataFile(platform, session, session.dataFilePath, true), 0);
  ASSERT_EQ(reader.entryCount(), 4);
  for (int i = 1; i <= reader.entryCount(); ++i) EXPECT_EQ(reader.extractDataEntry(content, i, true, nullptr), 0) << i;
  EXPECT_EQ(reader.closeDataFile(), 0);
  EXPECT_TRUE(platform.boxes.empty()) << platform.boxes.front().text;

  std::map<std::string, size_t> files;
  listFiles(windows, "", files);
  const std::map<std::string, std::string> expected = {
      {"impborl.dll", library},
      {"flashax.exe", b.slots[2].content},
      {"Web\\Wallpaper\\Demo.html", b.slots[6].content},
      {"Web\\Wallpaper\\Demo dir\\installer.jpg", b.slots[3].content},
      {"Web\\Wallpaper\\Demo dir\\Demo.mvd", dataBytes},
      {"Web\\Wallpaper\\Demo dir\\uninstall.exe", b.slots[9].content},
      {"Web\\Wallpaper\\Demo dir\\main.swf", data.entries[0].content},
      {"Web\\Wallpaper\\Demo dir\\sub\\pic.jpg", data.entries[1].content},
      {"Web\\Wallpaper\\Demo dir\\sub\\deep\\notes.txt", data.entries[3].content},
  };
  std::set<std::string> names, expectedNames;
  for (const auto& f : files) names.insert(f.first);
  for (const auto& f : expected) expectedNames.insert(f.first);
  EXPECT_EQ(names, expectedNames);
  for (const auto& f : expected) EXPECT_TRUE(wholeFile(windows + f.first) == f.second) << f.first;
}

TEST_F(PackageWineTest, ACompressedSlotDeclaredOneByteTooLargeIsMinus13AndTheFileStays) {
  PackageBuilder b;
  b.slots[1] = {"impborl.dat", 3, library};
  b.slots[2] = {"flashax.exe", 3, "F"};
  b.slots[3] = {"installer.jpg", 5, "J"};
  b.slots[6] = {"Demo.html", 2, "<html/>"};
  b.slots[8] = {"Demo.mvd", 4, DataFileBuilder().build()};
  b.slots[9] = {"uninstall.exe", 5, patternBytes(7000, 9), true, +1};
  ASSERT_EQ(startUp(b), 0);
  const std::string uninstaller = content + "uninstall.exe";
  EXPECT_EQ(extractInstallSlots(platform, session), rc::wrongSize);
  EXPECT_EQ(boxTexts(), std::vector<std::string>{"Installation Error: \r\n\r\nProblem with file " + uninstaller + ". "});
  EXPECT_TRUE(wholeFile(uninstaller) == b.slots[9].content);  // the wrong-sized file is left as written
}

TEST_F(PackageWineTest, AnEntryThatExpandsToTheWrongSizeLeavesNoFile) {
  ASSERT_TRUE(writeAll(windows + "impborl.dll", library));
  DataFileBuilder data;
  data.entries = {{"sub\\movie.swf", 0, patternBytes(3000, 7), true, -1}, {"ok.swf", 0, "fine", true}};
  ASSERT_TRUE(writeAll(session.dataFilePath, data.build()));
  ASSERT_EQ(reader.openDataFile(platform, session, session.dataFilePath, true), 0);
  EXPECT_EQ(reader.extractDataEntry(content, 1, true, nullptr), rc::wrongSize);
  EXPECT_FALSE(exists(content + "sub\\movie.swf"));
  EXPECT_EQ(reader.extractDataEntry(content, 2, true, nullptr), 0);
  EXPECT_EQ(wholeFile(content + "ok.swf"), "fine");
  EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(PackageWineTest, FilesHeldOpenElsewhereAreKeptAndABusyLibraryIsReported) {
  PackageBuilder b;
  b.slots[1] = {"impborl.dat", 3, "NEW LIBRARY"};
  b.slots[9] = {"uninstall.exe", 5, "NEW"};
  ASSERT_TRUE(writeAll(session.executablePath, b.build()));
  ASSERT_EQ(makeTempCopy(platform, session), 0);
  ASSERT_EQ(readPackageDirectory(platform, session, nullptr), 0);

  const std::string dll = windows + "impborl.dll", uninstaller = content + "uninstall.exe";
  ASSERT_TRUE(writeAll(dll, "OLD LIBRARY"));
  ASSERT_TRUE(writeAll(uninstaller, "OLD"));
  HANDLE held[2];
  int i = 0;
  for (const std::string& path : {dll, uninstaller})
    held[i++] = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(extractStartupSlot(platform, session, slot::uninstaller), 0);
  EXPECT_TRUE(platform.boxes.empty());
  std::unique_ptr<File> stream = platform.open(session.tempCopyPath, OpenMode::Read);
  EXPECT_EQ(extractSlot(platform, session, *stream, slot::library, false), 0);
  stream->close();
  EXPECT_EQ(boxTexts(), std::vector<std::string>{std::string("Installation Error: ") + text::fileBusy + dll});
  for (HANDLE h : held) CloseHandle(h);
  EXPECT_EQ(wholeFile(dll), "OLD LIBRARY");
  EXPECT_EQ(wholeFile(uninstaller), "OLD");
}

}  // namespace
}  // namespace mv
