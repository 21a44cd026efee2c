// The installer window moved to a display of another resolution (WM_DPICHANGED, as Windows sends it to a
// per-monitor aware window): everything in it is laid out again at the new scale, and back.
#include <windows.h>
#include <gtest/gtest.h>

#include <memory>

#include "installer/win32/application.h"
#include "installer/win32/installer_view.h"
#include "platform/win32/dpi.h"
#include "ui_test_support.h"

using namespace mv;
using namespace mv::win32;
using namespace mv::uitest;

namespace {

class DpiChangeTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    app.reset(new Application);
    view.reset(new Win32InstallerView(*app, realFiles(), nullptr));
    const bool withLicence = GetParam();
    logic.atCreate = [this, withLicence] {
      if (withLicence) view->setLicenceText("Terms of use.");
      view->chooseLayout(withLicence);
      view->sizeWindow();
    };
    view->start(logic);
    app->processMessages();
  }
  void TearDown() override {
    view.reset();
    app.reset();
  }
  // What Windows sends: the new resolution and the window's rectangle scaled about its corner.
  void moveTo(int dpi) {
    const int old = view->dpi();
    RECT r;
    GetWindowRect(view->window(), &r);
    RECT suggested = {r.left, r.top, r.left + MulDiv(r.right - r.left, dpi, old),
                      r.top + MulDiv(r.bottom - r.top, dpi, old)};
    SendMessageW(view->window(), kDpiChangedMessage, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    app->processMessages();
  }
  struct Layout {
    SIZE client;
    RECT controls[9];
    int fontHeight;
  };
  Layout measure() {
    Layout l = {clientSize(view->window()), {}, 0};
    const HWND controls[9] = {view->contentPanel(), view->bmpPanel(),     view->moviePanel(),
                              view->buttonPanel(),  view->statusLabel(),  view->progressBar(),
                              view->installButton(), view->cancelButton(), view->licenseScrollBox()};
    for (int i = 0; i < 9; ++i) l.controls[i] = rectInParent(controls[i]);
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(view->statusLabel(), WM_GETFONT, 0, 0)), sizeof(font), &font);
    l.fontHeight = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    return l;
  }
  void expectScaled(const Layout& base, const Layout& got, double k) {
    EXPECT_NEAR(base.client.cx * k, got.client.cx, 1.0);
    EXPECT_NEAR(base.client.cy * k, got.client.cy, 1.0);
    for (int i = 0; i < 9; ++i) {
      const RECT& b = base.controls[i];
      const RECT& g = got.controls[i];
      EXPECT_NEAR(b.left * k, g.left, 1.0) << "control " << i;
      EXPECT_NEAR(b.top * k, g.top, 1.0) << "control " << i;
      EXPECT_NEAR(b.right * k, g.right, 1.0) << "control " << i;
      EXPECT_NEAR(b.bottom * k, g.bottom, 1.0) << "control " << i;
    }
    EXPECT_NEAR(base.fontHeight * k, got.fontHeight, 1.0);
  }

  std::unique_ptr<Application> app;
  StandInLogic logic;
  std::unique_ptr<Win32InstallerView> view;
};

TEST_P(DpiChangeTest, TheWindowIsLaidOutAgainAtTheNewResolutionAndBack) {
  ASSERT_EQ(96, view->dpi());
  const Layout at96 = measure();
  ASSERT_EQ(11, at96.fontHeight);
  for (int dpi : {144, 192, 120}) {
    moveTo(dpi);
    EXPECT_EQ(dpi, view->dpi());
    expectScaled(at96, measure(), dpi / 96.0);
    // What the movie panel hands a Flash control as its bounds, and draws the movie's frame at.
    PanelSurface& panel = view->moviePanelSurface();
    const RECT& movie96 = at96.controls[2];
    EXPECT_NEAR((movie96.right - movie96.left) * dpi / 96.0, panel.width(), 1.0);
    EXPECT_NEAR((movie96.bottom - movie96.top) * dpi / 96.0, panel.height(), 1.0);
  }
  moveTo(96);
  const Layout back = measure();
  EXPECT_EQ(at96.client.cx, back.client.cx);
  EXPECT_EQ(at96.client.cy, back.client.cy);
  for (int i = 0; i < 9; ++i) EXPECT_TRUE(EqualRect(&at96.controls[i], &back.controls[i])) << "control " << i;
}

INSTANTIATE_TEST_SUITE_P(Variants, DpiChangeTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "WithLicence" : "WithoutLicence"; });

}  // namespace
