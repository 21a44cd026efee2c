#pragma once
// Small helpers of the packaging tool: errors that name the file and the reason, whole-file I/O,
// number formatting.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace mvpack {

// A failure the tool reports as "mvpack: <text>" and ends with a non-zero exit code.
class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& text) : std::runtime_error(text) {}
};

// Exit codes (documented in `mvpack --help`).
namespace exitcode {
constexpr int ok = 0;
constexpr int failed = 1;   // a file could not be read or written, a manifest or stub was refused
constexpr int usage = 2;    // wrong command line
constexpr int damaged = 3;  // verify/list/extract found the installer damaged or unsafe
}  // namespace exitcode

// The text of errno, e.g. "No such file or directory".
std::string errnoText(int err);

// Reads a whole file; ToolError "<path>: <reason>" when it cannot. `what` names the role
// ("stub", "licence", ...) and is put in front of the path when not empty.
std::vector<uint8_t> readWholeFile(const std::string& path, const std::string& what = "");
// Writes a file in one go (create or truncate); ToolError naming the path on failure.
void writeWholeFile(const std::string& path, const std::vector<uint8_t>& data);

// 1234567 -> "1,234,567"
std::string withCommas(int64_t value);
// "12.3 MB" style, for summaries
std::string humanSize(int64_t bytes);
// Quotes a name for messages: "name" with control bytes shown as \xNN.
std::string inQuotes(const std::string& text);

// The host path of a Windows-style relative name: "\" becomes the native separator (and, on hosts whose
// file names are UTF-8, the Windows-1252 bytes of the name become UTF-8).
std::string nativeRelative(const std::string& windowsName);

// Names inside a package are 8-bit Windows ANSI text (Windows-1252). Text that is valid UTF-8 with
// characters beyond ASCII (a manifest or a Linux file name) is converted; false when a character has no
// Windows-1252 form. Anything else is taken to be Windows-1252 already and kept.
bool toWindowsText(const std::string& text, std::string& ansi);
// Windows-1252 bytes as UTF-8, for messages and file names on POSIX hosts.
std::string fromWindowsText(const std::string& ansi);
// For messages: the text as the host shows it (UTF-8 on POSIX hosts, unchanged on Windows).
std::string shown(const std::string& ansi);

// Names Windows reserves for devices (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension) and
// names ending in a dot or blank, which Windows cannot create: true when any component of a
// "\"-separated path is one.
bool hasReservedComponent(const std::string& path);

}  // namespace mvpack
