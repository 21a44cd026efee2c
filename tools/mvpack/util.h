#pragma once
// Small helpers of the packaging tool: errors that name the file and the reason, whole-file I/O,
// number formatting, and the tool's text.
//
// The tool's text is UTF-8: its command line (wmain on Windows), messages, paths and the names it stores.
// Paths become the file system's own form only in toPath(). Names in packages are Windows-1252, as the
// installer reads them; package/format and the data file code convert them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>
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
// The text of a file system error (the system's own text on Windows, as UTF-8).
std::string errorText(const std::error_code& ec);

// A path of the tool's text as the file system's path (UTF-16 on Windows; the bytes themselves on POSIX
// hosts, whose file names are bytes), and back.
std::filesystem::path toPath(const std::string& text);
std::string fromPath(const std::filesystem::path& path);
// fopen for a path of the tool's text.
std::FILE* openFile(const std::string& path, const char* mode);

// Reads a whole file; ToolError "<path>: <reason>" when it cannot. `what` names the role
// ("stub", "licence", ...) and is put in front of the path when not empty.
std::vector<uint8_t> readWholeFile(const std::string& path, const std::string& what = "");
// Writes a file in one go (create or truncate); ToolError naming the path on failure.
void writeWholeFile(const std::string& path, const std::vector<uint8_t>& data);

// 1234567 -> "1,234,567"
std::string withCommas(int64_t value);
// Quotes a name for messages: "name" with control bytes shown as \xNN.
std::string inQuotes(const std::string& text);

// The relative path of a Windows-style relative name ("\" separated).
std::filesystem::path relativePath(const std::string& windowsName);
// The same name with "/" as the separator, for listings.
std::string withSlashes(const std::string& windowsName);

// A name as text: UTF-8 as it is; bytes that are not UTF-8 (a manifest or a POSIX file name written
// in Windows-1252) are read as Windows-1252.
std::string nameText(const std::string& bytes);
// The Windows-1252 bytes a package stores for a name; ToolError "<what>: ... cannot hold" when a
// character has none.
std::string storedName(const std::string& text, const std::string& what);

// Names Windows reserves for devices (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any extension) and
// names ending in a dot or blank, which Windows cannot create: true when any component of a
// "\"-separated path is one.
bool hasReservedComponent(const std::string& path);

// Why Windows cannot create a file of this name, "" when it can: for the first component of a "\"- or
// "/"-separated path that holds a character Windows refuses (the character is named) or is a device
// name. Trailing dots and blanks are not looked at (hasReservedComponent is).
std::string windowsNameFault(const std::string& path);

}  // namespace mvpack
