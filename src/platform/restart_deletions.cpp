#include "platform/restart_deletions.h"

#include <algorithm>

#include "support/paths.h"

namespace mv {

namespace {

constexpr const char* kSessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const char* kPendingRenamesValue = "PendingFileRenameOperations";

// How many folders shortSpelling climbs to find one that exists: more than a Windows path can hold.
constexpr int kMaxFolderClimb = 300;

// The text that starts at `from` up to its zero: false when the data ends first.
bool readText(const std::vector<uint8_t>& data, size_t& from, std::string& text) {
  size_t zero = from;
  while (zero < data.size() && data[zero] != 0) ++zero;
  if (zero >= data.size()) return false;
  text.assign(data.begin() + std::ptrdiff_t(from), data.begin() + std::ptrdiff_t(zero));
  from = zero + 1;
  return true;
}

// A path without the object manager's "\??\" or the long-path "\\?\" before it, and without trailing
// backslashes.
std::string bare(const std::string& path) {
  std::string p = path;
  if (p.compare(0, 4, "\\??\\") == 0 || p.compare(0, 4, "\\\\?\\") == 0) p.erase(0, 4);
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}

// A path on a drive ("C:" or "C:\..."): the only kind whose short spelling is looked up, so that no
// network share is asked.
bool onDrive(const std::string& path) {
  const char c = char(path.empty() ? 0 : path[0] | 0x20);
  return path.size() >= 2 && c >= 'a' && c <= 'z' && path[1] == ':' && (path.size() == 2 || path[2] == '\\');
}

// The short (8.3) spelling of a bare path on a drive: the system's for the path itself or, when that does
// not exist, for its nearest existing folder with the rest appended as it is; "" when none is known. The
// drive itself is asked for as its root, "C:\" (a bare "C:" would be the drive's current folder).
std::string shortSpelling(FileSystem& files, const std::string& path) {
  if (!onDrive(path)) return std::string();
  std::string head = path, rest;
  for (int climb = 0; climb < kMaxFolderClimb; ++climb) {
    const std::string known = files.shortPathName(head.size() == 2 ? head + "\\" : head);
    if (!known.empty()) return withoutTrailingBackslash(known) + rest;
    const size_t cut = head.rfind('\\');
    if (cut == std::string::npos) break;
    rest = head.substr(cut) + rest;
    head.resize(cut);
  }
  return std::string();
}

// Every spelling of a path that Windows takes for it, as compared: folded, long and short.
std::vector<std::string> spellings(FileSystem& files, const std::string& path) {
  std::vector<std::string> out;
  const std::string p = bare(path);
  if (p.empty()) return out;
  out.push_back(foldCase(p));
  const std::string shortened = shortSpelling(files, p);
  if (!shortened.empty() && foldCase(shortened) != out[0]) out.push_back(foldCase(shortened));
  return out;
}

// `path` is `base` or lies below it (both folded spellings).
bool atOrBelow(const std::string& path, const std::string& base) {
  return !base.empty() && path.compare(0, base.size(), base) == 0 &&
         (path.size() == base.size() || path[base.size()] == '\\');
}

bool belowAny(const std::vector<std::string>& pathSpellings, const std::vector<std::string>& bases) {
  for (const std::string& p : pathSpellings)
    for (const std::string& base : bases)
      if (atOrBelow(p, base)) return true;
  return false;
}

// Whether a pending deletion's source is one of the bases or below one: its text first, its short
// spelling only when the text alone does not match.
bool deletionTakenBack(FileSystem& files, const std::string& source, const std::vector<std::string>& bases) {
  const std::string p = bare(source);
  if (p.empty()) return false;
  if (belowAny({foldCase(p)}, bases)) return true;
  return belowAny(spellings(files, p), bases);
}

}  // namespace

std::vector<PendingRename> parsePendingRenames(const std::vector<uint8_t>& data) {
  std::vector<PendingRename> pairs;
  size_t at = 0;
  while (at < data.size() && data[at] != 0) {
    PendingRename pair;
    pair.begin = at;
    if (!readText(data, at, pair.source) || !readText(data, at, pair.target)) break;
    pair.end = at;
    pairs.push_back(std::move(pair));
  }
  return pairs;
}

Result cancelRestartDeletions(Registry& registry, FileSystem& files, const std::vector<std::string>& paths) {
  std::vector<std::string> bases;
  for (const std::string& path : paths)
    for (std::string& spelling : spellings(files, path)) bases.push_back(std::move(spelling));
  if (bases.empty()) return rc::ok;

  RegKey key = 0;
  Result r = registry.regOpenKey(RegRoot::LocalMachine, kSessionManagerKey, true, key);
  if (r == oserr::fileNotFound) return rc::ok;  // no key: nothing is pending
  if (!r.ok()) return r;
  RegValue value;
  r = registry.regQueryValue(key, kPendingRenamesValue, value);
  if (r.ok() && value.type == RegType::MultiString) {
    // The kept data: the value's bytes without those of the pairs taken back.
    std::vector<uint8_t> kept;
    size_t copied = 0;
    bool takenBack = false;
    for (const PendingRename& pair : parsePendingRenames(value.data)) {
      if (!pair.target.empty() || !deletionTakenBack(files, pair.source, bases)) continue;
      const auto data = value.data.begin();
      kept.insert(kept.end(), data + std::ptrdiff_t(copied), data + std::ptrdiff_t(pair.begin));
      copied = pair.end;
      takenBack = true;
    }
    if (takenBack) {
      kept.insert(kept.end(), value.data.begin() + std::ptrdiff_t(copied), value.data.end());
      const bool empty = std::all_of(kept.begin(), kept.end(), [](uint8_t b) { return b == 0; });
      value.data = std::move(kept);
      r = empty ? registry.regDeleteValue(key, kPendingRenamesValue)
                : registry.regSetValue(key, kPendingRenamesValue, value);
    }
  } else if (r.ok() || r == oserr::fileNotFound) {
    r = rc::ok;  // no value, or one the system would not read as a list
  }
  registry.regCloseKey(key);
  return r;
}

}  // namespace mv
