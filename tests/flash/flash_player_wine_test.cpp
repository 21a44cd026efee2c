// The Flash Player decision under Wine: real control files with version resources built for the test,
// placed in the prefix's system32\Macromed\Flash, and a stand-in flashax.exe that records its command line.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "flash/flash_player.h"
#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"
#include "wine_support.h"

using namespace mv;
using namespace winetest;
using ::testing::EndsWith;
using ::testing::HasSubstr;

namespace {

class FlashPlayerWine : public ::testing::Test {
 protected:
  void SetUp() override {
    static Win32Platform win32(mv::text::abortButton);
    setPlatform(&win32);
    char buf[MAX_PATH];
    GetSystemDirectoryA(buf, MAX_PATH);
    sys_ = std::string(buf) + "\\";
    GetWindowsDirectoryA(buf, MAX_PATH);
    win_ = std::string(buf) + "\\";
    flash_ = sys_ + "Macromed\\Flash\\";
    CreateDirectoryA((sys_ + "Macromed").c_str(), nullptr);
    CreateDirectoryA(flash_.c_str(), nullptr);
    DeleteFileA((flash_ + "Flash.ocx").c_str());
    DeleteFileA((flash_ + "swflash.ocx").c_str());
    // The stand-in started by an earlier test may still be ending, its file still in use.
    std::string from = programFolder() + "flashax.exe", to = win_ + "flashax.exe";
    ASSERT_TRUE(pumpUntil([&] { return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE; }, 15000));
    log_ = tempFolder() + "flashax-command-lines.log";
    DeleteFileA(log_.c_str());
    SetEnvironmentVariableA("MV_FLASHAX_LOG", log_.c_str());
  }

  void place(const char* name, const char* dll) {
    ASSERT_TRUE(CopyFileA((programFolder() + dll).c_str(), (flash_ + name).c_str(), FALSE)) << dll;
  }
  // The stand-in's command line, once it has run; "" when it did not run within ms.
  std::string installerCommandLine(DWORD ms) {
    std::string text;
    pumpUntil([&] { return !(text = wholeFile(log_)).empty(); }, ms);
    return text;
  }

  std::string sys_, win_, flash_, log_;
};

TEST_F(FlashPlayerWine, VersionResourcesAreRead) {
  const struct {
    const char* dll;
    int major, release;
  } files[] = {{"ocx_6_0_79_0.dll", 6, 79}, {"ocx_6_0_47_0.dll", 6, 47}, {"ocx_7_0_19_0.dll", 7, 19},
               {"ocx_32_0_0_465.dll", 32, 0}, {"ocx_5_0_30_0.dll", 5, 30}, {"ocx_none.dll", -1, -1}};
  for (const auto& f : files) {
    int major = -1, release = -1;
    readFileVersion(platform(), programFolder() + f.dll, major, release);
    EXPECT_EQ(major, f.major) << f.dll;
    EXPECT_EQ(release, f.release) << f.dll;
  }
}

struct Row {
  const char* name;  // control file placed, or nullptr
  const char* dll;
  bool started, removed;
};

class DecisionRow : public FlashPlayerWine, public ::testing::WithParamInterface<Row> {};

TEST_P(DecisionRow, StartsTheInstallerAndRemovesTheOldControlAsTheTableSays) {
  const Row& row = GetParam();
  if (row.name) place(row.name, row.dll);
  EXPECT_FALSE(checkFlashPlayer(platform(), platform(), sys_, win_, 0));  // no restart pending
  std::string command = installerCommandLine(row.started ? 15000 : 1500);
  if (row.started) {
    EXPECT_THAT(command, HasSubstr("flashax.exe"));
    EXPECT_THAT(command, EndsWith("/Q\r\n"));
  } else {
    EXPECT_EQ(command, "");
  }
  if (row.name) {
    EXPECT_EQ(exists(flash_ + row.name), !row.removed);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecisionRow,
    ::testing::Values(Row{nullptr, nullptr, true, false}, Row{"Flash.ocx", "ocx_none.dll", true, false},
                      Row{"Flash.ocx", "ocx_5_0_30_0.dll", true, false},
                      Row{"Flash.ocx", "ocx_6_0_79_0.dll", false, false},
                      Row{"Flash.ocx", "ocx_6_0_47_0.dll", true, true},
                      Row{"Flash.ocx", "ocx_7_0_19_0.dll", false, false},
                      Row{"Flash.ocx", "ocx_32_0_0_465.dll", false, false},
                      Row{"swflash.ocx", "ocx_6_0_79_0.dll", false, false},
                      Row{"swflash.ocx", "ocx_6_0_47_0.dll", true, true},
                      Row{"swflash.ocx", "ocx_32_0_0_465.dll", false, false}));

TEST_F(FlashPlayerWine, ControlFileHeldOpenMakesRestartPending) {
  place("Flash.ocx", "ocx_6_0_47_0.dll");
  std::string path = flash_ + "Flash.ocx";
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const bool restartPending = checkFlashPlayer(platform(), platform(), sys_, win_, 0);
  CloseHandle(held);
  EXPECT_TRUE(restartPending);
  EXPECT_TRUE(exists(path));
  EXPECT_THAT(installerCommandLine(15000), EndsWith("/Q\r\n"));
}

TEST_F(FlashPlayerWine, MissingInstallerStartsNothing) {
  ASSERT_TRUE(DeleteFileA((win_ + "flashax.exe").c_str()));
  EXPECT_EQ(runFlashInstaller(platform(), platform(), win_, 0), -401);
  place("Flash.ocx", "ocx_6_0_47_0.dll");
  EXPECT_FALSE(checkFlashPlayer(platform(), platform(), sys_, win_, 0));
  EXPECT_FALSE(exists(flash_ + "Flash.ocx"));
  EXPECT_EQ(installerCommandLine(1000), "");
}

}  // namespace
