// The host platform must behave like Win32 where the installer's rules depend on it: codes, case
// folding, read-only files, sharing, enumeration, links; and its recordings must be faithful.
#include "platform/host/host_platform.h"
#include "platform/system_errors.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

namespace mv {
namespace {

class HostPlatformTest : public ::testing::Test {
 protected:
  HostSandbox box;
  HostPlatform& p = box.platform();

  void write(const std::string& path, const std::string& bytes) { ASSERT_TRUE(p.writeWholeFile(path, bytes)) << path; }
  std::vector<std::string> names(const std::string& pattern) {
    std::vector<FindEntry> entries;
    std::vector<std::string> out;
    if (p.findFiles(pattern, entries))
      for (auto& e : entries) out.push_back(e.name);
    return out;
  }
};

// One way to the system's error texts; each message keeps as much of the text's end as it shows.
TEST_F(HostPlatformTest, SystemErrorMessageCutsTheEndAsAsked) {
  p.setSystemErrorText(1234, "Odd text. . \r\n\t..");
  p.setSystemErrorText(5, "Access is denied.\r\n");
  EXPECT_EQ(systemErrorMessage(p, 5), "Access is denied");
  EXPECT_EQ(systemErrorMessage(p, 5, SystemTextEnd::KeepPeriod), "Access is denied.");
  EXPECT_EQ(systemErrorMessage(p, 5, SystemTextEnd::AsGiven), "Access is denied.\r\n");
  EXPECT_EQ(systemErrorMessage(p, 1234), "Odd text");
  EXPECT_EQ(systemErrorMessage(p, 1234, SystemTextEnd::KeepPeriod), "Odd text. . \r\n\t..");
  EXPECT_EQ(systemErrorMessage(p, 99999), "");
  // A negative code has a text of its own here (an HRESULT); only the error description ignores them.
  p.setSystemErrorText(-2147221164, "Class not registered\r\n");
  EXPECT_EQ(systemErrorMessage(p, -2147221164), "Class not registered");
  EXPECT_EQ(errorDescription(p, -2147221164), "");
  // The code of a failed read or write: the system's, or a short transfer when it recorded none.
  p.setLastError(0);
  EXPECT_EQ(lastIoError(p), rc::shortIo);
  p.setLastError(oserr::diskFull);
  EXPECT_EQ(lastIoError(p), oserr::diskFull);
}

TEST_F(HostPlatformTest, StartsWithWindowsFoldersAndEnvironment) {
  EXPECT_EQ(p.windowsDirectory(), "C:\\WINDOWS");
  EXPECT_EQ(p.systemDirectory(), "C:\\WINDOWS\\system32");
  EXPECT_EQ(p.tempPath(), "C:\\TEMP\\");
  EXPECT_TRUE(p.getAttributes("C:\\WINDOWS\\system32") & attr::directory);
  EXPECT_TRUE(p.getAttributes("c:\\temp") & attr::directory);
  std::string v;
  ASSERT_TRUE(p.getEnv("temp", v));
  EXPECT_EQ(v, "C:\\TEMP");
  ASSERT_TRUE(p.getEnv("WINDIR", v));
  EXPECT_EQ(v, "C:\\WINDOWS");
  p.unsetEnv("Temp");
  EXPECT_FALSE(p.getEnv("TEMP", v));
  p.setEnv("TEMP", "D:\\x");
  ASSERT_TRUE(p.getEnv("TEMP", v));
  EXPECT_EQ(v, "D:\\x");
}

TEST_F(HostPlatformTest, PathsResolveExistingComponentsIgnoringCase) {
  ASSERT_TRUE(p.createDirectory("C:\\WINDOWS\\Web"));
  ASSERT_TRUE(p.createDirectory("C:\\windows\\WEB\\Wallpaper"));
  write("C:\\Windows\\web\\WALLPAPER\\Page.html", "x");
  EXPECT_EQ(p.hostPath("c:\\WINDOWS\\WEB\\wallpaper\\page.HTML"), box.root() + "/C/WINDOWS/Web/Wallpaper/Page.html");
  EXPECT_EQ(p.hostPath("C:/WINDOWS/Web/./x/../Wallpaper"), box.root() + "/C/WINDOWS/Web/Wallpaper");
  EXPECT_EQ(p.getAttributes("C:\\WINDOWS\\WEB\\Wallpaper\\"), attr::directory);
  EXPECT_FALSE(p.createDirectory("C:\\WINDOWS\\WEB\\WALLPAPER"));
  EXPECT_EQ(p.lastError(), oserr::alreadyExists);
  EXPECT_EQ(p.getAttributes("C:\\a?b"), attr::invalid);
}

TEST_F(HostPlatformTest, NamesBeyondAsciiAreFoundIgnoringCaseToo) {
  ASSERT_TRUE(p.createDirectory("C:\\Temp\\José Ωμέγα Дмитрий"));  // in the sandbox's C:\\TEMP
  write("C:\\Temp\\José Ωμέγα Дмитрий\\Café.txt", "x");
  EXPECT_EQ(p.hostPath("C:\\TEMP\\JOSÉ ΩΜΈΓΑ ДМИТРИЙ\\CAFÉ.TXT"), box.root() + "/C/TEMP/José Ωμέγα Дмитрий/Café.txt");
  EXPECT_FALSE(p.createDirectory("c:\\temp\\josé ωμέγα дмитрий"));
  EXPECT_EQ(p.lastError(), oserr::alreadyExists);
  std::vector<FindEntry> found;
  ASSERT_TRUE(p.findFiles("C:\\Temp\\*.*", found));
  EXPECT_EQ(found.back().name, "José Ωμέγα Дмитрий");
  p.setEnv("Ωμέγα", "1");
  std::string v;
  EXPECT_TRUE(p.getEnv("ΩΜΈΓΑ", v));
}

TEST_F(HostPlatformTest, CreateAndRemoveDirectoryCodes) {
  EXPECT_FALSE(p.createDirectory("C:\\missing\\child"));
  EXPECT_EQ(p.lastError(), oserr::pathNotFound);
  EXPECT_FALSE(p.createDirectory("Q:\\x"));
  EXPECT_EQ(p.lastError(), oserr::pathNotFound);
  ASSERT_TRUE(p.createDirectory("C:\\d"));
  write("C:\\d\\f", "1");
  EXPECT_FALSE(p.removeDirectory("C:\\d"));
  EXPECT_EQ(p.lastError(), oserr::dirNotEmpty);
  EXPECT_FALSE(p.removeDirectory("C:\\nothing"));
  EXPECT_EQ(p.lastError(), oserr::fileNotFound);
  ASSERT_TRUE(p.deleteFile("C:\\d\\f"));
  ASSERT_TRUE(p.setAttributes("C:\\d", attr::readOnly));
  EXPECT_FALSE(p.removeDirectory("C:\\d"));
  EXPECT_EQ(p.lastError(), oserr::accessDenied);
  ASSERT_TRUE(p.setAttributes("C:\\d", attr::normal));
  EXPECT_TRUE(p.removeDirectory("C:\\d"));
  p.failCreateDirectory("C:\\TEMP\\no", 5);
  EXPECT_FALSE(p.createDirectory("c:\\temp\\NO"));
  EXPECT_EQ(p.lastError(), 5);
}

TEST_F(HostPlatformTest, ReadOnlyFilesResistDeletionAndWriting) {
  write("C:\\TEMP\\ro.txt", "abc");
  EXPECT_EQ(p.getAttributes("C:\\TEMP\\ro.txt"), attr::archive);
  ASSERT_TRUE(p.setAttributes("C:\\TEMP\\ro.txt", attr::readOnly | attr::hidden));
  EXPECT_EQ(p.getAttributes("C:\\TEMP\\RO.TXT"), attr::readOnly | attr::hidden);
  EXPECT_FALSE(p.deleteFile("C:\\TEMP\\ro.txt"));
  EXPECT_EQ(p.lastError(), oserr::accessDenied);
  EXPECT_EQ(p.open("C:\\TEMP\\ro.txt", OpenMode::ReadWrite), nullptr);
  EXPECT_EQ(p.lastError(), oserr::accessDenied);
  EXPECT_NE(p.open("C:\\TEMP\\ro.txt", OpenMode::Read), nullptr);
  ASSERT_TRUE(p.setAttributes("C:\\TEMP\\ro.txt", attr::normal));
  EXPECT_EQ(p.getAttributes("C:\\TEMP\\ro.txt"), attr::normal);
  EXPECT_TRUE(p.deleteFile("C:\\TEMP\\ro.txt"));
  EXPECT_FALSE(p.deleteFile("C:\\TEMP\\ro.txt"));
  EXPECT_EQ(p.lastError(), oserr::fileNotFound);
  EXPECT_FALSE(p.deleteFile("C:\\TEMP\\gone\\ro.txt"));
  EXPECT_EQ(p.lastError(), oserr::pathNotFound);
  EXPECT_EQ(p.deleteAttempts("c:\\temp\\RO.txt"), 3);
}

TEST_F(HostPlatformTest, BusyFilesAndOpenHandlesGiveSharingViolations) {
  write("C:\\TEMP\\b", "abc");
  p.setBusy("C:\\TEMP\\B");
  EXPECT_FALSE(p.deleteFile("C:\\TEMP\\b"));
  EXPECT_EQ(p.lastError(), oserr::sharingViolation);
  EXPECT_EQ(p.open("C:\\TEMP\\b", OpenMode::CreateWrite), nullptr);
  EXPECT_EQ(p.lastError(), oserr::sharingViolation);
  EXPECT_NE(p.open("C:\\TEMP\\b", OpenMode::Read), nullptr);
  p.setBusy("C:\\TEMP\\b", false);

  auto reader = p.open("C:\\TEMP\\b", OpenMode::ReadDenyWrite);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(p.openFileCount(), 1);
  EXPECT_FALSE(p.deleteFile("C:\\TEMP\\b"));
  EXPECT_EQ(p.lastError(), oserr::sharingViolation);
  EXPECT_EQ(p.open("C:\\TEMP\\b", OpenMode::ReadWrite), nullptr);
  EXPECT_NE(p.open("C:\\TEMP\\b", OpenMode::ReadDenyWrite), nullptr);
  EXPECT_NE(p.open("C:\\TEMP\\b", OpenMode::Read), nullptr);  // reads only: compatible with the reader
  EXPECT_TRUE(reader->close());
  EXPECT_EQ(p.openFileCount(), 0);
  EXPECT_TRUE(p.deleteFile("C:\\TEMP\\b"));
}

TEST_F(HostPlatformTest, FilesReadWriteSeekAndFaults) {
  EXPECT_EQ(p.open("C:\\TEMP\\new", OpenMode::Read), nullptr);
  EXPECT_EQ(p.lastError(), oserr::fileNotFound);
  EXPECT_EQ(p.open("C:\\TEMP\\no\\new", OpenMode::CreateWrite), nullptr);
  EXPECT_EQ(p.lastError(), oserr::pathNotFound);
  auto f = p.open("C:\\TEMP\\new", OpenMode::CreateWrite);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->write("hello world", 11), 11);
  char buf[16];
  EXPECT_EQ(f->read(buf, 4), -1);
  EXPECT_EQ(p.lastError(), oserr::accessDenied);
  EXPECT_TRUE(f->close());
  f = p.open("C:\\TEMP\\NEW", OpenMode::Read);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->size(), 11);
  EXPECT_TRUE(f->seek(6));
  EXPECT_EQ(f->read(buf, 16), 5);
  EXPECT_EQ(std::string(buf, 5), "world");
  EXPECT_EQ(f->read(buf, 16), 0);
  f.reset();

  p.failIo("C:\\TEMP\\new", oserr::readFault);
  f = p.open("C:\\TEMP\\new", OpenMode::Read);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->read(buf, 4), -1);
  EXPECT_EQ(p.lastError(), oserr::readFault);
  f.reset();
  p.failIo("C:\\TEMP\\new", 0);
  p.failOpen("C:\\TEMP\\new", 4);
  EXPECT_EQ(p.open("C:\\TEMP\\new", OpenMode::Read), nullptr);
  EXPECT_EQ(p.lastError(), 4);
  p.failOpen("C:\\TEMP\\new", 0);

  // A full disk: the write that does not fit fails with 112, as WriteFile does, though its first
  // bytes reached the file; later writes fail at once.
  p.limitWrites("C:\\TEMP\\full", 5);
  f = p.open("C:\\TEMP\\full", OpenMode::CreateWrite);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->write("0123456789", 10), -1);
  EXPECT_EQ(p.lastError(), oserr::diskFull);
  EXPECT_EQ(f->write("x", 1), -1);
  f.reset();
  std::string bytes;
  ASSERT_TRUE(p.readWholeFile("C:\\TEMP\\full", bytes));
  EXPECT_EQ(bytes, "01234");

  // The same limit stops a copy to the file.
  write("C:\\TEMP\\source", std::string(100, 's'));
  p.setLastError(0);
  EXPECT_FALSE(p.copyFile("C:\\TEMP\\source", "C:\\TEMP\\full", false));
  EXPECT_EQ(p.lastError(), oserr::diskFull);
  p.limitWrites("C:\\TEMP\\full", -1);
  EXPECT_TRUE(p.copyFile("C:\\TEMP\\source", "C:\\TEMP\\full", false));
}

TEST_F(HostPlatformTest, CopyFileKeepsAttributesAndHonoursFailIfExists) {
  write("C:\\TEMP\\a", "payload");
  ASSERT_TRUE(p.setAttributes("C:\\TEMP\\a", attr::readOnly));
  ASSERT_TRUE(p.copyFile("C:\\TEMP\\A", "C:\\TEMP\\b", false));
  EXPECT_EQ(p.getAttributes("C:\\TEMP\\b"), attr::readOnly | attr::archive);
  std::string bytes;
  ASSERT_TRUE(p.readWholeFile("C:\\TEMP\\b", bytes));
  EXPECT_EQ(bytes, "payload");
  EXPECT_FALSE(p.copyFile("C:\\TEMP\\a", "C:\\TEMP\\b", true));
  EXPECT_EQ(p.lastError(), oserr::fileExists);
  EXPECT_FALSE(p.copyFile("C:\\TEMP\\a", "C:\\TEMP\\b", false));  // read-only destination
  EXPECT_EQ(p.lastError(), oserr::accessDenied);
  EXPECT_FALSE(p.copyFile("C:\\TEMP\\zz", "C:\\TEMP\\c", false));
  EXPECT_EQ(p.lastError(), oserr::fileNotFound);
  EXPECT_FALSE(p.copyFile("C:\\TEMP\\a", "C:\\nope\\c", false));
  EXPECT_EQ(p.lastError(), oserr::pathNotFound);
  p.failCopy("C:\\TEMP\\a", oserr::diskFull);
  EXPECT_FALSE(p.copyFile("C:\\TEMP\\a", "C:\\TEMP\\d", false));
  EXPECT_EQ(p.lastError(), oserr::diskFull);
}

TEST_F(HostPlatformTest, FindFilesListsDotsFirstThenNamesInCaseInsensitiveOrder) {
  ASSERT_TRUE(p.createDirectory("C:\\f"));
  write("C:\\f\\b.txt", "");
  write("C:\\f\\A.dat", "");
  write("C:\\f\\noext", "");
  ASSERT_TRUE(p.createDirectory("C:\\f\\Sub"));
  EXPECT_EQ(names("C:\\f\\*.*"), (std::vector<std::string>{".", "..", "A.dat", "b.txt", "noext", "Sub"}));
  EXPECT_EQ(names("C:\\F\\*.TXT"), (std::vector<std::string>{"b.txt"}));
  EXPECT_EQ(names("C:\\f\\?.dat"), (std::vector<std::string>{"A.dat"}));
  std::vector<FindEntry> entries;
  ASSERT_TRUE(p.findFiles("C:\\f\\*", entries));
  EXPECT_EQ(entries.back().attributes, attr::directory);
  EXPECT_FALSE(p.findFiles("C:\\f\\*.zip", entries));
  EXPECT_EQ(p.lastError(), oserr::fileNotFound);
  EXPECT_FALSE(p.findFiles("C:\\none\\*.*", entries));
  EXPECT_EQ(p.lastError(), oserr::pathNotFound);
  EXPECT_EQ(names("C:\\*.*").front(), "f");  // a drive's root has no "." and ".."
}

TEST_F(HostPlatformTest, LinksAreReparsePointsAndRemovingThemKeepsTheTarget) {
  ASSERT_TRUE(p.createDirectory("C:\\target"));
  write("C:\\target\\keep.txt", "k");
  ASSERT_TRUE(p.createDirectory("C:\\tree"));
  ASSERT_EQ(symlink((box.root() + "/C/target").c_str(), (box.root() + "/C/tree/link").c_str()), 0);
  EXPECT_EQ(p.getAttributes("C:\\tree\\link"), attr::directory | attr::reparsePoint | attr::archive);
  EXPECT_FALSE(p.deleteFile("C:\\tree\\link"));
  EXPECT_TRUE(p.removeDirectory("C:\\tree\\link"));
  EXPECT_EQ(p.getAttributes("C:\\target\\keep.txt"), attr::archive);
}

TEST_F(HostPlatformTest, ShortNamesAndVersions) {
  ASSERT_TRUE(p.createDirectory("C:\\Program Files"));
  write("C:\\Program Files\\uninstall.exe", "");
  EXPECT_EQ(p.shortPathName("C:\\Program Files\\uninstall.exe"), "C:\\PROGRA~1\\UNINST~1.EXE");
  EXPECT_EQ(p.shortPathName("C:\\WINDOWS\\a.b"), "");
  p.setShortPath("C:\\x y", "C:\\XY~1");
  EXPECT_EQ(p.shortPathName("c:\\X Y"), "C:\\XY~1");
  uint32_t ms = 0, ls = 0;
  write("C:\\WINDOWS\\system32\\flash.ocx", "");
  EXPECT_FALSE(p.fileVersion("C:\\WINDOWS\\system32\\flash.ocx", ms, ls));
  p.setFileVersion("C:\\WINDOWS\\system32\\Flash.ocx", 0x60000, 0x4f0000);
  ASSERT_TRUE(p.fileVersion("C:\\WINDOWS\\SYSTEM32\\flash.ocx", ms, ls));
  EXPECT_EQ(ms, 0x60000u);
  EXPECT_EQ(ls, 0x4f0000u);
}

TEST_F(HostPlatformTest, LibrariesLoadFromTheSandbox) {
  EXPECT_EQ(p.loadLibrary("C:\\WINDOWS\\impborl.dll"), nullptr);
  EXPECT_EQ(p.lastError(), oserr::modNotFound);
  write("C:\\WINDOWS\\bad.dll", "MZ not really");
  EXPECT_EQ(p.loadLibrary("C:\\WINDOWS\\bad.dll"), nullptr);
  EXPECT_EQ(p.lastError(), oserr::badExeFormat);
  std::ifstream so(MV_TEST_PLUGIN, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(so)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty());
  write("C:\\WINDOWS\\lib.dll", bytes);
  void* lib = p.loadLibrary("lib.dll");  // found in the Windows folder
  ASSERT_NE(lib, nullptr);
  EXPECT_FALSE(p.deleteFile("C:\\WINDOWS\\lib.dll"));  // loaded modules cannot be deleted
  auto answer = reinterpret_cast<int (*)()>(p.getProcAddress(lib, "mv_test_plugin_answer"));
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer(), 42);
  EXPECT_EQ(p.getProcAddress(lib, "no_such_function_here"), nullptr);
  p.freeLibrary(lib);
  p.failLoadLibrary("C:\\WINDOWS\\lib.dll");
  EXPECT_EQ(p.loadLibrary("C:\\WINDOWS\\lib.dll"), nullptr);
  EXPECT_EQ(p.lastError(), oserr::badExeFormat);
}

TEST_F(HostPlatformTest, RegistryKeysValuesFaultsAndLog) {
  RegKey k = 0;
  EXPECT_EQ(p.regOpenKey(RegRoot::CurrentUser, "Control Panel\\Colors", true, k), oserr::fileNotFound);
  EXPECT_EQ(k, 0u);
  p.putString(RegRoot::CurrentUser, "Control Panel\\Colors", "Background", "1 2 3");
  ASSERT_EQ(p.regOpenKey(RegRoot::CurrentUser, "control panel\\COLORS", true, k), 0);
  RegValue v;
  ASSERT_EQ(p.regQueryValue(k, "BACKGROUND", v), 0);
  EXPECT_EQ(v.type, RegType::String);
  EXPECT_EQ(p.regSetValue(k, "Background", HostPlatform::stringValue("0 0 0")), 0);
  EXPECT_EQ(p.regDeleteValue(k, "Other"), oserr::fileNotFound);
  p.regCloseKey(k);
  EXPECT_EQ(p.getString(RegRoot::CurrentUser, "Control Panel\\Colors", "background"), "0 0 0");
  EXPECT_EQ(p.openKeyCount(), 0);

  ASSERT_EQ(p.regOpenKey(RegRoot::CurrentUser, "Control Panel\\Colors", false, k), 0);
  EXPECT_EQ(p.regSetValue(k, "Background", HostPlatform::stringValue("x")), oserr::accessDenied);
  p.regCloseKey(k);

  ASSERT_EQ(p.regCreateKey(RegRoot::LocalMachine, "Software\\A\\B", k), 0);
  EXPECT_EQ(p.regSetValue(k, "N", HostPlatform::dwordValue(7)), 0);
  p.regCloseKey(k);
  EXPECT_TRUE(p.keyExists(RegRoot::LocalMachine, "SOFTWARE\\A"));
  uint32_t d = 0;
  EXPECT_TRUE(p.getDword(RegRoot::LocalMachine, "Software\\A\\B", "n", d));
  EXPECT_EQ(d, 7u);
  EXPECT_NE(p.dumpRegistry().find("  N = 0x7"), std::string::npos);
  p.createKey(RegRoot::LocalMachine, "Software\\A\\Second\\Deeper");
  std::vector<std::string> names;
  ASSERT_EQ(p.regOpenKey(RegRoot::LocalMachine, "software\\a", false, k), 0);
  EXPECT_EQ(p.regEnumSubkeys(k, names), 0);  // direct subkeys alone, as first spelled
  EXPECT_EQ(names, (std::vector<std::string>{"B", "Second"}));
  p.regCloseKey(k);
  EXPECT_EQ(p.regDeleteTree(RegRoot::LocalMachine, "Software\\A"), 0);
  EXPECT_FALSE(p.keyExists(RegRoot::LocalMachine, "Software\\A\\B"));
  EXPECT_EQ(p.regDeleteTree(RegRoot::LocalMachine, "Software\\A"), oserr::fileNotFound);

  p.setKeyUnwritable(RegRoot::CurrentUser, "Control Panel\\Colors");
  ASSERT_EQ(p.regOpenKey(RegRoot::CurrentUser, "Control Panel\\Colors", true, k), 0);
  EXPECT_EQ(p.regSetValue(k, "Background", HostPlatform::stringValue("x")), oserr::accessDenied);
  p.regCloseKey(k);
  p.setKeyUnwritable(RegRoot::CurrentUser, "Control Panel\\Colors", true);
  EXPECT_EQ(p.regOpenKey(RegRoot::CurrentUser, "Control Panel\\Colors", true, k), oserr::accessDenied);

  EXPECT_EQ(p.callLog[0], "regOpenKey HKCU\\Control Panel\\Colors write");
  EXPECT_EQ(p.callLog[3], "regSetValue HKCU\\control panel\\COLORS [Background] = \"0 0 0\"");
  EXPECT_EQ(p.callsStartingWith("regDeleteTree").size(), 2u);
}

TEST_F(HostPlatformTest, WindowsMessagesAndHungWindows) {
  WindowHandle tray = p.addWindow("Shell_TrayWnd", "");
  WindowHandle prog = p.addWindow("Progman", "Program Manager");
  WindowHandle view = p.addChild(prog, "SHELLDLL_DefView");
  WindowHandle list = p.addChild(view, "SysListView32");
  WindowHandle hidden = p.addWindow("Other", "x", false);
  EXPECT_EQ(p.findWindow("progman", "PROGRAM MANAGER"), prog);
  EXPECT_EQ(p.findWindow(nullptr, "Program Manager"), prog);
  EXPECT_EQ(p.findWindow("SHELLDLL_DefView", nullptr), 0u);  // children are not top-level
  EXPECT_EQ(p.firstChild(p.firstChild(prog)), list);
  EXPECT_EQ(p.topLevelWindows(), (std::vector<WindowHandle>{tray, prog, hidden}));
  EXPECT_FALSE(p.isWindowVisible(hidden));
  EXPECT_EQ(p.windowClassName(tray), "Shell_TrayWnd");

  int closes = 0;
  p.onMessage = [&](const HostPlatform::WindowMessage& m) {
    if (m.kind == HostPlatform::MessageKind::DlgItem && m.item == 2) {
      closes++;
      p.removeWindow(m.window);
    }
  };
  WindowHandle dlg = p.addWindow("#32770", "Display Properties");
  p.sendDlgItemMessage(dlg, 2, 0xF5, 0, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(p.findWindow(nullptr, "Display Properties"), 0u);

  EXPECT_TRUE(p.postMessage(view, 0x100, 0x74, 3));
  p.setHung(prog);
  EXPECT_FALSE(p.sendMessageTimeout(prog, 0x112, 0xF020, 0, 5000));
  EXPECT_EQ(p.messages.size(), 3u);
  EXPECT_EQ(p.callsStartingWith("postMessage"), (std::vector<std::string>{"postMessage SHELLDLL_DefView 0x100 0x74 3"}));
  EXPECT_EQ(p.callsStartingWith("sendMessage"), (std::vector<std::string>{"sendMessage Progman 0x112 0xf020 0"}));
}

TEST_F(HostPlatformTest, ShellActiveDesktopBoxesAndCursorAreRecorded) {
  EXPECT_GT(p.shellExecute(0, "open", "C:\\WINDOWS\\flashax.exe", "/Q", nullptr, 1), 32);
  EXPECT_EQ(p.shellCalls.at(0).parameters, "/Q");
  EXPECT_TRUE(p.startProcess("C:\\WINDOWS\\system32\\rundll32.exe", "shell32.dll,Control_RunDLL desk.cpl,,0", 1));
  p.setDeskWallpaper(nullptr, 2);
  {
    std::unique_ptr<ActiveDesktop> ad;
    ASSERT_TRUE(p.createActiveDesktop(ad).ok());
    ASSERT_NE(ad, nullptr);
    ad->setDesktopItemOptions(true, true);
    ad->setWallpaper("C:\\WINDOWS\\Web\\Wallpaper\\\xc3\xa9.html");
    ad->applyChanges(0x0F);
    EXPECT_EQ(p.activeDesktopsAlive, 1);
  }
  EXPECT_EQ(p.activeDesktopsAlive, 0);
  p.activeDesktopFailure = "Class not registered";
  {
    std::unique_ptr<ActiveDesktop> ad;
    Result status = p.createActiveDesktop(ad);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.text(), "Class not registered");
    EXPECT_EQ(ad, nullptr);
    EXPECT_EQ(p.activeDesktopsAlive, 0);
  }

  p.answers = {BoxAnswer::No};
  EXPECT_EQ(p.messageBox("q?", "Installation Successful.", BoxKind::YesNo), BoxAnswer::No);
  EXPECT_EQ(p.messageBox("q?", "Installation Successful.", BoxKind::YesNo), BoxAnswer::Yes);
  p.onMessageBox = [](const HostPlatform::BoxRecord&) { return BoxAnswer::Cancel; };
  EXPECT_EQ(p.messageBox("sure?", "Confirm", BoxKind::OkCancelQuestion), BoxAnswer::Cancel);
  EXPECT_EQ(p.boxes.size(), 3u);
  p.setCursor(Cursor::Wait);
  EXPECT_EQ(p.cursor(), Cursor::Wait);

  EXPECT_EQ(p.callLog, (std::vector<std::string>{
                           "shellExecute open C:\\WINDOWS\\flashax.exe /Q",
                           "startProcess C:\\WINDOWS\\system32\\rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,0 1",
                           "setDeskWallpaper (null) 2",
                           "ActiveDesktop.create",
                           "ActiveDesktop.setDesktopItemOptions 1 1",
                           "ActiveDesktop.setWallpaper C:\\WINDOWS\\Web\\Wallpaper\\\xc3\xa9.html",
                           "ActiveDesktop.applyChanges 0xf",
                           "ActiveDesktop.release",
                           "ActiveDesktop.create",
                           "messageBox Installation Successful.: q?",
                           "messageBox Installation Successful.: q?",
                           "messageBox Confirm: sure?",
                           "setCursor Wait",
                       }));
}

TEST_F(HostPlatformTest, SystemErrorTextsAndVersion) {
  EXPECT_EQ(p.systemErrorText(5), "Access is denied.\r\n");
  EXPECT_EQ(p.systemErrorText(-13), "");
  p.setSystemErrorText(5, "");
  EXPECT_EQ(p.systemErrorText(5), "");
  OsVersion v;
  p.setVersion(HostPlatform::windows98());
  ASSERT_TRUE(p.getVersion(v));
  EXPECT_EQ(v.platformId, 1u);
  EXPECT_EQ(v.minor, 10u);
  p.setVersionFails(true);
  EXPECT_FALSE(p.getVersion(v));
}

}  // namespace
}  // namespace mv
