#include "support/file_helpers.h"

#include <vector>

#include "platform/platform.h"
#include "support/paths.h"

namespace mv {

namespace {

// How many names makeTempFolder tries ("base", "base1" ... "base9999"). Each try is immediate; the
// bound only matters when the temporary folder itself is missing or read-only, where no number helps.
constexpr int tempFolderCandidates = 10000;

// How deep forceFolders goes: more levels than any Windows path (260 characters) can have.
constexpr int maxFolderDepth = 300;

void forceFoldersAt(const std::string& folder, int depth) {
  FileSystem& files = platform();
  if (!folderExists(folder)) {
    std::string path = withoutTrailingBackslash(folder);
    std::string parent = parentOf(path);
    if (!parent.empty() && parent != path && depth < maxFolderDepth) forceFoldersAt(parent, depth + 1);
  }
  files.createDirectory(folder);
}

}  // namespace

std::string windowsFolderFromEnvironment() {
  std::string value;
  if (!platform().getEnv("WINDIR", value) || value.empty()) value = platform().windowsDirectory();
  return withTrailingBackslash(value);
}

bool fileExists(const std::string& path) {
  if (path.empty()) return false;
  uint32_t a = platform().getAttributes(path);
  return a != attr::invalid && !(a & attr::directory);
}

bool folderExists(const std::string& path) {
  if (path.empty()) return false;
  uint32_t a = platform().getAttributes(path);
  return a != attr::invalid && (a & attr::directory);
}

Result deleteFileForced(const std::string& path) {
  FileSystem& p = platform();
  if (!fileExists(path)) return rc::ok;
  if (p.deleteFile(path)) return rc::ok;
  p.setAttributes(path, attr::normal);
  if (p.deleteFile(path)) return rc::ok;
  return fileBusyCode;
}

Result deleteFolderTree(const std::string& folderPath) {
  if (folderPath.empty()) return rc::folderFailed;
  FileSystem& p = platform();
  const std::string folder = withTrailingBackslash(folderPath);

  // A link (junction or symbolic link) is removed as itself; what it points to is never entered.
  uint32_t own = p.getAttributes(folder);
  if (own == attr::invalid) return rc::ok;
  if ((own & attr::reparsePoint) && (own & attr::directory)) {
    p.setAttributes(folder, attr::normal);
    return p.removeDirectory(withoutTrailingBackslash(folder)) ? rc::ok : rc::folderFailed;
  }

  bool fileFailed = false;
  std::vector<FindEntry> entries;
  if (p.findFiles(folder + "*.*", entries)) {
    for (const FindEntry& e : entries) {
      if (e.name == "." || e.name == "..") continue;
      if ((e.attributes & attr::directory) && (e.attributes & attr::reparsePoint)) {
        // The link itself goes; its target stays untouched.
        p.setAttributes(folder + e.name, attr::normal);
        p.removeDirectory(folder + e.name);
      } else if (e.attributes & attr::directory) {
        deleteFolderTree(folder + e.name + "\\");
      } else if (deleteFileForced(folder + e.name) != rc::ok) {
        fileFailed = true;
        break;
      }
    }
  }
  if (fileFailed) return fileBusyCode;
  if (!folderExists(folder)) return rc::ok;
  p.setAttributes(folder, attr::normal);
  return p.removeDirectory(withoutTrailingBackslash(folder)) ? rc::ok : rc::folderFailed;
}

void forceFolders(const std::string& folder) {
  if (folder.empty()) return;
  forceFoldersAt(folder, 0);
}

Result makeTempFolder(const std::string& base, std::string& folder) {
  Platform& p = platform();
  std::string temp;
  if (!p.getEnv("TEMP", temp) || temp.empty()) temp = p.tempPath();
  const std::string first = withTrailingBackslash(temp) + base;
  std::string candidate = first;
  for (int n = 0; n < tempFolderCandidates; n++) {
    candidate = n == 0 ? first : first + std::to_string(n);
    if (p.createDirectory(candidate)) {
      folder = candidate + "\\";
      return rc::ok;
    }
  }
  folder = candidate;
  int32_t code = p.lastError();
  return code != 0 ? code : rc::folderFailed;
}

int64_t fileSizeOf(const std::string& path) {
  std::unique_ptr<File> f = platform().open(path, OpenMode::Read);
  if (!f) return -1;
  int64_t size = f->size();
  f->close();
  return size;
}

}  // namespace mv
