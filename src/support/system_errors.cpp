#include "support/system_errors.h"

#include "platform/platform.h"

namespace mv {

std::string errorDescription(Result code) {
  if (code < 0) return "";
  return trimSystemText(platform().systemErrorText(code));
}

Result lastIoError() {
  int32_t r = platform().lastError();
  return r != 0 ? r : rc::shortIo;
}

}  // namespace mv
