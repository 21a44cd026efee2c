#include "platform/file_helpers.h"

#include <new>
#include <vector>

#include "platform/system_errors.h"
#include "support/paths.h"

namespace mv {

namespace {

// How many names makeTempFolder tries ("base", "base1" ... "base9999"). Each try is immediate; the
// bound only matters when the temporary folder itself is missing or read-only, where no number helps.
constexpr int tempFolderCandidates = 10000;

// How deep forceFolders goes: more levels than any Windows path (260 characters) can have.
constexpr int maxFolderDepth = 300;

void forceFoldersAt(FileSystem& files, const std::string& folder, int depth) {
  if (!folderExists(files, folder)) {
    std::string path = withoutTrailingBackslash(folder);
    std::string parent = parentOf(path);
    if (!parent.empty() && parent != path && depth < maxFolderDepth) forceFoldersAt(files, parent, depth + 1);
  }
  files.createDirectory(folder);
}

uint64_t folderTreeBytesAt(FileSystem& files, const std::string& folder, int depth) {
  std::vector<FindEntry> entries;
  if (depth > maxFolderDepth || !files.findFiles(folder + "*.*", entries)) return 0;
  uint64_t total = 0;
  for (const FindEntry& e : entries) {
    if (e.name == "." || e.name == ".." || (e.attributes & attr::reparsePoint)) continue;
    if (e.attributes & attr::directory) {
      total += folderTreeBytesAt(files, folder + e.name + "\\", depth + 1);
    } else {
      const int64_t size = fileSizeOf(files, folder + e.name);
      if (size > 0) total += uint64_t(size);
    }
  }
  return total;
}

}  // namespace

std::string windowsFolderFromEnvironment(System& system) {
  std::string value;
  if (!system.getEnv("WINDIR", value) || value.empty()) value = system.windowsDirectory();
  return withTrailingBackslash(value);
}

bool fileExists(FileSystem& files, const std::string& path) {
  if (path.empty()) return false;
  uint32_t a = files.getAttributes(path);
  return a != attr::invalid && !(a & attr::directory);
}

bool folderExists(FileSystem& files, const std::string& path) {
  if (path.empty()) return false;
  uint32_t a = files.getAttributes(path);
  return a != attr::invalid && (a & attr::directory);
}

Result deleteFileForced(FileSystem& files, const std::string& path) {
  if (!fileExists(files, path)) return rc::ok;
  if (files.deleteFile(path)) return rc::ok;
  files.setAttributes(path, attr::normal);
  if (files.deleteFile(path)) return rc::ok;
  return fileBusyCode;
}

Result deleteFolderTree(FileSystem& files, const std::string& folderPath) {
  if (folderPath.empty()) return rc::folderFailed;
  const std::string folder = withTrailingBackslash(folderPath);

  // A link (junction or symbolic link) is removed as itself; what it points to is never entered.
  uint32_t own = files.getAttributes(folder);
  if (own == attr::invalid) return rc::ok;
  if ((own & attr::reparsePoint) && (own & attr::directory)) {
    files.setAttributes(folder, attr::normal);
    return files.removeDirectory(withoutTrailingBackslash(folder)) ? rc::ok : rc::folderFailed;
  }

  bool fileFailed = false;
  std::vector<FindEntry> entries;
  if (files.findFiles(folder + "*.*", entries)) {
    for (const FindEntry& e : entries) {
      if (e.name == "." || e.name == "..") continue;
      if ((e.attributes & attr::directory) && (e.attributes & attr::reparsePoint)) {
        // The link itself goes; its target stays untouched.
        files.setAttributes(folder + e.name, attr::normal);
        files.removeDirectory(folder + e.name);
      } else if (e.attributes & attr::directory) {
        // Not examined: the walk goes on past a subfolder that keeps a busy file; that subfolder then
        // makes this folder's own removal below fail, so the caller still sees -1.
        (void)deleteFolderTree(files, folder + e.name + "\\");
      } else if (deleteFileForced(files, folder + e.name) != rc::ok) {
        fileFailed = true;
        break;
      }
    }
  }
  if (fileFailed) return fileBusyCode;
  if (!folderExists(files, folder)) return rc::ok;
  files.setAttributes(folder, attr::normal);
  return files.removeDirectory(withoutTrailingBackslash(folder)) ? rc::ok : rc::folderFailed;
}

void forceFolders(FileSystem& files, const std::string& folder) {
  if (folder.empty()) return;
  forceFoldersAt(files, folder, 0);
}

Result makeTempFolder(System& system, FileSystem& files, const std::string& base, std::string& folder) {
  std::string temp;
  if (!system.getEnv("TEMP", temp) || temp.empty()) temp = system.tempPath();
  const std::string first = withTrailingBackslash(temp) + base;
  std::string candidate = first;
  for (int n = 0; n < tempFolderCandidates; n++) {
    candidate = n == 0 ? first : first + std::to_string(n);
    if (files.createDirectory(candidate)) {
      folder = candidate + "\\";
      return rc::ok;
    }
  }
  folder = candidate;
  int32_t code = files.lastError();
  return code != 0 ? code : rc::folderFailed;
}

int64_t fileSizeOf(FileSystem& files, const std::string& path) {
  std::unique_ptr<File> f = files.open(path, OpenMode::Read);
  if (!f) return -1;
  int64_t size = f->size();
  f->close();
  return size;
}

namespace {

// The code the failed call left, or `otherwise` when it left none.
int32_t codeOr(FileSystem& files, int32_t otherwise) {
  const int32_t code = files.lastError();
  return code != 0 ? code : otherwise;
}

Result readOpenFile(FileSystem& files, File& f, uint64_t maxBytes, FileBytes& out) {
  const int64_t size = f.size();
  if (size < 0) return codeOr(files, oserr::readFault);
  if (uint64_t(size) > maxBytes || uint64_t(size) > SIZE_MAX) return oserr::notEnoughMemory;
  out.data.reset(new (std::nothrow) uint8_t[size ? size_t(size) : 1]);
  if (!out.data) return oserr::notEnoughMemory;
  int64_t got = 0;
  while (got < size) {
    const int64_t n = f.read(out.data.get() + got, size - got);
    if (n < 0) return codeOr(files, oserr::readFault);
    if (n == 0) return rc::shortIo;
    got += n;
  }
  out.size = size_t(size);
  return rc::ok;
}

}  // namespace

Result readWholeFile(FileSystem& files, const std::string& path, uint64_t maxBytes, FileBytes& out, OpenMode mode) {
  out = FileBytes();
  std::unique_ptr<File> f = files.open(path, mode);
  if (!f) return codeOr(files, oserr::fileNotFound);
  out.opened = true;
  const Result r = readOpenFile(files, *f, maxBytes, out);
  (void)f->close();  // only read from: a failed close loses nothing
  if (r != rc::ok) {
    out.data.reset();
    out.size = 0;
  }
  return r;
}

uint64_t folderTreeBytes(FileSystem& files, const std::string& folder) {
  if (folder.empty()) return 0;
  return folderTreeBytesAt(files, withTrailingBackslash(folder), 0);
}

Result readExactly(FileSystem& files, File& file, void* buffer, int64_t count) {
  const int64_t got = file.read(buffer, count);
  if (got < 0) return lastIoError(files);
  return got < count ? rc::shortIo : 0;
}

}  // namespace mv
