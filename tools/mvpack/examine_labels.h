#pragma once
// Texts that list, verify and extract share: how a slot is named in messages, why a name or title cannot
// be used, what the presentation kind shows, and how much work the progress bar counts.
#include <cstdint>
#include <string>

#include "installer_image.h"

namespace mvpack {

// "slot 8 (data file, "Sea.mvd")"
std::string slotLabel(int k, const mv::PackageEntry& e);
// "0x0012ABCD"
std::string hex32(uint32_t v);
// Whether the installer is signed, and where its certificate table lies.
std::string signatureText(const InstallerImage& image);
// Why the installer cannot write a slot of this name, "" when it can.
std::string slotNameFault(const std::string& name);
// Why the installer cannot use a title as its folder, page and data file name, "" when it can.
std::string titleFault(const std::string& title);
// What header byte 0 makes the installer window show.
const char* presentationName(uint8_t kind);
// The stored bytes of the slots that have a payload: what the progress bar counts.
uint64_t storedBytes(const mv::PackageDirectory& d);

}  // namespace mvpack
