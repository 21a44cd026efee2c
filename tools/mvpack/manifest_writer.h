#pragma once
// The manifest `mvpack extract` writes beside what it extracted, from which `mvpack build` makes the same
// installer again.
#include <string>

#include "package/format.h"

namespace mvpack {

// slotNames[k]: the name slot k was extracted under into "slots/" ("" when it was not); mainName: the
// content file of data file record 1 ("" when there is none).
std::string extractedManifest(const std::string& installerPath, const mv::PackageHeader& h,
                              const std::string (&slotNames)[mv::kSlotCount], const std::string& mainName);

}  // namespace mvpack
