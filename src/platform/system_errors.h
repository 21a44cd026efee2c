#pragma once
// The system's error texts as the program shows them, and the code of a failed read or write.
#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "support/result.h"
#include "support/system_text_trim.h"

namespace mv {

// The one way to the system's text for a code: FormatMessage's text (user's default language) with its
// end cut as `end` says; "" when the system has none.
std::string systemErrorMessage(System& system, int32_t code, SystemTextEnd end = SystemTextEnd::Trimmed);
// The description an error message shows for a result code: the trimmed system text; "" for the
// program's own (negative) codes and for codes without a system text.
std::string errorDescription(System& system, Result code);
// The code of the I/O call that just failed: the system's last error, or -30 (short read or write)
// when the system recorded none.
Result lastIoError(FileSystem& files);

}  // namespace mv
