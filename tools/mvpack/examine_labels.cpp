#include "examine_labels.h"

#include <cstdio>

#include "support/paths.h"
#include "util.h"

namespace mvpack {

namespace {

const char* kSlotRoles[mv::kSlotCount] = {"installer", "library", "Flash Player installer", "presentation",
                                          "licence", "extra file", "HTML page", "unused", "data file",
                                          "uninstaller", "further file"};

}  // namespace

std::string slotLabel(int k, const mv::PackageEntry& e) {
  return "slot " + std::to_string(k) + " (" + kSlotRoles[k] + (e.name.empty() ? "" : ", " + inQuotes(e.name)) + ")";
}

std::string hex32(uint32_t v) {
  char t[16];
  std::snprintf(t, sizeof t, "0x%08X", v);
  return t;
}

std::string signatureText(const InstallerImage& image) {
  const mv::CertificateTable t = image.certificate();
  if (t.size == 0) return "none (not signed)";
  return "signed: certificate table of " + withCommas(t.size) + " bytes at " + withCommas(t.offset) +
         " (the certificate is not checked here)";
}

std::string slotNameFault(const std::string& name) {
  if (mv::isPlainFileName(name)) return "";
  const std::string fault = name.find_first_of("\\/") == std::string::npos ? windowsNameFault(name) : "";
  return fault.empty() ? "not a plain file name" : "Windows cannot create a file of that name: " + fault;
}

std::string titleFault(const std::string& title) {
  if (mv::isPlainFolderName(title)) return "";
  const std::string fault = title.find_first_of("\\/") == std::string::npos ? windowsNameFault(title) : "";
  return fault.empty() ? "not a usable folder name" : "not a usable folder name: " + fault;
}

const char* presentationName(uint8_t kind) {
  switch (kind) {
    case 1: return "BMP picture";
    case 2: case 3: return "Flash movie";
    case 4: return "silent";
    case 8: return "JPEG picture";
    default: return "nothing shown";
  }
}

uint64_t storedBytes(const mv::PackageDirectory& d) {
  uint64_t work = 0;
  for (const mv::PackageEntry& e : d.entries)
    if (!e.name.empty() && e.start >= 0 && e.end >= e.start) work += uint64_t(e.storedSize());
  return work;
}

}  // namespace mvpack
