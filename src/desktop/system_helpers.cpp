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

void closeDisplayProperties(Shell& shell) {
  WindowHandle w = shell.findWindow(nullptr, text::displayProperties);
  if (w) shell.sendDlgItemMessage(w, winmsg::idCancel, winmsg::buttonClick, 0, 0);
}

void openDisplayProperties(System& system, Shell& shell, bool showDesktopFlag) {
  if (!showDesktopFlag) return;
  // Whether the control panel starts is not examined: the tries below simply run out without it.
  (void)shell.startProcess(withTrailingBackslash(system.systemDirectory()) + kDisplayPropertiesProgram,
                           kDisplayPropertiesArguments, kShowNormal);
  for (int i = 0; i < kFindTries; ++i)
    if (shell.findWindow(nullptr, text::displayProperties)) break;
}

// Sends rather than posts, so each window has minimised when the call returns; a window that does not
// answer within the time-out (a hung program) is left as it is.
void minimiseOtherWindows(Shell& shell) {
  for (WindowHandle w : shell.topLevelWindows()) {
    std::string className = shell.windowClassName(w);
    // A window that refuses the command, or does not answer in time, is left as it is.
    if (shell.isWindowVisible(w) && !shell.isIconic(w) && className != kTaskbarClass)
      (void)shell.sendMessageTimeout(w, winmsg::sysCommand, winmsg::scMinimize, 0, winmsg::minimiseTimeoutMs);
  }
}

bool isWindows9x(System& system) {
  OsVersion v;
  if (!system.getVersion(v)) return false;
  return v.platformId == 1 && v.major == 4 && (v.minor == 0 || v.minor == 10 || v.minor == 90);
}

}  // namespace mv
