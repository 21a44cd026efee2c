#pragma once
// Free-standing folder and file operations. None shows anything; results are codes.
#include <cstdint>
#include <string>

#include "support/result.h"

namespace mv {

// "WINDIR" with a trailing backslash; when unset or empty, the Windows directory the system reports.
std::string windowsFolderFromEnvironment();
// 0 when the file is gone (or never existed), fileBusyCode (-32) when it resists deletion.
Result deleteFileForced(const std::string& path);
// Deletes a folder with everything in it. Never follows a reparse point (junction or symbolic link):
// the link itself is removed, its target left alone. 0, fileBusyCode or -1.
Result deleteFolderTree(const std::string& folder);
// Creates a folder and every missing parent. The outcome is not examined.
void forceFolders(const std::string& folder);
// Creates a fresh folder TEMP + base (then base1, base2, ...), returning it with a trailing backslash.
// 0, or the system's last error after a bounded number of candidates (folder then holds the last tried).
// TEMP unset or empty falls back to the system's temporary folder.
Result makeTempFolder(const std::string& base, std::string& folder);
bool fileExists(const std::string& path);    // a file (not a folder) exists at path
bool folderExists(const std::string& path);  // a folder exists at path
int64_t fileSizeOf(const std::string& path); // the size of an existing file; -1 when it cannot be opened

}  // namespace mv
