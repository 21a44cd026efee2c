// The shell helpers under Wine with real windows: a "Display Properties" dialog whose item 2 records
// its click, and top-level windows in every state minimiseOtherWindows tells apart.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <vector>

#include "desktop/desktop.h"
#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"

namespace mv {
namespace {

std::map<HWND, int> cancelClicks;          // dialog -> clicks on its item 2
std::map<HWND, int> minimiseCommands;      // window -> SC_MINIMIZE received

LRESULT CALLBACK recordingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL && HIWORD(wp) == BN_CLICKED) ++cancelClicks[w];
  if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_MINIMIZE) ++minimiseCommands[w];
  return DefWindowProcA(w, msg, wp, lp);
}

void registerClass(const char* name) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = recordingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = name;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassA(&wc);
}

void pump() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

class ShellHelpersWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setPlatform(&win32);
    registerClass("MvTestDialog");
    registerClass("MvTestWindow");
    registerClass("Shell_TrayWnd");  // a taskbar of our own: Wine shows none here
    }
  static void TearDownTestSuite() { setPlatform(nullptr); }
  void TearDown() override {
    for (HWND w : created) DestroyWindow(w);
    pump();
    cancelClicks.clear();
    minimiseCommands.clear();
  }
  HWND make(const char* cls, const char* title, DWORD style) {
    HWND w = CreateWindowExA(0, cls, title, style, 10, 10, 300, 200, nullptr, nullptr, GetModuleHandleA(nullptr),
                             nullptr);
    EXPECT_NE(w, nullptr);
    created.push_back(w);
    return w;
  }
  HWND makeDisplayProperties() {
    HWND dlg = make("MvTestDialog", "Display Properties", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    CreateWindowExA(0, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 120, 80, 24, dlg,
                    reinterpret_cast<HMENU>(IDCANCEL), GetModuleHandleA(nullptr), nullptr);
    pump();
    return dlg;
  }
  static Win32Platform win32;
  std::vector<HWND> created;
};
Win32Platform ShellHelpersWine::win32(mv::text::abortButton);

TEST_F(ShellHelpersWine, CloseDisplayPropertiesPressesItem2OfOneWindow) {
  closeDisplayProperties(win32);  // none open: nothing happens
  HWND a = makeDisplayProperties();
  HWND b = makeDisplayProperties();
  closeDisplayProperties(win32);
  pump();
  EXPECT_EQ(cancelClicks[a] + cancelClicks[b], 1);
  EXPECT_EQ(FindWindowA(nullptr, "Display Properties") != nullptr, true);
}

// The control panel's window is only looked for, never touched: one that is open stays as it is.
TEST_F(ShellHelpersWine, OpenDisplayPropertiesLeavesTheControlPanelAlone) {
  openDisplayProperties(win32, win32, false);
  openDisplayProperties(win32, win32, true);  // Wine has no desk.cpl: the window never appears
  HWND open = makeDisplayProperties();
  openDisplayProperties(win32, win32, true);  // found at the first try
  pump();
  EXPECT_EQ(cancelClicks[open], 0);
  EXPECT_TRUE(IsWindowVisible(open));
  EXPECT_FALSE(IsIconic(open));
  EXPECT_EQ(minimiseCommands[open], 0);
}

TEST_F(ShellHelpersWine, MinimiseOtherWindows) {
  HWND normal = make("MvTestWindow", "normal", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND hidden = make("MvTestWindow", "hidden", WS_OVERLAPPEDWINDOW);
  HWND iconic = make("MvTestWindow", "iconic", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MINIMIZE);
  HWND tray = make("Shell_TrayWnd", "", WS_POPUP | WS_VISIBLE);
  HWND progman = make("MvTestWindow", "Program Manager", WS_POPUP | WS_VISIBLE);
  pump();
  ASSERT_TRUE(IsIconic(iconic));
  ASSERT_FALSE(IsWindowVisible(hidden));

  minimiseOtherWindows(win32);
  pump();
  EXPECT_EQ(minimiseCommands[normal], 1);
  EXPECT_TRUE(IsIconic(normal));
  EXPECT_EQ(minimiseCommands[progman], 1);
  EXPECT_EQ(minimiseCommands[tray], 0);
  EXPECT_FALSE(IsIconic(tray));
  EXPECT_EQ(minimiseCommands[hidden], 0);
  EXPECT_FALSE(IsWindowVisible(hidden));
  EXPECT_EQ(minimiseCommands[iconic], 0);
}

struct HungThread {
  HANDLE ready, release;
  HWND window = nullptr;
};
DWORD WINAPI hungThread(void* p) {
  HungThread* s = static_cast<HungThread*>(p);
  s->window = CreateWindowExA(0, "MvTestWindow", "hung", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
  SetEvent(s->ready);
  WaitForSingleObject(s->release, INFINITE);  // no message pump while the test runs
  DestroyWindow(s->window);
  return 0;
}

// A window whose thread stops answering cannot hold the installer: the command is given up on.
TEST_F(ShellHelpersWine, HungWindowIsGivenUpOn) {
  HungThread shared{CreateEventA(nullptr, TRUE, FALSE, nullptr), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  HANDLE thread = CreateThread(nullptr, 0, hungThread, &shared, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(shared.ready, 10000), WAIT_OBJECT_0);
  HWND normal = make("MvTestWindow", "normal", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  pump();

  minimiseOtherWindows(win32);  // returns after the time-out instead of waiting for the hung thread
  EXPECT_EQ(minimiseCommands[shared.window], 0);
  EXPECT_EQ(minimiseCommands[normal], 1);

  SetEvent(shared.release);
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  CloseHandle(shared.ready);
  CloseHandle(shared.release);
}

TEST_F(ShellHelpersWine, IsWindows9xIsFalseOnThisNtLine) { EXPECT_FALSE(isWindows9x(win32)); }

// What the still wallpaper asks of the system: its own version, never older than the one this program is
// told, and the primary screen's size in its display mode (Wine scales nothing: the metrics agree).
TEST_F(ShellHelpersWine, RealVersionAndScreenSize) {
  OsVersion told, real;
  ASSERT_TRUE(win32.getVersion(told));
  ASSERT_TRUE(win32.getRealVersion(real));
  EXPECT_EQ(real.platformId, told.platformId);
  EXPECT_GE(real.major * 100 + real.minor, told.major * 100 + told.minor);
  int width = 0, height = 0;
  ASSERT_TRUE(win32.primaryScreenSize(width, height));
  EXPECT_EQ(width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(height, GetSystemMetrics(SM_CYSCREEN));
}

}  // namespace
}  // namespace mv
