#include "platform/platform.h"

namespace mv {

namespace {
Platform* current = nullptr;
}

Platform& platform() {
  if (!current) throw std::logic_error("no platform installed");
  return *current;
}

void setPlatform(Platform* p) { current = p; }

}  // namespace mv
