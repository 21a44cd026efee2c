#pragma once
// The commands that examine installers, ours or not: list, verify and extract (each in its own file),
// over the installer as installer_image.h reads it.
#include <iosfwd>
#include <string>

#include "installer_image.h"

namespace mvpack {

// The sub-commands. Each prints to `out` and messages to `err`; returns the exit code.
[[nodiscard]] int listInstaller(const InstallerImage& image, std::ostream& out, std::ostream& err);
[[nodiscard]] int verifyInstaller(const InstallerImage& image, bool progress, std::ostream& out, std::ostream& err);
[[nodiscard]] int extractInstaller(const InstallerImage& image, const std::string& folder, bool force, bool progress,
                                   std::ostream& out, std::ostream& err);

}  // namespace mvpack
