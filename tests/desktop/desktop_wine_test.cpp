// Desktop integration under Wine against the real registry and the shell's Active Desktop object.
// Values are read back with the registry API itself (the wide calls: key names and texts beyond the ANSI
// code page come back exactly); reg_readback.sh reads them again with "reg query".
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "desktop/desktop.h"
#include "package/datafile.h"
#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"
#include "support/text_encoding.h"

namespace mv {
namespace {

const char* const kComponent = "Software\\Microsoft\\Internet Explorer\\Desktop\\Components\\0";
const char* const kGeneral = "Software\\Microsoft\\Internet Explorer\\Desktop\\General";
const char* const kColors = "Control Panel\\Colors";
const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::wstring w(const std::string& s) { return utf8ToWide(s); }

void putDword(HKEY root, const std::string& path, const char* name, DWORD v) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(root, w(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
  RegSetValueExW(k, w(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
  RegCloseKey(k);
}
void putString(HKEY root, const std::string& path, const char* name, const std::string& s) {
  HKEY k;
  ASSERT_EQ(RegCreateKeyExW(root, w(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
  const std::wstring data = w(s);
  RegSetValueExW(k, w(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                 DWORD((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(k);
}
// The value as "type:data" ("4:0x2", "1:text" with the text as UTF-8), or "missing".
std::string readValue(HKEY root, const std::string& path, const char* name) {
  HKEY k;
  if (RegOpenKeyExW(root, w(path).c_str(), 0, KEY_READ, &k) != 0) return "missing key";
  BYTE buf[4096];
  DWORD type = 0, size = sizeof buf;
  LONG r = RegQueryValueExW(k, w(name).c_str(), nullptr, &type, buf, &size);
  RegCloseKey(k);
  if (r != 0) return "missing";
  if (type == REG_DWORD && size == 4) {
    char t[32];
    std::snprintf(t, sizeof t, "4:0x%lx", static_cast<unsigned long>(*reinterpret_cast<DWORD*>(buf)));
    return t;
  }
  if (type == REG_SZ) {
    size_t units = size / sizeof(wchar_t);
    const wchar_t* text = reinterpret_cast<const wchar_t*>(buf);
    if (units > 0 && text[units - 1] == 0) --units;
    return "1:" + wideToUtf8(text, units);
  }
  return "type " + std::to_string(type);
}
bool keyExists(HKEY root, const std::string& path) {
  HKEY k;
  if (RegOpenKeyExW(root, w(path).c_str(), 0, KEY_READ, &k) != 0) return false;
  RegCloseKey(k);
  return true;
}
FILETIME lastWrite(HKEY root, const std::string& path) {
  FILETIME t{};
  HKEY k;
  if (RegOpenKeyExW(root, w(path).c_str(), 0, KEY_READ, &k) == 0) {
    RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &t);
    RegCloseKey(k);
  }
  return t;
}
bool operator==(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

std::string windowsFolder() {
  wchar_t buf[MAX_PATH];
  UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
  return wideToUtf8(buf, n) + "\\";
}
std::string windirFolder() {
  const char* w = std::getenv("WINDIR");
  std::string s = w && *w ? w : windowsFolder();
  if (s.back() != '\\') s += '\\';
  return s;
}
void expectSuccess(const Result& status) { EXPECT_TRUE(status.ok()) << status.text(); }

class DesktopWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CoInitialize(nullptr);
    setPlatform(&win32);
  }
  static void TearDownTestSuite() {
    setPlatform(nullptr);
    CoUninitialize();
  }
  void SetUp() override {
    // Keys of earlier runs go first; a missing one is what is wanted already.
    (void)win32.regDeleteTree(RegRoot::CurrentUser, kComponent);
    putDword(HKEY_CURRENT_USER, kComponent, "Flags", 0x2002);
    putString(HKEY_CURRENT_USER, kGeneral, "Wallpaper", "old.bmp");
    putString(HKEY_CURRENT_USER, kColors, "Background", "58 110 165");
    page = windowsFolder() + "Web\\Wallpaper\\Ocean.html";
  }
  static Win32Platform win32;
  std::string page;
};
Win32Platform DesktopWine::win32(mv::text::abortButton);

TEST_F(DesktopWine, WallpaperValues) {
  expectSuccess(setActiveDesktopWallpaper(win32, page, 255, 128, 0));
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kComponent, "Flags"), "4:0x2");
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kGeneral, "Wallpaper"), "1:" + page);
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kColors, "Background"), "1:255 128 0");
  EXPECT_EQ(win32.cursor(), Cursor::Default);
}

TEST_F(DesktopWine, FlagsAreWrittenOnlyWhenTheBitIsSet) {
  putDword(HKEY_CURRENT_USER, kComponent, "Flags", 0x0002);
  FILETIME before = lastWrite(HKEY_CURRENT_USER, kComponent);
  Sleep(50);
  expectSuccess(setActiveDesktopWallpaper(win32, page, 0, 0, 0));
  EXPECT_TRUE(lastWrite(HKEY_CURRENT_USER, kComponent) == before) << "Flags 0x0002 was written";
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kComponent, "Flags"), "4:0x2");

  putDword(HKEY_CURRENT_USER, kComponent, "Flags", 0x2002);
  before = lastWrite(HKEY_CURRENT_USER, kComponent);
  Sleep(50);
  expectSuccess(setActiveDesktopWallpaper(win32, page, 0, 0, 0));
  EXPECT_FALSE(lastWrite(HKEY_CURRENT_USER, kComponent) == before);
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kComponent, "Flags"), "4:0x2");
}

TEST_F(DesktopWine, ColourTexts) {
  expectSuccess(setActiveDesktopWallpaper(win32, page, 0, 0, 0));
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kColors, "Background"), "1:0 0 0");
  expectSuccess(setActiveDesktopWallpaper(win32, page, 255, 128, 0));
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kColors, "Background"), "1:255 128 0");
  expectSuccess(setActiveDesktopWallpaper(win32, page, -1, -1, -1));
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kColors, "Background"), "1:-1 -1 -1");
}

TEST_F(DesktopWine, FlagsOfTheWrongTypeStopWithTheSystemText) {
  putString(HKEY_CURRENT_USER, kComponent, "Flags", "8194");
  Result status = setActiveDesktopWallpaper(win32, page, 1, 2, 3);
  ASSERT_FALSE(status.ok()) << "no error";
  EXPECT_EQ(status.text(), "Invalid data type for 'Flags'");
  EXPECT_EQ(win32.cursor(), Cursor::Default);
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kGeneral, "Wallpaper"), "1:old.bmp");
}

// Writes a data file whose header holds title (64 bytes, no terminating zero) and reads its title back
// as the installation does.
std::string readDataTitle(const std::string& title) {
  std::string header(kDataHeaderSize, '\0');
  const size_t titleAt = 248;  // the data header's title field
  header.replace(titleAt, 64, title);
  header.replace(titleAt + 64, 1, "Z");  // the next field starts right after, no zero between
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  struct Unheard : Reporter {
    void fileError(Result, const std::string&) override {}
    void error(const std::string&) override {}
    void information(const std::string&) override {}
  } unheard;
  PackageSession session(unheard);
  session.dataFilePath = std::string(tmp) + "mv_desktop_data.mvd";
  HANDLE h = CreateFileA(session.dataFilePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0;
  WriteFile(h, header.data(), DWORD(header.size()), &n, nullptr);
  CloseHandle(h);
  DataFileReader dataFile;
  EXPECT_EQ(dataFile.readDataHeader(platform(), session), 0);
  DeleteFileA(session.dataFilePath.c_str());
  return dataFile.dataTitle();
}

TEST_F(DesktopWine, RegisterWallpaperPageWithA64CharacterDataTitle) {
  const std::string title = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-_";
  ASSERT_EQ(title.size(), 64u);
  expectSuccess(registerWallpaperPage(win32, windowsFolder(), readDataTitle(title), 12, 34, 56));
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kGeneral, "Wallpaper"),
            "1:" + windowsFolder() + "Web\\Wallpaper\\" + title + ".html");
  EXPECT_EQ(readValue(HKEY_CURRENT_USER, kColors, "Background"), "1:12 34 56");
}

// What the shell's Active Desktop object answers here (printed for the record). Wine registers the
// class in shell32 and hands out the interface, but its methods are stubs.
TEST_F(DesktopWine, ActiveDesktopAnswers) {
  std::unique_ptr<ActiveDesktop> ad;
  Result status = win32.createActiveDesktop(ad);
  ASSERT_TRUE(status.ok()) << status.text();
  ASSERT_TRUE(ad);
  int32_t options = ad->setDesktopItemOptions(true, true);
  int32_t wallpaper = ad->setWallpaper(page);
  int32_t apply = ad->applyChanges(0x0F);
  std::printf("IActiveDesktop: SetDesktopItemOptions 0x%08x, SetWallpaper 0x%08x, ApplyChanges 0x%08x\n",
              unsigned(options), unsigned(wallpaper), unsigned(apply));
  const int32_t eNotImpl = int32_t(0x80004001u);
  for (int32_t hr : {options, wallpaper, apply}) EXPECT_TRUE(hr == 0 || hr == eNotImpl) << std::hex << hr;
}

// A title beyond the ANSI code page (what a package's Windows-1252 title becomes on a Russian or Japanese
// system, or any text) names the key and fills the values exactly.
TEST_F(DesktopWine, UninstallEntryOfATitleInAnyScript) {
  for (const std::string title : {"Café Crème", "Ωμέγα Дмитрий 下载"}) {
    (void)win32.regDeleteTree(RegRoot::LocalMachine, kUninstall + title);
    expectSuccess(writeUninstallEntry(win32, title));
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kUninstall + title, "DisplayName"), "1:" + title + " Wallpaper");
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kUninstall + title, "UninstallString"),
              "1:\"" + windirFolder() + "WEB\\Wallpaper\\" + title + " dir\\uninstall.exe\"");
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstall + title));
    // The platform reads it back as the same text.
    RegKey key = 0;
    ASSERT_EQ(win32.regOpenKey(RegRoot::LocalMachine, kUninstall + title, false, key), 0);
    RegValue value;
    EXPECT_EQ(win32.regQueryValue(key, "DisplayName", value), 0);
    win32.regCloseKey(key);
    EXPECT_EQ(std::string(value.data.begin(), value.data.end()), title + " Wallpaper" + std::string(1, '\0'));
    removeUninstallEntry(win32, title);
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstall + title));
  }
}

TEST_F(DesktopWine, UninstallEntryValues) {
  (void)win32.regDeleteTree(RegRoot::LocalMachine, kUninstall + "Ocean");
  (void)win32.regDeleteTree(RegRoot::LocalMachine, kUninstall + "Ocean Wallpaper");
  expectSuccess(writeUninstallEntry(win32, "Ocean"));
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kUninstall + "Ocean", "DisplayName"), "1:Ocean Wallpaper");
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kUninstall + "Ocean", "UninstallString"),
            "1:\"" + windirFolder() + "WEB\\Wallpaper\\Ocean dir\\uninstall.exe\"");
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstall + "Ocean"));

  expectSuccess(writeUninstallEntry(win32, "Ocean Wallpaper"));
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kUninstall + "Ocean Wallpaper", "DisplayName"), "1:Ocean Wallpaper");
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kUninstall + "Ocean Wallpaper", "UninstallString"),
            "1:\"" + windirFolder() + "WEB\\Wallpaper\\Ocean Wallpaper dir\\uninstall.exe\"");
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, kUninstall + "Ocean Wallpaper"));

  removeUninstallEntry(win32, "Ocean");
  removeUninstallEntry(win32, "Ocean Wallpaper");
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstall + "Ocean"));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, kUninstall + "Ocean Wallpaper"));
}

TEST_F(DesktopWine, ExistingEntryKeepsItsOtherValues) {
  const std::string key = kUninstall + "Sea";
  (void)win32.regDeleteTree(RegRoot::LocalMachine, key);
  putString(HKEY_LOCAL_MACHINE, key, "DisplayName", "old name");
  putString(HKEY_LOCAL_MACHINE, key, "Publisher", "Moviva");
  putDword(HKEY_LOCAL_MACHINE, key, "NoModify", 1);
  putString(HKEY_CURRENT_USER, key, "Left", "by an earlier run");
  expectSuccess(writeUninstallEntry(win32, "Sea"));
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, key, "DisplayName"), "1:Sea Wallpaper");
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, key, "Publisher"), "1:Moviva");
  EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, key, "NoModify"), "4:0x1");
  EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, key));
  removeUninstallEntry(win32, "Sea");
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, key));
}

// Leaves its values in the prefix for reg_readback.sh, which alone runs it (a disabled case: not part of
// the ordinary run).
TEST_F(DesktopWine, DISABLED_LeaveValuesForReadBack) {
  const std::string title = readDataTitle(std::string(60, 'T') + "0064");
  expectSuccess(registerWallpaperPage(win32, windowsFolder(), title, -1, 128, 0));
  (void)win32.regDeleteTree(RegRoot::LocalMachine, kUninstall + "Ocean");
  putString(HKEY_LOCAL_MACHINE, kUninstall + "Ocean", "Publisher", "Moviva");
  expectSuccess(writeUninstallEntry(win32, "Ocean"));
  expectSuccess(writeUninstallEntry(win32, "Ocean Wallpaper"));
  expectSuccess(writeUninstallEntry(win32, std::string(64, 'L')));
}

}  // namespace
}  // namespace mv
