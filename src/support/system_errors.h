#pragma once
// The system's error texts as the program shows them, and the code of a failed read or write.
#include <string>

#include "support/result.h"

namespace mv {

// A system message with its trailing blanks, control characters (the CRLF the system ends its texts
// with) and periods removed. Inline: the small stand-alone programs use it without the library.
inline std::string trimSystemText(std::string text) {
  while (!text.empty()) {
    unsigned char c = static_cast<unsigned char>(text.back());
    if (c > ' ' && c != '.' && c != 0x7F) break;
    text.pop_back();
  }
  return text;
}
// The system's text for a code, trimmed; "" for negative codes and codes without a system text.
std::string errorDescription(Result code);
// The code of the I/O call that just failed: the system's last error, or -30 (short read or write)
// when the system recorded none.
Result lastIoError();

}  // namespace mv
