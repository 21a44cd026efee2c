// `mvpack extract`: the slots into slots/, the data file's entries into content/, and a manifest that
// builds the same installer again. Nothing is written through a link or outside the folder.
#include <filesystem>
#include <ostream>
#include <set>

#include "examine.h"
#include "examine_labels.h"
#include "manifest_writer.h"
#include "progress.h"
#include "support/install_layout.h"
#include "support/paths.h"
#include "util.h"

namespace fs = std::filesystem;

namespace mvpack {

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

// The folder to extract into: created, or one that exists and is empty (or --force).
fs::path prepareFolder(const std::string& folder, bool force) {
  std::error_code ec;
  const fs::path root = toPath(folder);
  if (fs::exists(root, ec)) {
    if (!fs::is_directory(root, ec)) throw ToolError(folder + ": exists and is not a folder; -o names the folder to extract into");
    if (!force && !fs::is_empty(root, ec))
      throw ToolError(folder + ": the folder is not empty (use --force to write into it anyway)");
  }
  fs::create_directories(root, ec);
  if (ec) throw ToolError(folder + ": cannot create the folder: " + errorText(ec));
  return root;
}

// One extraction: where it writes, what it printed, and how many items it could not write.
struct Extraction {
  Extraction(const InstallerImage& image, fs::path root, std::ostream& out, std::ostream& err)
      : image(image), root(std::move(root)), out(out), err(err) {}

  const InstallerImage& image;
  fs::path root;
  std::ostream& out;
  std::ostream& err;
  int failures = 0;
  std::string slotNames[mv::kSlotCount];  // the slots written, by the name they were written under
  std::string mainName;                   // the file of data file record 1

  void fail(const std::string& text) {
    err << "mvpack: " << image.path() << ": " << text << "\n";
    ++failures;
  }
};

// Every slot with a name into slots/; the data file's bytes into `dataFile` (false when it was not read).
bool extractSlots(Extraction& x, bool progressWanted, std::vector<uint8_t>& dataFile) {
  const mv::PackageDirectory& d = x.image.dir();
  Progress progress("extracting", storedBytes(d), progressWanted);
  std::set<std::string> written;
  bool haveDataFile = false;
  for (int k = 0; k < mv::kSlotCount; ++k) {
    const mv::PackageEntry& e = d.entries[k];
    if (e.name.empty()) continue;
    const std::string label = slotLabel(k, e);
    if (!mv::isPlainFileName(e.name)) {
      x.fail(label + ": " + slotNameFault(e.name) + ", not extracted");
      continue;
    }
    if (!written.insert(mv::foldCase(e.name)).second) {
      x.fail(label + ": another slot has the same name, not extracted");
      continue;
    }
    std::vector<uint8_t> bytes;
    std::string why;
    progress.advance(0, e.name);
    if (!x.image.readSlot(k, bytes, why)) {
      x.fail(label + ": " + why + ", not extracted");
      continue;
    }
    progress.advance(uint64_t(e.storedSize()), e.name);
    // The program part as a bare stub: the installer's PE checksum does not belong to it, and a stub
    // that kept it would fail the start-up check once joined to a package by copying. A stub without
    // the field keeps its bytes as they are.
    if (k == mv::slot::installer) (void)mv::setPeChecksum(bytes.data(), bytes.size(), 0);
    if (hasReservedComponent(e.name)) {
      x.fail(label + ": a name ending in a dot or blank, which Windows drops, not extracted");
      continue;
    }
    writeInto(x.root, fs::path("slots") / relativePath(e.name), bytes);
    x.slotNames[k] = e.name;
    x.out << "slots/" << withSlashes(e.name) << "  (" << withCommas(int64_t(bytes.size())) << " bytes)\n";
    if (k == mv::slot::dataFile) {
      dataFile = std::move(bytes);
      haveDataFile = true;
    }
  }
  progress.finish();
  return haveDataFile;
}

// A copy that the installation makes: of the installer movie for record 1, else of the main file
// extracted before it. False (and the failure told) when the package does not hold what it copies.
bool copiedEntry(Extraction& x, const mv::DataFileEntryView& r, const std::string& label, std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> source;
  std::string why;
  std::string from = r.index == 1 ? std::string(mv::layout::kInstallerMovieName) : x.mainName;
  if (r.index == 1 && !x.image.dir().entries[mv::slot::presentation].name.empty() &&
      x.image.readSlot(mv::slot::presentation, source, why)) {
    bytes = std::move(source);
  } else if (r.index != 1 && !x.mainName.empty()) {
    bytes = readWholeFile(fromPath(x.root / "content" / relativePath(x.mainName)));
  } else {
    x.fail(label + ": a copy of " + inQuotes(from) + ", which the package does not hold");
    return false;
  }
  return true;
}

// One record of the data file into content/.
void extractEntry(Extraction& x, const std::vector<uint8_t>& dataFile, const mv::DataFileView& view,
                  const mv::DataFileEntryView& r, std::set<std::string>& names) {
  const std::string label = "data file record " + std::to_string(r.index) + " (" + inQuotes(r.record.name) + ")";
  if (!mv::isContainedRelativePath(r.record.name)) {
    x.fail(label + ": the name leads outside the content folder, not extracted");
    return;
  }
  if (const std::string fault = windowsNameFault(r.record.name); !fault.empty()) {
    x.fail(label + ": Windows cannot create a file of that name: " + fault + ", not extracted");
    return;
  }
  if (hasReservedComponent(r.record.name)) {
    x.fail(label + ": a name ending in a dot or blank, which Windows drops, not extracted");
    return;
  }
  std::vector<uint8_t> bytes;
  std::string why;
  if (mv::entryIsMovieCopy(r.index, r.record.kind, view.header.movieSource)) {
    if (!copiedEntry(x, r, label, bytes)) return;
  } else if (!readDataEntry(dataFile, r, bytes, why)) {
    x.fail(label + ": " + why + ", not extracted");
    return;
  }
  if (r.index == 1) x.mainName = r.record.name;
  if (!names.insert(mv::foldCase(r.record.name)).second) {
    x.fail(label + ": a second entry of that name, not extracted");
    return;
  }
  writeInto(x.root, fs::path("content") / relativePath(r.record.name), bytes);
  x.out << "content/" << withSlashes(r.record.name) << "  (" << withCommas(int64_t(bytes.size())) << " bytes)\n";
}

void extractEntries(Extraction& x, const std::vector<uint8_t>& dataFile) {
  mv::DataFileView view;
  std::string why;
  if (!parseDataFile(dataFile, view, why)) {
    x.fail("data file: " + why + "; its entries are not extracted");
    return;
  }
  std::set<std::string> names;
  for (const mv::DataFileEntryView& r : view.entries)
    if (!r.record.name.empty()) extractEntry(x, dataFile, view, r, names);
}

}  // namespace

int extractInstaller(const InstallerImage& image, const std::string& folder, bool force, bool progressWanted,
                     std::ostream& out, std::ostream& err) {
  if (!image.directoryComplete()) {
    err << "mvpack: " << image.path() << ": truncated: the file ends before the end of the package directory\n";
    return exitcode::damaged;
  }
  Extraction x(image, prepareFolder(folder, force), out, err);
  std::vector<uint8_t> dataFile;
  if (extractSlots(x, progressWanted, dataFile)) extractEntries(x, dataFile);

  const std::string manifest = extractedManifest(image.path(), image.dir().header, x.slotNames, x.mainName);
  std::error_code ec;  // a content folder that cannot be made shows when the manifest is built
  fs::create_directories(x.root / "content", ec);
  writeInto(x.root, "manifest.txt", std::vector<uint8_t>(manifest.begin(), manifest.end()));
  out << "manifest.txt\n";

  if (x.failures) {
    err << "mvpack: " << image.path() << ": " << x.failures << (x.failures == 1 ? " item" : " items")
        << " not extracted\n";
    return exitcode::damaged;
  }
  return exitcode::ok;
}

}  // namespace mvpack
