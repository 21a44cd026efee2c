// The installer's program entry: the application, its three windows and the message loop.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include "flash/win32/gdi_fonts.h"
#include "flash/win32/shockwave_flash.h"
#include "installer/error_reporter.h"
#include "installer/state.h"
#include "installer/win32/application.h"
#include "installer/win32/installer_window.h"
#include "installer/win32/picture.h"
#include "installer/win32/small_windows.h"
#include "installer/win32/windowless.h"
#include "package/datafile.h"
#include "package/format.h"
#include "package/package_reader.h"
#include "platform/win32/dpi.h"
#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"

namespace {

// Libraries are looked for in the system folder only, never in the folder the installer was started
// from (a download folder can hold a planted DLL of a system library's name). Resolved at run time:
// older Windows versions lack one or both calls.
void restrictDllSearchPath() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  using SetDllDirectoryWFn = BOOL(WINAPI*)(LPCWSTR);
  auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
  auto setDllDirectory =
      reinterpret_cast<SetDllDirectoryWFn>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
  if (setDllDirectory) setDllDirectory(L"");
}

// The application, its three windows (start-up runs as the installer window is made) and the message
// loop; the exit code.
int runWithWindows(mv::Win32Platform& platform, mv::InstallerState& state, mv::ErrorBoxes& boxes,
                   mv::DataFileReader& dataFile, const mv::render::Services& services) {
  mv::win32::Application app;
  app.screenCursor = [&platform] { return static_cast<HCURSOR>(platform.cursorHandle()); };
  app.setTitle(mv::text::successTitle);

  mv::win32::HiddenMainWindow hiddenMainWindow(app);  // the main window, off the screen
  mv::win32::YesNoWindow messageBox(app);             // created, never shown
  mv::win32::InstallerWindow installer(app, mv::createShockwaveFlashFactory(), platform, state, boxes, dataFile,
                                       services);  // runs start-up

  // A windowless package has installed inside start-up; there is nothing to wait for.
  if (!state.windowless()) app.run(hiddenMainWindow.handle());
  return installer.logic().exitCode();
}

}  // namespace

// The wide entry point: the program's own path and everything else it learns from the system arrive as
// UTF-16 (it takes no command line).
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  restrictDllSearchPath();
  mv::win32::declareDpiAwareness();  // before the first window: the manifest's choice where it made one
  OleInitialize(nullptr);  // single-threaded apartment: the Flash control and the Active Desktop object
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);

  mv::Win32Platform platform(mv::text::abortButton);
  mv::setPlatform(&platform);
  int exitCode;
  {
    // What the installer's logic works on, for the whole run.
    mv::ErrorBoxes boxes(platform);
    mv::InstallerState state(boxes);
    mv::DataFileReader dataFile;
    // What draws movies (the panel's first frame, the still wallpaper): the decoder of the window's
    // pictures for JPEG bitmaps, GDI for the system's fonts.
    const mv::win32::PictureJpegDecoder jpeg;
    const mv::GdiFontProvider fonts;
    const mv::render::Services services{&jpeg, &fonts};

    if (mv::presentationKindOf(platform, platform.executablePath()) == mv::presentation::silent) {
      // Nothing is ever shown: no windows are made, start-up installs at once.
      mv::win32::WindowlessInstaller installer(platform, state, boxes, dataFile, services);
      exitCode = installer.logic().exitCode();
    } else {
      exitCode = runWithWindows(platform, state, boxes, dataFile, services);
    }
  }
  mv::setPlatform(nullptr);
  OleUninitialize();
  return exitCode;
}
