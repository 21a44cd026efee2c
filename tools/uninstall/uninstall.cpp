// uninstall.exe: the sample uninstaller that Moviva packages carry in slot 9.
//
// The installer puts it into the content folder <Windows>\Web\Wallpaper\<title> dir\ and registers
// it under HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\<title>. It learns the title from the
// folder it runs from, asks for confirmation, and removes
//   - the content folder with everything in it,
//   - the desktop page <Windows>\Web\Wallpaper\<title>.html (and, when the Active Desktop still shows
//     that page, the wallpaper setting that points at it),
//   - the uninstall entry,
// then reports what it removed. A program cannot delete its own running file, so uninstall.exe and the
// then empty content folder are handed to MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT), which removes them at
// the next restart (Windows 95/98/ME: the [rename] section of wininit.ini). Files that are busy
// are scheduled the same way.
//
// Command line: none for a user. "/y" skips the confirmation and the final report (for scripts and
// tests); the exit code then says what happened: 0 everything removed (or scheduled), 1 the user said
// no, 2 not run from a content folder (nothing touched), 3 something could not be removed.
//
// Text inside is UTF-8, as in the installer; every call to the system is the wide (UTF-16) one, so a
// title or a Windows folder in any script is removed the same on every system.
#include <windows.h>

#include <string>
#include <vector>

#include "support/paths.h"
#include "support/system_errors.h"
#include "support/text_encoding.h"

namespace {

using mv::utf8ToWide;
using mv::wideToUtf8;

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kDesktopGeneralKey[] = L"Software\\Microsoft\\Internet Explorer\\Desktop\\General";

// Paths and names compared as Windows compares them, letter case ignored.
bool samePath(const std::string& a, const std::string& b) { return mv::equalsIgnoreCase(a, b); }

std::string withSlash(std::string s) {
  if (!s.empty() && s.back() != '\\') s += '\\';
  return s;
}

std::string lastErrorText(DWORD code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string s = text ? wideToUtf8(text) : "error " + std::to_string(code);
  if (text) LocalFree(text);
  return mv::trimSystemText(s);
}

// The long form of a path (an uninstall entry may start the uninstaller by its 8.3 name). GetLongPathNameW
// is missing on NT 4, so it is looked up at run time.
std::string longPath(const std::string& path) {
  typedef DWORD(WINAPI * LongPathFn)(LPCWSTR, LPWSTR, DWORD);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  LongPathFn fn = kernel ? reinterpret_cast<LongPathFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "GetLongPathNameW")))
                         : nullptr;
  if (!fn) return path;
  wchar_t buffer[MAX_PATH * 2];
  DWORD n = fn(utf8ToWide(path).c_str(), buffer, MAX_PATH * 2);
  return (n > 0 && n < MAX_PATH * 2) ? wideToUtf8(buffer, n) : path;
}

std::string windowsFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = GetEnvironmentVariableW(L"WINDIR", buffer, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  return withSlash(wideToUtf8(buffer, n <= MAX_PATH ? n : 0));
}

bool containsWallpaperWord(const std::string& title) {
  return mv::asciiLower(title).find("wallpaper") != std::string::npos;
}

// Deletion with a restart as the last resort; every outcome lands in one of the two lists.
struct Outcome {
  std::vector<std::string> removed, atRestart, failed;
};

bool scheduleAtRestart(const std::string& path) {
  const std::wstring wpath = utf8ToWide(path);
  if (MoveFileExW(wpath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
  // Windows 95/98/ME: NUL=<short path> in wininit.ini's [rename] section.
  wchar_t shortPath[MAX_PATH];
  DWORD n = GetShortPathNameW(wpath.c_str(), shortPath, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return false;
  return WritePrivateProfileStringW(L"rename", L"NUL", shortPath, L"wininit.ini") != 0;
}

void removeFile(const std::string& path, Outcome& out, bool scheduleIfBusy) {
  const std::wstring wpath = utf8ToWide(path);
  DWORD attributes = GetFileAttributesW(wpath.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(wpath.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(wpath.c_str())) {
    out.removed.push_back(path);
    return;
  }
  DWORD error = GetLastError();
  if (scheduleIfBusy && scheduleAtRestart(path)) out.atRestart.push_back(path);
  else out.failed.push_back(path + " (" + lastErrorText(error) + ")");
}

// Removes a folder's contents, never following a junction or symbolic link (the link itself goes), and
// leaving `keep` (our own running file) for the restart. True when nothing but `keep` is left.
bool removeTree(const std::string& folder, const std::string& keep, Outcome& out) {
  bool empty = true;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(utf8ToWide(withSlash(folder) + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = wideToUtf8(found.cFileName);
      if (name == "." || name == "..") continue;
      std::string path = withSlash(folder) + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
          if (!RemoveDirectoryW(utf8ToWide(path).c_str())) {
            out.failed.push_back(path + " (" + lastErrorText(GetLastError()) + ")");
            empty = false;
          }
          continue;
        }
        if (removeTree(path, keep, out) && RemoveDirectoryW(utf8ToWide(path).c_str())) continue;
        if (scheduleAtRestart(path)) out.atRestart.push_back(path + "\\");
        empty = false;
      } else if (samePath(path, keep)) {
        continue;  // our own running file: left for the restart
      } else {
        size_t before = out.removed.size();
        removeFile(path, out, true);
        if (out.removed.size() == before) empty = false;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return empty;
}

// Deletes a registry key with everything below it (RegDeleteKey on NT only deletes keys without subkeys).
LONG deleteKeyTree(HKEY root, const std::wstring& path) {
  HKEY key;
  LONG r = RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  if (r != ERROR_SUCCESS) return r;
  wchar_t name[256];
  for (;;) {
    DWORD size = 256;
    if (RegEnumKeyExW(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (deleteKeyTree(key, std::wstring(name, size)) != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  return RegDeleteKeyW(root, path.c_str());
}

std::string readStringValue(HKEY root, const wchar_t* path, const wchar_t* value) {
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  wchar_t data[1024];
  DWORD size = sizeof data - sizeof data[0], type = 0;
  std::string out;
  if (RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    data[size / sizeof data[0]] = 0;
    out = wideToUtf8(data);
  }
  RegCloseKey(key);
  return out;
}

int report(bool quiet, const std::string& caption, const std::string& text, UINT icon, int code) {
  if (!quiet) MessageBoxW(nullptr, utf8ToWide(text).c_str(), utf8ToWide(caption).c_str(), MB_OK | icon);
  return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
  const std::string args = mv::asciiLower(commandLine ? wideToUtf8(commandLine) : std::string());
  const bool quiet = args.find("/y") != std::string::npos;

  wchar_t exeBuffer[MAX_PATH * 2];
  DWORD n = GetModuleFileNameW(nullptr, exeBuffer, MAX_PATH * 2);
  const std::string exe = longPath(wideToUtf8(exeBuffer, n < MAX_PATH * 2 ? n : 0));
  const size_t slash = exe.find_last_of('\\');
  const std::string folder = slash == std::string::npos ? "" : exe.substr(0, slash);  // no trailing backslash
  const std::string folderName = folder.substr(folder.find_last_of('\\') + 1);
  const std::string wallpaperFolder = windowsFolder() + "Web\\Wallpaper\\";
  const std::string caption = "Uninstall";

  // Only a content folder directly in Web\Wallpaper is ours to remove.
  const bool named = folderName.size() > 4 && mv::asciiLower(folderName.substr(folderName.size() - 4)) == " dir";
  const bool placed =
      samePath(longPath(withSlash(folder.substr(0, folder.size() - folderName.size()))), longPath(wallpaperFolder));
  if (!named || !placed)
    return report(quiet, caption,
                  "This uninstaller removes the wallpaper content folder it was installed into (" + wallpaperFolder +
                      "<title> dir), but it runs from\r\n\r\n" + folder + "\r\n\r\nNothing was removed.",
                  MB_ICONERROR, 2);

  const std::string title = folderName.substr(0, folderName.size() - 4);
  const std::string displayName = containsWallpaperWord(title) ? title : title + " Wallpaper";
  const std::string page = wallpaperFolder + title + ".html";
  const std::string entry = kUninstallKey + title;

  if (!quiet) {
    std::string question = "Remove " + displayName + " from this computer?\r\n\r\nThis deletes:\r\n  " + folder +
                           "\\ and all files in it\r\n  " + page +
                           "\r\n  its entry in the list of installed programs";
    if (MessageBoxW(nullptr, utf8ToWide(question).c_str(), utf8ToWide(caption + " " + displayName).c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
      return 1;
  }

  SetCurrentDirectoryW(utf8ToWide(windowsFolder()).c_str());  // never hold the folder we remove
  Outcome out;

  // The desktop: when it still shows our page, stop pointing at a file that is about to go.
  if (samePath(readStringValue(HKEY_CURRENT_USER, kDesktopGeneralKey, L"Wallpaper"), page)) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopGeneralKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      RegSetValueExW(key, L"Wallpaper", 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
      RegCloseKey(key);
      SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(L""), SPIF_SENDWININICHANGE);
      out.removed.push_back("the desktop wallpaper setting that showed " + title + ".html");
    }
  }

  removeFile(page, out, true);

  const size_t before = out.removed.size();
  const bool onlySelfLeft = removeTree(folder, exe, out);
  const size_t files = out.removed.size() - before;  // one line for the folder's files, not one each
  out.removed.resize(before);
  if (files) out.removed.push_back(folder + "\\: " + std::to_string(files) + (files == 1 ? " file" : " files"));
  if (onlySelfLeft) {
    // Only our own file is left: it and the folder go at the next restart, in that order.
    if (scheduleAtRestart(exe) && scheduleAtRestart(folder)) out.atRestart.push_back(folder + "\\ (with uninstall.exe)");
    else out.failed.push_back(folder + "\\ (cannot schedule its removal)");
  } else {
    out.failed.push_back(folder + "\\ (still holds files)");
  }

  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, utf8ToWide(entry).c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    RegDeleteValueW(key, L"DisplayName");
    RegDeleteValueW(key, L"UninstallString");
    RegCloseKey(key);
    LONG r = deleteKeyTree(HKEY_LOCAL_MACHINE, utf8ToWide(entry));
    if (r == ERROR_SUCCESS) out.removed.push_back("HKEY_LOCAL_MACHINE\\" + entry);
    else out.failed.push_back("HKEY_LOCAL_MACHINE\\" + entry + " (" + lastErrorText(static_cast<DWORD>(r)) + ")");
  }

  std::string text;
  if (!out.removed.empty()) {
    text += "Removed:\r\n";
    for (const std::string& s : out.removed) text += "  " + s + "\r\n";
  }
  if (!out.atRestart.empty()) {
    text += (text.empty() ? "" : "\r\n") + std::string("Removed when Windows restarts:\r\n");
    for (const std::string& s : out.atRestart) text += "  " + s + "\r\n";
  }
  if (!out.failed.empty()) {
    text += (text.empty() ? "" : "\r\n") + std::string("Could not be removed:\r\n");
    for (const std::string& s : out.failed) text += "  " + s + "\r\n";
  }
  if (text.empty()) text = "Nothing of " + displayName + " was found.";
  return report(quiet, caption + " " + displayName, text, out.failed.empty() ? MB_ICONINFORMATION : MB_ICONWARNING,
                out.failed.empty() ? 0 : 3);
}
