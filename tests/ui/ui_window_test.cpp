// The installer's windows under Wine: everything is read back from the window system (window
// rectangles, styles, texts, pixels on the screen), driven through a small stand-in of the test's own.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "installer/win32/application.h"
#include "installer/win32/installer_view.h"
#include "installer/win32/small_windows.h"
#include "ui_test_support.h"

using namespace mv;
using namespace mv::win32;
using namespace mv::uitest;

namespace {

const char* kLicence =
    "END USER LICENCE\r\n\r\nPermission is granted to use this wallpaper on one computer.\r\n"
    "Café “quoted” € 5.\r\n";  // the view is given text; the logic decodes the stored Windows-1252

class InstallerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.reset(new Application);
    view.reset(new Win32InstallerView(*app, realFiles(), nullptr));
  }
  void TearDown() override {
    view.reset();
    app.reset();
  }
  // What start-up does to the window, in its order: caption, licence and layout, progress range, size.
  void start(bool withLicence) {
    logic.atCreate = [this, withLicence] {
      view->setCaption("Sunset Install Wallpaper");
      if (withLicence) view->setLicenceText(kLicence);
      view->chooseLayout(withLicence);
      view->setProgressMax(10);
      view->sizeWindow();
    };
    view->start(logic);
    app->processMessages();
  }
  // Lets the window system put what was painted on the screen.
  void settle() {
    for (int i = 0; i < 3; ++i) {
      app->processMessages();
      Sleep(60);
    }
  }
  // The client width that a window of the given outer width has with the window's frame.
  int clientWidthFor(int outerWidth) {
    HWND w = view->window();
    RECT r = {0, 0, 100, 100};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(w, GWL_EXSTYLE)));
    return outerWidth - ((r.right - r.left) - 100);
  }
  void expectRect(HWND w, int left, int top, int width, int height, const char* what) {
    RECT r = rectInParent(w);
    EXPECT_EQ(left, r.left) << what;
    EXPECT_EQ(top, r.top) << what;
    EXPECT_EQ(width, r.right - r.left) << what;
    EXPECT_EQ(height, r.bottom - r.top) << what;
  }
  // The button band of a client area cw wide: progress bar and buttons keep their right margins.
  void expectButtonBand(int cw, int installWidth) {
    expectRect(view->progressBar(), 1, 20, cw - 4, 11, "progressBar");
    expectRect(view->cancelButton(), cw - 83, 36, 80, 25, "cancelButton");
    expectRect(view->doneButton(), cw - 83, 36, 80, 25, "doneButton");
    expectRect(view->installButton(), cw - 83 - 6 - installWidth, 36, installWidth, 25, "installButton");
  }

  std::unique_ptr<Application> app;
  StandInLogic logic;
  std::unique_ptr<Win32InstallerView> view;
};

TEST_F(InstallerWindowTest, WithoutLicenceTheWindowIsFixedAnd214High) {
  start(false);
  HWND w = view->window();
  ASSERT_TRUE(IsWindow(w));
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ("Sunset Install Wallpaper", text(w));
  LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_FALSE(style & (WS_HSCROLL | WS_VSCROLL));

  EXPECT_EQ(359, windowSize(w).cx);
  const int cw = clientWidthFor(359);
  EXPECT_EQ(cw, clientSize(w).cx);
  EXPECT_EQ(214, clientSize(w).cy);

  expectRect(view->contentPanel(), 0, -1, cw, 152, "contentPanel");
  expectRect(view->bmpPanel(), 1, 1, 350, 150, "bmpPanel");
  expectRect(view->moviePanel(), 1, 1, cw - 2, 150, "moviePanel");
  expectRect(view->buttonPanel(), 0, 151, cw, 63, "buttonPanel");
  expectRect(view->statusLabel(), 1, 3, 419, 13, "statusLabel");
  expectRect(view->fileLabel(), -1, 2, 190, 18, "fileLabel");
  expectButtonBand(cw, 80);
  EXPECT_FALSE(IsWindowVisible(view->licenseScrollBox()));
  EXPECT_FALSE(IsWindowVisible(view->statusLabel()));
  EXPECT_FALSE(IsWindowVisible(view->fileLabel()));
  EXPECT_FALSE(IsWindowVisible(view->doneButton()));
  EXPECT_TRUE(IsWindowVisible(view->cancelButton()));
  EXPECT_EQ("Install", text(view->installButton()));
  EXPECT_EQ("Cancel", text(view->cancelButton()));
  EXPECT_EQ("Close", text(view->doneButton()));

  // The window sits in the middle of the screen, owned by the application window (no taskbar button
  // of its own), with the button-face background.
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_NEAR((GetSystemMetrics(SM_CXSCREEN) - 359) / 2, r.left, 1);
  EXPECT_NEAR((GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, r.top, 1);
  EXPECT_EQ(app->handle(), GetWindow(w, GW_OWNER));
  EXPECT_EQ(static_cast<ULONG_PTR>(COLOR_BTNFACE + 1), GetClassLongPtrW(w, GCLP_HBRBACKGROUND));
  char cls[64];
  GetClassNameA(w, cls, sizeof(cls));
  EXPECT_STREQ("TInstallerForm", cls);
}

TEST_F(InstallerWindowTest, WithLicenceTheWindowIsSizeableAnd321High) {
  start(true);
  HWND w = view->window();
  EXPECT_TRUE(GetWindowLongW(w, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_FALSE(GetWindowLongW(w, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(359, windowSize(w).cx);
  const int cw = clientWidthFor(359);
  EXPECT_EQ(cw, clientSize(w).cx);
  EXPECT_EQ(321, clientSize(w).cy);

  expectRect(view->contentPanel(), 0, -1, cw, 152, "contentPanel");
  expectRect(view->licenseScrollBox(), 0, 153, cw, 103, "licenseScrollBox");
  expectRect(view->buttonPanel(), 0, 258, cw, 63, "buttonPanel");
  expectButtonBand(cw, 115);
  EXPECT_EQ("Accept and Install", text(view->installButton()));
  EXPECT_TRUE(IsWindowVisible(view->cancelButton()));

  // The licence: a visible, read-only, multi-line text box with a vertical scroll bar and the text given
  // (CRLF line ends).
  HWND licence = view->licenseScrollBox();
  EXPECT_TRUE(IsWindowVisible(licence));
  LONG ms = GetWindowLongW(licence, GWL_STYLE);
  EXPECT_TRUE(ms & ES_READONLY);
  EXPECT_TRUE(ms & ES_MULTILINE);
  EXPECT_TRUE(ms & WS_VSCROLL);
  EXPECT_FALSE(ms & WS_HSCROLL);
  wchar_t wide[512] = {};
  GetWindowTextW(licence, wide, 512);
  EXPECT_EQ(std::wstring(L"END USER LICENCE\r\n\r\nPermission is granted to use this wallpaper on one computer.\r\n"
                         L"Caf\u00E9 \u201Cquoted\u201D \u20AC 5.\r\n"),
            std::wstring(wide));
}

TEST_F(InstallerWindowTest, EnlargingTheLicenceVariantGrowsOnlyTheLicenceText) {
  start(true);
  HWND w = view->window();
  SIZE before = windowSize(w);
  SetWindowPos(w, nullptr, 0, 0, before.cx + 120, before.cy + 90, SWP_NOMOVE | SWP_NOZORDER);
  const int cw = clientSize(w).cx, ch = clientSize(w).cy;
  EXPECT_EQ(clientWidthFor(359 + 120), cw);
  EXPECT_EQ(321 + 90, ch);

  expectRect(view->contentPanel(), 0, -1, cw, 152, "contentPanel");
  expectRect(view->moviePanel(), 1, 1, cw - 2, 150, "moviePanel");
  expectRect(view->bmpPanel(), 1, 1, 350, 150, "bmpPanel");
  expectRect(view->buttonPanel(), 0, ch - 63, cw, 63, "buttonPanel");
  // top = content bottom + 2; height = button band top - content bottom - 6.
  expectRect(view->licenseScrollBox(), 0, 153, cw, (ch - 63) - 151 - 6, "licenseScrollBox");
  expectButtonBand(cw, 115);

  // Back down by one pixel less than the enlargement: the rule's 101 gives way to the minimum of 103.
  SetWindowPos(w, nullptr, 0, 0, before.cx, before.cy + 1, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(322, clientSize(w).cy);
  expectRect(view->licenseScrollBox(), 0, 153, clientSize(w).cx, 103, "licenseScrollBox at 322");
  expectRect(view->buttonPanel(), 0, 322 - 63, clientSize(w).cx, 63, "buttonPanel at 322");
}

TEST_F(InstallerWindowTest, TheLicenceVariantCannotBeMadeSmallerThan359By340) {
  start(true);
  HWND w = view->window();
  SetWindowPos(w, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(359, windowSize(w).cx);
  EXPECT_EQ(340, windowSize(w).cy);
  MINMAXINFO info = {};
  SendMessageW(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(359, info.ptMinTrackSize.x);
  EXPECT_EQ(340, info.ptMinTrackSize.y);
  // Even so small, the licence text keeps its 103 pixels.
  EXPECT_EQ(103, rectInParent(view->licenseScrollBox()).bottom - rectInParent(view->licenseScrollBox()).top);
}

TEST_F(InstallerWindowTest, TabOrderFontAndProgressRange) {
  start(false);
  std::vector<HWND> top = children(view->window());
  ASSERT_EQ(3u, top.size());
  EXPECT_EQ(view->contentPanel(), top[0]);
  EXPECT_EQ(view->buttonPanel(), top[1]);
  EXPECT_EQ(view->licenseScrollBox(), top[2]);
  std::vector<HWND> band = children(view->buttonPanel());
  ASSERT_GE(band.size(), 4u);
  EXPECT_EQ(view->progressBar(), band[0]);
  EXPECT_EQ(view->installButton(), band[1]);
  EXPECT_EQ(view->doneButton(), band[2]);
  EXPECT_EQ(view->cancelButton(), band[3]);
  // The movie panel lies above the picture control until a picture is shown.
  std::vector<HWND> content = children(view->contentPanel());
  ASSERT_EQ(2u, content.size());
  EXPECT_EQ(view->moviePanel(), content[0]);

  for (HWND c : {view->installButton(), view->cancelButton(), view->statusLabel(), view->licenseScrollBox()}) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0));
    ASSERT_NE(nullptr, font);
    LOGFONTA lf;
    ASSERT_TRUE(GetObjectA(font, sizeof(lf), &lf));
    EXPECT_STREQ("MS Sans Serif", lf.lfFaceName);
    EXPECT_EQ(-11, lf.lfHeight);
  }
  char cls[64];
  GetClassNameA(view->progressBar(), cls, sizeof(cls));
  EXPECT_STREQ("msctls_progress32", cls);
  EXPECT_EQ(10, SendMessageW(view->progressBar(), PBM_GETRANGE, FALSE, 0));
  EXPECT_EQ(0, SendMessageW(view->progressBar(), PBM_GETRANGE, TRUE, 0));
  view->setProgress(3);
  EXPECT_EQ(3, SendMessageW(view->progressBar(), PBM_GETPOS, 0, 0));
  EXPECT_EQ(3, view->progress());
  EXPECT_EQ(10, view->progressMax());
}

TEST_F(InstallerWindowTest, StatusLineAndButtonsFollowTheLogic) {
  start(false);
  view->setStatus("Writing Moviva files...");
  EXPECT_TRUE(IsWindowVisible(view->statusLabel()));
  EXPECT_EQ("Writing Moviva files...", text(view->statusLabel()));
  view->setInstallEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(view->installButton()));
  view->setDoneVisible(true);
  view->setCancelVisible(false);
  view->setInstallVisible(false);
  view->focusDone();
  EXPECT_TRUE(IsWindowVisible(view->doneButton()));
  EXPECT_FALSE(IsWindowVisible(view->cancelButton()));
  EXPECT_FALSE(IsWindowVisible(view->installButton()));
  EXPECT_EQ(view->doneButton(), GetFocus());
}

TEST_F(InstallerWindowTest, ButtonClicksReachTheLogic) {
  start(false);
  SendMessageW(view->installButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(1, logic.installs);
  SendMessageW(view->cancelButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(1, logic.cancels);
  view->setDoneVisible(true);
  SendMessageW(view->doneButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(1, logic.dones);
  // Enter presses the focused button.
  SetFocus(view->installButton());
  SendMessageW(view->window(), WM_COMMAND, IDOK, 0);
  EXPECT_EQ(2, logic.installs);
}

TEST_F(InstallerWindowTest, KeyboardMovesBetweenAndPressesTheButtons) {
  start(false);
  // Alt+I is Install's mnemonic ("&Install" as designed; the layout without licence says "Install").
  SetWindowTextW(view->installButton(), L"&Install");
  SetFocus(view->cancelButton());
  PostMessageW(view->cancelButton(), WM_SYSCHAR, 'i', 1 << 29);
  view->processMessages();
  EXPECT_EQ(1, logic.installs);
  // Tab from Install goes to Cancel (Close is hidden), and on round to Install again.
  SetFocus(view->installButton());
  PostMessageW(view->installButton(), WM_KEYDOWN, VK_TAB, 0);
  view->processMessages();
  EXPECT_EQ(view->cancelButton(), GetFocus());
  PostMessageW(view->cancelButton(), WM_KEYDOWN, VK_TAB, 0);
  view->processMessages();
  EXPECT_EQ(view->installButton(), GetFocus());
  // Enter on the focused Cancel presses it.
  SetFocus(view->cancelButton());
  PostMessageW(view->cancelButton(), WM_KEYDOWN, VK_RETURN, 0);
  view->processMessages();
  EXPECT_EQ(1, logic.cancels);
}

int seenByButton;
WNDPROC originalButtonProc;
LRESULT CALLBACK countingButtonProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_RBUTTONDOWN || m == WM_LBUTTONDBLCLK) ++seenByButton;
  return CallWindowProcW(originalButtonProc, h, m, w, l);
}

// A right-button press goes through the application-wide filter and reaches no window.
TEST_F(InstallerWindowTest, RightButtonPressesAreSwallowed) {
  start(false);
  seenByButton = 0;
  originalButtonProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(view->cancelButton(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&countingButtonProc)));
  PostMessageW(view->cancelButton(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
  PostMessageW(view->cancelButton(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 5));
  view->processMessages();
  EXPECT_EQ(1, seenByButton);  // the double click only
  EXPECT_NE(logic.filtered.end(), std::find(logic.filtered.begin(), logic.filtered.end(), WM_RBUTTONDOWN));
}

TEST_F(InstallerWindowTest, CloseAsksTheLogicAndThenDestroysTheWindow) {
  start(false);
  HWND w = view->window();
  logic.allowClose = false;
  SendMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_EQ(1, logic.closeQueries);
  EXPECT_EQ(0, logic.closes);
  EXPECT_TRUE(IsWindow(w));

  logic.allowClose = true;
  SendMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_EQ(2, logic.closeQueries);
  EXPECT_EQ(1, logic.closes);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(0u, view->handle());
  view->closeWindow();  // nothing left to close
  EXPECT_EQ(2, logic.closeQueries);
}

TEST_F(InstallerWindowTest, TerminateEndsTheMainLoop) {
  HiddenMainWindow preparing(*app);
  start(false);
  view->terminateApplication();
  EXPECT_EQ(0, app->run(preparing.handle()));
  EXPECT_TRUE(app->quitRequested());
}

Win32InstallerView* pausing;
DWORD innerStart, innerEnd;
void CALLBACK startInnerPause(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  innerStart = GetTickCount();
  pausing->runPauseTimer();
  innerEnd = GetTickCount();
}

// A pause started while another waits uses the same timer and ends at the same tick; messages keep
// being handled while a pause waits.
TEST_F(InstallerWindowTest, NestedPauseEndsAtTheSameTick) {
  start(false);
  pausing = view.get();
  innerStart = innerEnd = 0;
  // 400 ms into the outer pause a thread timer's message starts the inner one.
  UINT_PTR starter = SetTimer(nullptr, 0, 400, &startInnerPause);
  ASSERT_NE(0u, starter);
  DWORD outerStart = GetTickCount();
  view->runPauseTimer();
  DWORD outerEnd = GetTickCount();

  EXPECT_EQ(1, logic.ticks);  // one tick ended both
  ASSERT_NE(0u, innerStart) << "the inner pause never started: messages did not run inside the pause";
  ASSERT_NE(0u, innerEnd);
  EXPECT_LE(innerEnd, outerEnd);
  EXPECT_GE(outerEnd - outerStart, 900u);
  EXPECT_LT(innerEnd - innerStart, outerEnd - outerStart - 200);

  // The timer is off again: a further pause waits for a tick of its own.
  DWORD again = GetTickCount();
  view->runPauseTimer();
  EXPECT_EQ(2, logic.ticks);
  EXPECT_GE(GetTickCount() - again, 900u);
}

TEST_F(InstallerWindowTest, APauseEndsWhenTheWindowGoes) {
  start(false);
  logic.onTick = [] {};
  PostMessageW(view->window(), WM_CLOSE, 0, 0);
  view->runPauseTimer();
  EXPECT_EQ(0u, view->handle());
  EXPECT_EQ(0, logic.ticks);
}

TEST_F(InstallerWindowTest, PicturesAreShownStretchedIntoTheirBox) {
  start(false);
  const std::string dir = tempDir();
  // A small bitmap, red above and green below, fills the whole 350 x 150 box the right way up.
  ASSERT_TRUE(writeFile(dir + "picture.BMP", solidBmp(36, 16, 200, 20, 20, 0x14C814)));
  view->hideMoviePanel();
  EXPECT_FALSE(IsWindowVisible(view->moviePanel()));
  ASSERT_TRUE(view->showPicture(dir + "picture.BMP"));
  EXPECT_TRUE(IsWindowVisible(view->bmpPanel()));
  EXPECT_EQ(view->bmpPanel(), GetWindow(view->contentPanel(), GW_CHILD));  // in front
  UpdateWindow(view->window());
  settle();
  for (POINT p : {POINT{2, 2}, POINT{175, 30}, POINT{347, 60}}) {
    COLORREF c = screenPixel(view->bmpPanel(), p.x, p.y);
    EXPECT_NEAR(200, GetRValue(c), 8) << p.x << "," << p.y;
    EXPECT_NEAR(20, GetGValue(c), 8) << p.x << "," << p.y;
  }
  for (POINT p : {POINT{2, 147}, POINT{175, 110}, POINT{347, 90}}) {
    COLORREF c = screenPixel(view->bmpPanel(), p.x, p.y);
    EXPECT_NEAR(20, GetRValue(c), 8) << p.x << "," << p.y;
    EXPECT_NEAR(200, GetGValue(c), 8) << p.x << "," << p.y;
  }

  // A large JPEG, blue above and yellow below, decoded at a reduced scale, fills it as well.
  ASSERT_TRUE(writeFile(dir + "picture.jpg", solidJpeg(1400, 600, 30, 60, 210, 0xF0E010)));
  ASSERT_TRUE(view->showPicture(dir + "picture.jpg"));
  UpdateWindow(view->window());
  settle();
  for (POINT p : {POINT{2, 2}, POINT{175, 30}, POINT{347, 60}}) {
    COLORREF c = screenPixel(view->bmpPanel(), p.x, p.y);
    EXPECT_NEAR(30, GetRValue(c), 10) << p.x << "," << p.y;
    EXPECT_NEAR(60, GetGValue(c), 10) << p.x << "," << p.y;
    EXPECT_NEAR(210, GetBValue(c), 10) << p.x << "," << p.y;
  }
  for (POINT p : {POINT{2, 147}, POINT{175, 110}, POINT{347, 90}}) {
    COLORREF c = screenPixel(view->bmpPanel(), p.x, p.y);
    EXPECT_NEAR(0xF0, GetRValue(c), 10) << p.x << "," << p.y;
    EXPECT_NEAR(0xE0, GetGValue(c), 10) << p.x << "," << p.y;
    EXPECT_NEAR(0x10, GetBValue(c), 10) << p.x << "," << p.y;
  }
}

TEST_F(InstallerWindowTest, PicturesThatCannotBeLoadedAreRefused) {
  start(false);
  const std::string dir = tempDir();
  std::vector<uint8_t> bmp = solidBmp(20, 10, 1, 2, 3), jpeg = solidJpeg(64, 32, 1, 2, 3);
  // The extension picks the reader, as it did for the picture control this replaces.
  ASSERT_TRUE(writeFile(dir + "jpeg-named.BMP", jpeg));
  EXPECT_FALSE(view->showPicture(dir + "jpeg-named.BMP"));
  ASSERT_TRUE(writeFile(dir + "bitmap-named.jpg", bmp));
  EXPECT_FALSE(view->showPicture(dir + "bitmap-named.jpg"));
  ASSERT_TRUE(writeFile(dir + "picture.png", bmp));
  EXPECT_FALSE(view->showPicture(dir + "picture.png"));
  EXPECT_FALSE(view->showPicture(dir + "missing.jpg"));
  ASSERT_TRUE(writeFile(dir + "empty.jpg", {}));
  EXPECT_FALSE(view->showPicture(dir + "empty.jpg"));
  // Truncated pixel data, truncated headers, garbage.
  std::vector<uint8_t> cut(bmp.begin(), bmp.end() - 40);
  ASSERT_TRUE(writeFile(dir + "cut.bmp", cut));
  EXPECT_FALSE(view->showPicture(dir + "cut.bmp"));
  std::vector<uint8_t> head(bmp.begin(), bmp.begin() + 30);
  ASSERT_TRUE(writeFile(dir + "head.bmp", head));
  EXPECT_FALSE(view->showPicture(dir + "head.bmp"));
  std::vector<uint8_t> half(jpeg.begin(), jpeg.begin() + 20);
  ASSERT_TRUE(writeFile(dir + "half.jpg", half));
  EXPECT_FALSE(view->showPicture(dir + "half.jpg"));
  // Whatever failed, the picture control is shown (empty) and the program goes on.
  EXPECT_TRUE(IsWindowVisible(view->bmpPanel()));
  ASSERT_TRUE(writeFile(dir + "ok.bmp", bmp));
  EXPECT_TRUE(view->showPicture(dir + "ok.bmp"));
}

TEST_F(InstallerWindowTest, MoviePanelIsAWhiteSurfaceThatTakesItsColour) {
  start(false);
  PanelSurface& panel = view->moviePanelSurface();
  EXPECT_EQ(reinterpret_cast<WindowHandle>(view->moviePanel()), panel.handle());
  EXPECT_EQ(clientSize(view->window()).cx - 2, panel.width());
  EXPECT_EQ(150, panel.height());
  EXPECT_TRUE(panel.isVisible());
  panel.repaint();
  settle();
  EXPECT_EQ(RGB(255, 255, 255), screenPixel(view->moviePanel(), 20, 20));
  panel.setColour(0x00336699);  // 0x00BBGGRR
  panel.repaint();
  settle();
  COLORREF c = screenPixel(view->moviePanel(), 20, 20);
  EXPECT_EQ(0x99, GetRValue(c));
  EXPECT_EQ(0x66, GetGValue(c));
  EXPECT_EQ(0x33, GetBValue(c));
  // Without a Flash control factory the panel gets none.
  std::unique_ptr<FlashControl> control;
  Result created = view->flashControlFactory().create(panel.handle(), 10, 10, control);
  EXPECT_FALSE(created.ok());
  EXPECT_EQ(created.text(), "Class not registered");
  EXPECT_FALSE(control);
}

TEST_F(InstallerWindowTest, ApplicationTitleIsTheTaskbarText) {
  app->setTitle("Installation Successful");
  start(false);
  EXPECT_EQ("Installation Successful", text(app->handle()));
  view->setApplicationTitle("Sunset Install Wallpaper");
  EXPECT_EQ("Sunset Install Wallpaper", text(app->handle()));
  // Closing the taskbar button asks the installer window, which asks its logic.
  logic.allowClose = false;
  SendMessageW(app->handle(), WM_CLOSE, 0, 0);
  view->processMessages();
  EXPECT_EQ(1, logic.closeQueries);
  EXPECT_TRUE(IsWindow(view->window()));
  EXPECT_FALSE(app->quitRequested());
  // minimiseOwnWindows hides what the application owns and minimises its taskbar button.
  view->minimiseOwnWindows();
  EXPECT_FALSE(IsWindowVisible(view->window()));
  EXPECT_TRUE(IsIconic(app->handle()));
}

TEST(SmallWindows, PreparingWindowLiesOffTheScreen) {
  Application app;
  HiddenMainWindow preparing(app);
  HWND w = preparing.handle();
  PostQuitMessage(0);
  app.run(w);  // shows it as the main window, then ends at once
  EXPECT_TRUE(IsWindowVisible(w));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(-3000, r.left);
  EXPECT_EQ(-3000, r.top);
  EXPECT_LT(r.right, 0);
  EXPECT_LT(r.bottom, 0);
  EXPECT_EQ(257, clientSize(w).cx);
  EXPECT_EQ(59, clientSize(w).cy);
  LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ("Preparing installation ... ", text(preparing.label()));
  EXPECT_TRUE(GetWindowLongW(preparing.label(), GWL_STYLE) & SS_CENTER);
  EXPECT_TRUE(GetWindowLongW(preparing.label(), GWL_STYLE) & SS_CENTERIMAGE);
  RECT l = rectInParent(preparing.label());
  EXPECT_EQ(0, l.left);
  EXPECT_EQ(0, l.top);
  EXPECT_EQ(257, l.right);
  EXPECT_EQ(59, l.bottom);
}

TEST(SmallWindows, MessageBoxIsCreatedHiddenAndRemembersTheLastAnswer) {
  Application app;
  YesNoWindow box(app);
  HWND w = box.handle();
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(347, windowSize(w).cx);
  EXPECT_EQ(140, windowSize(w).cy);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_NEAR((GetSystemMetrics(SM_CXSCREEN) - 347) / 2, r.left, 1);
  EXPECT_NEAR((GetSystemMetrics(SM_CYSCREEN) - 140) / 2, r.top, 1);
  EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ("Installation Successful.", text(w));
  EXPECT_EQ(
      "The installation was successful.  You must restart your computer before the new settings will take "
      "effect.\r\n\r\nDo you want to restart your computer now?",
      text(box.messageLabel()));
  RECT l = rectInParent(box.messageLabel());
  EXPECT_EQ(0, l.left);
  EXPECT_EQ(7, l.top);
  EXPECT_EQ(334, l.right - l.left);
  EXPECT_EQ(39, l.bottom - l.top);
  EXPECT_EQ("Yes", text(box.yesButton()));
  EXPECT_EQ("No", text(box.noButton()));
  RECT b1 = rectInParent(box.yesButton()), b2 = rectInParent(box.noButton());
  EXPECT_EQ(96, b1.left);
  EXPECT_EQ(80, b1.top);
  EXPECT_EQ(75, b1.right - b1.left);
  EXPECT_EQ(23, b1.bottom - b1.top);
  EXPECT_EQ(176, b2.left);
  EXPECT_EQ(80, b2.top);
  std::vector<HWND> order = children(w);
  ASSERT_EQ(3u, order.size());
  EXPECT_EQ(box.yesButton(), order[1]);
  EXPECT_EQ(box.noButton(), order[2]);

  EXPECT_EQ(0, SendMessageW(w, YesNoWindow::kGetResult, 0, 0));
  SendMessageW(w, WM_COMMAND, MAKEWPARAM(YesNoWindow::kYesId, BN_CLICKED),
               reinterpret_cast<LPARAM>(box.yesButton()));
  EXPECT_EQ(1, SendMessageW(w, YesNoWindow::kGetResult, 0, 0));
  SendMessageW(w, WM_COMMAND, MAKEWPARAM(YesNoWindow::kNoId, BN_CLICKED),
               reinterpret_cast<LPARAM>(box.noButton()));
  EXPECT_EQ(2, SendMessageW(w, YesNoWindow::kGetResult, 0, 0));
  EXPECT_EQ(2, box.result());
  EXPECT_FALSE(IsWindowVisible(w));  // answering neither closes nor shows it
  EXPECT_TRUE(IsWindow(w));
}

}  // namespace
