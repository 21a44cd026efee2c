#pragma once
// The "&Abort" box that error and information messages are shown in (see abort_dialog.cpp).
#include <string>

namespace mv {

// Modal, owned by owner (an HWND, or nullptr); text and caption are UTF-8. Returns when dismissed.
void showAbortDialog(const std::string& text, const std::string& caption, bool errorIcon, void* owner);

}  // namespace mv
