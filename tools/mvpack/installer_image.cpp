// Reading installers for list, verify and extract: the directory, the slots and the data file's entries,
// each checked against the bytes it lies in.
#include "installer_image.h"

#include <algorithm>

#include "codec.h"
#include "util.h"

namespace mvpack {

namespace {

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

}  // namespace

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

}  // namespace mvpack
