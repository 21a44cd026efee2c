// Deletions pending for the restart under Wine: the pairs the system's own MoveFileEx records, read and
// written back through the Win32 platform (REG_MULTI_SZ crosses the boundary as UTF-8), and the short
// names the file system gives.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_helpers.h"
#include "platform/restart_deletions.h"
#include "platform/win32/win32_platform.h"
#include "support/text_encoding.h"
#include "support/user_texts.h"

namespace mv {
namespace {

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPending[] = L"PendingFileRenameOperations";

// The value as the system stores it: its UTF-16 units ("" when there is none).
std::wstring storedValue() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"";
  DWORD type = 0, size = 0;
  std::wstring units;
  if (RegQueryValueExW(key, kPending, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    units.resize(size / sizeof(wchar_t));
    RegQueryValueExW(key, kPending, nullptr, &type, reinterpret_cast<BYTE*>(&units[0]), &size);
    EXPECT_EQ(type, DWORD(REG_MULTI_SZ));
  }
  RegCloseKey(key);
  return units;
}

void removeValue() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, kPending);
  RegCloseKey(key);
}

// The pairs of the stored units, as texts.
std::vector<std::pair<std::wstring, std::wstring>> storedPairs() {
  std::vector<std::pair<std::wstring, std::wstring>> pairs;
  const std::wstring units = storedValue();
  size_t at = 0;
  while (at < units.size() && units[at] != 0) {
    const size_t sourceEnd = units.find(L'\0', at);
    const size_t targetEnd = units.find(L'\0', sourceEnd + 1);
    pairs.emplace_back(units.substr(at, sourceEnd - at), units.substr(sourceEnd + 1, targetEnd - sourceEnd - 1));
    at = targetEnd + 1;
  }
  return pairs;
}

class RestartDeletionsWine : public ::testing::Test {
 protected:
  void SetUp() override {
    removeValue();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root = std::wstring(temp) + L"mvrestart" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    content = root + L"Caf\u00E9 Cr\u00E8me dir";
    ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(content.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((content + L"\\pictures").c_str(), nullptr));
    for (const std::wstring& file : {content + L"\\movie.swf", content + L"\\pictures\\wave picture.jpg",
                                     root + L"other.txt", root + L"Caf\u00E9 Cr\u00E8me dir2.txt"})
      makeFile(file);
  }
  void TearDown() override {
    removeValue();
    (void)deleteFolderTree(p, wideToUtf8(root));  // clean-up only
  }
  void makeFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
  }
  static void schedule(const std::wstring& path, const wchar_t* target = nullptr) {
    ASSERT_TRUE(MoveFileExW(path.c_str(), target, MOVEFILE_DELAY_UNTIL_REBOOT)) << GetLastError();
  }
  static std::wstring shortName(const std::wstring& path) {
    wchar_t buffer[MAX_PATH];
    const DWORD n = GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(buffer, n) : path;
  }

  Win32Platform p{text::abortButton};
  std::wstring root, content;
};

// As an uninstaller leaves them: files in the folder (one by its short name), the folder, a file outside
// it whose name only begins like the folder's, and a rename of a file in the folder.
TEST_F(RestartDeletionsWine, TheSystemsOwnRecordsOfAFolderAreTakenBack) {
  schedule(root + L"other.txt");
  schedule(content + L"\\movie.swf");
  const std::wstring wave = shortName(content + L"\\pictures\\wave picture.jpg");
  ASSERT_EQ(wave.find(L"Caf\u00E9"), std::wstring::npos) << "no short name: " << wideToUtf8(wave);
  schedule(wave);
  schedule(root + L"Caf\u00E9 Cr\u00E8me dir2.txt");
  schedule(content + L"\\pictures");
  schedule(content);
  const std::wstring renamed = root + L"renamed.swf";
  schedule(content + L"\\movie.swf", renamed.c_str());
  const auto before = storedPairs();
  ASSERT_EQ(before.size(), 7u);

  EXPECT_EQ(cancelRestartDeletions(p, p, {wideToUtf8(content) + "\\"}), 0);
  const auto after = storedPairs();
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[1], before[3]);
  EXPECT_EQ(after[2], before[6]);  // a rename stays, whatever it names
  EXPECT_EQ(storedValue().back(), L'\0');

  // Taking back the rest leaves no value behind.
  EXPECT_EQ(cancelRestartDeletions(p, p, {wideToUtf8(root)}), 0);
  ASSERT_EQ(storedPairs().size(), 1u);  // the rename
  removeValue();
  schedule(root + L"other.txt");
  EXPECT_EQ(cancelRestartDeletions(p, p, {wideToUtf8(root + L"other.txt")}), 0);
  EXPECT_EQ(storedValue(), L"");
}

// A deletion in a folder that is gone is compared by its nearest existing folder, here the drive's root,
// while the current folder is the content folder (on Windows a bare "C:" names the current folder).
TEST_F(RestartDeletionsWine, AFileInAMissingFolderIsNotTakenForTheCurrentFolder) {
  const std::wstring gone = L"\\??\\C:\\mvgone" + std::to_wstring(GetCurrentProcessId()) + L"\\file.txt";
  const std::wstring data = gone + std::wstring(2, L'\0') + L"\\??\\" + content + L"\\movie.swf" +
                            std::wstring(3, L'\0');
  HKEY key;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, kPending, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                           DWORD(data.size() * sizeof(wchar_t))),
            ERROR_SUCCESS);
  RegCloseKey(key);
  wchar_t before[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, before);
  ASSERT_TRUE(SetCurrentDirectoryW(content.c_str()));
  const Result r = cancelRestartDeletions(p, p, {wideToUtf8(content)});
  SetCurrentDirectoryW(before);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(storedValue(), gone + std::wstring(3, L'\0'));
}

}  // namespace
}  // namespace mv
