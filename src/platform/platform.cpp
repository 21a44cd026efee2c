#include "platform/platform.h"

namespace mv {

namespace {
Platform* current = nullptr;
}

Platform& platform() {
  if (!current) throw PlatformError("no platform installed");
  return *current;
}

void setPlatform(Platform* p) { current = p; }

}  // namespace mv
