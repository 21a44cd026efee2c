#pragma once
// The one failure model of every layer: a step returns a Result, which cannot be dropped unnoticed.
//   - success: code 0;
//   - a failure by code: positive values are operating-system error codes (GetLastError numbering),
//     negative values the program's own (rc:: below); the step has already told its Reporter, or the
//     code is what the caller turns into a message;
//   - a failure with a text (rc::failedWithText): the text the user reads, not yet shown; the step hands
//     it up to the code that shows it.
// A code converts to a Result; a Result gives its code only when asked (code()), so a failure never
// turns into a plain number unnoticed. It compares with a code. Where a result is deliberately not
// examined, the call says so once with (void) and a comment.
#include <cstdint>
#include <string>
#include <utility>

namespace mv {

class [[nodiscard]] Result {
 public:
  Result(int32_t code = 0) : code_(code) {}  // NOLINT: implicit, a code is a result
  // A failure the user reads as this text.
  static Result failure(std::string text);

  bool ok() const { return code_ == 0; }
  int32_t code() const { return code_; }
  friend bool operator==(const Result& r, int32_t code) { return r.code_ == code; }
  friend bool operator!=(const Result& r, int32_t code) { return r.code_ != code; }
  friend bool operator==(int32_t code, const Result& r) { return r.code_ == code; }
  friend bool operator!=(int32_t code, const Result& r) { return r.code_ != code; }
  // Printed as its code (test messages, tools); a template, so that no stream is needed here.
  template <class Stream>
  friend Stream& operator<<(Stream& out, const Result& r) {
    out << r.code_;
    return out;
  }
  // The failure's text; empty for success and for failures by code.
  const std::string& text() const { return text_; }

 private:
  int32_t code_;
  std::string text_;
};

namespace rc {
constexpr int32_t ok = 0;
constexpr int32_t folderFailed = -1;        // a folder operation failed
constexpr int32_t noMemory = -7;            // no memory for a payload (also: the shell returned 0)
constexpr int32_t recordOutOfRange = -12;   // data file record index greater than its entry count
constexpr int32_t wrongSize = -13;          // an expanded file has the wrong size
constexpr int32_t dataFileNotOpen = -15;    // the data file is not open
constexpr int32_t expandedMissing = -16;    // an expanded file is missing
constexpr int32_t shortIo = -30;            // short read or short write
constexpr int32_t directoryIncomplete = -31;// the package directory is incomplete
constexpr int32_t fileBusy = -32;           // a file is busy and cannot be deleted
constexpr int32_t codecUnavailable = -35;   // the codec is not available
constexpr int32_t flashInstallerMissing = -401;
constexpr int32_t noFlashControl = -403;
constexpr int32_t notSwf = -404;
constexpr int32_t swfTooNew = -405;
constexpr int32_t swfTooOld = -406;
constexpr int32_t tempCopyFailed = -523;
constexpr int32_t emptySlotName = -531;
constexpr int32_t movieCopyFailed = -532;

// Codes of our own for damage the original format does not detect. Each is reported with a clear
// message before it is returned.
constexpr int32_t unsafeName = -540;        // a name would write outside its destination folder
constexpr int32_t badTitle = -541;          // the content title is not a plain folder name
constexpr int32_t damagedPackage = -542;    // offsets or sizes in the package point outside the file
constexpr int32_t damagedDataFile = -543;   // the data file's header, records or blocks are inconsistent
constexpr int32_t integrityFailed = -544;   // the package's CRC or the file's PE checksum does not match
constexpr int32_t contentFolderFailed = -545;// the content folder could not be created
constexpr int32_t failedWithText = -550;    // a failure whose text the Result carries
}  // namespace rc

constexpr int32_t fileBusyCode = rc::fileBusy;

// Win32 error numbers the portable code needs to name.
namespace oserr {
constexpr int32_t fileNotFound = 2;
constexpr int32_t pathNotFound = 3;
constexpr int32_t accessDenied = 5;
constexpr int32_t invalidHandle = 6;
constexpr int32_t notEnoughMemory = 8;
constexpr int32_t writeFault = 29;
constexpr int32_t readFault = 30;
constexpr int32_t sharingViolation = 32;
constexpr int32_t fileExists = 80;
constexpr int32_t invalidParameter = 87;
constexpr int32_t handleDiskFull = 39;
constexpr int32_t diskFull = 112;
constexpr int32_t dirNotEmpty = 145;
constexpr int32_t alreadyExists = 183;
constexpr int32_t modNotFound = 126;
constexpr int32_t badExeFormat = 193;
}  // namespace oserr

// The codes with which Windows refuses a write for want of space.
constexpr bool isDiskFull(int32_t code) { return code == oserr::diskFull || code == oserr::handleDiskFull; }

inline Result Result::failure(std::string text) {
  Result r(rc::failedWithText);
  r.text_ = std::move(text);
  return r;
}

}  // namespace mv
