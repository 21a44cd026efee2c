// File helpers against the real file system through the Win32 platform (run under Wine): read-only
// files, files held open by someone else, whole trees, links, temporary folders.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"
#include "platform/file_helpers.h"

namespace mv {
namespace {

// The real platform, counting delete attempts.
class CountingPlatform : public Win32Platform {
 public:
  CountingPlatform() : Win32Platform(text::abortButton) {}
  std::map<std::string, int> deletes;
  bool deleteFile(const std::string& path) override {
    deletes[path]++;
    return Win32Platform::deleteFile(path);
  }
};

class FileHelpersWineTest : public ::testing::Test {
 protected:
  CountingPlatform p;
  std::string root;  // a fresh folder, with trailing backslash

  void SetUp() override {
    setPlatform(&p);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    root = std::string(temp) + "mvtest" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial) + "\\";
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr)) << root;
  }
  void TearDown() override {
    (void)deleteFolderTree(p, root);  // clean-up only: what a test left busy stays in TEMP
    setPlatform(nullptr);
  }
  void makeFile(const std::string& path, const char* text = "data") {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD n;
    WriteFile(h, text, DWORD(strlen(text)), &n, nullptr);
    CloseHandle(h);
  }
  void makeFolder(const std::string& path) { ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path; }
  bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
  HANDLE holdWithoutSharing(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
};

TEST_F(FileHelpersWineTest, ReadOnlyFileIsDeletedOnTheSecondTry) {
  std::string f = root + "readonly.txt";
  makeFile(f);
  ASSERT_TRUE(SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(deleteFileForced(p, f), 0);
  EXPECT_FALSE(exists(f));
  EXPECT_EQ(p.deletes[f], 2);
  EXPECT_EQ(deleteFileForced(p, f), 0);  // gone: nothing to do
  EXPECT_EQ(p.deletes[f], 2);
}

TEST_F(FileHelpersWineTest, FileHeldOpenWithoutSharingIsBusy) {
  std::string f = root + "held.txt";
  makeFile(f);
  HANDLE h = holdWithoutSharing(f);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(deleteFileForced(p, f), fileBusyCode);
  EXPECT_TRUE(exists(f));
  CloseHandle(h);
  EXPECT_EQ(deleteFileForced(p, f), 0);
  EXPECT_FALSE(exists(f));
}

TEST_F(FileHelpersWineTest, TreeWithReadOnlyFileTwoLevelsDeepGoesCompletely) {
  std::string t = root + "tree\\";
  makeFolder(t);
  makeFolder(t + "a");
  makeFolder(t + "a\\b");
  makeFile(t + "top.txt");
  makeFile(t + "a\\mid.txt");
  makeFile(t + "a\\b\\deep.txt");
  ASSERT_TRUE(SetFileAttributesA((t + "a\\b\\deep.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesA((t + "a\\b").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(deleteFolderTree(p, t), 0);
  EXPECT_FALSE(exists(t));
}

TEST_F(FileHelpersWineTest, LockedFileKeepsItsFolderAndParentsWhileTheRestGoes) {
  std::string t = root + "tree\\";
  makeFolder(t);
  makeFolder(t + "a");
  makeFolder(t + "a\\locked");
  makeFolder(t + "b");
  makeFile(t + "a\\locked\\busy.dat");
  makeFile(t + "a\\x.txt");
  makeFile(t + "b\\y.txt");
  makeFile(t + "z.txt");
  HANDLE h = holdWithoutSharing(t + "a\\locked\\busy.dat");
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_NE(deleteFolderTree(p, t), 0);
  CloseHandle(h);
  EXPECT_TRUE(exists(t + "a\\locked\\busy.dat"));
  EXPECT_TRUE(exists(t + "a\\locked"));
  EXPECT_TRUE(exists(t + "a"));
  EXPECT_TRUE(exists(t));
  EXPECT_FALSE(exists(t + "a\\x.txt"));
  EXPECT_FALSE(exists(t + "b"));
  EXPECT_FALSE(exists(t + "z.txt"));
  EXPECT_EQ(deleteFolderTree(p, t), 0);  // once released, everything goes
}

// A link to a folder, made the way that works on the system at hand: under Wine a unix symbolic link
// (Wine reports it as a directory with the reparse-point attribute; Wine 8 has neither
// CreateSymbolicLink nor junctions: the first returns success and does nothing, FSCTL_SET_REPARSE_POINT
// fails with 50); on Windows CreateSymbolicLink.
bool makeFolderLink(const std::string& link, const std::string& target) {
  HMODULE k32 = GetModuleHandleA("kernel32.dll");
  typedef char*(CDECL * UnixName)(LPCWSTR);
  auto unixName = reinterpret_cast<UnixName>(reinterpret_cast<void*>(GetProcAddress(k32, "wine_get_unix_file_name")));
  if (unixName) {
    auto unixOf = [&](const std::string& path) {
      wchar_t w[MAX_PATH];
      MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, w, MAX_PATH);
      char* u = unixName(w);
      std::string s = u ? u : "";
      if (u) HeapFree(GetProcessHeap(), 0, u);
      return s;
    };
    std::string cmd = "/bin/ln -s \"" + unixOf(target) + "\" \"" + unixOf(link) + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  } else {
    typedef BOOLEAN(WINAPI * Csl)(LPCSTR, LPCSTR, DWORD);
    auto csl = reinterpret_cast<Csl>(reinterpret_cast<void*>(GetProcAddress(k32, "CreateSymbolicLinkA")));
    if (!csl || !csl(link.c_str(), target.c_str(), 1 /* SYMBOLIC_LINK_FLAG_DIRECTORY */)) return false;
  }
  DWORD a = GetFileAttributesA(link.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST_F(FileHelpersWineTest, LinkInsideATreeLeavesItsTargetIntact) {
  std::string target = root + "target\\";
  makeFolder(target);
  makeFile(target + "precious.txt");
  makeFolder(target + "inner");
  makeFile(target + "inner\\more.txt");
  std::string t = root + "tree\\";
  makeFolder(t);
  makeFile(t + "own.txt");
  if (!makeFolderLink(t + "link", root + "target")) GTEST_SKIP() << "no folder link can be made here";
  ASSERT_EQ(GetFileAttributesA((t + "link").c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));

  Result r = deleteFolderTree(p, t);
  EXPECT_TRUE(exists(target + "precious.txt"));
  EXPECT_TRUE(exists(target + "inner\\more.txt"));
  EXPECT_FALSE(exists(t + "own.txt"));
  // Windows removes the link and then the tree (0). Wine 8's RemoveDirectory refuses a link to a
  // non-empty folder (145), so there the link and the tree stay (-1).
  if (r == 0) {
    EXPECT_FALSE(exists(t));
  } else {
    EXPECT_TRUE(exists(t + "link"));
  }
  DeleteFileA((t + "link").c_str());
}

TEST_F(FileHelpersWineTest, MakeTempFolderNumbersCandidatesUnderTemp) {
  char old[MAX_PATH] = "";
  DWORD had = GetEnvironmentVariableA("TEMP", old, MAX_PATH);
  SetEnvironmentVariableA("TEMP", root.c_str());  // ends with a backslash: no second one
  std::string f1, f2, f3;
  EXPECT_EQ(makeTempFolder(p, p, "FlashPanel", f1), 0);
  EXPECT_EQ(makeTempFolder(p, p, "FlashPanel", f2), 0);
  EXPECT_EQ(makeTempFolder(p, p, "FlashPanel", f3), 0);
  EXPECT_EQ(f1, root + "FlashPanel\\");
  EXPECT_EQ(f2, root + "FlashPanel1\\");
  EXPECT_EQ(f3, root + "FlashPanel2\\");
  EXPECT_TRUE(exists(f3));

  SetEnvironmentVariableA("TEMP", "");
  std::string f4;
  EXPECT_EQ(makeTempFolder(p, p, "MVVA", f4), 0);
  char sysTemp[MAX_PATH];
  GetTempPathA(MAX_PATH, sysTemp);
  EXPECT_EQ(f4.compare(0, strlen(sysTemp), sysTemp), 0) << f4;
  RemoveDirectoryA(f4.c_str());
  SetEnvironmentVariableA("TEMP", had ? old : nullptr);
}

TEST_F(FileHelpersWineTest, WindowsFolderAndFolderChains) {
  char win[MAX_PATH];
  GetWindowsDirectoryA(win, MAX_PATH);
  char old[MAX_PATH] = "";
  DWORD had = GetEnvironmentVariableA("WINDIR", old, MAX_PATH);
  SetEnvironmentVariableA("WINDIR", nullptr);
  EXPECT_EQ(windowsFolderFromEnvironment(p), std::string(win) + "\\");
  SetEnvironmentVariableA("WINDIR", "C:\\Other\\");
  EXPECT_EQ(windowsFolderFromEnvironment(p), "C:\\Other\\");
  SetEnvironmentVariableA("WINDIR", had ? old : nullptr);

  forceFolders(p, root + "x\\y\\z\\");
  EXPECT_TRUE(exists(root + "x\\y\\z"));
  forceFolders(p, "Q:\\no\\such\\drive\\");  // ends without looping
  EXPECT_FALSE(exists("Q:\\no"));
}

}  // namespace
}  // namespace mv
