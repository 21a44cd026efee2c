#pragma once
// The tool's view of the DCL codec: implode with binary literals and a 4,096-byte dictionary (what the
// installers carry), and a bounded explode for checking streams.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mvpack {

std::vector<uint8_t> implodeBinary4096(const uint8_t* data, size_t size);

// Expands a stream into `out`, never producing more than `limit` bytes. False with `problem` set when
// the stream is damaged (bad header, bad data, ends without its end code) or would expand beyond limit.
bool explodeBounded(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out,
                    std::string& problem);

}  // namespace mvpack
