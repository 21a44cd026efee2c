// Small operations on the Windows shell around an installation: the Display Properties control panel,
// minimising the other windows, and telling the Windows 95/98/ME family from the rest.
#include "desktop/desktop.h"
#include "support/paths.h"
#include "support/user_texts.h"

namespace mv {

namespace {
// rundll32 is started from the System folder by its full path: by its bare name, a rundll32.exe planted
// in the folder the installer runs from (a download folder, with the rights of an elevated installer)
// would be found first.
const char* const kDisplayPropertiesProgram = "rundll32.exe";
const char* const kDisplayPropertiesArguments = "shell32.dll,Control_RunDLL desk.cpl,,0";
const char* const kTaskbarClass = "Shell_TrayWnd";
constexpr int kShowNormal = 1;  // SW_SHOWNORMAL
constexpr int kFindTries = 1000;
}  // namespace

void closeDisplayProperties() {
  Shell& p = platform();
  WindowHandle w = p.findWindow(nullptr, text::displayProperties);
  if (w) p.sendDlgItemMessage(w, winmsg::idCancel, winmsg::buttonClick, 0, 0);
}

void openDisplayProperties(bool showDesktopFlag) {
  if (!showDesktopFlag) return;
  Platform& p = platform();
  p.startProcess(withTrailingBackslash(p.systemDirectory()) + kDisplayPropertiesProgram, kDisplayPropertiesArguments,
                 kShowNormal);
  for (int i = 0; i < kFindTries; ++i)
    if (p.findWindow(nullptr, text::displayProperties)) break;
}

// Sends rather than posts, so each window has minimised when the call returns; a window that does not
// answer within the time-out (a hung program) is left as it is.
void minimiseOtherWindows() {
  Shell& p = platform();
  for (WindowHandle w : p.topLevelWindows()) {
    std::string className = p.windowClassName(w);
    if (p.isWindowVisible(w) && !p.isIconic(w) && className != kTaskbarClass)
      p.sendMessageTimeout(w, winmsg::sysCommand, winmsg::scMinimize, 0, winmsg::minimiseTimeoutMs);
  }
}

bool isWindows9x() {
  OsVersion v;
  if (!platform().getVersion(v)) return false;
  return v.platformId == 1 && v.major == 4 && (v.minor == 0 || v.minor == 10 || v.minor == 90);
}

}  // namespace mv
