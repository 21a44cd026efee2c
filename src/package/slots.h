#pragma once
// Package slot extraction: slots of the temp copy become files at their destinations.
#include <string>

#include "package/session.h"
#include "platform/platform.h"

namespace mv {

// Extracts slot k from an open stream on the temp copy; reports its own failures; -32 counts as 0.
// With showProgress, the session's progress shows it.
Result extractSlot(Platform& platform, PackageSession& session, File& stream, int k, bool showProgress);
// Slots 5 or 6 to 9 or 10 (slot 7 skipped) from the session's temp copy, stopping at the first failure
// or when installAborted is set.
Result extractInstallSlots(Platform& platform, PackageSession& session);
// Start-up wrapper for slots 2..5: -531 without a message for an empty name; opens the temp copy,
// extracts without progress; an open failure is reported with the content folder path.
Result extractStartupSlot(Platform& platform, PackageSession& session, int k);

}  // namespace mv
