#include "platform/system_errors.h"

namespace mv {

std::string systemErrorMessage(System& system, int32_t code, SystemTextEnd end) {
  return trimSystemText(system.systemErrorText(code), end);
}

std::string errorDescription(System& system, Result code) {
  if (code.code() < 0) return "";
  return systemErrorMessage(system, code.code());
}

Result lastIoError(FileSystem& files) {
  int32_t r = files.lastError();
  return r != 0 ? r : rc::shortIo;
}

}  // namespace mv
