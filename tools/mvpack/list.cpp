// `mvpack list`: the package header, the integrity record, the PE checksum, the signature, the eleven slots
// and the records of the data file, as far as a damaged installer can be read.
#include <algorithm>
#include <cstdio>
#include <ostream>

#include "examine.h"
#include "examine_labels.h"
#include "support/install_layout.h"
#include "util.h"

namespace mvpack {

namespace {

// A note after a listed name that Windows cannot create.
std::string listingMark(const std::string& fault) { return fault.empty() ? "" : "  <- " + fault; }

}  // namespace

int listInstaller(const InstallerImage& image, std::ostream& out, std::ostream& err) {
  out << image.path() << ": " << withCommas(image.size()) << " bytes, package at " << withCommas(image.offset())
      << (image.offsetFromHeaders() ? " (end of the executable image)" : " (given)") << "\n";
  if (!image.directoryComplete()) {
    err << "mvpack: " << image.path() << ": truncated: the package directory needs " << mv::kDirectorySize
        << " bytes at " << withCommas(image.offset()) << " but the file ends after "
        << withCommas(std::max<int64_t>(0, image.size() - image.offset())) << "\n";
    return exitcode::damaged;
  }
  const mv::PackageDirectory& d = image.dir();
  const mv::PackageHeader& h = d.header;
  out << "header: presentation " << int(h.presentationKind) << " (" << presentationName(h.presentationKind)
      << "), license " << int(h.licenseFlag) << ", run-extra " << int(h.runExtraFlag) << ", show-desktop "
      << int(h.showDesktopFlag) << ", background " << h.red << " " << h.green << " " << h.blue << "\n";
  out << "title: " << inQuotes(h.title()) << listingMark(titleFault(h.title())) << "\n";
  if (image.hasIntegrityRecord()) {
    uint32_t rec = image.recordedCrc(), now = image.computedCrc();
    const bool whole = image.packageEnd() <= image.size();
    out << "integrity: MVCK, CRC-32 " << hex32(rec)
        << (image.recordedLength() ? ", package " + withCommas(image.recordedLength()) + " bytes"
                                   : std::string(", package to the end of the file"))
        << (!whole ? " (TRUNCATED: the file ends " + withCommas(image.packageEnd() - image.size()) + " bytes early)"
                   : rec == now ? " (matches)" : " (DOES NOT MATCH: " + hex32(now) + ")")
        << "\n";
  } else {
    out << "integrity: none recorded\n";
  }
  if (const uint32_t rec = image.recordedPeChecksum(), now = image.computedPeChecksum(); rec != 0)
    out << "PE checksum: " << hex32(rec) << (rec == now ? " (matches)" : " (DOES NOT MATCH: " + hex32(now) + ")")
        << "\n";
  else
    out << "PE checksum: none recorded\n";
  out << "signature: " << signatureText(image) << "\n";
  out << "slot kind comp        start          end       stored       packed     expanded  name\n";
  for (int k = 0; k < mv::kSlotCount; ++k) {
    const mv::PackageEntry& e = d.entries[k];
    char line[160];
    std::snprintf(line, sizeof line, "%4d %4d %4s %12s %12s %12s %12s %12s  ", k, e.kind, e.compressed ? "yes" : "no",
                  withCommas(e.start).c_str(), withCommas(e.end).c_str(),
                  e.name.empty() ? "-" : withCommas(e.storedSize()).c_str(), withCommas(e.packedSize).c_str(),
                  withCommas(e.expandedSize).c_str());
    out << line << (e.name.empty() ? "(empty)" : inQuotes(e.name) + listingMark(slotNameFault(e.name))) << "\n";
  }

  int code = exitcode::ok;
  const mv::PackageEntry& dataSlot = d.entries[mv::slot::dataFile];
  if (dataSlot.name.empty()) {
    out << "data file: none (slot 8 is empty)\n";
    return code;
  }
  std::vector<uint8_t> data;
  std::string problem;
  mv::DataFileView view;
  if (!image.readSlot(mv::slot::dataFile, data, problem) || !parseDataFile(data, view, problem)) {
    err << "mvpack: " << image.path() << ": data file " << inQuotes(dataSlot.name) << ": " << problem << "\n";
    return exitcode::damaged;
  }
  out << "data file " << inQuotes(dataSlot.name) << ": " << view.header.entryCount << " entries, title " << inQuotes(view.header.title)
      << ", movie source " << view.header.movieSource << (view.header.movieSource == 3 ? std::string(" (record 1 copies ") + mv::layout::kInstallerMovieName + ")" : "")
      << "\n";
  out << " rec kind        block comp       stored     expanded  name\n";
  for (const mv::DataFileEntryView& r : view.entries) {
    char line[160];
    if (r.blockInside)
      std::snprintf(line, sizeof line, "%4d %4d %12s %4s %12s %12s  ", r.index, r.record.kind, withCommas(r.record.blockOffset).c_str(),
                    r.block.compressed ? "yes" : "no", withCommas(r.block.compressed ? r.block.stored : r.block.expanded).c_str(),
                    withCommas(r.block.expanded).c_str());
    else
      std::snprintf(line, sizeof line, "%4d %4d %12s %4s %12s %12s  ", r.index, r.record.kind, withCommas(r.record.blockOffset).c_str(),
                    "?", "outside", "?");
    out << line << (r.record.name.empty() ? "(no name: skipped)" : inQuotes(r.record.name) + listingMark(windowsNameFault(r.record.name)))
        << "\n";
  }
  return code;
}

}  // namespace mvpack
