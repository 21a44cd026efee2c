#pragma once
// In-process use of our DCL codec (the same code impborl.dll exports), for the packaging tool, tests and
// fuzzers. The stream format and the library interface are in dcl_format.h and pklib.h.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dcl {

// Results of dclExplode (the library's codes).
enum ExplodeResult : int {
  kOk = 0,                  // the end code was reached
  kInvalidDictSize = 1,     // header byte 1 is not 4, 5 or 6
  kInvalidMode = 2,         // header byte 0 is not 0 (binary) or 1 (ASCII)
  kBadData = 3,             // a copy reaches before the start of the output
  kTruncated = 4,           // the input ended before the end code
};

}  // namespace dcl

// Expands one implode stream. `out` receives everything decoded, also when the result is not kOk
// (for a truncated stream: everything up to the last complete symbol). Bytes after the end code are ignored.
int dclExplode(const uint8_t* in, size_t n, std::vector<uint8_t>& out);

// Compresses n bytes into an implode stream. type: 0 binary literals, 1 ASCII literals (for text);
// dictSize: 1024, 2048 or 4096. Returns an empty vector when type or dictSize is not one of those.
std::vector<uint8_t> dclImplode(const uint8_t* in, size_t n, int type, int dictSize);
