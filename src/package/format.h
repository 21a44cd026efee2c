#pragma once
// The package appended to the installer executable: a 96-byte header and eleven 280-byte entries
// (3,176 bytes), then the payloads. All integers little-endian, 32-bit, signed. Texts (the title and
// the slot names) are stored as Windows-1252 and held here as UTF-8, the program's text: they are
// converted when the directory is parsed and serialised, never through the ANSI code page.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace mv {

constexpr int kSlotCount = 11;
constexpr int kHeaderSize = 96;
constexpr int kEntrySize = 280;
constexpr int kDirectorySize = kHeaderSize + kSlotCount * kEntrySize;  // 3,176

// Slot roles
namespace slot {
constexpr int installer = 0, library = 1, flashInstaller = 2, presentation = 3, licence = 4, extra = 5, htmlPage = 6,
              unused = 7, dataFile = 8, uninstaller = 9, further = 10;
}

// Slot kinds decide where an extracted slot goes. The rule for every kind is in one table
// (kSlotKindRules in format.cpp); kinds it does not list have no destination and are never written.
enum class SlotDestination {
  none,             // must not be extracted
  contentFolder,    // content folder + name
  wallpaperFolder,  // the wallpaper folder (install_layout.h) + name
  windowsFolder,    // Windows folder + name for the Flash Player installer, else the name with ".dll"
};
SlotDestination destinationOfKind(int32_t kind);

// The kinds the packaging tool writes, one per use (the installer treats every kind of a destination alike).
namespace slotkind {
constexpr int32_t none = 0, wallpaperPage = 2, windowsFolder = 3, dataFile = 4, contentFile = 5, installer = 6,
                  further = 10;
}

// Presentation kinds (header byte 0)
namespace presentation {
constexpr uint8_t bmp = 1, movie = 2, movie2 = 3, silent = 4, jpeg = 8;
}

// Our integrity record, in reserved header bytes that the original installer never reads (packages
// without the record hold zeros there):
//   bytes 8..11   "MVCK"
//   bytes 12..15  the CRC-32 of the package, taken with bytes 8..15 as zero
//   bytes 3..6    the package's length from packageOffset (little-endian), covered by the CRC. The CRC
//                 is over exactly those bytes: what follows them (the certificate table that code
//                 signing appends) is not part of the package. Zero in records written before the
//                 length was: their package runs to the end of the file.
constexpr char kIntegrityMarker[4] = {'M', 'V', 'C', 'K'};
constexpr int kIntegrityOffset = 8;
constexpr int kIntegritySize = 8;
constexpr int kPackageLengthOffset = 3;

struct PackageHeader {
  uint8_t presentationKind = 0;
  uint8_t licenseFlag = 0;
  uint8_t runExtraFlag = 0;
  std::array<uint8_t, 5> reserved3{};
  std::array<uint8_t, 8> reserved8{};  // integrity marker and CRC when present
  int32_t red = 0, green = 0, blue = 0;
  uint8_t reserved28 = 0;
  uint8_t showDesktopFlag = 0;
  std::array<uint8_t, 64> titleField{};  // Windows-1252, zero-terminated when shorter than 64
  std::string title() const;             // up to 64 characters, as UTF-8
  // Stores a title that Windows-1252 can hold (callers check with utf8ToWindows1252), cut at 64 bytes.
  void setTitle(const std::string& text);
};

struct PackageEntry {
  std::string name;  // the name-length significant bytes of the name field, as UTF-8
  int32_t start = 0;
  int32_t end = 0;  // inclusive
  int32_t kind = 0;
  uint8_t compressed = 0;
  int32_t packedSize = 0;
  int32_t expandedSize = 0;
  int64_t storedSize() const { return int64_t(end) - int64_t(start) + 1; }
};

struct PackageDirectory {
  PackageHeader header;
  std::array<PackageEntry, kSlotCount> entries;
};

// The slot's stored bytes lie inside a file of fileSize bytes: 0 <= start <= end < fileSize.
bool slotInsideFile(const PackageEntry& entry, int64_t fileSize);

// Parses exactly kDirectorySize bytes. Never fails: nothing in the directory is checked here.
PackageDirectory parseDirectory(const uint8_t* bytes);
// Writes a directory into kDirectorySize bytes (the packaging tool and tests); name bytes after the
// name length are zero. Names must fit Windows-1252 and 255 bytes (a character without a byte is
// written as "?").
void serializeDirectory(const PackageDirectory& dir, uint8_t* bytes);

// The integrity record of a directory's header: whether one is there, the CRC it holds, and the
// package's length (0: to the end of the file).
bool hasIntegrityRecord(const PackageHeader& header);
uint32_t recordedCrc(const PackageHeader& header);
uint32_t recordedPackageLength(const PackageHeader& header);
// Where the package ends in a file of fileSize bytes: packageOffset + the recorded length, or the end
// of the file when the header records none. May lie beyond the end of a truncated file.
int64_t packageEnd(const PackageHeader& header, int64_t packageOffset, int64_t fileSize);
// Sets the record's length; it must be set before the CRC is computed, which covers it.
void setPackageLength(PackageHeader& header, uint32_t length);
// Sets the record: the marker and the CRC.
void setIntegrityRecord(PackageHeader& header, uint32_t crc);
// Continues the package's CRC over `size` bytes that start `position` bytes into the package, taking
// the record's own 8 bytes as zero. Start with crc 0 at position 0.
uint32_t packageCrcUpdate(uint32_t crc, const uint8_t* bytes, size_t size, int64_t position);

// Destination of a slot by its kind; "" for kinds that must not be extracted (0, 7, 8, 9 and unknown)
// and while the folder the kind needs is not known yet (empty).
std::string slotDestination(const PackageEntry& entry, const std::string& windowsFolder,
                            const std::string& contentFolder);

// The certificate table of a signed PE file (Authenticode): its file offset and size, from the
// security entry of the optional header's data directory. Size 0 when the file carries none or
// `image` (the file's first bytes) does not hold the headers.
struct CertificateTable {
  int64_t offset = 0;
  int64_t size = 0;
};
CertificateTable certificateTable(const uint8_t* image, size_t size);

// The PE checksum: the optional header's CheckSum field, as Windows computes it (CheckSumMappedFile): the
// file's little-endian 16-bit words (an odd last byte taken as a word of its own) added with end-around
// carry, the field's own 4 bytes taken as zero, folded to 16 bits, plus the file's length. It covers the
// whole file: the program part, the package, and a code signature's certificate table, after which
// signing tools compute it again. A field of 0 records none (a stub as built, a stub joined to its
// package by copying, installers of older packers); nothing checks it then.
constexpr int kPeChecksumSize = 4;
// The field's file offset; -1 when `image` (the file's first bytes) holds no PE optional header with it.
int64_t peChecksumOffset(const uint8_t* image, size_t size);
// The checksum the headers record; 0 (none) also when there is no field.
uint32_t recordedPeChecksum(const uint8_t* image, size_t size);
// Continues the sum over `size` bytes that start at file offset `position`, taking the 4 bytes at
// `fieldOffset` as zero (-1: no field). Start with 0 at position 0; blocks may have any length. Exact for
// files up to 2 GiB (the sum is not folded on the way).
uint64_t peChecksumUpdate(uint64_t sum, const uint8_t* bytes, size_t size, int64_t position, int64_t fieldOffset);
// The checksum of a file of `fileLength` bytes whose sum is `sum`.
uint32_t peChecksumFinish(uint64_t sum, int64_t fileLength);
// The checksum of a whole file held in memory (its field taken as zero).
uint32_t peChecksumOf(const uint8_t* file, size_t size);
// Writes `checksum` into the file's field (0 clears it); false when the file has none.
bool setPeChecksum(uint8_t* file, size_t size, uint32_t checksum);

// packageOffset: the length of the executable part of an installer file, learnt from its PE headers
// (the end of the last section's raw data, or of the COFF symbol table when one follows the sections).
// `image` holds the file's first bytes (kPeProbeSize or the whole file when shorter).
// -1 when the bytes are not a PE image or their fields point outside sane bounds.
constexpr int kPeProbeSize = 4096;
int64_t packageOffsetFromImage(const uint8_t* image, size_t size);
// The same for a probe that does not reach the COFF string table: readLength(offset, fourBytes) reads the
// string table's 4-byte length field from the file; false when it cannot.
int64_t packageOffsetFromImage(const uint8_t* image, size_t size,
                               const std::function<bool(int64_t offset, uint8_t* fourBytes)>& readLength);

}  // namespace mv
