// The error reporter's box as a user and outside tools see it (run under Wine on Xvfb): a second
// thread finds the dialog, reads its text from the static control 0xFFFF, checks the single "&Abort"
// button and the icon, then dismisses it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/error_reporter.h"
#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"

namespace mv {
namespace {

enum class Dismiss { Click, Escape, Close, Enter };

struct Seen {
  std::string caption;
  Dismiss how = Dismiss::Click;
  bool found = false;
  std::string className, text;
  std::vector<std::string> buttonTexts;
  std::vector<int> buttonIds;
  HICON icon = nullptr;
  bool textAboveButton = false, fitsScreen = false, buttonFocused = false;
};

BOOL CALLBACK collectChild(HWND child, LPARAM lp) {
  Seen& s = *reinterpret_cast<Seen*>(lp);
  char cls[64] = "";
  GetClassNameA(child, cls, sizeof cls);
  if (lstrcmpiA(cls, "Button") == 0) {
    char t[64] = "";
    GetWindowTextA(child, t, sizeof t);
    s.buttonTexts.push_back(t);
    s.buttonIds.push_back(GetDlgCtrlID(child));
  } else if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    s.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  }
  return TRUE;
}

DWORD WINAPI watch(LPVOID arg) {
  Seen& s = *static_cast<Seen*>(arg);
  HWND dlg = nullptr;
  for (int i = 0; i < 300 && !dlg; i++) {
    dlg = FindWindowA("#32770", s.caption.c_str());
    if (!dlg) Sleep(50);
  }
  if (!dlg) {
    fprintf(stderr, "no dialog \"%s\" appeared\n", s.caption.c_str());
    ExitProcess(3);  // the main thread is stuck in the dialog that never came
  }
  Sleep(200);  // let it finish its layout
  s.found = true;
  char cls[64] = "";
  GetClassNameA(dlg, cls, sizeof cls);
  s.className = cls;
  std::vector<char> text(4096);
  GetDlgItemTextA(dlg, 0xFFFF, text.data(), int(text.size()));
  s.text = text.data();
  EnumChildWindows(dlg, collectChild, reinterpret_cast<LPARAM>(&s));

  HWND textWnd = GetDlgItem(dlg, 0xFFFF), button = GetDlgItem(dlg, IDABORT);
  RECT tr{}, br{}, wr{};
  GetWindowRect(textWnd, &tr);
  GetWindowRect(button, &br);
  GetWindowRect(dlg, &wr);
  s.textAboveButton = tr.bottom <= br.top && tr.bottom > tr.top;
  s.fitsScreen = wr.left >= 0 && wr.top >= 0 && wr.right <= GetSystemMetrics(SM_CXSCREEN) &&
                 wr.bottom <= GetSystemMetrics(SM_CYSCREEN);
  GUITHREADINFO gi = {};
  gi.cbSize = sizeof gi;
  s.buttonFocused = GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gi) && gi.hwndFocus == button;

  switch (s.how) {
    case Dismiss::Click: PostMessageA(button, BM_CLICK, 0, 0); break;
    case Dismiss::Close: PostMessageA(dlg, WM_CLOSE, 0, 0); break;
    case Dismiss::Escape:
      PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      PostMessageA(button, WM_KEYUP, VK_ESCAPE, 0xC0010001);
      break;
    case Dismiss::Enter:
      PostMessageA(button, WM_KEYDOWN, VK_RETURN, 0x001C0001);
      PostMessageA(button, WM_KEYUP, VK_RETURN, 0xC01C0001);
      break;
  }
  return 0;
}

class ErrorBoxWineTest : public ::testing::Test {
 protected:
  Win32Platform p{mv::text::abortButton};
  ErrorBoxes boxes{p};
  void SetUp() override { setPlatform(&p); }
  void TearDown() override { setPlatform(nullptr); }

  // Runs show() on this thread while a watcher inspects and dismisses the box.
  template <class F>
  Seen showAndWatch(const char* caption, Dismiss how, F show) {
    Seen s;
    s.caption = caption;
    s.how = how;
    HANDLE t = CreateThread(nullptr, 0, watch, &s, 0, nullptr);
    show();
    WaitForSingleObject(t, 20000);
    CloseHandle(t);
    return s;
  }
};

TEST_F(ErrorBoxWineTest, ReportedTextsReadBackFromTheDialog) {
  const std::string dest = "C:\\windows\\Web\\Wallpaper\\Sample dir\\movie.swf";
  const std::string temp = "C:\\users\\root\\Temp\\MVVA\\temp.dat";
  struct Case {
    Result code;
    std::string file;
  } cases[] = {{-13, dest}, {-32, "C:\\windows\\impborl.dll"}, {-523, temp}, {-531, ""}, {5, dest}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Seen s = showAndWatch("Error", Dismiss::Click, [&] { boxes.fileError(c.code, c.file); });
    ASSERT_TRUE(s.found);
    EXPECT_EQ(s.className, "#32770");
    EXPECT_EQ(s.text, errorMessage(p, c.code, c.file));
    EXPECT_EQ(s.buttonTexts, std::vector<std::string>{"&Abort"});
    EXPECT_EQ(s.buttonIds, std::vector<int>{IDABORT});
    EXPECT_EQ(s.icon, LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND)));
    EXPECT_TRUE(s.textAboveButton);
    EXPECT_TRUE(s.fitsScreen);
    EXPECT_TRUE(s.buttonFocused);
  }
}

TEST_F(ErrorBoxWineTest, AccessDeniedShowsTheSystemTextWithoutItsPeriod) {
  std::string system = p.systemErrorText(5);
  ASSERT_FALSE(system.empty());
  std::string expected = system;
  while (!expected.empty() && (expected.back() == '\r' || expected.back() == '\n' || expected.back() == ' ' ||
                               expected.back() == '.'))
    expected.pop_back();
  Seen s = showAndWatch("Error", Dismiss::Click, [&] { boxes.fileError(5, "C:\\f"); });
  EXPECT_EQ(s.text, "Installation Error: " + expected + "\r\n\r\nProblem with file C:\\f. ");
}

TEST_F(ErrorBoxWineTest, EscapeEnterAndTheCloseBoxDismissToo) {
  for (Dismiss how : {Dismiss::Escape, Dismiss::Close, Dismiss::Enter}) {
    Seen s = showAndWatch("Error", how, [&] { boxes.error("Installer file is corrupted. Quillon Error: -31. "); });
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.text, "Installer file is corrupted. Quillon Error: -31. ");
  }
}

TEST_F(ErrorBoxWineTest, InformationBoxHasItsCaptionAndIcon) {
  Seen s = showAndWatch("Information", Dismiss::Click, [&] { boxes.information("Some news & more"); });
  ASSERT_TRUE(s.found);
  EXPECT_EQ(s.text, "Some news & more");
  EXPECT_EQ(s.buttonTexts, std::vector<std::string>{"&Abort"});
  EXPECT_EQ(s.icon, LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ASTERISK)));
}

TEST_F(ErrorBoxWineTest, TheButtonIsLabelledWithTheTextTheProgramHandsIn) {
  Win32Platform relabelled{"&Quit now"};
  ErrorBoxes relabelledBoxes{relabelled};
  Seen s = showAndWatch("Error", Dismiss::Click, [&] { relabelledBoxes.error("Stopped."); });
  ASSERT_TRUE(s.found);
  EXPECT_EQ(s.buttonTexts, std::vector<std::string>{"&Quit now"});
  EXPECT_EQ(s.buttonIds, std::vector<int>{IDABORT});
}

TEST_F(ErrorBoxWineTest, LongTextsWrapInsideTheScreen) {
  std::string longText;
  for (int i = 0; i < 60; i++) longText += "A long message that has to wrap over several lines. ";
  Seen s = showAndWatch("Error", Dismiss::Click, [&] { boxes.error(longText); });
  EXPECT_EQ(s.text, longText);
  EXPECT_TRUE(s.fitsScreen);
  EXPECT_TRUE(s.textAboveButton);
}

}  // namespace
}  // namespace mv
