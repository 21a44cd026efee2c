// The Flash Player decision on the host platform: version resources from the platform's table.
#include <gtest/gtest.h>

#include "flash/flash_player.h"
#include "platform/host/host_platform.h"
#include "platform/file_helpers.h"

using namespace mv;

namespace {

const char kFlashOcx[] = "C:\\WINDOWS\\system32\\Macromed\\Flash\\Flash.ocx";
const char kSwflashOcx[] = "C:\\WINDOWS\\system32\\Macromed\\Flash\\swflash.ocx";
const char kInstaller[] = "C:\\WINDOWS\\flashax.exe";
const char kWindows[] = "C:\\WINDOWS\\";
const char kSystem[] = "C:\\WINDOWS\\system32\\";

uint32_t ms(int a, int b) { return uint32_t(a) << 16 | uint32_t(b); }

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {

    sb->createDirectory("C:\\WINDOWS\\system32\\Macromed");
    sb->createDirectory("C:\\WINDOWS\\system32\\Macromed\\Flash");
    ASSERT_TRUE(sb->writeWholeFile(kInstaller, "MZ"));
    // What the installer sees of the control file the moment it starts.
    sb->onShellExecute = [this](const HostPlatform::ShellCall&) {
      controlPresentAtLaunch = fileExists(platform(), kFlashOcx) || fileExists(platform(), kSwflashOcx);
    };
  }

  void control(const char* path, int a, int b, int c, int d) {
    ASSERT_TRUE(sb->writeWholeFile(path, "MZ control"));
    sb->setFileVersion(path, ms(a, b), ms(c, d));
  }

  HostSandbox sb;
  bool controlPresentAtLaunch = false;
};

struct Row {
  const char* what;
  int a, b, c, d;  // file version of Flash.ocx; a < 0: no file; a == 99: a file without version
  bool started, removed;
};

TEST_F(PlayerTest, DecisionTable) {
  const Row rows[] = {
      {"no control", -1, 0, 0, 0, true, false},
      {"no version resource", 99, 0, 0, 0, true, false},
      {"5.0.30.0", 5, 0, 30, 0, true, false},
      {"6.0.79.0", 6, 0, 79, 0, false, false},
      {"6.0.47.0", 6, 0, 47, 0, true, true},
      {"6.1.79.0 (minor ignored)", 6, 1, 79, 0, false, false},
      // Newer than the bundled version 6: never replaced by it.
      {"7.0.19.0", 7, 0, 19, 0, false, false},
      {"32.0.0.465", 32, 0, 0, 465, false, false},
      {"65535.0.0.0", 65535, 0, 0, 0, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    sb->shellCalls.clear();
    sb->deleteFile(kFlashOcx);
    if (r.a == 99)
      ASSERT_TRUE(sb->writeWholeFile(kFlashOcx, "no resource"));
    else if (r.a >= 0)
      control(kFlashOcx, r.a, r.b, r.c, r.d);

    EXPECT_FALSE(checkFlashPlayer(sb.platform(), sb.platform(), kSystem, kWindows, 0x77));  // no restart pending
    ASSERT_EQ(sb->shellCalls.size(), r.started ? 1u : 0u);
    if (r.started) {
      const HostPlatform::ShellCall& call = sb->shellCalls[0];
      EXPECT_EQ(call.file, kInstaller);
      EXPECT_EQ(call.parameters, "/Q");
      EXPECT_EQ(call.verb, "");
      EXPECT_EQ(call.directory, "");
      EXPECT_EQ(call.show, 0);  // SW_HIDE
      EXPECT_EQ(call.owner, 0x77u);
      EXPECT_FALSE(r.removed && controlPresentAtLaunch) << "the old control was still there when the installer started";
    }
    EXPECT_EQ(fileExists(platform(), kFlashOcx), r.a >= 0 && !r.removed);
  }
}

TEST_F(PlayerTest, SwflashIsReadOnlyWhenFlashOcxIsAbsent) {
  control(kSwflashOcx, 6, 0, 79, 0);
  FlashVersion v = readFlashVersion(sb.platform(), kSystem);
  EXPECT_EQ(v.major, 6);
  EXPECT_EQ(v.release, 79);
  checkFlashPlayer(sb.platform(), sb.platform(), kSystem, kWindows, 0);
  EXPECT_TRUE(sb->shellCalls.empty());

  control(kFlashOcx, 5, 0, 42, 0);  // Flash.ocx wins when both exist
  v = readFlashVersion(sb.platform(), kSystem);
  EXPECT_EQ(v.major, 5);
  EXPECT_EQ(v.release, 42);

  sb->deleteFile(kFlashOcx);
  control(kSwflashOcx, 32, 0, 0, 465);
  checkFlashPlayer(sb.platform(), sb.platform(), kSystem, kWindows, 0);
  EXPECT_TRUE(sb->shellCalls.empty());
  EXPECT_TRUE(fileExists(platform(), kSwflashOcx));

  control(kSwflashOcx, 6, 0, 47, 0);
  checkFlashPlayer(sb.platform(), sb.platform(), kSystem, kWindows, 0);
  EXPECT_EQ(sb->shellCalls.size(), 1u);
  EXPECT_FALSE(fileExists(platform(), kSwflashOcx));
}

TEST_F(PlayerTest, ReadFileVersionLeavesValuesAloneWithoutResource) {
  int major = 11, release = 22;
  readFileVersion(sb.platform(), "C:\\WINDOWS\\nothing.ocx", major, release);
  EXPECT_EQ(major, 11);
  EXPECT_EQ(release, 22);
  control(kFlashOcx, 6, 3, 79, 4);
  readFileVersion(sb.platform(), kFlashOcx, major, release);
  EXPECT_EQ(major, 6);
  EXPECT_EQ(release, 79);
}

TEST_F(PlayerTest, BusyControlFileMakesRestartPending) {
  control(kFlashOcx, 6, 0, 47, 0);
  sb->setBusy(kFlashOcx);
  EXPECT_TRUE(checkFlashPlayer(sb.platform(), sb.platform(), kSystem, kWindows, 0));  // restart pending
  EXPECT_EQ(sb->shellCalls.size(), 1u);
  EXPECT_TRUE(fileExists(platform(), kFlashOcx));
}

// A newer control in use is not touched at all: no deletion is tried, so no restart is pending.
TEST_F(PlayerTest, BusyNewerControlIsLeftAlone) {
  control(kFlashOcx, 7, 0, 19, 0);
  sb->setBusy(kFlashOcx);
  EXPECT_FALSE(checkFlashPlayer(sb.platform(), sb.platform(), kSystem, kWindows, 0));
  EXPECT_TRUE(sb->shellCalls.empty());
  EXPECT_TRUE(fileExists(platform(), kFlashOcx));
  EXPECT_EQ(sb->deleteAttempts(kFlashOcx), 0);
}

TEST_F(PlayerTest, RunFlashInstallerResults) {
  sb->shellExecuteResult = 33;
  EXPECT_EQ(runFlashInstaller(sb.platform(), sb.platform(), kWindows, 0), 0);
  sb->shellExecuteResult = 32;
  EXPECT_EQ(runFlashInstaller(sb.platform(), sb.platform(), kWindows, 0), 32);
  sb->shellExecuteResult = 2;
  EXPECT_EQ(runFlashInstaller(sb.platform(), sb.platform(), kWindows, 0), 2);
  sb->shellExecuteResult = 0;
  EXPECT_EQ(runFlashInstaller(sb.platform(), sb.platform(), kWindows, 0), -7);
  sb->deleteFile(kInstaller);
  EXPECT_EQ(runFlashInstaller(sb.platform(), sb.platform(), kWindows, 0), -401);
  EXPECT_EQ(sb->shellCalls.size(), 4u);

  // A missing installer changes nothing else and is no error for the decision.
  control(kFlashOcx, 6, 0, 47, 0);
  EXPECT_FALSE(checkFlashPlayer(sb.platform(), sb.platform(), kSystem, kWindows, 0));
  EXPECT_FALSE(fileExists(sb.platform(), kFlashOcx));
  EXPECT_EQ(sb->shellCalls.size(), 4u);
}

TEST_F(PlayerTest, RemoveFlashControlFile) {
  EXPECT_FALSE(removeFlashControlFile(sb.platform(), kSystem));
  control(kFlashOcx, 6, 0, 79, 0);
  control(kSwflashOcx, 6, 0, 79, 0);
  EXPECT_FALSE(removeFlashControlFile(sb.platform(), kSystem));
  EXPECT_FALSE(fileExists(sb.platform(), kFlashOcx));
  EXPECT_TRUE(fileExists(sb.platform(), kSwflashOcx));  // one file per call
  sb->setBusy(kSwflashOcx);
  EXPECT_TRUE(removeFlashControlFile(sb.platform(), kSystem));
}

}  // namespace
