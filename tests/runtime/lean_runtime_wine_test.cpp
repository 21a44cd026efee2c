// The programs built without exceptions end with a message box when an allocation fails, and go on when a
// nothrow allocation fails (src/runtime/lean_runtime.cpp). Run under Wine on Xvfb: the probe's box is found
// among the windows of its process, read as a user sees it and dismissed; then its exit code is taken.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Outcome {
  bool started = false, ended = false, boxSeen = false;
  DWORD exitCode = 0;
  std::wstring caption, text;
};

struct Search {
  DWORD process;
  HWND box = nullptr;
};

BOOL CALLBACK findBox(HWND w, LPARAM lp) {
  Search& s = *reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[32] = L"";
  GetClassNameW(w, cls, 32);
  if (pid == s.process && lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(w)) {
    s.box = w;
    return FALSE;
  }
  return TRUE;
}

std::wstring probePath() {
  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"lean_runtime_probe.exe";
}

Outcome runProbe(const std::wstring& mode) {
  Outcome out;
  std::wstring command = L"\"" + probePath() + L"\" " + mode;
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return out;
  out.started = true;
  for (int i = 0; i < 600 && !out.ended; ++i) {  // 60 s
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) {
      out.ended = true;
      break;
    }
    Search s{pi.dwProcessId};
    EnumWindows(findBox, reinterpret_cast<LPARAM>(&s));
    if (s.box && !out.boxSeen) {
      Sleep(200);  // let it finish its layout
      out.boxSeen = true;
      wchar_t text[512] = L"";
      GetWindowTextW(s.box, text, 512);
      out.caption = text;
      GetDlgItemTextW(s.box, 0xFFFF, text, 512);  // the message box's text control
      out.text = text;
      PostMessageW(s.box, WM_COMMAND, IDOK, 0);
    }
  }
  if (!out.ended) TerminateProcess(pi.hProcess, 99);
  GetExitCodeProcess(pi.hProcess, &out.exitCode);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return out;
}

TEST(LeanRuntime, AFailedAllocationEndsTheProgramWithAMessage) {
  for (const wchar_t* mode : {L"new", L"vector"}) {
    SCOPED_TRACE(std::string(mode, mode + lstrlenW(mode)));
    Outcome o = runProbe(mode);
    ASSERT_TRUE(o.started);
    EXPECT_TRUE(o.ended);
    EXPECT_TRUE(o.boxSeen);
    EXPECT_EQ(o.caption, L"Error");
    EXPECT_EQ(o.text, L"Out of memory: the program has to end.");
    EXPECT_EQ(o.exitCode, 3u);
  }
}

TEST(LeanRuntime, ANothrowAllocationThatFailsLeavesTheProgramRunning) {
  for (const wchar_t* mode : {L"nothrow", L"small"}) {
    SCOPED_TRACE(std::string(mode, mode + lstrlenW(mode)));
    Outcome o = runProbe(mode);
    ASSERT_TRUE(o.started);
    EXPECT_TRUE(o.ended);
    EXPECT_FALSE(o.boxSeen);
    EXPECT_EQ(o.exitCode, 0u);
  }
}

}  // namespace
