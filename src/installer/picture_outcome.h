#pragma once
// What became of showing the window's picture: shown, or why not, so that the message can say what is
// wrong with the file rather than only that something is.
#include <cstdint>
#include <string>

#include "platform/system.h"
#include "support/result.h"

namespace mv {

struct PictureOutcome {
  enum class Problem {
    None,          // shown
    Unreadable,    // the file could not be read (code: the system's, 0 when it has none)
    TooLarge,      // its header declares width x height, beyond maxSide a side or maxPixels in all
    NotDecodable,  // not a picture of its kind that the decoder takes: damaged, cut short, another format
  };
  Problem problem = Problem::None;
  Result code = 0;
  uint32_t width = 0, height = 0;
  uint32_t maxSide = 0;
  uint64_t maxPixels = 0;

  explicit operator bool() const { return problem == Problem::None; }
  static PictureOutcome failed(Problem problem, Result code = 0) {
    PictureOutcome o;
    o.problem = problem;
    o.code = code;
    return o;
  }
};

// The message for a picture that cannot be shown: "CorruptFile: ", what is wrong, and the file.
std::string pictureFailureMessage(System& system, const PictureOutcome& outcome, const std::string& path);

}  // namespace mv
