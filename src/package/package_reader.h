#pragma once
// Bringing the package directory into memory at start-up: the private copy of the executable, the
// directory read, and deletion with retries.
#include <functional>
#include <string>

#include "platform/platform.h"

namespace mv {

// Deletes path, retrying up to `attempts` times without pause; 0, -32 or an I/O code; reports the
// failure with the path when `report` is set.
Result deleteWithRetry(const std::string& path, bool report, int attempts);
// Copies the executable to state().tempCopyPath; on failure reports -523 with the temp copy path and
// returns the actual code.
Result makeTempCopy();
// Opens the temp copy, reads the 3,176-byte directory at packageOffset into state().directory, checks
// the integrity record when one is present and the directory's offsets against the file, then runs
// `whileOpen` (start-up's library step) on the still-open stream. Reports its own failures.
Result readPackageDirectory(const std::function<Result(File&)>& whileOpen);

}  // namespace mv
