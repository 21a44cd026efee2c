// `mvpack verify`: every slot and data file entry read and expanded in memory and checked against its
// recorded sizes; the integrity record, the PE checksum, the signature's place, names and offsets.
#include <algorithm>
#include <ostream>
#include <set>

#include "examine.h"
#include "examine_labels.h"
#include "progress.h"
#include "support/install_layout.h"
#include "support/paths.h"
#include "support/text_encoding.h"
#include "util.h"

namespace mvpack {

namespace {

// What verify found: problems make the installer damaged, notes do not. Both are printed at the end.
class Findings {
 public:
  void problem(const std::string& p) { problems_.push_back(p); }
  void note(const std::string& n) { notes_.push_back(n); }

  int report(const InstallerImage& image, std::ostream& out, std::ostream& err) const {
    for (const std::string& n : notes_) out << "  note: " << n << "\n";
    for (const std::string& p : problems_) out << "  DAMAGED: " << p << "\n";
    if (problems_.empty()) {
      out << image.path() << ": OK\n";
      return exitcode::ok;
    }
    err << "mvpack: " << image.path() << ": damaged (" << problems_.size()
        << (problems_.size() == 1 ? " problem" : " problems") << "): " << problems_.front() << "\n";
    return exitcode::damaged;
  }

 private:
  std::vector<std::string> problems_, notes_;
};

// The integrity record comes first: it covers everything else.
void checkIntegrityRecord(const InstallerImage& image, std::ostream& out, Findings& found) {
  const mv::PackageHeader& h = image.dir().header;
  if (!image.hasIntegrityRecord()) {
    bool zero = std::all_of(h.reserved8.begin(), h.reserved8.end(), [](uint8_t b) { return b == 0; });
    found.note(zero ? "no integrity record (an installer made without one)"
                    : "header bytes 8..15 are not an integrity record of ours and are ignored");
    return;
  }
  uint32_t rec = image.recordedCrc(), now = image.computedCrc();
  if (image.packageEnd() > image.size())
    found.problem("integrity record: the package is " + withCommas(image.recordedLength()) +
                  " bytes long but the file ends " + withCommas(image.packageEnd() - image.size()) +
                  " bytes before its end (truncated)");
  else if (rec == now)
    out << "  integrity record: CRC-32 " << hex32(rec) << " matches"
        << (image.recordedLength() ? " (the package's " + withCommas(image.recordedLength()) + " bytes)"
                                   : std::string(" (to the end of the file)"))
        << "\n";
  else
    found.problem("integrity record: the package's CRC-32 is " + hex32(now) + " but " + hex32(rec) +
                  " was recorded (bytes changed, or the file is cut short or extended)" +
                  (image.recordedLength() == 0 && image.certificate().size != 0
                       ? std::string("; this record runs to the end of the file, which signing extended: "
                                     "build the installer with a newer mvpack before signing it")
                       : std::string()));
}

// The PE checksum: the whole file, the program part and a code signature included.
void checkPeChecksum(const InstallerImage& image, std::ostream& out, Findings& found) {
  if (const uint32_t rec = image.recordedPeChecksum(), now = image.computedPeChecksum(); rec == 0)
    found.note("no PE checksum recorded (a stub joined to its package by copying, or an older mvpack): the program "
               "part is not checked");
  else if (rec == now)
    out << "  PE checksum: " << hex32(rec) << " matches (the whole file)\n";
  else
    found.problem("PE checksum: the file's is " + hex32(now) + " but " + hex32(rec) + " was recorded (bytes changed "
                  "in the program part, the package or the certificate table, or the file is cut short or extended)");
}

// What follows the package: nothing, or the certificate table of a code signature (8-byte aligned, so up
// to 7 bytes of padding before it).
void checkSignature(const InstallerImage& image, std::ostream& out, Findings& found) {
  const mv::CertificateTable signature = image.certificate();
  if (signature.size != 0) {
    out << "  " << signatureText(image) << "\n";
    if (signature.offset + signature.size != image.size())
      found.note("the certificate table does not end at the end of the file");
    if (image.recordedLength() != 0 &&
        (signature.offset < image.packageEnd() || signature.offset > image.packageEnd() + 7))
      found.problem("the certificate table (at " + withCommas(signature.offset) + ") does not follow the package's end (" +
                    withCommas(image.packageEnd()) + ")");
  } else {
    out << "  not signed\n";
    if (image.recordedLength() != 0 && image.packageEnd() < image.size())
      found.note(withCommas(image.size() - image.packageEnd()) + " bytes after the package's end are not part of it");
  }
}

// The title, and slot 0, which describes the executable part (the installer never reads it).
void checkTitleAndProgramPart(const InstallerImage& image, Findings& found) {
  const std::string title = image.dir().header.title();
  if (!titleFault(title).empty()) found.problem("the title " + inQuotes(title) + " is " + titleFault(title));
  const mv::PackageEntry& s0 = image.dir().entries[mv::slot::installer];
  if (s0.start != 0 || int64_t(s0.end) != image.offset() - 1 || int64_t(s0.expandedSize) != image.offset())
    found.note("slot 0 does not describe the executable part (start 0, end " + withCommas(image.offset() - 1) + ")");
}

// The slots the installer reads: it stops with an error when one of them is empty.
bool slotRequired(const mv::PackageHeader& h, int k) {
  const bool silent = h.presentationKind == mv::presentation::silent;
  switch (k) {
    case mv::slot::library: case mv::slot::flashInstaller: case mv::slot::htmlPage: case mv::slot::dataFile:
    case mv::slot::uninstaller: return true;
    case mv::slot::presentation: return !silent;
    case mv::slot::licence: return h.licenseFlag != 0 && !silent;
    case mv::slot::extra: return h.runExtraFlag != 0;
    default: return false;
  }
}

// Slots 1..10 read and expanded; false when the data file could not be read into `dataFile`.
bool verifySlots(const InstallerImage& image, bool progressWanted, std::ostream& out, Findings& found,
                 std::vector<uint8_t>& dataFile) {
  const mv::PackageDirectory& d = image.dir();
  Progress progress("verifying", storedBytes(d), progressWanted);
  bool dataFileRead = false;
  for (int k = 1; k < mv::kSlotCount; ++k) {
    const mv::PackageEntry& e = d.entries[k];
    const std::string label = slotLabel(k, e);
    if (e.name.empty()) {
      if (slotRequired(d.header, k)) found.problem(label + " is empty, but the installer needs it");
      continue;
    }
    if (!mv::isPlainFileName(e.name)) {
      found.problem(label + ": " + slotNameFault(e.name) + ", the installer refuses it");
      continue;
    }
    if (k == mv::slot::library && e.compressed)
      found.problem(label + " is compressed, but nothing can be expanded before it is in place");
    if (k != mv::slot::unused && mv::destinationOfKind(e.kind) == mv::SlotDestination::none)
      found.note(label + ": kind " + std::to_string(e.kind) + " has no destination, the installer does not write it");
    if (e.start < image.offset() + mv::kDirectorySize && e.start <= e.end)
      found.note(label + " starts inside the executable part or the directory");
    progress.advance(0, e.name);
    std::vector<uint8_t> bytes;
    std::string why;
    if (!image.readSlot(k, bytes, why)) {
      found.problem(label + ": " + why);
      continue;
    }
    progress.advance(uint64_t(e.storedSize()), e.name);
    if (!e.compressed && int64_t(bytes.size()) != e.expandedSize)
      found.problem(label + ": stored " + withCommas(int64_t(bytes.size())) + " bytes but its expanded size says " +
                    withCommas(e.expandedSize));
    if (e.compressed && e.packedSize != e.storedSize())
      found.note(label + ": packed size " + withCommas(e.packedSize) + " differs from its stored size " +
                 withCommas(e.storedSize()));
    out << "  " << label << ": ok, " << withCommas(int64_t(bytes.size())) << " bytes"
        << (e.compressed ? " (imploded to " + withCommas(e.storedSize()) + ")" : "") << "\n";
    if (k == mv::slot::dataFile) {
      dataFile = std::move(bytes);
      dataFileRead = true;
    }
  }
  progress.finish();
  return dataFileRead;
}

// The names the installer and the uninstall entry look the programs up by.
void checkProgramNames(const mv::PackageDirectory& d, Findings& found) {
  const mv::PackageEntry& flash = d.entries[mv::slot::flashInstaller];
  const mv::PackageEntry& uninstaller = d.entries[mv::slot::uninstaller];
  if (!flash.name.empty() && flash.name != mv::layout::kFlashInstallerName)
    found.note("slot 2 is not named " + inQuotes(mv::layout::kFlashInstallerName) + ": the installer will not find it to run it");
  if (!uninstaller.name.empty() && uninstaller.name != mv::layout::kUninstallerName)
    found.note("slot 9 is not named " + inQuotes(mv::layout::kUninstallerName) + ": the uninstall entry will not find it");
}

// One record of the data file; true when the installation can write its file.
bool verifyRecord(const std::vector<uint8_t>& dataFile, const mv::DataFileView& view, const mv::DataFileEntryView& r,
                  std::set<std::string>& names, Findings& found) {
  const std::string label = "data file record " + std::to_string(r.index) +
                            (r.record.name.empty() ? "" : " (" + inQuotes(r.record.name) + ")");
  if (!mv::isContainedRelativePath(r.record.name)) {
    found.problem(label + ": the name leads outside the content folder");
    return false;
  }
  if (!names.insert(mv::foldCase(r.record.name)).second)
    found.note(label + ": a second entry of that name overwrites the first");
  if (const std::string fault = windowsNameFault(r.record.name); !fault.empty()) {
    found.problem(label + ": Windows cannot create a file of that name: " + fault + "; the installation would fail");
    return false;
  }
  if (hasReservedComponent(r.record.name)) found.note(label + ": a name ending in a dot or blank, which Windows drops");
  if (mv::entryIsMovieCopy(r.index, r.record.kind, view.header.movieSource))
    return true;  // a copy made at installation, nothing to read
  std::vector<uint8_t> bytes;
  std::string why;
  if (!readDataEntry(dataFile, r, bytes, why)) {
    found.problem(label + ": " + why);
    return false;
  }
  if (r.block.marker != "CHUN")
    found.note(label + ": block marker " + inQuotes(mv::windows1252ToUtf8(r.block.marker)) + " instead of \"CHUN\"");
  return true;
}

// The data file of slot 8: its header against the package's, and every record.
void verifyDataFile(const mv::PackageDirectory& d, const std::vector<uint8_t>& dataFile, std::ostream& out,
                    Findings& found) {
  mv::DataFileView view;
  std::string why;
  if (!parseDataFile(dataFile, view, why)) {
    found.problem("data file: " + why);
    return;
  }
  if (view.header.title != d.header.title())
    found.note("the data file's title " + inQuotes(view.header.title) + " differs from the package's");
  const std::string page = mv::layout::pageName(view.header.title);
  if (d.entries[mv::slot::htmlPage].name != page)
    found.note("the desktop is pointed at " + inQuotes(page) + " but slot 6 holds " +
               inQuotes(d.entries[mv::slot::htmlPage].name));
  int good = 0;
  std::set<std::string> names;
  for (const mv::DataFileEntryView& r : view.entries) {
    if (r.record.name.empty()) continue;  // the installation skips it
    if (verifyRecord(dataFile, view, r, names, found)) ++good;
  }
  out << "  data file: " << good << " of " << view.header.entryCount << " entries ok\n";
}

}  // namespace

int verifyInstaller(const InstallerImage& image, bool progressWanted, std::ostream& out, std::ostream& err) {
  Findings found;
  out << image.path() << ": " << withCommas(image.size()) << " bytes, package at " << withCommas(image.offset()) << "\n";
  if (!image.directoryComplete()) {
    found.problem("truncated: the file ends " + withCommas(std::max<int64_t>(0, image.size() - image.offset())) +
                  " bytes after the package offset, before the end of the 3,176-byte package directory");
    return found.report(image, out, err);
  }
  checkIntegrityRecord(image, out, found);
  checkPeChecksum(image, out, found);
  checkSignature(image, out, found);
  checkTitleAndProgramPart(image, found);
  std::vector<uint8_t> dataFile;
  const bool dataFileRead = verifySlots(image, progressWanted, out, found, dataFile);
  checkProgramNames(image.dir(), found);
  if (dataFileRead) verifyDataFile(image.dir(), dataFile, out, found);
  return found.report(image, out, err);
}

}  // namespace mvpack
