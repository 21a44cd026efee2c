// The package directory (96-byte header, eleven 280-byte entries), slot destinations, the length of
// the executable part of an installer file as its PE headers describe it, and the file's PE checksum.
#include "package/format.h"

#include <algorithm>
#include <cstring>

#include "support/install_layout.h"
#include "support/self_check_code.h"
#include "support/bytes.h"
#include "support/crc32.h"
#include "support/paths.h"
#include "support/text_encoding.h"

namespace mv {

namespace {

// Header field offsets
constexpr int hPresentation = 0, hLicense = 1, hRunExtra = 2, hReserved3 = 3, hReserved8 = 8, hRed = 16,
              hGreen = 20, hBlue = 24, hReserved28 = 28, hShowDesktop = 29, hTitle = 30;
// Entry field offsets
constexpr int eNameLength = 0, eName = 1, eNameSize = 255, eStart = 256, eEnd = 260, eKind = 264,
              eCompressed = 268, ePacked = 272, eExpanded = 276;

}  // namespace

// Every kind with a destination; any other kind has none.
struct SlotKindRule {
  int32_t kind;
  SlotDestination destination;
};
constexpr SlotKindRule kSlotKindRules[] = {
    {1, SlotDestination::contentFolder},   {2, SlotDestination::wallpaperFolder},
    {3, SlotDestination::windowsFolder},   {4, SlotDestination::contentFolder},
    {5, SlotDestination::contentFolder},   {6, SlotDestination::contentFolder},
    {10, SlotDestination::contentFolder},
};

SlotDestination destinationOfKind(int32_t kind) {
  for (const SlotKindRule& rule : kSlotKindRules)
    if (rule.kind == kind) return rule.destination;
  return SlotDestination::none;
}

std::string PackageHeader::title() const {
  return windows1252ToUtf8(fixedString(titleField.data(), titleField.size()));
}

void PackageHeader::setTitle(const std::string& text) {
  const std::string bytes = toWindows1252(text);
  titleField.fill(0);
  std::memcpy(titleField.data(), bytes.data(), std::min(bytes.size(), titleField.size()));
}

bool slotInsideFile(const PackageEntry& entry, int64_t fileSize) {
  return entry.start >= 0 && entry.end >= entry.start && int64_t(entry.end) < fileSize;
}

PackageDirectory parseDirectory(const uint8_t* bytes) {
  PackageDirectory dir;
  PackageHeader& h = dir.header;
  h.presentationKind = bytes[hPresentation];
  h.licenseFlag = bytes[hLicense];
  h.runExtraFlag = bytes[hRunExtra];
  std::memcpy(h.reserved3.data(), bytes + hReserved3, h.reserved3.size());
  std::memcpy(h.reserved8.data(), bytes + hReserved8, h.reserved8.size());
  h.red = readLe32(bytes + hRed);
  h.green = readLe32(bytes + hGreen);
  h.blue = readLe32(bytes + hBlue);
  h.reserved28 = bytes[hReserved28];
  h.showDesktopFlag = bytes[hShowDesktop];
  std::memcpy(h.titleField.data(), bytes + hTitle, h.titleField.size());

  for (int k = 0; k < kSlotCount; ++k) {
    const uint8_t* e = bytes + kHeaderSize + kEntrySize * k;
    PackageEntry& entry = dir.entries[k];
    // Only name-length bytes count; whatever follows them in the field is never looked at.
    entry.name = windows1252ToUtf8(std::string(reinterpret_cast<const char*>(e + eName), e[eNameLength]));
    entry.start = readLe32(e + eStart);
    entry.end = readLe32(e + eEnd);
    entry.kind = readLe32(e + eKind);
    entry.compressed = e[eCompressed];
    entry.packedSize = readLe32(e + ePacked);
    entry.expandedSize = readLe32(e + eExpanded);
  }
  return dir;
}

void serializeDirectory(const PackageDirectory& dir, uint8_t* bytes) {
  std::memset(bytes, 0, kDirectorySize);
  const PackageHeader& h = dir.header;
  bytes[hPresentation] = h.presentationKind;
  bytes[hLicense] = h.licenseFlag;
  bytes[hRunExtra] = h.runExtraFlag;
  std::memcpy(bytes + hReserved3, h.reserved3.data(), h.reserved3.size());
  std::memcpy(bytes + hReserved8, h.reserved8.data(), h.reserved8.size());
  writeLe32(bytes + hRed, uint32_t(h.red));
  writeLe32(bytes + hGreen, uint32_t(h.green));
  writeLe32(bytes + hBlue, uint32_t(h.blue));
  bytes[hReserved28] = h.reserved28;
  bytes[hShowDesktop] = h.showDesktopFlag;
  std::memcpy(bytes + hTitle, h.titleField.data(), h.titleField.size());

  for (int k = 0; k < kSlotCount; ++k) {
    uint8_t* e = bytes + kHeaderSize + kEntrySize * k;
    const PackageEntry& entry = dir.entries[k];
    const std::string name = toWindows1252(entry.name);
    size_t length = std::min<size_t>(name.size(), eNameSize);
    e[eNameLength] = uint8_t(length);
    std::memcpy(e + eName, name.data(), length);
    writeLe32(e + eStart, uint32_t(entry.start));
    writeLe32(e + eEnd, uint32_t(entry.end));
    writeLe32(e + eKind, uint32_t(entry.kind));
    e[eCompressed] = entry.compressed;
    writeLe32(e + ePacked, uint32_t(entry.packedSize));
    writeLe32(e + eExpanded, uint32_t(entry.expandedSize));
  }
}

bool hasIntegrityRecord(const PackageHeader& header) {
  return std::memcmp(header.reserved8.data(), kIntegrityMarker, 4) == 0;
}

uint32_t recordedCrc(const PackageHeader& header) { return readLeU32(header.reserved8.data() + 4); }

uint32_t recordedPackageLength(const PackageHeader& header) {
  return hasIntegrityRecord(header) ? readLeU32(header.reserved3.data()) : 0;
}

int64_t packageEnd(const PackageHeader& header, int64_t packageOffset, int64_t fileSize) {
  const uint32_t length = recordedPackageLength(header);
  return length != 0 ? packageOffset + int64_t(length) : fileSize;
}

void setPackageLength(PackageHeader& header, uint32_t length) { writeLe32(header.reserved3.data(), length); }

void setIntegrityRecord(PackageHeader& header, uint32_t crc) {
  std::memcpy(header.reserved8.data(), kIntegrityMarker, 4);
  writeLe32(header.reserved8.data() + 4, crc);
}

MV_SELF_CHECK_CODE uint32_t packageCrcUpdate(uint32_t crc, const uint8_t* bytes, size_t size, int64_t position) {
  const int64_t end = position + int64_t(size);
  const int64_t zeroFrom = std::max<int64_t>(position, kIntegrityOffset);
  const int64_t zeroTo = std::min<int64_t>(end, kIntegrityOffset + kIntegritySize);
  if (zeroFrom >= zeroTo) return crc32Update(crc, bytes, size);
  static const uint8_t zeros[kIntegritySize] = {};
  crc = crc32Update(crc, bytes, size_t(zeroFrom - position));
  crc = crc32Update(crc, zeros, size_t(zeroTo - zeroFrom));
  return crc32Update(crc, bytes + (zeroTo - position), size_t(end - zeroTo));
}

std::string slotDestination(const PackageEntry& entry, const std::string& windowsFolder,
                            const std::string& contentFolder) {
  // A folder that is not known yet (the content folder while start-up extracts the library) gives no
  // destination: a bare name would land in the current folder.
  switch (destinationOfKind(entry.kind)) {
    case SlotDestination::contentFolder:
      if (contentFolder.empty()) return std::string();
      return withTrailingBackslash(contentFolder) + entry.name;
    case SlotDestination::wallpaperFolder:
      if (windowsFolder.empty()) return std::string();
      return layout::wallpaperFolder(withTrailingBackslash(windowsFolder)) + entry.name;
    case SlotDestination::windowsFolder:
      if (windowsFolder.empty()) return std::string();
      // The Flash Player installer keeps its name so that it can be run from there; anything else of
      // this kind is a library.
      if (entry.name == layout::kFlashInstallerName) return layout::flashInstallerPath(withTrailingBackslash(windowsFolder));
      return withTrailingBackslash(windowsFolder) + replaceExtension(entry.name, ".dll");
    case SlotDestination::none:
      break;
  }
  return std::string();
}

// PE layout, as far as it decides where the image ends:
//   0x00  "MZ"                         DOS header
//   0x3C  e_lfanew                     offset of the "PE\0\0" signature
//   e_lfanew + 4: COFF file header (20 bytes)
//     +2 NumberOfSections, +8 PointerToSymbolTable, +12 NumberOfSymbols, +16 SizeOfOptionalHeader
//   e_lfanew + 24 + SizeOfOptionalHeader: section table, 40 bytes per section
//     +16 SizeOfRawData, +20 PointerToRawData
// The image ends after the last section's raw data, or after the COFF symbol table (18 bytes per
// symbol) and the string table that follows it (its first 4 bytes hold its length) when those come last.
namespace {

constexpr int64_t kMaxOffset = 0x7FFFFFFF;  // package offsets are signed 32-bit

int64_t imageEnd(const uint8_t* image, size_t size, const std::function<bool(int64_t, uint8_t*)>* readLength) {
  if (!image || size < 0x40 || image[0] != 'M' || image[1] != 'Z') return -1;
  int64_t peOffset = readLeU32(image + 0x3C);
  const int64_t coff = peOffset + 4;
  if (peOffset < 0x40 || coff + 20 > int64_t(size)) return -1;
  if (std::memcmp(image + peOffset, "PE\0\0", 4) != 0) return -1;

  const int sectionCount = readLe16(image + coff + 2);
  const int64_t symbolTable = readLeU32(image + coff + 8);
  const int64_t symbolCount = readLeU32(image + coff + 12);
  const int64_t optionalSize = readLe16(image + coff + 16);
  const int64_t sections = coff + 20 + optionalSize;
  if (sectionCount == 0 || sections + 40 * int64_t(sectionCount) > int64_t(size)) return -1;

  int64_t end = 0;
  for (int i = 0; i < sectionCount; ++i) {
    const uint8_t* s = image + sections + 40 * i;
    int64_t rawSize = readLeU32(s + 16), rawPointer = readLeU32(s + 20);
    if (rawSize == 0) continue;  // uninitialised data occupies nothing in the file
    end = std::max(end, rawPointer + rawSize);
  }
  const int64_t headersEnd = sections + 40 * int64_t(sectionCount);
  if (end < headersEnd) return -1;  // no section data at all, or sections overlapping the headers

  if (symbolTable != 0) {
    const int64_t stringTable = symbolTable + 18 * symbolCount;
    if (stringTable > kMaxOffset) return -1;
    uint8_t lengthBytes[4];
    if (stringTable + 4 <= int64_t(size)) {
      std::memcpy(lengthBytes, image + stringTable, 4);
    } else if (!readLength || !(*readLength)(stringTable, lengthBytes)) {
      return -1;
    }
    int64_t stringLength = readLeU32(lengthBytes);
    if (stringLength < 4) stringLength = 4;  // the length field itself is always there
    end = std::max(end, stringTable + stringLength);
  }
  if (end > kMaxOffset) return -1;
  return end;
}

}  // namespace

int64_t packageOffsetFromImage(const uint8_t* image, size_t size) { return imageEnd(image, size, nullptr); }

int64_t packageOffsetFromImage(const uint8_t* image, size_t size,
                               const std::function<bool(int64_t offset, uint8_t* fourBytes)>& readLength) {
  return imageEnd(image, size, &readLength);
}

// The optional header starts with its magic: 0x10B for PE32 (data directory at +96, its entry count at
// +92), 0x20B for PE32+ (+112, +108). Entry 4 of the data directory is the certificate table; unlike
// the other entries it holds a file offset, not an address in memory.
CertificateTable certificateTable(const uint8_t* image, size_t size) {
  CertificateTable table;
  if (!image || size < 0x40 || image[0] != 'M' || image[1] != 'Z') return table;
  const int64_t peOffset = readLeU32(image + 0x3C);
  const int64_t optional = peOffset + 24;
  if (peOffset < 0x40 || optional + 2 > int64_t(size) || std::memcmp(image + peOffset, "PE\0\0", 4) != 0) return table;
  const int64_t optionalSize = readLe16(image + peOffset + 4 + 16);
  const uint32_t magic = readLe16(image + optional);
  if (magic != 0x10B && magic != 0x20B) return table;
  const int64_t countAt = optional + (magic == 0x20B ? 108 : 92);
  const int64_t entry = optional + (magic == 0x20B ? 112 : 96) + 4 * 8;
  if (entry + 8 > int64_t(size) || entry + 8 > optional + optionalSize || readLeU32(image + countAt) < 5) return table;
  table.offset = readLeU32(image + entry);
  table.size = readLeU32(image + entry + 4);
  if (table.offset == 0 || table.size == 0) table = CertificateTable();
  return table;
}

// The CheckSum field lies 64 bytes into the optional header, in PE32 and PE32+ alike.
int64_t peChecksumOffset(const uint8_t* image, size_t size) {
  if (!image || size < 0x40 || image[0] != 'M' || image[1] != 'Z') return -1;
  const int64_t peOffset = readLeU32(image + 0x3C);
  const int64_t optional = peOffset + 24;
  if (peOffset < 0x40 || optional > int64_t(size) || std::memcmp(image + peOffset, "PE\0\0", 4) != 0) return -1;
  const int64_t optionalSize = readLe16(image + peOffset + 4 + 16);
  const int64_t field = optional + 64;
  if (optionalSize < 64 + kPeChecksumSize || field + kPeChecksumSize > int64_t(size)) return -1;
  return field;
}

uint32_t recordedPeChecksum(const uint8_t* image, size_t size) {
  const int64_t field = peChecksumOffset(image, size);
  return field < 0 ? 0 : readLeU32(image + field);
}

namespace {

// Adds bytes as the low (even file offset) or high (odd) half of their 16-bit word.
uint64_t addWords(uint64_t sum, const uint8_t* bytes, size_t size, int64_t position) {
  size_t i = 0;
  if (size > 0 && (position & 1)) sum += uint64_t(bytes[i++]) << 8;
  for (; i + 1 < size; i += 2) sum += readLe16(bytes + i);
  if (i < size) sum += bytes[i];
  return sum;
}

}  // namespace

MV_SELF_CHECK_CODE uint64_t peChecksumUpdate(uint64_t sum, const uint8_t* bytes, size_t size, int64_t position,
                                             int64_t fieldOffset) {
  const int64_t end = position + int64_t(size);
  const int64_t zeroFrom = fieldOffset < 0 ? end : std::max(position, fieldOffset);
  const int64_t zeroTo = fieldOffset < 0 ? end : std::min(end, fieldOffset + kPeChecksumSize);
  if (zeroFrom >= zeroTo) return addWords(sum, bytes, size, position);
  sum = addWords(sum, bytes, size_t(zeroFrom - position), position);
  return addWords(sum, bytes + (zeroTo - position), size_t(end - zeroTo), zeroTo);
}

MV_SELF_CHECK_CODE uint32_t peChecksumFinish(uint64_t sum, int64_t fileLength) {
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);  // end-around carry
  return uint32_t(sum) + uint32_t(fileLength);
}

uint32_t peChecksumOf(const uint8_t* file, size_t size) {
  return peChecksumFinish(peChecksumUpdate(0, file, size, 0, peChecksumOffset(file, size)), int64_t(size));
}

bool setPeChecksum(uint8_t* file, size_t size, uint32_t checksum) {
  const int64_t field = peChecksumOffset(file, size);
  if (field < 0) return false;
  writeLe32(file + field, checksum);
  return true;
}

}  // namespace mv
