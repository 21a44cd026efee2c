#include "package_writer.h"

#include <cstring>

#include "package/datafile_format.h"
#include "package/format.h"
#include "support/bytes.h"
#include "support/text_encoding.h"

namespace mv::test {

namespace {

void put32(Bytes& b, size_t at, uint32_t v) { writeLe32(&b[at], v); }
void put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

// The format's structures hold texts as UTF-8 and store them as Windows-1252: the layouts' raw bytes
// come back unchanged.
std::string asText(const std::string& raw) { return windows1252ToUtf8(raw); }

int32_t expandedOf(int32_t declared, const Bytes& payload) {
  return declared >= 0 ? declared : int32_t(payload.size());
}

bool storesPayload(const PackageLayout& layout, int k) { return k > 0 && (layout.slotsAtCursor || !layout.slots[k].name.empty()); }

PackageDirectory directoryOf(const Bytes& stub, const PackageLayout& layout) {
  PackageDirectory dir;
  PackageHeader& h = dir.header;
  h.presentationKind = layout.presentationKind;
  h.licenseFlag = layout.licenseFlag;
  h.runExtraFlag = layout.runExtraFlag;
  h.red = layout.red;
  h.green = layout.green;
  h.blue = layout.blue;
  h.showDesktopFlag = layout.showDesktopFlag;
  h.setTitle(asText(layout.title));
  int64_t position = int64_t(stub.size()) + kDirectorySize;
  for (int k = 0; k < kSlotCount; ++k) {
    const SlotLayout& s = layout.slots[k];
    PackageEntry& e = dir.entries[k];
    e.name = asText(s.name);
    e.kind = s.kind;
    e.compressed = s.compressed ? 1 : 0;
    e.packedSize = s.compressed ? int32_t(s.payload.size()) : 0;
    e.expandedSize = expandedOf(s.expandedSize, s.payload);
    if (k == 0) {  // the installer itself
      e.end = int32_t(stub.size()) - 1;
      e.expandedSize = int32_t(stub.size());
    } else if (storesPayload(layout, k)) {
      const int64_t size = int64_t(s.payload.size());
      e.start = int32_t(position);
      e.end = int32_t(position + size - (layout.slotsAtCursor && size == 0 ? 0 : 1));
      position += size;
    }
  }
  return dir;
}

// The record: the package's length when wanted, then "MVCK" and the CRC-32 of the package.
void addIntegrityRecord(Bytes& file, size_t offset, size_t packageEnd, bool recordLength) {
  if (recordLength) put32(file, offset + kPackageLengthOffset, uint32_t(packageEnd - offset));
  const uint32_t crc = packageCrcUpdate(0, file.data() + offset, packageEnd - offset, 0);
  std::memcpy(&file[offset + kIntegrityOffset], kIntegrityMarker, 4);
  put32(file, offset + kIntegrityOffset + 4, crc);
}

}  // namespace

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes peStub(uint32_t length) {
  Bytes b(length, 0);
  b[0] = 'M';
  b[1] = 'Z';
  put32(b, 0x3C, 0x80);               // e_lfanew
  std::memcpy(&b[0x80], "PE\0\0", 4);
  size_t coff = 0x84;
  put16(b, coff + 0, 0x014C);         // i386
  put16(b, coff + 2, 1);              // one section
  put16(b, coff + 16, 0xE0);          // optional header size
  put16(b, coff + 18, 0x0102);        // executable, 32-bit
  size_t opt = coff + 20;
  put16(b, opt + 0, 0x010B);          // PE32
  put32(b, opt + 16, 0x1000);         // entry point
  put32(b, opt + 28, 0x400000);       // image base
  put32(b, opt + 32, 0x1000);         // section alignment
  put32(b, opt + 36, 0x200);          // file alignment
  put16(b, opt + 40, 4);              // OS version
  put16(b, opt + 48, 4);              // subsystem version
  put32(b, opt + 56, 0x2000);         // image size
  put32(b, opt + 60, 0x200);          // headers size
  put16(b, opt + 68, 2);              // GUI
  put32(b, opt + 92, 16);             // data directories
  size_t sec = opt + 0xE0;
  std::memcpy(&b[sec], ".text", 5);
  put32(b, sec + 8, length - 0x200);  // virtual size
  put32(b, sec + 12, 0x1000);         // virtual address
  put32(b, sec + 16, length - 0x200); // raw size
  put32(b, sec + 20, 0x200);          // raw pointer: ends at `length`
  put32(b, sec + 36, 0x60000020);
  return b;
}

Bytes buildInstaller(const Bytes& stub, const PackageLayout& layout) {
  const size_t offset = stub.size();
  Bytes out = stub;
  out.resize(offset + kDirectorySize);
  serializeDirectory(directoryOf(stub, layout), &out[offset]);
  for (int k = 0; k < kSlotCount; ++k) {
    uint8_t* entry = &out[offset + kHeaderSize + size_t(kEntrySize) * k];
    const size_t nameLength = entry[0];
    if (layout.nameFill) std::memset(entry + 1 + nameLength, layout.nameFill, 255 - nameLength);
    if (layout.tweakEntry) layout.tweakEntry(k, entry);
    if (storesPayload(layout, k)) out.insert(out.end(), layout.slots[k].payload.begin(), layout.slots[k].payload.end());
  }
  if (layout.integrity) addIntegrityRecord(out, offset, out.size(), layout.recordLength);
  out.insert(out.end(), layout.trailer.begin(), layout.trailer.end());
  return out;
}

size_t payloadOffset(const Bytes& stub, const PackageLayout& layout, int k) {
  size_t position = stub.size() + kDirectorySize;
  for (int i = 1; i < k; ++i)
    if (storesPayload(layout, i)) position += layout.slots[i].payload.size();
  return position;
}

PackageLayout typicalPackage(const std::string& title, const Bytes& dataFile) {
  PackageLayout p;
  p.presentationKind = 8;
  p.showDesktopFlag = 1;
  p.red = 255;
  p.green = 128;
  p.title = title;
  p.slots[0] = {"install.exe", 6, {}, false, 0};
  p.slots[1] = {"impborl.dat", 3, bytesOf("not really a library"), false, -1};
  p.slots[2] = {"flashax.exe", 3, bytesOf("MZ flash player installer"), false, -1};
  p.slots[3] = {"installer.swf", 5, bytesOf("\xFF\xD8\xFF\xE0 jpeg picture"), false, -1};
  p.slots[6] = {title + ".html", 2, bytesOf("<html><body>" + title + "</body></html>"), false, -1};
  p.slots[8] = {title + ".mvd", 4, dataFile, false, -1};
  p.slots[9] = {"uninstall.exe", 5, bytesOf("MZ uninstaller"), false, -1};
  p.slots[10] = {"", 10, {}, false, 0};
  return p;
}

Bytes buildDataFile(const DataFileLayout& layout) {
  const size_t n = layout.entries.size();
  Bytes out(size_t(dataRecordOffset(int(n) + 1)), 0);
  serializeDataHeader({layout.entryCount.value_or(int32_t(n)), asText(layout.title), layout.movieSource}, out.data());
  for (size_t i = 0; i < n; ++i) {
    const DataEntryLayout& e = layout.entries[i];
    const int32_t block = e.badOffset ? 0x7FFFFF00 : int32_t(out.size());
    serializeDataRecord({e.kind, asText(e.name), block}, &out[size_t(dataRecordOffset(int(i) + 1))]);
    Bytes header(kDataBlockHeaderSize, 0);
    serializeDataBlockHeader({std::string(kDataBlockMarker, 4), e.kind, expandedOf(e.expandedSize, e.payload),
                              int32_t(e.payload.size()), e.compressed ? 1 : 0},
                             header.data());
    if (e.tweakBlock) e.tweakBlock(header.data());
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), e.payload.begin(), e.payload.end());
  }
  return out;
}

}  // namespace mv::test
