// DclLibrary with our codec library in the Windows folder: natively through the host platform (the
// library is libimpborl.so under the Windows name), under Wine through the real Win32 platform with
// impborl.dll. Message boxes are recorded instead of shown.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/test_files.h"
#include "dcl/dcl.h"
#include "installer/error_reporter.h"
#include "package/dcl_library.h"
#include "package/session.h"
#include "platform/system_errors.h"
#include "support/user_texts.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>

#include "common/test_platform.h"
#else
#include "platform/host/host_platform.h"
#endif

namespace mv {
namespace {

#ifdef _WIN32
class Environment {
 public:
  Environment() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root_ = std::string(temp) + "mvdcl" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(root_.c_str(), nullptr);
    CreateDirectoryA((root_ + "WINDOWS").c_str(), nullptr);
    platform_.windowsFolder = root_ + "WINDOWS";
    setPlatform(&platform_);
  }
  ~Environment() {
    setPlatform(nullptr);
    for (const char* name : {"impborl.dll", "out.bin", "empty.bin", "short.bin"})
      DeleteFileA((root_ + "WINDOWS\\" + name).c_str());
    RemoveDirectoryA((root_ + "WINDOWS").c_str());
    RemoveDirectoryA(root_.c_str());
  }
  std::string windows() const { return root_ + "WINDOWS\\"; }
  std::vector<std::string> boxes() const {
    std::vector<std::string> out;
    for (const auto& b : platform_.boxes) out.push_back(b.caption + ": " + b.text);
    return out;
  }
  void putLibrary(const std::string& bytes) { writeFile(windows() + "impborl.dll", bytes); }
  std::string ourLibrary() const {
    std::string unixPath = MV_IMPBORL_LIBRARY;
    std::replace(unixPath.begin(), unixPath.end(), '/', '\\');
    return testcommon::wholeFile("Z:" + unixPath);
  }
  std::string read(const std::string& path) { return testcommon::wholeFile(path); }
  void writeFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD n = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
  }
  void setWindowsFolder(const std::string& f) { platform_.windowsFolder = f; }
  Result notLoadableCode() const { return ERROR_BAD_EXE_FORMAT; }

 private:
  std::string root_;
  testcommon::TestPlatform platform_;
};
#else
class Environment {
 public:
  Environment() { setPlatform(&sandbox_.platform()); }
  std::string windows() const { return "C:\\WINDOWS\\"; }
  std::vector<std::string> boxes() {
    std::vector<std::string> out;
    for (const auto& b : sandbox_->boxes) out.push_back(b.caption + ": " + b.text);
    return out;
  }
  void putLibrary(const std::string& bytes) { writeFile(windows() + "impborl.dll", bytes); }
  std::string ourLibrary() { return testcommon::wholeFile(MV_IMPBORL_LIBRARY); }
  std::string read(const std::string& path) {
    std::string bytes;
    sandbox_->readWholeFile(path, bytes);
    return bytes;
  }
  void writeFile(const std::string& path, const std::string& bytes) { ASSERT_TRUE(sandbox_->writeWholeFile(path, bytes)); }
  void setWindowsFolder(const std::string& f) { sandbox_->setWindowsDirectory(f); }
  Result notLoadableCode() const { return oserr::badExeFormat; }

 private:
  HostSandbox sandbox_;
};
#endif

std::vector<uint8_t> sampleData() {
  std::mt19937 rng(11);
  std::string text;
  while (text.size() < 200000) text += "Moviva content file " + std::to_string(rng() % 1000) + ", line of text.\r\n";
  return std::vector<uint8_t>(text.begin(), text.end());
}

class CompressorTest : public ::testing::Test {
 protected:
  Environment env;
  // The session the adapter reports to: the installer's error boxes on the test's platform.
  ErrorBoxes boxes{platform()};
  PackageSession session{boxes};
};

TEST_F(CompressorTest, ExpandsACompressedBlockIntoAFile) {
  std::string library = env.ourLibrary();
  ASSERT_GT(library.size(), 1000u) << MV_IMPBORL_LIBRARY;
  env.putLibrary(library);
  std::vector<uint8_t> data = sampleData();
  for (int type : {0, 1}) {
    std::vector<uint8_t> stream = dclImplode(data.data(), data.size(), type, 4096);
    DclLibrary compressor(platform(), session);
    ASSERT_TRUE(compressor.available());
    int64_t written = 0;
    EXPECT_EQ(compressor.expand(env.windows() + "out.bin", stream.data(), stream.size(), -1, written), 0);
    EXPECT_EQ(env.read(env.windows() + "out.bin"), std::string(data.begin(), data.end()));

    // A damaged stream: whatever the library wrote, no message, result 0 (callers check the size).
    EXPECT_EQ(compressor.expand(env.windows() + "short.bin", stream.data(), stream.size() / 2, -1, written), 0);
    std::string part = env.read(env.windows() + "short.bin");
    EXPECT_LT(part.size(), data.size());
    EXPECT_EQ(part, std::string(data.begin(), data.begin() + part.size()));

    // An empty block leaves an empty file.
    EXPECT_EQ(compressor.expand(env.windows() + "empty.bin", nullptr, 0, -1, written), 0);
    EXPECT_EQ(env.read(env.windows() + "empty.bin"), "");
    compressor.release();
    EXPECT_FALSE(compressor.available());
  }
  EXPECT_TRUE(env.boxes().empty());
}

TEST_F(CompressorTest, DestinationThatCannotBeCreatedIsAZipError) {
  env.putLibrary(env.ourLibrary());
  std::vector<uint8_t> stream{0, 6, 1, 0xFF};
  DclLibrary compressor(platform(), session);
  ASSERT_TRUE(compressor.available());
  int64_t written = 0;
  Result r = compressor.expand(env.windows() + "no such folder\\out.bin", stream.data(), stream.size(), -1, written);
  EXPECT_EQ(r, oserr::pathNotFound);
  ASSERT_EQ(env.boxes().size(), 1u);
  EXPECT_EQ(env.boxes()[0], std::string("Error: ") + text::zipError + "\r\n\r\n" + errorDescription(platform(), r));
}

TEST_F(CompressorTest, NoLibraryMeansUnavailableWithoutAMessage) {
  for (int k = 0; k < 3; ++k) {
    DclLibrary compressor(platform(), session);
    EXPECT_FALSE(compressor.available());
  }
  EXPECT_TRUE(env.boxes().empty());
}

TEST_F(CompressorTest, DamagedLibraryWarnsOnceOnly) {
  env.putLibrary(std::string(5000, '\x90') + "not a library");
  for (int k = 0; k < 3; ++k) {
    DclLibrary compressor(platform(), session);
    EXPECT_FALSE(compressor.available());
  }
  ASSERT_EQ(env.boxes().size(), 1u);
  EXPECT_EQ(env.boxes()[0], std::string("Error: ") + text::compressionProblem + "\r\n\r\n" +
                                errorDescription(platform(), env.notLoadableCode()));
  session.codecWarningShown = false;
  DclLibrary again(platform(), session);
  EXPECT_EQ(env.boxes().size(), 2u);
}

TEST_F(CompressorTest, LibraryPathFollowsTheWindowsFolder) {
  env.setWindowsFolder("C:\\WINNT");
  EXPECT_EQ(DclLibrary::libraryPath(platform()), "C:\\WINNT\\impborl.dll");
  env.setWindowsFolder("C:\\");
  EXPECT_EQ(DclLibrary::libraryPath(platform()), "C:\\impborl.dll");
}

}  // namespace
}  // namespace mv
