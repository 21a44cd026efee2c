// File helpers on the host platform: read-only and busy files, whole trees, links, folder chains,
// temporary folders and the Windows folder from the environment.
#include "platform/file_helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/host/host_platform.h"

namespace mv {
namespace {

class FileHelpersTest : public ::testing::Test {
 protected:
  HostSandbox box;
  HostPlatform& p = box.platform();
  void file(const std::string& path, const std::string& bytes = "x") { ASSERT_TRUE(p.writeWholeFile(path, bytes)) << path; }
  void folder(const std::string& path) { ASSERT_TRUE(p.createDirectory(path)) << path; }
};

TEST_F(FileHelpersTest, WindowsFolderFromEnvironment) {
  EXPECT_EQ(windowsFolderFromEnvironment(p), "C:\\WINDOWS\\");
  p.setEnv("WINDIR", "D:\\WINNT\\");
  EXPECT_EQ(windowsFolderFromEnvironment(p), "D:\\WINNT\\");  // no second backslash
  p.setEnv("WINDIR", "");
  EXPECT_EQ(windowsFolderFromEnvironment(p), "C:\\WINDOWS\\");
  p.unsetEnv("WINDIR");
  p.setWindowsDirectory("E:\\WIN");
  EXPECT_EQ(windowsFolderFromEnvironment(p), "E:\\WIN\\");
}

// The helpers work on the topic they are handed: with no process-wide platform installed (platform()
// would end the program) they still see and change the sandbox.
TEST_F(FileHelpersTest, WorkOnTheTopicHandedInWithoutAProcessPlatform) {
  folder("C:\\TEMP\\tree");
  folder("C:\\TEMP\\tree\\deep");
  file("C:\\TEMP\\tree\\deep\\f");
  setPlatform(nullptr);
  EXPECT_TRUE(fileExists(p, "C:\\TEMP\\tree\\deep\\f"));
  EXPECT_EQ(fileSizeOf(p, "C:\\TEMP\\tree\\deep\\f"), 1);
  forceFolders(p, "C:\\TEMP\\made\\here\\");
  EXPECT_TRUE(folderExists(p, "C:\\TEMP\\made\\here\\"));
  EXPECT_EQ(deleteFolderTree(p, "C:\\TEMP\\tree\\"), 0);
  EXPECT_FALSE(folderExists(p, "C:\\TEMP\\tree\\"));
  std::string made;
  EXPECT_EQ(makeTempFolder(p, p, "MV", made), 0);
  EXPECT_TRUE(folderExists(p, made));
  EXPECT_EQ(windowsFolderFromEnvironment(p), "C:\\WINDOWS\\");
  setPlatform(&p);
}

TEST_F(FileHelpersTest, ExistenceTellsFilesFromFolders) {
  file("C:\\TEMP\\f");
  EXPECT_TRUE(fileExists(p, "C:\\TEMP\\F"));
  EXPECT_FALSE(folderExists(p, "C:\\TEMP\\f"));
  EXPECT_TRUE(folderExists(p, "C:\\TEMP\\"));
  EXPECT_FALSE(fileExists(p, "C:\\TEMP"));
  EXPECT_FALSE(fileExists(p, ""));
  EXPECT_FALSE(folderExists(p, ""));
}

TEST_F(FileHelpersTest, DeleteFileForced) {
  EXPECT_EQ(deleteFileForced(p, "C:\\TEMP\\missing"), 0);
  EXPECT_EQ(p.deleteAttempts("C:\\TEMP\\missing"), 0);

  file("C:\\TEMP\\ro");
  p.setAttributes("C:\\TEMP\\ro", attr::readOnly | attr::hidden | attr::system);
  EXPECT_EQ(deleteFileForced(p, "C:\\TEMP\\ro"), 0);
  EXPECT_FALSE(fileExists(p, "C:\\TEMP\\ro"));
  EXPECT_EQ(p.deleteAttempts("C:\\TEMP\\ro"), 2);  // the second try, after clearing the attributes

  file("C:\\TEMP\\busy");
  p.setBusy("C:\\TEMP\\busy");
  EXPECT_EQ(deleteFileForced(p, "C:\\TEMP\\busy"), fileBusyCode);
  EXPECT_TRUE(fileExists(p, "C:\\TEMP\\busy"));

  folder("C:\\TEMP\\dir");
  EXPECT_EQ(deleteFileForced(p, "C:\\TEMP\\dir"), 0);  // a folder counts as no file and stays
  EXPECT_TRUE(folderExists(p, "C:\\TEMP\\dir"));
}

TEST_F(FileHelpersTest, DeleteFolderTreeBoundaries) {
  EXPECT_EQ(deleteFolderTree(p, ""), rc::folderFailed);
  EXPECT_TRUE(folderExists(p, "C:\\TEMP"));
  EXPECT_EQ(deleteFolderTree(p, "C:\\TEMP\\nothing\\"), 0);
  folder("C:\\TEMP\\plain");
  EXPECT_EQ(deleteFolderTree(p, "C:\\TEMP\\plain"), 0);  // without the trailing backslash
  EXPECT_FALSE(folderExists(p, "C:\\TEMP\\plain"));
}

TEST_F(FileHelpersTest, DeleteFolderTreeRemovesReadOnlyEntriesAtDepth) {
  folder("C:\\T");
  folder("C:\\T\\a");
  folder("C:\\T\\a\\b");
  file("C:\\T\\top.txt");
  file("C:\\T\\a\\b\\deep.txt");
  p.setAttributes("C:\\T\\a\\b\\deep.txt", attr::readOnly);
  p.setAttributes("C:\\T\\a\\b", attr::readOnly | attr::hidden);
  EXPECT_EQ(deleteFolderTree(p, "C:\\T\\"), 0);
  EXPECT_EQ(p.getAttributes("C:\\T"), attr::invalid);
}

TEST_F(FileHelpersTest, LockedFileKeepsItsFolderChainAndLaterEntries) {
  folder("C:\\T");
  folder("C:\\T\\a");
  folder("C:\\T\\a\\locked");
  folder("C:\\T\\b");
  file("C:\\T\\a\\locked\\1.txt");
  file("C:\\T\\a\\locked\\2.txt");
  file("C:\\T\\a\\locked\\3.txt");
  file("C:\\T\\a\\x.txt");
  file("C:\\T\\b\\y.txt");
  file("C:\\T\\z.txt");
  p.setBusy("C:\\T\\a\\locked\\2.txt");
  EXPECT_NE(deleteFolderTree(p, "C:\\T\\"), 0);
  EXPECT_FALSE(fileExists(p, "C:\\T\\a\\locked\\1.txt"));
  EXPECT_TRUE(fileExists(p, "C:\\T\\a\\locked\\2.txt"));
  EXPECT_TRUE(fileExists(p, "C:\\T\\a\\locked\\3.txt"));  // delivered after the locked one
  EXPECT_FALSE(fileExists(p, "C:\\T\\a\\x.txt"));
  EXPECT_FALSE(folderExists(p, "C:\\T\\b"));
  EXPECT_FALSE(fileExists(p, "C:\\T\\z.txt"));
  EXPECT_TRUE(folderExists(p, "C:\\T\\a\\locked"));
  EXPECT_TRUE(folderExists(p, "C:\\T\\a"));
  EXPECT_TRUE(folderExists(p, "C:\\T"));
}

TEST_F(FileHelpersTest, BusyFileAtTheTopStopsThatFolder) {
  folder("C:\\T");
  file("C:\\T\\a.txt");
  file("C:\\T\\b.txt");
  p.setBusy("C:\\T\\a.txt");
  EXPECT_EQ(deleteFolderTree(p, "C:\\T\\"), fileBusyCode);
  EXPECT_TRUE(fileExists(p, "C:\\T\\b.txt"));
}

TEST_F(FileHelpersTest, LinksInsideATreeGoButTheirTargetsStay) {
  folder("C:\\keep");
  file("C:\\keep\\precious.txt");
  folder("C:\\T");
  file("C:\\T\\own.txt");
  ASSERT_EQ(symlink((box.root() + "/C/keep").c_str(), (box.root() + "/C/T/link").c_str()), 0);
  ASSERT_EQ(symlink((box.root() + "/C/keep/precious.txt").c_str(), (box.root() + "/C/T/filelink").c_str()), 0);
  EXPECT_EQ(deleteFolderTree(p, "C:\\T\\"), 0);
  EXPECT_FALSE(folderExists(p, "C:\\T"));
  EXPECT_TRUE(fileExists(p, "C:\\keep\\precious.txt"));

  // A tree that is itself a link: the link goes, the target stays whole.
  ASSERT_EQ(symlink((box.root() + "/C/keep").c_str(), (box.root() + "/C/alias").c_str()), 0);
  EXPECT_EQ(deleteFolderTree(p, "C:\\alias\\"), 0);
  EXPECT_EQ(p.getAttributes("C:\\alias"), attr::invalid);
  EXPECT_TRUE(fileExists(p, "C:\\keep\\precious.txt"));
}

// The installed size: every file at every depth, a link's target not counted (it is not ours).
TEST_F(FileHelpersTest, FolderTreeBytesCountsFilesAtDepthButNotThroughLinks) {
  EXPECT_EQ(folderTreeBytes(p, "C:\\none\\"), 0u);
  EXPECT_EQ(folderTreeBytes(p, ""), 0u);
  folder("C:\\keep");
  file("C:\\keep\\big.bin", std::string(5000, 'k'));
  folder("C:\\T");
  folder("C:\\T\\a");
  folder("C:\\T\\a\\b");
  file("C:\\T\\top.txt", std::string(100, 't'));
  file("C:\\T\\a\\b\\deep.txt", std::string(2000, 'd'));
  file("C:\\T\\a\\empty.txt", "");
  ASSERT_EQ(symlink((box.root() + "/C/keep").c_str(), (box.root() + "/C/T/link").c_str()), 0);
  EXPECT_EQ(folderTreeBytes(p, "C:\\T\\"), 2100u);
  EXPECT_EQ(folderTreeBytes(p, "C:\\T"), 2100u);  // with or without the trailing backslash
}

TEST_F(FileHelpersTest, ForceFoldersCreatesTheChain) {
  forceFolders(p, "C:\\WINDOWS\\Web\\Wallpaper\\Title dir\\sub\\");
  EXPECT_TRUE(folderExists(p, "C:\\WINDOWS\\Web\\Wallpaper\\Title dir\\sub"));
  forceFolders(p, "c:\\windows\\WEB\\new");  // existing components in another case
  EXPECT_TRUE(folderExists(p, "C:\\WINDOWS\\Web\\new"));
  forceFolders(p, "Q:\\a\\b\\c\\");  // no drive Q: ends, nothing created
  EXPECT_FALSE(folderExists(p, "Q:\\a"));
  forceFolders(p, "");
  forceFolders(p, "relative\\x\\");
}

TEST_F(FileHelpersTest, MakeTempFolderNumbersCandidates) {
  std::string f;
  ASSERT_EQ(makeTempFolder(p, p, "FlashPanel", f), 0);
  EXPECT_EQ(f, "C:\\TEMP\\FlashPanel\\");
  ASSERT_EQ(makeTempFolder(p, p, "FlashPanel", f), 0);
  EXPECT_EQ(f, "C:\\TEMP\\FlashPanel1\\");
  ASSERT_EQ(makeTempFolder(p, p, "FlashPanel", f), 0);
  EXPECT_EQ(f, "C:\\TEMP\\FlashPanel2\\");
  EXPECT_TRUE(folderExists(p, "C:\\TEMP\\FlashPanel2"));

  p.setEnv("TEMP", "C:\\TEMP\\");  // no second backslash
  ASSERT_EQ(makeTempFolder(p, p, "MVVA", f), 0);
  EXPECT_EQ(f, "C:\\TEMP\\MVVA\\");

  p.unsetEnv("TEMP");
  folder("C:\\SYSTEMP");
  p.setTempPath("C:\\SYSTEMP\\");
  ASSERT_EQ(makeTempFolder(p, p, "MVVA", f), 0);
  EXPECT_EQ(f, "C:\\SYSTEMP\\MVVA\\");
  p.setEnv("TEMP", "");
  ASSERT_EQ(makeTempFolder(p, p, "MVVA", f), 0);
  EXPECT_EQ(f, "C:\\SYSTEMP\\MVVA1\\");
}

TEST_F(FileHelpersTest, MakeTempFolderGivesUpOnAMissingTempFolder) {
  p.setEnv("TEMP", "C:\\gone");
  std::string f;
  EXPECT_EQ(makeTempFolder(p, p, "MVVA", f), oserr::pathNotFound);
  EXPECT_EQ(f, "C:\\gone\\MVVA9999");  // the last candidate tried
}

// The one whole-file reader: the bytes, or why a file could not be read and whether it was opened.
TEST_F(FileHelpersTest, ReadWholeFileReadsFilesAndSaysWhyOneCannotBeRead) {
  const std::string path = "C:\\TEMP\\licence.txt";
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 + i / 251);
  file(path, bytes);
  FileBytes read;
  ASSERT_EQ(readWholeFile(p, path, UINT64_MAX, read), 0);
  EXPECT_EQ(read.text(), bytes);
  EXPECT_EQ(readWholeFile(p, path, bytes.size() - 1, read), oserr::notEnoughMemory);  // over the bound
  EXPECT_TRUE(read.opened);
  EXPECT_EQ(readWholeFile(p, path, bytes.size(), read), 0);

  file(path, "");
  ASSERT_EQ(readWholeFile(p, path, UINT64_MAX, read), 0);
  EXPECT_EQ(read.size, 0u);
  EXPECT_NE(read.data, nullptr);

  EXPECT_EQ(readWholeFile(p, "C:\\TEMP\\missing.txt", UINT64_MAX, read), oserr::fileNotFound);
  EXPECT_FALSE(read.opened);
  file(path, bytes);
  p.failOpen(path, oserr::sharingViolation);
  EXPECT_EQ(readWholeFile(p, path, UINT64_MAX, read), oserr::sharingViolation);
  EXPECT_FALSE(read.opened);
  p.failOpen(path, 0);
  p.failIo(path, oserr::readFault);
  EXPECT_EQ(readWholeFile(p, path, UINT64_MAX, read), oserr::readFault);
  EXPECT_TRUE(read.opened);
  EXPECT_EQ(read.size, 0u);  // nothing is handed back from a failed read
  EXPECT_EQ(read.data, nullptr);
}

}  // namespace
}  // namespace mv
