#include "installer/state.h"

#include "platform/platform.h"

namespace mv {

namespace {

// The dialogs of whichever platform is installed when a box is shown (tests change it between cases).
class InstalledPlatformDialogs : public Dialogs {
 public:
  BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) override {
    return platform().messageBox(text, caption, kind);
  }
  Cursor cursor() override { return platform().cursor(); }
  void setCursor(Cursor c) override { platform().setCursor(c); }
};

}  // namespace

ErrorBoxes& errorBoxes() {
  static InstalledPlatformDialogs dialogs;
  static ErrorBoxes boxes(dialogs);
  return boxes;
}

InstallerState& state() {
  static InstallerState s(errorBoxes());
  return s;
}

void resetState() { state() = InstallerState(errorBoxes()); }

DataFileReader& dataFile() {
  static DataFileReader reader;
  return reader;
}

}  // namespace mv
