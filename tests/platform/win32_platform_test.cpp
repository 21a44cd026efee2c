// The Win32 platform against the real system (run under Wine): codes, open modes and sharing,
// enumeration, registry, libraries, version resources and the Active Desktop object.
#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"
#include "support/text_encoding.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace mv {
namespace {

class Win32PlatformTest : public ::testing::Test {
 protected:
  Win32Platform p{mv::text::abortButton};
  std::string root;

  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    root = std::string(temp) + "mvplat" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(root.c_str(), nullptr);
  }
  void TearDown() override {
    std::vector<FindEntry> entries;
    if (p.findFiles(root + "*.*", entries))
      for (auto& e : entries) {
        if (e.name == "." || e.name == "..") continue;
        SetFileAttributesA((root + e.name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((root + e.name).c_str());
        RemoveDirectoryA((root + e.name).c_str());
      }
    RemoveDirectoryA(root.c_str());
  }
  bool put(const std::string& path, const std::string& bytes) {
    auto f = p.open(path, OpenMode::CreateWrite);
    return f && f->write(bytes.data(), int64_t(bytes.size())) == int64_t(bytes.size()) && f->close();
  }
};

TEST_F(Win32PlatformTest, SystemInformation) {
  std::string win = p.windowsDirectory(), sys = p.systemDirectory(), temp = p.tempPath();
  EXPECT_FALSE(win.empty());
  EXPECT_EQ(sys.compare(0, win.size(), win), 0) << sys;
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), '\\');
  std::string exe = p.executablePath();
  EXPECT_EQ(exe.substr(exe.size() - 4), ".exe");
  OsVersion v;
  ASSERT_TRUE(p.getVersion(v));
  EXPECT_GE(v.major, 4u);

  std::string value;
  SetEnvironmentVariableA("MV_TEST_VAR", "abc");
  ASSERT_TRUE(p.getEnv("MV_TEST_VAR", value));
  EXPECT_EQ(value, "abc");
  SetEnvironmentVariableA("MV_TEST_VAR", nullptr);
  EXPECT_FALSE(p.getEnv("MV_TEST_VAR", value));

  std::string denied = p.systemErrorText(5);
  ASSERT_GE(denied.size(), 2u);
  EXPECT_EQ(denied.substr(denied.size() - 2), "\r\n");
  EXPECT_EQ(p.systemErrorText(-13), "");
  p.setLastError(1234);
  EXPECT_EQ(p.lastError(), 1234);
}

TEST_F(Win32PlatformTest, FolderAndFileCodes) {
  EXPECT_TRUE(p.createDirectory(root + "d"));
  EXPECT_FALSE(p.createDirectory(root + "d"));
  EXPECT_EQ(p.lastError(), oserr::alreadyExists);
  EXPECT_FALSE(p.createDirectory(root + "none\\d"));
  EXPECT_EQ(p.lastError(), oserr::pathNotFound);
  EXPECT_FALSE(p.deleteFile(root + "missing"));
  EXPECT_EQ(p.lastError(), oserr::fileNotFound);
  EXPECT_EQ(p.getAttributes(root + "missing"), attr::invalid);
  EXPECT_TRUE(p.getAttributes(root + "d") & attr::directory);

  ASSERT_TRUE(put(root + "d\\f.txt", "hello"));
  EXPECT_FALSE(p.removeDirectory(root + "d"));
  EXPECT_EQ(p.lastError(), oserr::dirNotEmpty);
  ASSERT_TRUE(p.setAttributes(root + "d\\f.txt", attr::readOnly));
  EXPECT_FALSE(p.deleteFile(root + "d\\f.txt"));
  EXPECT_EQ(p.lastError(), oserr::accessDenied);
  EXPECT_TRUE(p.copyFile(root + "d\\f.txt", root + "copy.txt", true));
  EXPECT_FALSE(p.copyFile(root + "d\\f.txt", root + "copy.txt", true));
  EXPECT_EQ(p.lastError(), oserr::fileExists);

  std::vector<FindEntry> entries;
  ASSERT_TRUE(p.findFiles(root + "d\\*.*", entries));
  std::vector<std::string> names;
  for (auto& e : entries) names.push_back(e.name);
  EXPECT_NE(std::find(names.begin(), names.end(), "."), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), ".."), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "f.txt"), names.end());
  EXPECT_FALSE(p.findFiles(root + "none\\*.*", entries));
  EXPECT_FALSE(p.shortPathName(root + "d\\f.txt").empty());
  EXPECT_EQ(p.shortPathName(root + "nothing"), "");
}

TEST_F(Win32PlatformTest, OpenModesShareAsDeclared) {
  ASSERT_TRUE(put(root + "s.bin", "0123456789"));
  auto reader = p.open(root + "s.bin", OpenMode::ReadDenyWrite);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(p.open(root + "s.bin", OpenMode::ReadWrite), nullptr);
  EXPECT_EQ(p.lastError(), oserr::sharingViolation);
  EXPECT_EQ(p.open(root + "s.bin", OpenMode::CreateWrite), nullptr);
  EXPECT_NE(p.open(root + "s.bin", OpenMode::Read), nullptr);
  EXPECT_FALSE(p.deleteFile(root + "s.bin"));
  EXPECT_EQ(p.lastError(), oserr::sharingViolation);
  EXPECT_EQ(reader->size(), 10);
  ASSERT_TRUE(reader->seek(7));
  char buf[8];
  EXPECT_EQ(reader->read(buf, 8), 3);
  EXPECT_EQ(std::string(buf, 3), "789");
  EXPECT_EQ(reader->read(buf, 8), 0);
  EXPECT_EQ(reader->write("x", 1), -1);
  EXPECT_TRUE(reader->close());

  auto rw = p.open(root + "s.bin", OpenMode::ReadWrite);
  ASSERT_NE(rw, nullptr);
  ASSERT_TRUE(rw->seek(2));
  EXPECT_EQ(rw->write("AB", 2), 2);
  rw.reset();
  auto again = p.open(root + "s.bin", OpenMode::Read);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->read(buf, 4), 4);
  EXPECT_EQ(std::string(buf, 4), "01AB");
  EXPECT_EQ(p.open(root + "none\\x", OpenMode::CreateWrite), nullptr);
  EXPECT_EQ(p.lastError(), oserr::pathNotFound);
}

TEST_F(Win32PlatformTest, LibrariesAndVersions) {
  EXPECT_EQ(p.loadLibrary(root + "impborl.dll"), nullptr);
  EXPECT_EQ(p.lastError(), oserr::modNotFound);
  ASSERT_TRUE(put(root + "bad.dll", "this is not a program"));
  EXPECT_EQ(p.loadLibrary(root + "bad.dll"), nullptr);
  EXPECT_EQ(p.lastError(), oserr::badExeFormat);
  void* k32 = p.loadLibrary("kernel32.dll");
  ASSERT_NE(k32, nullptr);
  EXPECT_NE(p.getProcAddress(k32, "GetTickCount"), nullptr);
  EXPECT_EQ(p.getProcAddress(k32, "NoSuchExport"), nullptr);
  p.freeLibrary(k32);

  uint32_t ms = 0, ls = 0;
  EXPECT_TRUE(p.fileVersion(p.systemDirectory() + "\\kernel32.dll", ms, ls));
  EXPECT_NE(ms, 0u);
  EXPECT_FALSE(p.fileVersion(root + "bad.dll", ms, ls));
}

TEST_F(Win32PlatformTest, RegistryRoundTrip) {
  const std::string base = "Software\\MovivaPlatformTest";
  RegKey k = 0;
  EXPECT_EQ(p.regOpenKey(RegRoot::CurrentUser, base, false, k), oserr::fileNotFound);
  ASSERT_EQ(p.regCreateKey(RegRoot::CurrentUser, base + "\\A\\B", k), 0);
  RegValue s;
  s.type = RegType::String;
  s.data = {'h', 'i', 0};
  RegValue d;
  d.type = RegType::Dword;
  d.data = {0x02, 0x20, 0, 0};
  EXPECT_EQ(p.regSetValue(k, "Text", s), 0);
  EXPECT_EQ(p.regSetValue(k, "Flags", d), 0);
  p.regCloseKey(k);

  ASSERT_EQ(p.regOpenKey(RegRoot::CurrentUser, base + "\\a\\b", false, k), 0);
  RegValue got;
  ASSERT_EQ(p.regQueryValue(k, "text", got), 0);
  EXPECT_EQ(got.type, RegType::String);
  EXPECT_EQ(got.data, s.data);
  ASSERT_EQ(p.regQueryValue(k, "Flags", got), 0);
  EXPECT_EQ(got.type, RegType::Dword);
  EXPECT_EQ(got.data, d.data);
  EXPECT_EQ(p.regQueryValue(k, "Missing", got), oserr::fileNotFound);
  EXPECT_NE(p.regSetValue(k, "Text", s), 0);  // opened for reading only
  p.regCloseKey(k);

  ASSERT_EQ(p.regOpenKey(RegRoot::CurrentUser, base + "\\A\\B", true, k), 0);
  EXPECT_EQ(p.regDeleteValue(k, "Text"), 0);
  EXPECT_EQ(p.regDeleteValue(k, "Text"), oserr::fileNotFound);
  p.regCloseKey(k);

  ASSERT_EQ(p.regCreateKey(RegRoot::CurrentUser, base + "\\A\\C\\D", k), 0);
  p.regCloseKey(k);
  std::vector<std::string> names;
  ASSERT_EQ(p.regOpenKey(RegRoot::CurrentUser, base + "\\A", false, k), 0);
  EXPECT_EQ(p.regEnumSubkeys(k, names), 0);  // direct subkeys alone
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"B", "C"}));
  p.regCloseKey(k);

  EXPECT_EQ(p.regDeleteTree(RegRoot::CurrentUser, base), 0);
  EXPECT_EQ(p.regOpenKey(RegRoot::CurrentUser, base, false, k), oserr::fileNotFound);
  EXPECT_EQ(p.regDeleteTree(RegRoot::CurrentUser, base), oserr::fileNotFound);
  EXPECT_NE(p.regDeleteTree(RegRoot::CurrentUser, ""), 0);  // never a whole hive
}

// Texts beyond any one ANSI code page: Cyrillic, Greek, CJK and a character outside the BMP, in folder and
// file names, environment values, registry keys and values. Each comes back as the same UTF-8.
TEST_F(Win32PlatformTest, TextsInAnyScriptCrossTheBoundaryUnchanged) {
  const std::string folder = root + "José Ωμέγα Дмитрий";
  const std::string file = folder + "\\Загрузки 下载 \xF0\x9F\x8C\x8A.txt";
  ASSERT_TRUE(p.createDirectory(folder)) << p.lastError();
  ASSERT_TRUE(put(file, "wave"));
  EXPECT_EQ(p.getAttributes(file) & attr::directory, 0u);
  // The system sees the characters themselves, not what an ANSI code page makes of them.
  const std::wstring wideFile = utf8ToWide(file);
  EXPECT_NE(GetFileAttributesW(wideFile.c_str()), INVALID_FILE_ATTRIBUTES);
  std::vector<FindEntry> found;
  ASSERT_TRUE(p.findFiles(folder + "\\*.txt", found));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].name, "Загрузки 下载 \xF0\x9F\x8C\x8A.txt");
  EXPECT_TRUE(p.copyFile(file, folder + "\\Café.txt", true));
  std::unique_ptr<File> f = p.open(folder + "\\Café.txt", OpenMode::Read);
  ASSERT_NE(f, nullptr);
  char buf[8] = {};
  EXPECT_EQ(f->read(buf, 8), 4);
  f->close();
  std::string shortName = p.shortPathName(file);
  EXPECT_FALSE(shortName.empty());
  EXPECT_NE(p.getAttributes(shortName), attr::invalid) << shortName;
  EXPECT_TRUE(p.deleteFile(file));
  EXPECT_TRUE(p.deleteFile(folder + "\\Café.txt"));
  EXPECT_TRUE(p.removeDirectory(folder));

  SetEnvironmentVariableW(L"MV_TEST_VAR", L"C:\\Temp\\Jos\u00E9 \u03A9\u03BC\u03AD\u03B3\u03B1");
  std::string value;
  ASSERT_TRUE(p.getEnv("MV_TEST_VAR", value));
  EXPECT_EQ(value, "C:\\Temp\\José Ωμέγα");
  SetEnvironmentVariableW(L"MV_TEST_VAR", nullptr);

  const std::string key = "Software\\MovivaPlatformTest\\Café Crème Дмитрий";
  RegKey k = 0;
  ASSERT_EQ(p.regCreateKey(RegRoot::CurrentUser, key, k), 0);
  RegValue text;
  text.type = RegType::String;
  const std::string data = "C:\\WINDOWS\\Web\\Wallpaper\\Café Crème 下载.html";
  text.data.assign(data.begin(), data.end());
  text.data.push_back(0);
  EXPECT_EQ(p.regSetValue(k, "Ωμέγα", text), 0);
  p.regCloseKey(k);
  HKEY h;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, utf8ToWide(key).c_str(), 0, KEY_READ, &h), 0);
  wchar_t stored[256] = {};
  DWORD size = sizeof stored, type = 0;
  EXPECT_EQ(RegQueryValueExW(h, L"\u03A9\u03BC\u03AD\u03B3\u03B1", nullptr, &type,
                             reinterpret_cast<BYTE*>(stored), &size), 0);
  RegCloseKey(h);
  EXPECT_EQ(type, DWORD(REG_SZ));
  EXPECT_EQ(std::wstring(stored), utf8ToWide(data));  // stored as UTF-16, terminated
  EXPECT_EQ(size, (utf8ToWide(data).size() + 1) * sizeof(wchar_t));
  ASSERT_EQ(p.regOpenKey(RegRoot::CurrentUser, "software\\movivaplatformtest\\CAFÉ CRÈME ДМИТРИЙ", false, k), 0);
  RegValue got;
  EXPECT_EQ(p.regQueryValue(k, "ωμέγα", got), 0);
  p.regCloseKey(k);
  EXPECT_EQ(got.data, text.data);
  EXPECT_EQ(p.regDeleteTree(RegRoot::CurrentUser, "Software\\MovivaPlatformTest"), 0);
}

TEST_F(Win32PlatformTest, ActiveDesktopNeedsComAndFailsWithTheSystemText) {
  std::unique_ptr<ActiveDesktop> ad;
  Result status = p.createActiveDesktop(ad);
  EXPECT_FALSE(status.ok()) << "created without COM";
  EXPECT_EQ(ad, nullptr);
  if (!status.ok()) {
    EXPECT_GT(status.text().size(), 0u);
    EXPECT_NE(status.text().back(), '.');
  }
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  status = p.createActiveDesktop(ad);
  EXPECT_TRUE(status.ok()) << "Active Desktop: " << status.text();
  if (status.ok()) {
    ASSERT_NE(ad, nullptr);
    ad->setDesktopItemOptions(true, true);  // Wine answers E_NOTIMPL; the call must not crash
    ad->applyChanges(0);
  }
  ad.reset();
  CoUninitialize();
}

TEST_F(Win32PlatformTest, CursorIsRemembered) {
  EXPECT_EQ(p.cursor(), Cursor::Default);
  p.setCursor(Cursor::Wait);
  EXPECT_EQ(p.cursor(), Cursor::Wait);
  EXPECT_NE(p.cursorHandle(), nullptr);
  p.setCursor(Cursor::Default);
  EXPECT_EQ(p.cursorHandle(), nullptr);
}

// The session's desktop colour changes at once (what the system saves is the caller's: Control Panel\Colors).
TEST_F(Win32PlatformTest, DesktopColourTakesEffectInTheSession) {
  const COLORREF before = GetSysColor(COLOR_DESKTOP);
  ASSERT_TRUE(p.setDesktopColour(10, 20, 30));
  EXPECT_EQ(GetSysColor(COLOR_DESKTOP), RGB(10, 20, 30));
  ASSERT_TRUE(p.setDesktopColour(GetRValue(before), GetGValue(before), GetBValue(before)));
  EXPECT_EQ(GetSysColor(COLOR_DESKTOP), before);
}

}  // namespace
}  // namespace mv
