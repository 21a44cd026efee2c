#pragma once
// Steps that fail with a text the user reads return a Result made by Result::failure (support/result.h).
#include "support/result.h"

namespace mv {

using Status = Result;

}  // namespace mv
