#pragma once
// The "&Abort" box that error and information messages are shown in (see abort_dialog.cpp).
#include <string>

namespace mv {

// Modal, owned by owner (an HWND, or nullptr); text, caption and the label of its one button are UTF-8.
// Returns when dismissed.
void showAbortDialog(const std::string& text, const std::string& caption, const std::string& buttonLabel,
                     bool errorIcon, void* owner);

}  // namespace mv
