#pragma once
// The licence text as packages carry it: Windows-1252, which the installer shows whatever the code page
// of the machine.
#include <cstdint>
#include <string>
#include <vector>

namespace mvpack {

// A UTF-8 licence (with or without its byte order mark) becomes Windows-1252, without the mark; ToolError
// "<what>: line N: ..." naming the first character that Windows-1252 has no byte for. ASCII text, and text
// that is not UTF-8 (taken to be Windows-1252 already), stays as it is.
std::vector<uint8_t> licenceAsWindows1252(const std::vector<uint8_t>& bytes, const std::string& what);

}  // namespace mvpack
