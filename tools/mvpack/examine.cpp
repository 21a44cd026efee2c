// Examining installers, ours or not: list, verify and extract, with every offset checked.
#include "examine.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <set>

#include "codec.h"
#include "package/datafile_format.h"
#include "package/install_layout.h"
#include "progress.h"
#include "support/bytes.h"
#include "support/paths.h"
#include "support/text_encoding.h"
#include "util.h"

namespace fs = std::filesystem;

namespace mvpack {

namespace {

const char* kSlotRoles[mv::kSlotCount] = {"installer", "library", "Flash Player installer", "presentation",
                                          "licence", "extra file", "HTML page", "unused", "data file",
                                          "uninstaller", "further file"};

std::string slotLabel(int k, const mv::PackageEntry& e) {
  return "slot " + std::to_string(k) + " (" + kSlotRoles[k] + (e.name.empty() ? "" : ", " + inQuotes(e.name)) + ")";
}

std::string hex32(uint32_t v) {
  char t[16];
  std::snprintf(t, sizeof t, "0x%08X", v);
  return t;
}

// Limit for an expansion whose declared size is `expanded`: one byte more shows a stream that is too long.
size_t expansionLimit(int32_t expanded) { return size_t(std::max<int32_t>(expanded, 0)) + 1; }

bool expandChecked(const uint8_t* data, size_t size, int32_t expanded, std::vector<uint8_t>& out,
                   std::string& problem) {
  if (expanded < 0) {
    problem = "negative expanded size " + std::to_string(expanded);
    return false;
  }
  std::string why;
  bool ok = explodeBounded(data, size, expansionLimit(expanded), out, why);
  if (!ok && out.size() > size_t(expanded)) {
    problem = "expands to more than its expanded size of " + withCommas(expanded) + " bytes";
    return false;
  }
  if (!ok) {
    problem = "the imploded stream is damaged (" + why + ")";
    return false;
  }
  if (out.size() != size_t(expanded)) {
    problem = "expands to " + withCommas(int64_t(out.size())) + " bytes instead of its expanded size of " +
              withCommas(expanded);
    return false;
  }
  return true;
}

// Whether the installer is signed, and where its certificate table lies.
std::string signatureText(const InstallerImage& image) {
  const mv::CertificateTable t = image.certificate();
  if (t.size == 0) return "none (not signed)";
  return "signed: certificate table of " + withCommas(t.size) + " bytes at " + withCommas(t.offset) +
         " (the certificate is not checked here)";
}

// Why the installer cannot write a slot of this name, "" when it can.
std::string slotNameFault(const std::string& name) {
  if (mv::isPlainFileName(name)) return "";
  const std::string fault = name.find_first_of("\\/") == std::string::npos ? windowsNameFault(name) : "";
  return fault.empty() ? "not a plain file name" : "Windows cannot create a file of that name: " + fault;
}

// Why the installer cannot use a title as its folder, page and data file name, "" when it can.
std::string titleFault(const std::string& title) {
  if (mv::isPlainFolderName(title)) return "";
  const std::string fault = title.find_first_of("\\/") == std::string::npos ? windowsNameFault(title) : "";
  return fault.empty() ? "not a usable folder name" : "not a usable folder name: " + fault;
}

// A note after a listed name that Windows cannot create.
std::string listingMark(const std::string& fault) { return fault.empty() ? "" : "  <- " + fault; }

}  // namespace

const char* presentationName(uint8_t kind) {
  switch (kind) {
    case 1: return "BMP picture";
    case 2: case 3: return "Flash movie";
    case 4: return "silent";
    case 8: return "JPEG picture";
    default: return "nothing shown";
  }
}

// --- InstallerImage

InstallerImage InstallerImage::load(const std::string& path, int64_t offset) {
  InstallerImage image;
  image.path_ = path;
  image.bytes_ = readWholeFile(path);
  if (offset >= 0) {
    image.offset_ = offset;
  } else {
    image.offset_ = mv::packageOffsetFromImage(image.bytes_.data(), image.bytes_.size());
    if (image.offset_ < 0)
      throw ToolError(path + ": not a Windows executable, so the package cannot be located (give --offset N)");
    image.offsetFromHeaders_ = true;
  }
  if (image.offset_ + mv::kDirectorySize <= image.size()) {
    image.complete_ = true;
    image.dir_ = mv::parseDirectory(image.bytes_.data() + image.offset_);
  }
  return image;
}

bool InstallerImage::hasIntegrityRecord() const { return complete_ && mv::hasIntegrityRecord(dir_.header); }

uint32_t InstallerImage::recordedCrc() const { return mv::recordedCrc(dir_.header); }

uint32_t InstallerImage::recordedLength() const { return complete_ ? mv::recordedPackageLength(dir_.header) : 0; }

int64_t InstallerImage::packageEnd() const {
  return complete_ ? mv::packageEnd(dir_.header, offset_, size()) : size();
}

uint32_t InstallerImage::computedCrc() const {
  const int64_t end = std::min(packageEnd(), size());
  return mv::packageCrcUpdate(0, bytes_.data() + offset_, size_t(end - offset_), 0);
}

uint32_t InstallerImage::recordedPeChecksum() const { return mv::recordedPeChecksum(bytes_.data(), bytes_.size()); }

uint32_t InstallerImage::computedPeChecksum() const { return mv::peChecksumOf(bytes_.data(), bytes_.size()); }

mv::CertificateTable InstallerImage::certificate() const { return mv::certificateTable(bytes_.data(), bytes_.size()); }

bool InstallerImage::readSlot(int k, std::vector<uint8_t>& out, std::string& problem) const {
  out.clear();
  const mv::PackageEntry& e = dir_.entries[k];
  if (e.start < 0 || e.end < e.start) {
    problem = "start " + std::to_string(e.start) + " and end " + std::to_string(e.end) + " make no payload";
    return false;
  }
  if (!mv::slotInsideFile(e, size())) {
    problem = "ends at byte " + withCommas(e.end) + ", beyond the end of the file (" + withCommas(size()) +
              " bytes): the installer is truncated";
    return false;
  }
  if (k != mv::slot::installer && !mv::slotInsideFile(e, packageEnd())) {
    problem = "ends at byte " + withCommas(e.end) + ", beyond the end of the package (" + withCommas(packageEnd()) + ")";
    return false;
  }
  const uint8_t* p = bytes_.data() + e.start;
  const size_t stored = size_t(e.storedSize());
  if (!e.compressed) {
    out.assign(p, p + stored);
    return true;
  }
  return expandChecked(p, stored, e.expandedSize, out, problem);
}

// --- data file

bool parseDataFile(const std::vector<uint8_t>& data, mv::DataFileView& view, std::string& problem) {
  switch (mv::parseDataFile(data.data(), data.size(), view)) {
    case mv::DataFileDamage::none:
      return true;
    case mv::DataFileDamage::shorterThanHeader:
      problem = "shorter (" + withCommas(int64_t(data.size())) + " bytes) than its 1,240-byte header";
      break;
    case mv::DataFileDamage::entryCountOutOfRange:
      problem = "entry count " + std::to_string(view.header.entryCount) + " is outside 0.." +
                std::to_string(mv::kMaxDataRecords);
      break;
    case mv::DataFileDamage::recordsDoNotFit:
      problem = "its " + std::to_string(view.header.entryCount) + " directory records do not fit in its " +
                withCommas(int64_t(data.size())) + " bytes";
      break;
  }
  return false;
}

bool readDataEntry(const std::vector<uint8_t>& data, const mv::DataFileEntryView& entry, std::vector<uint8_t>& out,
                   std::string& problem) {
  out.clear();
  const mv::DataRecord& rec = entry.record;
  if (!entry.blockInside) {
    problem = "its block at " + withCommas(rec.blockOffset) + " lies outside the data file";
    return false;
  }
  const mv::DataBlockHeader& block = entry.block;
  if (block.expanded == 0) return true;  // the installer writes nothing for it
  if (block.expanded < 0) {
    problem = "negative expanded size " + std::to_string(block.expanded);
    return false;
  }
  int64_t payload = 0, count = 0;
  if (!mv::entryPayload(entry, data.size(), payload, count)) {
    problem = "its " + withCommas(count) + " payload bytes run past the end of the data file";
    return false;
  }
  const uint8_t* p = data.data() + payload;
  if (!block.compressed) {
    out.assign(p, p + count);
    return true;
  }
  return expandChecked(p, size_t(count), block.expanded, out, problem);
}

// --- list

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

// --- verify

int verifyInstaller(const InstallerImage& image, bool progressWanted, std::ostream& out, std::ostream& err) {
  std::vector<std::string> problems, notes;
  auto problem = [&](const std::string& p) { problems.push_back(p); };
  auto note = [&](const std::string& n) { notes.push_back(n); };

  out << image.path() << ": " << withCommas(image.size()) << " bytes, package at " << withCommas(image.offset()) << "\n";
  auto finish = [&]() {
    for (const std::string& n : notes) out << "  note: " << n << "\n";
    for (const std::string& p : problems) out << "  DAMAGED: " << p << "\n";
    if (problems.empty()) {
      out << image.path() << ": OK\n";
      return exitcode::ok;
    }
    err << "mvpack: " << image.path() << ": damaged (" << problems.size() << (problems.size() == 1 ? " problem" : " problems")
        << "): " << problems.front() << "\n";
    return exitcode::damaged;
  };

  if (!image.directoryComplete()) {
    problem("truncated: the file ends " + withCommas(std::max<int64_t>(0, image.size() - image.offset())) +
            " bytes after the package offset, before the end of the 3,176-byte package directory");
    return finish();
  }
  const mv::PackageDirectory& d = image.dir();
  const mv::PackageHeader& h = d.header;

  // The integrity record first: it covers everything else.
  const mv::CertificateTable signature = image.certificate();
  if (image.hasIntegrityRecord()) {
    uint32_t rec = image.recordedCrc(), now = image.computedCrc();
    if (image.packageEnd() > image.size())
      problem("integrity record: the package is " + withCommas(image.recordedLength()) + " bytes long but the file ends " +
              withCommas(image.packageEnd() - image.size()) + " bytes before its end (truncated)");
    else if (rec == now)
      out << "  integrity record: CRC-32 " << hex32(rec) << " matches"
          << (image.recordedLength() ? " (the package's " + withCommas(image.recordedLength()) + " bytes)"
                                     : std::string(" (to the end of the file)"))
          << "\n";
    else
      problem("integrity record: the package's CRC-32 is " + hex32(now) + " but " + hex32(rec) +
              " was recorded (bytes changed, or the file is cut short or extended)" +
              (image.recordedLength() == 0 && signature.size != 0
                   ? std::string("; this record runs to the end of the file, which signing extended: "
                                 "build the installer with a newer mvpack before signing it")
                   : std::string()));
  } else {
    bool zero = std::all_of(h.reserved8.begin(), h.reserved8.end(), [](uint8_t b) { return b == 0; });
    note(zero ? "no integrity record (an installer made without one)"
              : "header bytes 8..15 are not an integrity record of ours and are ignored");
  }

  // The PE checksum: the whole file, the program part and a code signature included.
  if (const uint32_t rec = image.recordedPeChecksum(), now = image.computedPeChecksum(); rec == 0)
    note("no PE checksum recorded (a stub joined to its package by copying, or an older mvpack): the program part "
         "is not checked");
  else if (rec == now)
    out << "  PE checksum: " << hex32(rec) << " matches (the whole file)\n";
  else
    problem("PE checksum: the file's is " + hex32(now) + " but " + hex32(rec) + " was recorded (bytes changed in the "
            "program part, the package or the certificate table, or the file is cut short or extended)");

  // What follows the package: nothing, or the certificate table of a code signature (8-byte aligned,
  // so up to 7 bytes of padding before it).
  if (signature.size != 0) {
    out << "  " << signatureText(image) << "\n";
    if (signature.offset + signature.size != image.size())
      note("the certificate table does not end at the end of the file");
    if (image.recordedLength() != 0 && (signature.offset < image.packageEnd() || signature.offset > image.packageEnd() + 7))
      problem("the certificate table (at " + withCommas(signature.offset) + ") does not follow the package's end (" +
              withCommas(image.packageEnd()) + ")");
  } else {
    out << "  not signed\n";
    if (image.recordedLength() != 0 && image.packageEnd() < image.size())
      note(withCommas(image.size() - image.packageEnd()) + " bytes after the package's end are not part of it");
  }

  const std::string title = h.title();
  if (!titleFault(title).empty()) problem("the title " + inQuotes(title) + " is " + titleFault(title));

  // Slot 0 describes the executable part; the installer never reads it.
  const mv::PackageEntry& s0 = d.entries[mv::slot::installer];
  if (s0.start != 0 || int64_t(s0.end) != image.offset() - 1 || int64_t(s0.expandedSize) != image.offset())
    note("slot 0 does not describe the executable part (start 0, end " + withCommas(image.offset() - 1) + ")");

  // Which slots the installer reads: it stops with an error when one of them is empty.
  const bool silent = h.presentationKind == mv::presentation::silent;
  auto required = [&](int k) {
    switch (k) {
      case mv::slot::library: case mv::slot::flashInstaller: case mv::slot::htmlPage: case mv::slot::dataFile:
      case mv::slot::uninstaller: return true;
      case mv::slot::presentation: return !silent;
      case mv::slot::licence: return h.licenseFlag != 0 && !silent;
      case mv::slot::extra: return h.runExtraFlag != 0;
      default: return false;
    }
  };

  uint64_t work = 0;
  for (const mv::PackageEntry& e : d.entries)
    if (!e.name.empty() && e.start >= 0 && e.end >= e.start) work += uint64_t(e.storedSize());
  Progress progress("verifying", work, progressWanted);

  std::vector<uint8_t> dataFile;
  bool dataFileRead = false;
  for (int k = 1; k < mv::kSlotCount; ++k) {
    const mv::PackageEntry& e = d.entries[k];
    const std::string label = slotLabel(k, e);
    if (e.name.empty()) {
      if (required(k)) problem(label + " is empty, but the installer needs it");
      continue;
    }
    if (!mv::isPlainFileName(e.name)) {
      problem(label + ": " + slotNameFault(e.name) + ", the installer refuses it");
      continue;
    }
    if (k == mv::slot::library && e.compressed) problem(label + " is compressed, but nothing can be expanded before it is in place");
    if (k != mv::slot::unused && mv::destinationOfKind(e.kind) == mv::SlotDestination::none)
      note(label + ": kind " + std::to_string(e.kind) + " has no destination, the installer does not write it");
    if (e.start < image.offset() + mv::kDirectorySize && e.start <= e.end)
      note(label + " starts inside the executable part or the directory");
    progress.advance(0, e.name);
    std::vector<uint8_t> bytes;
    std::string why;
    if (!image.readSlot(k, bytes, why)) {
      problem(label + ": " + why);
      continue;
    }
    progress.advance(uint64_t(e.storedSize()), e.name);
    if (!e.compressed && int64_t(bytes.size()) != e.expandedSize)
      problem(label + ": stored " + withCommas(int64_t(bytes.size())) + " bytes but its expanded size says " +
              withCommas(e.expandedSize));
    if (e.compressed && e.packedSize != e.storedSize())
      note(label + ": packed size " + withCommas(e.packedSize) + " differs from its stored size " +
           withCommas(e.storedSize()));
    out << "  " << label << ": ok, " << withCommas(int64_t(bytes.size())) << " bytes"
        << (e.compressed ? " (imploded to " + withCommas(e.storedSize()) + ")" : "") << "\n";
    if (k == mv::slot::dataFile) {
      dataFile = std::move(bytes);
      dataFileRead = true;
    }
  }
  progress.finish();

  if (d.entries[mv::slot::flashInstaller].name.size() && d.entries[mv::slot::flashInstaller].name != mv::layout::kFlashInstallerName)
    note("slot 2 is not named " + inQuotes(mv::layout::kFlashInstallerName) + ": the installer will not find it to run it");
  if (!d.entries[mv::slot::uninstaller].name.empty() && d.entries[mv::slot::uninstaller].name != mv::layout::kUninstallerName)
    note("slot 9 is not named " + inQuotes(mv::layout::kUninstallerName) + ": the uninstall entry will not find it");

  if (dataFileRead) {
    mv::DataFileView view;
    std::string why;
    if (!parseDataFile(dataFile, view, why)) {
      problem("data file: " + why);
    } else {
      if (view.header.title != title) note("the data file's title " + inQuotes(view.header.title) + " differs from the package's");
      const std::string page = mv::layout::pageName(view.header.title);
      if (d.entries[mv::slot::htmlPage].name != page)
        note("the desktop is pointed at " + inQuotes(page) + " but slot 6 holds " + inQuotes(d.entries[mv::slot::htmlPage].name));
      int good = 0;
      std::set<std::string> names;
      for (const mv::DataFileEntryView& r : view.entries) {
        const std::string label = "data file record " + std::to_string(r.index) + (r.record.name.empty() ? "" : " (" + inQuotes(r.record.name) + ")");
        if (r.record.name.empty()) continue;  // the installation skips it
        if (!mv::isContainedRelativePath(r.record.name)) {
          problem(label + ": the name leads outside the content folder");
          continue;
        }
        if (!names.insert(mv::foldCase(r.record.name)).second) note(label + ": a second entry of that name overwrites the first");
        if (const std::string fault = windowsNameFault(r.record.name); !fault.empty()) {
          problem(label + ": Windows cannot create a file of that name: " + fault + "; the installation would fail");
          continue;
        }
        if (hasReservedComponent(r.record.name)) note(label + ": a name ending in a dot or blank, which Windows drops");
        const bool copied = mv::entryIsMovieCopy(r.index, r.record.kind, view.header.movieSource);
        if (copied) {
          ++good;
          continue;  // a copy made at installation, nothing to read
        }
        std::vector<uint8_t> bytes;
        if (!readDataEntry(dataFile, r, bytes, why)) {
          problem(label + ": " + why);
          continue;
        }
        if (r.block.marker != "CHUN") note(label + ": block marker " + inQuotes(mv::windows1252ToUtf8(r.block.marker)) + " instead of \"CHUN\"");
        ++good;
      }
      out << "  data file: " << good << " of " << view.header.entryCount << " entries ok\n";
    }
  }
  return finish();
}

// --- extract

namespace {

// Refuses to write through a symbolic link that may already be in the output folder.
void ensureNoLinks(const fs::path& root, const fs::path& target) {
  std::error_code ec;
  fs::path walk = root;
  for (const fs::path& part : fs::relative(target, root)) {
    walk /= part;
    if (fs::is_symlink(fs::symlink_status(walk, ec)))
      throw ToolError(fromPath(walk) + ": is a symbolic link; not writing through it");
  }
}

void writeInto(const fs::path& root, const fs::path& relative, const std::vector<uint8_t>& bytes) {
  fs::path target = root / relative;
  ensureNoLinks(root, target);
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  if (ec) throw ToolError(fromPath(target.parent_path()) + ": cannot create the folder: " + errorText(ec));
  writeWholeFile(fromPath(target), bytes);
}

}  // namespace

int extractInstaller(const InstallerImage& image, const std::string& folder, bool force, bool progressWanted,
                     std::ostream& out, std::ostream& err) {
  if (!image.directoryComplete()) {
    err << "mvpack: " << image.path() << ": truncated: the file ends before the end of the package directory\n";
    return exitcode::damaged;
  }
  std::error_code ec;
  const fs::path root = toPath(folder);
  if (fs::exists(root, ec)) {
    if (!fs::is_directory(root, ec)) throw ToolError(folder + ": exists and is not a folder; -o names the folder to extract into");
    if (!force && !fs::is_empty(root, ec))
      throw ToolError(folder + ": the folder is not empty (use --force to write into it anyway)");
  }
  fs::create_directories(root, ec);
  if (ec) throw ToolError(folder + ": cannot create the folder: " + errorText(ec));

  const mv::PackageDirectory& d = image.dir();
  int failures = 0;
  auto fail = [&](const std::string& text) {
    err << "mvpack: " << image.path() << ": " << text << "\n";
    ++failures;
  };

  uint64_t work = 0;
  for (const mv::PackageEntry& e : d.entries)
    if (!e.name.empty() && e.start >= 0 && e.end >= e.start) work += uint64_t(e.storedSize());
  Progress progress("extracting", work, progressWanted);

  std::set<std::string> written;
  std::vector<uint8_t> dataFile;
  bool haveDataFile = false;
  std::string slotNames[mv::kSlotCount];
  for (int k = 0; k < mv::kSlotCount; ++k) {
    const mv::PackageEntry& e = d.entries[k];
    if (e.name.empty()) continue;
    const std::string label = slotLabel(k, e);
    if (!mv::isPlainFileName(e.name)) {
      fail(label + ": " + slotNameFault(e.name) + ", not extracted");
      continue;
    }
    if (!written.insert(mv::foldCase(e.name)).second) {
      fail(label + ": another slot has the same name, not extracted");
      continue;
    }
    std::vector<uint8_t> bytes;
    std::string why;
    progress.advance(0, e.name);
    if (!image.readSlot(k, bytes, why)) {
      fail(label + ": " + why + ", not extracted");
      continue;
    }
    progress.advance(uint64_t(e.storedSize()), e.name);
    // The program part as a bare stub: the installer's PE checksum does not belong to it, and a stub
    // that kept it would fail the start-up check once joined to a package by copying.
    if (k == mv::slot::installer) (void)mv::setPeChecksum(bytes.data(), bytes.size(), 0);
    if (hasReservedComponent(e.name)) {
      fail(label + ": a name ending in a dot or blank, which Windows drops, not extracted");
      continue;
    }
    writeInto(root, fs::path("slots") / relativePath(e.name), bytes);
    slotNames[k] = e.name;
    out << "slots/" << withSlashes(e.name) << "  (" << withCommas(int64_t(bytes.size())) << " bytes)\n";
    if (k == mv::slot::dataFile) {
      dataFile = std::move(bytes);
      haveDataFile = true;
    }
  }
  progress.finish();

  std::string mainName;
  if (haveDataFile) {
    mv::DataFileView view;
    std::string why;
    if (!parseDataFile(dataFile, view, why)) {
      fail("data file: " + why + "; its entries are not extracted");
    } else {
      std::set<std::string> names;
      for (const mv::DataFileEntryView& r : view.entries) {
        if (r.record.name.empty()) continue;
        const std::string label = "data file record " + std::to_string(r.index) + " (" + inQuotes(r.record.name) + ")";
        if (!mv::isContainedRelativePath(r.record.name)) {
          fail(label + ": the name leads outside the content folder, not extracted");
          continue;
        }
        if (const std::string fault = windowsNameFault(r.record.name); !fault.empty()) {
          fail(label + ": Windows cannot create a file of that name: " + fault + ", not extracted");
          continue;
        }
        if (hasReservedComponent(r.record.name)) {
          fail(label + ": a name ending in a dot or blank, which Windows drops, not extracted");
          continue;
        }
        std::vector<uint8_t> bytes;
        if (mv::entryIsMovieCopy(r.index, r.record.kind, view.header.movieSource)) {
          // A copy that the installation makes: of the installer movie for record 1, else of the main file.
          std::vector<uint8_t> source;
          std::string from = r.index == 1 ? std::string(mv::layout::kInstallerMovieName) : mainName;
          if (r.index == 1 && !d.entries[mv::slot::presentation].name.empty() &&
              image.readSlot(mv::slot::presentation, source, why)) {
            bytes = std::move(source);
          } else if (r.index != 1 && !mainName.empty()) {
            std::vector<uint8_t> main = readWholeFile(fromPath(root / "content" / relativePath(mainName)));
            bytes = std::move(main);
          } else {
            fail(label + ": a copy of " + inQuotes(from) + ", which the package does not hold");
            continue;
          }
        } else if (!readDataEntry(dataFile, r, bytes, why)) {
          fail(label + ": " + why + ", not extracted");
          continue;
        }
        if (r.index == 1) mainName = r.record.name;
        if (!names.insert(mv::foldCase(r.record.name)).second) {
          fail(label + ": a second entry of that name, not extracted");
          continue;
        }
        writeInto(root, fs::path("content") / relativePath(r.record.name), bytes);
        out << "content/" << withSlashes(r.record.name) << "  (" << withCommas(int64_t(bytes.size())) << " bytes)\n";
      }
    }
  }

  // A manifest that builds the same installer again from what was extracted.
  {
    const mv::PackageHeader& h = d.header;
    std::string m = "# Written by mvpack extract from " + image.path() + "\n";
    m += "title = " + h.title() + "\n";
    m += "background = " + std::to_string(h.red) + " " + std::to_string(h.green) + " " + std::to_string(h.blue) + "\n";
    std::string flags;
    if (h.licenseFlag) flags += " license";
    if (h.runExtraFlag) flags += " run-extra";
    if (h.showDesktopFlag) flags += " show-desktop";
    m += "flags =" + (flags.empty() ? std::string(" none") : flags) + "\n";
    const std::string& pres = slotNames[mv::slot::presentation];
    if (h.presentationKind == mv::presentation::silent) m += "presentation = silent\n";
    else if (pres.empty()) m += "presentation = none\n";
    else if (h.presentationKind == 2 || h.presentationKind == 3) m += "presentation = movie \"slots/" + pres + "\"\n";
    else if (h.presentationKind == 1 || h.presentationKind == 8) m += "presentation = picture \"slots/" + pres + "\"\n";
    else m += "presentation = none\n";
    auto line = [&](const char* key, int k) {
      if (!slotNames[k].empty()) m += std::string(key) + " = \"slots/" + slotNames[k] + "\"\n";
    };
    line("licence", mv::slot::licence);
    line("extra", mv::slot::extra);
    line("html", mv::slot::htmlPage);
    m += "content = content\n";
    if (!mainName.empty()) m += "main = " + mainName + "\n";
    line("flash-installer", mv::slot::flashInstaller);
    line("uninstaller", mv::slot::uninstaller);
    line("stub", mv::slot::installer);
    line("library", mv::slot::library);
    fs::create_directories(root / "content", ec);
    writeInto(root, "manifest.txt", std::vector<uint8_t>(m.begin(), m.end()));
    out << "manifest.txt\n";
  }

  if (failures) {
    err << "mvpack: " << image.path() << ": " << failures << (failures == 1 ? " item" : " items")
        << " not extracted\n";
    return exitcode::damaged;
  }
  return exitcode::ok;
}

}  // namespace mvpack
