#pragma once
// The real Win32 platform for tests under Wine, with a Windows folder of the test's own and its message
// boxes recorded instead of shown (or shown, for the tests that read them back from the screen).
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"

namespace testcommon {

class TestPlatform : public mv::Win32Platform {
 public:
  struct Box {
    std::string caption, text;
  };
  explicit TestPlatform(bool recordBoxes = true) : Win32Platform(mv::text::abortButton), recordBoxes_(recordBoxes) {}

  std::string windowsFolder;  // what windowsDirectory() reports
  std::vector<Box> boxes;     // the boxes recorded, in order

  std::string windowsDirectory() override { return windowsFolder; }
  // A recorded box is answered "Yes" when it asks, "Abort" otherwise.
  mv::BoxAnswer messageBox(const std::string& text, const std::string& caption, mv::BoxKind kind) override {
    if (!recordBoxes_) return Win32Platform::messageBox(text, caption, kind);
    boxes.push_back({caption, text});
    return kind == mv::BoxKind::YesNo ? mv::BoxAnswer::Yes : mv::BoxAnswer::Abort;
  }

 private:
  bool recordBoxes_;
};

}  // namespace testcommon
