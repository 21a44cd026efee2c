#include "output_file.h"

#include <filesystem>

#include "util.h"

namespace fs = std::filesystem;

namespace mvpack {

void checkOutputPath(const std::string& output, const std::string& what, const std::string& example) {
  std::error_code ec;
  const fs::path path = toPath(output);
  if (fs::is_directory(path, ec))
    throw ToolError(output + ": is a folder; the output is the " + what + " file to write, such as " +
                    fromPath(path / toPath(example)));
  const fs::path folder = path.parent_path();
  if (!folder.empty() && !fs::is_directory(folder, ec))
    throw ToolError(output + ": the folder " + fromPath(folder) +
                    (fs::exists(folder, ec) ? " is not a folder" : " does not exist") +
                    "; create it or write the " + what + " elsewhere");
}

void refuseOutputAmongInputs(const std::string& output,
                             const std::vector<std::pair<std::string, std::string>>& inputs) {
  std::error_code ec;
  const fs::path path = toPath(output);
  if (!fs::exists(path, ec)) return;  // a file that is not there yet is no input
  for (const auto& [role, input] : inputs) {
    if (input.empty() || !fs::equivalent(path, toPath(input), ec)) continue;
    throw ToolError(output + ": is also an input of the build (the " + role + " " + input +
                    "), which writing the installer would destroy; choose another output file");
  }
}

void writeOutputFile(const std::string& output, const std::vector<uint8_t>& data) {
  // A name of our own beside the output, so that the rename stays within one folder (one file system).
  std::error_code ec;
  std::string temporary;
  for (int n = 0;; ++n) {
    temporary = output + (n ? "." + std::to_string(n) : std::string()) + ".partial";
    if (!fs::exists(fs::symlink_status(toPath(temporary), ec))) break;
    if (n == 1000) throw ToolError(output + ": no free name for the temporary file " + temporary);
  }
  writeWholeFile(temporary, data);  // removes what it wrote when it fails
  fs::rename(toPath(temporary), toPath(output), ec);
  if (ec) {
    const std::string reason = errorText(ec);
    std::error_code ignored;
    fs::remove(toPath(temporary), ignored);
    throw ToolError(output + ": cannot be written: " + reason);
  }
}

}  // namespace mvpack
