#pragma once
// Package slot extraction: slots of the temp copy become files at their destinations.
#include <string>

#include "platform/platform.h"

namespace mv {

// Extracts slot k from an open stream on the temp copy; reports its own failures; -32 counts as 0.
Result extractSlot(File& stream, int k, bool showProgress);
// Slots 5 or 6 to 9 or 10 (slot 7 skipped), stopping at the first failure or when installAborted is set.
Result extractInstallSlots(const std::string& tempCopyPath);
// Start-up wrapper for slots 2..5: -531 without a message for an empty name; opens the temp copy,
// extracts without progress; an open failure is reported with the content folder path.
Result extractStartupSlot(int k);

}  // namespace mv
