#pragma once
// Bringing the package directory into memory at start-up: the private copy of the executable, the
// directory read, and deletion with retries.
#include <functional>
#include <string>

#include "package/session.h"
#include "platform/platform.h"

namespace mv {

// Deletes path, retrying up to `attempts` times without pause; 0, -32 or an I/O code; reports the
// failure with the path to `reportTo` unless it is nullptr.
Result deleteWithRetry(FileSystem& files, const std::string& path, Reporter* reportTo, int attempts);
// Copies the executable to the session's temp copy path; on failure reports -523 with the temp copy
// path (a full disk: its own code, so that the message names it) and returns the actual code.
Result makeTempCopy(FileSystem& files, PackageSession& session);
// Opens the temp copy, reads the 3,176-byte directory at packageOffset into session.directory, checks
// the integrity record and the PE checksum when they are recorded and the directory's offsets against
// the file, then runs `whileOpen` (start-up's library step) on the still-open stream. Reports its own
// failures.
Result readPackageDirectory(FileSystem& files, PackageSession& session, const std::function<Result(File&)>& whileOpen);

// The presentation kind that the executable's own package directory records, read before anything
// else and checked for nothing but its place in the file: it only tells the program whether it needs
// its windows at all (a windowless package makes none). Start-up reads and checks the directory as
// always. -1 when the file cannot be read or holds no directory.
[[nodiscard]] int presentationKindOf(FileSystem& files, const std::string& executablePath);

}  // namespace mv
