// Shows the installer window as start-up leaves it, for screenshots:
//   ui_demo.exe licence|plain picture-file ready-file stop-file [status]
// Writes ready-file once the window is on the screen and ends when stop-file appears (or after 60 s).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer/win32/application.h"
#include "installer/win32/installer_view.h"
#include "installer/win32/small_windows.h"
#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"
#include "ui_test_support.h"

using namespace mv::win32;

namespace {
const char* kLicence =
    "SOFTWARE LICENCE AGREEMENT\r\n\r\n"
    "Please read this agreement carefully before installing the wallpaper. By clicking \"Accept and "
    "Install\" you agree to be bound by its terms.\r\n\r\n"
    "1. Grant. You may install and use this wallpaper on one computer.\r\n"
    "2. Restrictions. You may not sell, rent or redistribute the wallpaper.\r\n"
    "3. No warranty. The wallpaper is provided \"as is\".\r\n";
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 5) return 2;
  const bool licence = std::string(__argv[1]) == "licence";
  const std::string picture = __argv[2], ready = __argv[3], stop = __argv[4];
  const bool status = __argc > 5;
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);

  Application app;
  app.setTitle("Installation Successful");
  HiddenMainWindow preparing(app);
  YesNoWindow box(app);
  mv::Win32Platform platform(mv::text::abortButton);
  Win32InstallerView view(app, platform, nullptr);
  mv::uitest::StandInLogic logic;
  int pictureOk = -1;
  logic.atCreate = [&] {
    view.setCaption("Sunset Install Wallpaper");
    view.setApplicationTitle("Sunset Install Wallpaper");
    if (licence) view.setLicenceText(kLicence);
    view.chooseLayout(licence);
    view.hideMoviePanel();
    pictureOk = view.showPicture(picture) ? 1 : 0;
    view.setProgressMax(10);
    view.sizeWindow();
  };
  view.start(logic);
  if (status) {
    view.setStatus("Writing Moviva files...");
    view.setProgress(4);
    view.setInstallEnabled(false);
  }
  ShowWindow(preparing.handle(), SW_SHOWNOACTIVATE);
  for (int i = 0; i < 10; ++i) {
    app.processMessages();
    Sleep(50);
  }
  if (FILE* f = std::fopen(ready.c_str(), "w")) {
    std::fprintf(f, "picture=%d\n", pictureOk);
    std::fclose(f);
  }
  for (int waited = 0; waited < 60000 && GetFileAttributesA(stop.c_str()) == INVALID_FILE_ATTRIBUTES; waited += 50) {
    app.processMessages();
    Sleep(50);
  }
  return pictureOk == 1 ? 0 : 1;
}
