// DclLibrary's messages as the user sees them: under Wine with the real Win32 platform, the real error
// boxes are found on screen by a watcher thread, their text read back and their "&Abort" button pressed.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/test_platform.h"
#include "installer/error_reporter.h"
#include "package/dcl_library.h"
#include "package/session.h"
#include "platform/system_errors.h"
#include "support/user_texts.h"

namespace mv {
namespace {

// Reads every dialog box of this process: caption and text ("caption: text"), then presses its button.
class BoxWatcher {
 public:
  BoxWatcher() : thread_([this] { run(); }) {}
  ~BoxWatcher() {
    stop_ = true;
    thread_.join();
  }
  std::vector<std::string> seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
  }

 private:
  static std::string textOf(HWND w) {
    char buffer[2048] = {0};
    GetWindowTextA(w, buffer, sizeof buffer);
    return buffer;
  }
  static BOOL CALLBACK topLevel(HWND w, LPARAM param) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[64] = {0};
    GetClassNameA(w, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && IsWindowVisible(w) && std::string(cls) == "#32770")
      reinterpret_cast<std::vector<HWND>*>(param)->push_back(w);
    return TRUE;
  }
  static BOOL CALLBACK child(HWND w, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(w);
    return TRUE;
  }
  void run() {
    while (!stop_) {
      for (auto it = handled_.begin(); it != handled_.end();) it = IsWindow(*it) ? std::next(it) : handled_.erase(it);
      std::vector<HWND> dialogs;
      EnumWindows(topLevel, reinterpret_cast<LPARAM>(&dialogs));
      for (HWND d : dialogs) {
        if (handled_.count(d)) continue;
        std::vector<HWND> children;
        EnumChildWindows(d, child, reinterpret_cast<LPARAM>(&children));
        std::string text;
        HWND button = nullptr;
        for (HWND c : children) {
          char cls[64] = {0};
          GetClassNameA(c, cls, sizeof cls);
          std::string t = textOf(c);
          if (std::string(cls) == "Static" && t.size() > text.size()) text = t;
          if (std::string(cls) == "Button") button = c;
        }
        if (!button) continue;  // not ready yet
        {
          std::lock_guard<std::mutex> lock(mutex_);
          seen_.push_back(textOf(d) + ": " + text);
        }
        handled_.insert(d);
        PostMessageA(button, BM_CLICK, 0, 0);
      }
      Sleep(20);
    }
  }
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> seen_;
  std::set<HWND> handled_;
  std::thread thread_;
};

class CompressorDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    windows_ = std::string(temp) + "mvdcldlg" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(windows_.c_str(), nullptr);
    platform_.windowsFolder = windows_;
    setPlatform(&platform_);
  }
  void TearDown() override {
    setPlatform(nullptr);
    DeleteFileA((windows_ + "\\impborl.dll").c_str());
    RemoveDirectoryA(windows_.c_str());
  }
  void putLibrary(const std::string& bytes) {
    HANDLE h = CreateFileA((windows_ + "\\impborl.dll").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(h);
  }
  std::string windows_;
  testcommon::TestPlatform platform_{false};  // the boxes shown
  // The session the adapter reports to: the installer's error boxes, shown by the real platform.
  ErrorBoxes boxes_{platform_};
  PackageSession session_{boxes_};
};

TEST_F(CompressorDialogTest, DamagedLibraryShowsTheCompressionWarningOnce) {
  putLibrary(std::string(4096, 'M') + "not a library");
  BoxWatcher watcher;
  for (int k = 0; k < 3; ++k) {
    DclLibrary compressor(platform(), session_);
    EXPECT_FALSE(compressor.available());
  }
  std::vector<std::string> seen = watcher.seen();
  ASSERT_EQ(seen.size(), 1u);
  // The static control shows the text as given, with its CR LF pairs.
  EXPECT_EQ(seen[0], std::string("Error: ") + text::compressionProblem + "\r\n\r\n" +
                         errorDescription(platform(), ERROR_BAD_EXE_FORMAT));
  EXPECT_FALSE(errorDescription(platform(), ERROR_BAD_EXE_FORMAT).empty());
}

TEST_F(CompressorDialogTest, MissingLibraryShowsNothing) {
  BoxWatcher watcher;
  for (int k = 0; k < 3; ++k) {
    DclLibrary compressor(platform(), session_);
    EXPECT_FALSE(compressor.available());
  }
  Sleep(100);
  EXPECT_TRUE(watcher.seen().empty());
}

}  // namespace
}  // namespace mv
