// Built only by the dropped_result test: the same call with its Result kept, and dropped. The kept form
// must build and the dropped one must not, with the flags every target of the tree is built with.
#include "support/result.h"

namespace {
mv::Result step() { return mv::rc::shortIo; }
}  // namespace

int probe() {
#ifdef MV_PROBE_DROPS_RESULT
  step();
  return 0;
#else
  mv::Result r = step();
  return r.ok() ? 0 : 1;
#endif
}
