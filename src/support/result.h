#pragma once
// Result codes shared by every operation of the installer.
// 0 is success; positive values are operating-system error codes (GetLastError numbering);
// negative values are the program's own.
#include <cstdint>

namespace mv {

using Result = int32_t;

namespace rc {
constexpr Result ok = 0;
constexpr Result folderFailed = -1;        // a folder operation failed
constexpr Result noMemory = -7;            // no memory for a payload (also: the shell returned 0)
constexpr Result recordOutOfRange = -12;   // data file record index greater than its entry count
constexpr Result wrongSize = -13;          // an expanded file has the wrong size
constexpr Result dataFileNotOpen = -15;    // the data file is not open
constexpr Result expandedMissing = -16;    // an expanded file is missing
constexpr Result shortIo = -30;            // short read or short write
constexpr Result directoryIncomplete = -31;// the package directory is incomplete
constexpr Result fileBusy = -32;           // a file is busy and cannot be deleted
constexpr Result codecUnavailable = -35;   // the codec is not available
constexpr Result flashInstallerMissing = -401;
constexpr Result noFlashControl = -403;
constexpr Result notSwf = -404;
constexpr Result swfTooNew = -405;
constexpr Result swfTooOld = -406;
constexpr Result tempCopyFailed = -523;
constexpr Result emptySlotName = -531;
constexpr Result movieCopyFailed = -532;

// Codes of our own for damage the original format does not detect. Each is reported with a clear
// message before it is returned.
constexpr Result unsafeName = -540;        // a name would write outside its destination folder
constexpr Result badTitle = -541;          // the content title is not a plain folder name
constexpr Result damagedPackage = -542;    // offsets or sizes in the package point outside the file
constexpr Result damagedDataFile = -543;   // the data file's header, records or blocks are inconsistent
constexpr Result integrityFailed = -544;   // the package's CRC or the file's PE checksum does not match
constexpr Result contentFolderFailed = -545;// the content folder could not be created
constexpr Result platformError = -550;     // a step failed with a text (Status), which was shown
}  // namespace rc

constexpr Result fileBusyCode = rc::fileBusy;

// Win32 error numbers the portable code needs to name.
namespace oserr {
constexpr Result fileNotFound = 2;
constexpr Result pathNotFound = 3;
constexpr Result accessDenied = 5;
constexpr Result invalidHandle = 6;
constexpr Result notEnoughMemory = 8;
constexpr Result writeFault = 29;
constexpr Result readFault = 30;
constexpr Result sharingViolation = 32;
constexpr Result handleEof = 38;
constexpr Result fileExists = 80;
constexpr Result invalidParameter = 87;
constexpr Result handleDiskFull = 39;
constexpr Result diskFull = 112;
constexpr Result dirNotEmpty = 145;
constexpr Result alreadyExists = 183;
constexpr Result modNotFound = 126;
constexpr Result badExeFormat = 193;
}  // namespace oserr

// The codes with which Windows refuses a write for want of space.
constexpr bool isDiskFull(Result code) { return code == oserr::diskFull || code == oserr::handleDiskFull; }

}  // namespace mv
