#pragma once
// Deletions that wait for the next start of Windows. MoveFileEx(MOVEFILE_DELAY_UNTIL_REBOOT) records
// them in HKLM\SYSTEM\CurrentControlSet\Control\Session Manager, value "PendingFileRenameOperations"
// (REG_MULTI_SZ): pairs of texts, a source in the object manager's form ("\??\C:\folder\file") and a
// target, empty for a deletion; the system carries them out, in order, while it starts.
//
// A file written after its deletion was scheduled is still deleted at the restart. So whoever writes
// files where an uninstaller may have left such deletions takes those back first.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "support/result.h"

namespace mv {

// One pending operation of the value's data (UTF-8, as the registry topic hands it over).
struct PendingRename {
  size_t begin = 0, end = 0;  // its bytes in the data: both texts with their zeros
  std::string source, target;
};
// The complete pairs of the data, in order. Reading stops at the empty text that ends the list, at the
// end of the data, and at a pair without its target's terminating zero (which is not counted); nothing
// is read outside the data.
std::vector<PendingRename> parsePendingRenames(const std::vector<uint8_t>& data);

// Takes back every deletion scheduled for the restart of one of `paths` or of anything below one of
// them (folders with or without their trailing backslash). Paths compare as Windows compares them: the
// "\??\" (or "\\?\") prefix ignored, letter case ignored (support/paths.h foldCase), and a short (8.3)
// spelling taken as the long one where the file system names one (`files.shortPathName` of the path, or
// of its nearest existing folder with the rest appended). Renames are left alone, whatever they name.
// The pairs taken back leave the value; every other byte of it stays as it was, and the value is deleted
// when nothing but zeros is left. 0 when nothing was pending on those paths (no value, not a REG_MULTI_SZ) or the
// value was written; otherwise the registry's code, and nothing has changed.
Result cancelRestartDeletions(Registry& registry, FileSystem& files, const std::vector<std::string>& paths);

}  // namespace mv
