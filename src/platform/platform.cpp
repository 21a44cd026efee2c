#include "platform/platform.h"

#include <cstdlib>

namespace mv {

namespace {
Platform* current = nullptr;
}

Platform& platform() {
  if (!current) std::abort();  // a program that uses the platform before installing one is broken
  return *current;
}

void setPlatform(Platform* p) { current = p; }

}  // namespace mv
