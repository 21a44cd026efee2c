// The real ActiveX hosting under Wine: MoviePanel with FlashActiveXControl in a plain Win32 window,
// first without any control registered, then against the stand-in control (fakeflash.dll), which logs
// every call it receives.
#include <ole2.h>
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "flash/flash_panel.h"
#include "flash/win32/shockwave_flash.h"
#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"
#include "swf_builder.h"
#include "wine_support.h"

using namespace mv;
using namespace swftest;
using namespace winetest;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

namespace {

// The panel: a plain child window of a top-level window, painted in its colour. The top-level window is
// shared by all tests (Wine on a bare X server takes seconds to unmap one).
class ChildPanel : public PanelSurface {
 public:
  static HWND top() {
    static HWND window = nullptr;
    if (!window) {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = DefWindowProcA;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "MvTestTop";
      RegisterClassA(&wc);
      window = CreateWindowExA(0, "MvTestTop", "Flash panel test", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN,
                               0, 0, 420, 260, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    return window;
  }

  ChildPanel() {
    static bool registered = false;
    if (!registered) {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = proc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      wc.lpszClassName = "MvTestPanel";
      RegisterClassA(&wc);
      registered = true;
    }
    panel_ = CreateWindowExA(0, "MvTestPanel", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 1, 1, 350, 150, top(),
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(panel_, GWLP_USERDATA, LONG_PTR(this));
  }
  ~ChildPanel() override { DestroyWindow(panel_); }

  WindowHandle handle() override { return WindowHandle(panel_); }
  int width() override {
    RECT r;
    GetClientRect(panel_, &r);
    return r.right;
  }
  int height() override {
    RECT r;
    GetClientRect(panel_, &r);
    return r.bottom;
  }
  void setColour(uint32_t c) override {
    colour_ = c;
    InvalidateRect(panel_, nullptr, TRUE);
  }
  bool isVisible() override { return IsWindowVisible(panel_) != FALSE; }
  void repaint() override { UpdateWindow(panel_); }
  void setFocus() override { SetFocus(panel_); }
  void deliverOneMessage() override {
    MSG m;
    if (!PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE)) MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT);
    if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
  }
  HWND panel() const { return panel_; }

 private:
  static LRESULT CALLBACK proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<ChildPanel*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    if (msg == WM_ERASEBKGND && self) {
      RECT r;
      GetClientRect(w, &r);
      HBRUSH b = CreateSolidBrush(self->colour_);
      FillRect(HDC(wp), &r, b);
      DeleteObject(b);
      return 1;
    }
    return DefWindowProcA(w, msg, wp, lp);
  }
  HWND panel_ = nullptr;
  COLORREF colour_ = 0xFFFFFF;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

using DllFn = HRESULT(STDAPICALLTYPE*)();

HRESULT callServer(const char* name) {
  HMODULE dll = LoadLibraryA((programFolder() + "fakeflash.dll").c_str());
  if (!dll) return HRESULT_FROM_WIN32(GetLastError());
  auto fn = reinterpret_cast<DllFn>(GetProcAddress(dll, name));
  HRESULT hr = fn ? fn() : E_NOINTERFACE;
  FreeLibrary(dll);
  return hr;
}

// The real factory, counting its creations.
class CountingFactory : public FlashControlFactory {
 public:
  explicit CountingFactory(FlashControlFactory& real) : real_(real) {}
  Result create(WindowHandle parent, int w, int h, std::unique_ptr<FlashControl>& control) override {
    ++attempts;
    return real_.create(parent, w, h, control);
  }
  CreationFailure lastFailure() const override { return real_.lastFailure(); }
  int attempts = 0;

 private:
  FlashControlFactory& real_;
};

class FlashControlWine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static Win32Platform win32(mv::text::abortButton);
    setPlatform(&win32);
    OleInitialize(nullptr);
  }

  void SetUp() override {
    folder_ = tempFolder() + "flashtest\\";
    CreateDirectoryA(folder_.c_str(), nullptr);
    log_ = folder_ + "control.log";
    DeleteFileA(log_.c_str());
    SetEnvironmentVariableA("MV_FAKEFLASH_LOG", log_.c_str());
    SetEnvironmentVariableA("MV_FAKEFLASH_FAIL", nullptr);
    SetEnvironmentVariableA("MV_FAKEFLASH_FAIL_CREATES", nullptr);
  }

  std::string put(const std::string& name, const std::string& bytes) {
    std::string path = folder_ + name;
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
  }
  std::vector<std::string> controlLog() { return lines(wholeFile(log_)); }

  std::string folder_, log_;
  std::unique_ptr<FlashControlFactory> factory_ = createShockwaveFlashFactory();
};

// The class is not registered: the first answer says so, and the panel goes on without a control.
TEST_F(FlashControlWine, WithoutAControlLoadGivesMinus403AfterOneAttemptAndKeepsTheColour) {
  ASSERT_EQ(callServer("DllUnregisterServer"), S_OK);
  ChildPanel surface;
  CountingFactory counting(*factory_);
  MoviePanel panel(platform(), platform(), surface, counting);
  std::string path = put("a.swf", fws(6, bg(0x33, 0x66, 0x99)));
  DWORD start = GetTickCount();
  EXPECT_EQ(panel.loadSWF(path), -403);
  std::printf("[ measure  ] the load without a control took %lu ms\n", static_cast<unsigned long>(GetTickCount() - start));
  EXPECT_EQ(counting.attempts, 1);
  EXPECT_EQ(panel.colour(), 0x00996633u);
  EXPECT_FALSE(panel.hasControl());

  std::unique_ptr<FlashControl> control;
  Result created = factory_->create(surface.handle(), 10, 10, control);
  EXPECT_FALSE(created.ok()) << "created a control that is not registered";
  EXPECT_THAT(created.text(), ::testing::StartsWith("Flash Player control: creating the control failed: "));
  EXPECT_EQ(factory_->lastFailure(), CreationFailure::lasting);
  EXPECT_FALSE(control);
}

// A registered control that fails a few times as a passing state would still gets its attempts, and is
// then created, set up and started as always.
TEST_F(FlashControlWine, ControlThatFailsAFewTimesIsStillCreated) {
  ASSERT_EQ(callServer("DllRegisterServer"), S_OK);
  SetEnvironmentVariableA("MV_FAKEFLASH_FAIL_CREATES", "3");
  ChildPanel surface;
  CountingFactory counting(*factory_);
  std::string path = put("movie.swf", fws(6, bg(0x33, 0x66, 0x99) + showFrame() + endTag()));
  {
    MoviePanel panel(platform(), platform(), surface, counting);
    ASSERT_EQ(panel.loadSWF(path), 0);
    EXPECT_TRUE(panel.hasControl());
    EXPECT_EQ(counting.attempts, 4);
    EXPECT_EQ(factory_->lastFailure(), CreationFailure::mayPass);
  }
  std::vector<std::string> log = controlLog();
  ASSERT_GE(log.size(), 4u);
  EXPECT_THAT(std::vector<std::string>(log.begin(), log.begin() + 4),
              ElementsAreArray({"create refused", "create refused", "create refused", "create"}));
  EXPECT_THAT(log, ::testing::Contains("Play"));
}

TEST_F(FlashControlWine, StandInControlSeesThePanelsCallsInOrder) {
  ASSERT_EQ(callServer("DllRegisterServer"), S_OK);
  ChildPanel surface;
  std::string path = put("movie.swf", fws(6, bg(0x33, 0x66, 0x99) + showFrame() + endTag()));
  DWORD uiThread = GetCurrentThreadId(), eventThread = 0;
  {
    MoviePanel panel(platform(), platform(), surface, *factory_);
    ASSERT_EQ(panel.loadSWF(path), 0);
    ASSERT_TRUE(panel.hasControl());
    EXPECT_EQ(panel.allowScale(), -1);  // the movie's bytes say nothing about it
    auto handler = panel.control()->onFSCommand;
    panel.control()->onFSCommand = [&](const std::string& c, const std::string& a) {
      eventThread = GetCurrentThreadId();
      handler(c, a);
    };

    // The stand-in fires OnFSCommand("ALLOWSCALE", "true") once it plays.
    EXPECT_TRUE(pumpUntil([&] { return panel.allowScale() == 1; }, 5000));
    EXPECT_EQ(eventThread, uiThread);

    // It paints the movie's background in its own child window of the panel.
    HWND control = FindWindowExA(surface.panel(), nullptr, "MvFakeFlashWindow", nullptr);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(IsWindowVisible(control));
    RECT r;
    GetClientRect(control, &r);
    EXPECT_EQ(r.right, 350);
    EXPECT_EQ(r.bottom, 150);
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(control);
    EXPECT_EQ(GetPixel(dc, 20, 20), COLORREF(0x00996633));
    ReleaseDC(control, dc);

    panel.focusMovie();
    EXPECT_EQ(GetFocus(), control);
    panel.unloadSWF();
    EXPECT_EQ(FindWindowExA(surface.panel(), nullptr, "MvFakeFlashWindow", nullptr), nullptr);
  }
  const std::vector<std::string> expected = {
      "create", "SetClientSite", "InitNew", "SetExtent", "Advise", "DoVerb -5", "window 350x150",  // create
      "put ScaleMode 0", "SetVariable Align=AlClient", "put WMode Opaque", "put Menu false",      // set up
      "DoVerb -3", "put Movie " + path, "colour 0x00996633", "Play", "DoVerb -1",                 // start
      "fire OnFSCommand ALLOWSCALE true",                                                         // event
      "StopPlay", "Unadvise", "InPlaceDeactivate", "Close", "SetClientSite null", "destroy"};     // release
  EXPECT_THAT(controlLog(), ElementsAreArray(expected));
}

TEST_F(FlashControlWine, CompressedMovieIsPlayedFromTheOriginalFile) {
  ASSERT_EQ(callServer("DllRegisterServer"), S_OK);
  ChildPanel surface;
  std::string plain = fws(6, tag(2, std::string(5000, 'b')) + bg(0x12, 0x34, 0x56) + endTag());
  std::string path = put("packed.swf", cwsOf(plain));
  std::string temp;
  {
    MoviePanel panel(platform(), platform(), surface, *factory_);
    ASSERT_EQ(panel.loadSWF(path), 0);
    temp = panel.tempFolder();
    EXPECT_EQ(temp, tempFolder() + "FlashPanel\\");
    EXPECT_EQ(wholeFile(temp + "unCompressedSWF.swf"), plain);
    EXPECT_EQ(wholeFile(temp + "compressedSWFSegment.swf"), cwsOf(plain).substr(8));
    EXPECT_EQ(panel.colour(), 0x00563412u);
  }
  EXPECT_FALSE(exists(temp));
  std::vector<std::string> log = controlLog();
  EXPECT_THAT(log, ::testing::Contains("put Movie " + path));
  EXPECT_THAT(log, ::testing::Contains("colour 0x00563412"));  // the stand-in read the compressed file
  EXPECT_EQ(log.back(), "destroy");
}

TEST_F(FlashControlWine, RefusedSetUpStepEndsCreationWithTheControlKept) {
  ASSERT_EQ(callServer("DllRegisterServer"), S_OK);
  SetEnvironmentVariableA("MV_FAKEFLASH_FAIL", "WMode");
  ChildPanel surface;
  MoviePanel panel(platform(), platform(), surface, *factory_);
  std::string path = put("m.swf", fws(6, bg(1, 2, 3)));
  EXPECT_EQ(panel.loadSWF(path), 0);
  std::vector<std::string> log = controlLog();
  EXPECT_EQ(std::count(log.begin(), log.end(), "create"), 1);
  EXPECT_THAT(log, ::testing::Not(::testing::Contains("put Menu false")));
  EXPECT_THAT(log, ::testing::Contains("Play"));

  SetEnvironmentVariableA("MV_FAKEFLASH_FAIL", "Play");
  std::string other = put("n.swf", fws(6, bg(1, 2, 3)));
  Result refused = panel.loadSWF(other);
  EXPECT_EQ(refused, rc::failedWithText);
  EXPECT_THAT(refused.text(), ::testing::StartsWith("Flash Player control: Play failed: "));
  EXPECT_EQ(controlLog().back(), "Play");  // the start stopped there
}

}  // namespace
