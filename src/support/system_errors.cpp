#include "support/system_errors.h"

#include "platform/platform.h"

namespace mv {

std::string trimSystemText(std::string text) {
  while (!text.empty()) {
    unsigned char c = static_cast<unsigned char>(text.back());
    if (c <= ' ' || c == '.' || c == 0x7F)
      text.pop_back();
    else
      break;
  }
  return text;
}

std::string errorDescription(Result code) {
  if (code < 0) return "";
  return trimSystemText(platform().systemErrorText(code));
}

Result lastIoError() {
  Result r = platform().lastError();
  return r != 0 ? r : rc::shortIo;
}

}  // namespace mv
