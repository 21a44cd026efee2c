#pragma once
// Trimming the system's error texts. The texts themselves come from the platform's System topic
// (platform/system_errors.h); this is the pure part, usable by programs without a platform.
#include <string>

namespace mv {

// How much of the end of a system text a message keeps. The system ends its texts with ".\r\n".
enum class SystemTextEnd {
  Trimmed,     // trailing blanks, control characters and periods removed (error descriptions)
  KeepPeriod,  // only the trailing line break and blanks removed: the sentence keeps its period
  AsGiven,     // the text exactly as the system gives it
};

// A system message with its end cut as `end` says. Inline: the small stand-alone programs use it
// without the library.
inline std::string trimSystemText(std::string text, SystemTextEnd end = SystemTextEnd::Trimmed) {
  while (!text.empty() && end != SystemTextEnd::AsGiven) {
    const unsigned char c = static_cast<unsigned char>(text.back());
    const bool cut = end == SystemTextEnd::Trimmed ? (c <= ' ' || c == '.' || c == 0x7F)
                                                   : (c == '\r' || c == '\n' || c == ' ');
    if (!cut) break;
    text.pop_back();
  }
  return text;
}

}  // namespace mv
