#pragma once
// Free-standing folder and file operations over the platform topic they use. None shows anything;
// results are codes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "support/result.h"

namespace mv {

// "WINDIR" with a trailing backslash; when unset or empty, the Windows directory the system reports.
std::string windowsFolderFromEnvironment(System& system);
// 0 when the file is gone (or never existed), fileBusyCode (-32) when it resists deletion.
Result deleteFileForced(FileSystem& files, const std::string& path);
// Deletes a folder with everything in it. Never follows a reparse point (junction or symbolic link):
// the link itself is removed, its target left alone. 0, fileBusyCode or -1; a subfolder that cannot be
// emptied does not stop the walk, it only makes the removal of the folders above it fail (-1).
Result deleteFolderTree(FileSystem& files, const std::string& folder);
// Creates a folder and every missing parent. The outcome is not examined.
void forceFolders(FileSystem& files, const std::string& folder);
// Creates a fresh folder TEMP + base (then base1, base2, ...), returning it with a trailing backslash.
// 0, or the system's last error after a bounded number of candidates (folder then holds the last tried).
// TEMP unset or empty falls back to the system's temporary folder.
Result makeTempFolder(System& system, FileSystem& files, const std::string& base, std::string& folder);
bool fileExists(FileSystem& files, const std::string& path);    // a file (not a folder) exists at path
bool folderExists(FileSystem& files, const std::string& path);  // a folder exists at path
// Reads exactly count bytes: 0, -30 (short read) when fewer arrive, or the I/O code of the failure.
Result readExactly(FileSystem& files, File& file, void* buffer, int64_t count);
// A whole file in memory. The buffer is allocated without throwing, since its size comes from the file.
struct FileBytes {
  std::unique_ptr<uint8_t[]> data;  // never nullptr after a successful read, also for an empty file
  size_t size = 0;
  bool opened = false;  // the file could be opened (a failure came after that)
  std::string text() const { return std::string(reinterpret_cast<const char*>(data.get()), size); }
};
// The one whole-file reader: 0, or why the file could not be read: the system's code of the call that
// failed (2 for an open, 30 for a size or read, that leaves none), 8 (not enough memory) for a file
// larger than maxBytes or one that does not fit in memory, -30 for a file that ends before its size.
// Nothing is handed back from a failed read but `opened`.
Result readWholeFile(FileSystem& files, const std::string& path, uint64_t maxBytes, FileBytes& out,
                     OpenMode mode = OpenMode::Read);
// The size of an existing file; -1 when it cannot be opened.
int64_t fileSizeOf(FileSystem& files, const std::string& path);
// The bytes of every file in a folder and its subfolders (links not entered, files that cannot be
// opened not counted); 0 for a folder that is not there.
uint64_t folderTreeBytes(FileSystem& files, const std::string& folder);

}  // namespace mv
