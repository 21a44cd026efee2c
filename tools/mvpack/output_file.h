#pragma once
// The file `mvpack build` writes: checked before the build starts (a file in a folder that exists, not
// one of the build's own inputs) and written so that a failure leaves no half-written installer and never
// harms a file that was there before.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mvpack {

// ToolError saying what to change when `output` is a folder or its folder does not exist; `what` names
// the file to write and `example` a name for it.
void checkOutputPath(const std::string& output, const std::string& what = "installer",
                     const std::string& example = "setup.exe");

// ToolError when `output` is the same file as one of the inputs (by file identity: another spelling of
// the path, a link, a hard link): building would destroy its own input. Each input is {role, path}.
void refuseOutputAmongInputs(const std::string& output, const std::vector<std::pair<std::string, std::string>>& inputs);

// Writes `data` to a new temporary file beside `output` and renames it to `output`. On failure the
// temporary file is removed, `output` is left as it was, and ToolError names the reason.
void writeOutputFile(const std::string& output, const std::vector<uint8_t>& data);

}  // namespace mvpack
