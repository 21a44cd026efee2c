#pragma once
// The application object of the Win32 installer: a hidden top-level window that owns every other window
// of the program and whose title is the text of the taskbar button, and the one message pump that the
// main loop, the one-second pauses and "let pending messages run" all share.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace mv::win32 {

class Application {
 public:
  Application();
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  HWND handle() const { return handle_; }
  // The window that a close request on the taskbar button goes to (the installer window, which asks
  // its logic first); without one, the request ends the main loop.
  void setCloseTarget(HWND window) { closeTarget_ = window; }
  void setTitle(const std::string& title);
  std::string title() const;

  // Sees every message taken from the queue before it is dispatched; true = handled (swallowed).
  std::function<bool(const MSG&)> messageFilter;

  // The screen cursor that the program's windows show while the mouse is over them (the hourglass
  // during long work); nullptr: each window's own cursor.
  std::function<HCURSOR()> screenCursor;
  // For WM_SETCURSOR: sets the screen cursor and returns true when one is set.
  bool applyScreenCursor();

  // Windows whose children take part in keyboard navigation (Tab, mnemonics, Enter on a button).
  void addDialogWindow(HWND window);
  void removeDialogWindow(HWND window);

  // Takes one message from the queue (waiting for one when wait is true) and dispatches it through the
  // filter. Returns false when there was nothing to take, or when it took WM_QUIT: the quit request is
  // then remembered (quitRequested) and the caller decides what to do with it.
  bool handleMessage(bool wait);
  // Runs everything that is pending once, without waiting. A quit request taken here is remembered and
  // ends the main loop (it is not posted again: a message box shown meanwhile would close at once).
  void processMessages();
  // The main loop: shows mainWindow (without taking the activation away from the window the user sees)
  // and dispatches messages until a quit request. Returns the quit code.
  int run(HWND mainWindow);
  void terminate(int code = 0);
  bool quitRequested() const { return quitRequested_; }

  // Brings the application's last active window to the front.
  void bringToFront();
  // True when the window in front belongs to this program.
  bool active() const;
  // Hides the windows the application owns and minimises the application (its taskbar button).
  void minimise();

  // Its window's messages (objectWindowProc): true when answered with result.
  bool onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

 private:
  bool dialogMessage(MSG& msg);
  bool takeQuit(const MSG& msg);

  HWND handle_ = nullptr;
  std::vector<HWND> dialogWindows_;
  HWND closeTarget_ = nullptr;
  bool quitRequested_ = false;
  int quitCode_ = 0;
};

// The font of the program's windows: "MS Sans Serif" at 11 pixels height (8 points) at 96 dots per inch,
// scaled with the resolution (one font per resolution, kept for the whole run).
HFONT defaultFont(int dpi = 96);
// Sets the font on a window and all of its descendants.
void applyFont(HWND window, HFONT font);

// A window's text (UTF-8, as all text inside the program).
std::string windowText(HWND window);

}  // namespace mv::win32
