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

// The host path of a Windows-style relative name: "\" becomes the native separator.
std::string nativeRelative(const std::string& windowsName);

}  // namespace mvpack
