// e2e_driver: drives installers under Wine the way a user would, from a script of commands.
//
//   e2e_driver.exe SCRIPT
//
// The script is UTF-8 and so is everything the driver prints; it talks to the system with the wide calls,
// so paths, titles and registry texts in any script are compared exactly. The script holds one command
// per line; words are separated by blanks, "double quotes" group words and
// understand the escapes \r, \n and \" (any other backslash stays, as in Windows paths); %NAME% expands to an environment variable (TEMP, WINDIR, ...);
// lines starting with # are comments. Windows are held in variables; every wait has a timeout (ms). The
// first failing command prints "FAIL: <line>: <why>" and the driver exits with 1; it exits with 0 when
// the script ran to its end. Everything it sees is printed, one line each, for the log.
//
// Commands
//   setenv NAME VALUE                   set an environment variable for the programs started after it
//   expect-code-page N                  the system's ANSI code page is N (GetACP)
//   start NAME EXE                      start a program (no arguments), keep it as NAME
//   wait-window VAR TITLE TIMEOUT [NAME]  a visible top-level window of another process (of program NAME
//                                       when given) with exactly TITLE, not one that a variable holds
//   wait-box VAR CAPTION TIMEOUT [NAME] the same, for a message box: prints its text
//   expect-text VAR TEXT                the message box's text (static control 0xFFFF) equals TEXT
//   expect-text-prefix VAR TEXT         ... starts with TEXT
//   expect-caption VAR TEXT             the window's title
//   press VAR BUTTON                    BM_CLICK on the button (any depth) whose text without "&" is BUTTON
//   press-id VAR ID                     BM_CLICK on the dialog item ID
//   close VAR                           WM_CLOSE
//   rclick VAR                          right button down and up in the middle of the window's client area
//   expect-control VAR TEXT STATE       a child whose text without "&" is TEXT is visible|hidden|enabled|
//                                       disabled, or no such child exists (absent)
//   expect-status VAR TEXT              some child static shows exactly TEXT
//   record VAR UNTIL TIMEOUT            watch the texts of the window's static children and its progress bar
//                                       until a static shows UNTIL (or the window goes); prints each change
//   expect-sequence TEXT|TEXT|...       the status texts of all records so far, in order, without repeats
//                                       and without texts not named, equal these
//   expect-progress-max N               the progress bar reached N while recording (highest so far)
//   wait-progress VAR N TIMEOUT         the window's progress bar shows at least N
//   wait-gone VAR TIMEOUT               the window is destroyed
//   wait-exit NAME TIMEOUT              the program ended: prints its exit code
//   expect-exit NAME CODE
//   expect-no-window TITLE MS           no new window with TITLE appears within MS
//   expect-no-class NAME CLASS...       program NAME has no top-level window, shown or hidden, of a CLASS
//   expect-exists PATH / expect-absent PATH
//   expect-same-file PATH1 PATH2        byte for byte
//   expect-file-text PATH TEXT          the file holds exactly TEXT
//   reg-expect ROOT KEY NAME TEXT       ROOT is HKCU or HKLM; a REG_SZ value, or a REG_DWORD in decimal
//   reg-absent ROOT KEY                 the key does not exist
//   prompt VAR TITLE                    a window of ours with TITLE and buttons 6 "&Yes" and 7 "&No"
//   expect-pressed VAR ID TIMEOUT       the prompt's button ID was pressed (and no other)
//   expect-not-pressed VAR MS           no button of the prompt was pressed within MS
//   hold PATH                           keep PATH open for reading without delete sharing (a file in use)
//   release PATH                        close what hold PATH opened (the program using the file ends)
//   dump VAR                            print the window's class, place, client area and children (for the
//                                       log); all in the display's own pixels (the driver is DPI-aware)
//   sleep MS
//   print TEXT
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/test_files.h"
#include "support/text_encoding.h"

namespace {

using mv::utf8ToWide;
using mv::wideToUtf8;

using testcommon::readWholeFile;

struct Failure {
  std::string why;
};

[[noreturn]] void fail(const std::string& why) { throw Failure{why}; }

std::string expandEnv(const std::string& s) {
  std::string out;
  size_t i = 0;
  while (i < s.size()) {
    size_t a = s.find('%', i);
    if (a == std::string::npos) break;
    size_t b = s.find('%', a + 1);
    if (b == std::string::npos) break;
    out += s.substr(i, a - i);
    std::string name = s.substr(a + 1, b - a - 1);
    wchar_t buf[4096];
    DWORD n = name.empty() ? 0 : GetEnvironmentVariableW(utf8ToWide(name).c_str(), buf, 4096);
    if (name.empty()) out += "%";
    else if (n > 0 && n < 4096) out += wideToUtf8(buf, n);
    else fail("environment variable " + name + " is not set");
    i = b + 1;
  }
  return out + s.substr(i);
}

std::vector<std::string> splitWords(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string w;
    if (line[i] == '"') {
      ++i;
      while (i < line.size() && line[i] != '"') {
        char c = line[i++];
        // Only \r, \n and \" are escapes: every other backslash is part of a Windows path.
        if (c == '\\' && i < line.size() && (line[i] == 'r' || line[i] == 'n' || line[i] == '"')) {
          char e = line[i++];
          c = e == 'r' ? '\r' : e == 'n' ? '\n' : e;
        }
        w += c;
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') w += line[i++];
    }
    words.push_back(expandEnv(w));
  }
  return words;
}

std::string textOf(HWND w) {
  // WM_GETTEXT with a timeout, so that a busy program cannot hold the driver; GetWindowText (which
  // reads the text the system keeps for another process's window) when the message times out.
  wchar_t buf[8192];
  DWORD_PTR got = 0;
  if (SendMessageTimeoutW(w, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 2000, &got))
    return wideToUtf8(buf, got < 8192 ? got : 8191);
  int n = GetWindowTextW(w, buf, 8192);
  return wideToUtf8(buf, n > 0 ? n : 0);
}

std::string withoutAmpersand(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '&') out += c;
  return out;
}

std::string className(HWND w) {
  wchar_t buf[256];
  int n = GetClassNameW(w, buf, 256);
  return wideToUtf8(buf, n > 0 ? n : 0);
}

std::string visible(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

void pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void rest(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  do {
    pump();
    Sleep(10);
  } while (int(end - GetTickCount()) > 0);
}

BOOL CALLBACK collectChild(HWND w, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
  return TRUE;
}

std::vector<HWND> descendants(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(parent, collectChild, reinterpret_cast<LPARAM>(&out));
  return out;
}

struct FindTitle {
  std::string title;
  const std::vector<HWND>* known;  // windows already taken: a new one is wanted
  DWORD pid;                       // 0: any other process
  HWND found = nullptr;
};

BOOL CALLBACK matchTitle(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<FindTitle*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == GetCurrentProcessId() || !IsWindowVisible(w)) return TRUE;
  if (f->pid && pid != f->pid) return TRUE;
  for (HWND k : *f->known)
    if (k == w) return TRUE;
  wchar_t buf[1024];
  int n = GetWindowTextW(w, buf, 1024);
  if (wideToUtf8(buf, n > 0 ? n : 0) == f->title) {
    f->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND findTopLevel(const std::string& title, const std::vector<HWND>& known, DWORD pid) {
  FindTitle f{title, &known, pid};
  EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

// The classes of every top-level window of process pid, hidden ones included.
struct WindowsOf {
  DWORD pid;
  std::vector<std::string> classes;
};

BOOL CALLBACK addClassOfProcess(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<WindowsOf*>(p);
  DWORD owner = 0;
  GetWindowThreadProcessId(w, &owner);
  if (owner == f->pid) f->classes.push_back(className(w));
  return TRUE;
}

std::vector<std::string> topLevelClasses(DWORD pid) {
  WindowsOf f{pid, {}};
  EnumWindows(addClassOfProcess, reinterpret_cast<LPARAM>(&f));
  return f.classes;
}

HWND waitTopLevel(const std::string& title, DWORD timeout, const std::vector<HWND>& known = {}, DWORD pid = 0) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND w = findTopLevel(title, known, pid)) return w;
    if (GetTickCount() - start > timeout) return nullptr;
    rest(25);
  }
}

// The message text of a message box: the static with id 0xFFFF; otherwise the longest static text.
std::string boxText(HWND box) {
  if (HWND s = GetDlgItem(box, 0xFFFF)) return textOf(s);
  std::string best;
  for (HWND c : descendants(box))
    if (_stricmp(className(c).c_str(), "Static") == 0) {
      std::string t = textOf(c);
      if (t.size() > best.size()) best = t;
    }
  return best;
}

HWND childByText(HWND parent, const std::string& text) {
  for (HWND c : descendants(parent))
    if (withoutAmpersand(textOf(c)) == text) return c;
  return nullptr;
}

// ------------------------------------------------------------------------------------------ prompt
// A stand-in for the Flash Player installer's restart window: buttons 6 and 7, remembers presses.
std::map<HWND, std::vector<int>> pressed;

LRESULT CALLBACK promptProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
    pressed[w].push_back(LOWORD(wp));
    std::printf("prompt: button %d pressed\n", int(LOWORD(wp)));
    std::fflush(stdout);
    return 0;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

HWND makePrompt(const std::string& title) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = promptProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MvE2ePrompt";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassW(&wc);
    registered = true;
  }
  HWND w = CreateWindowExW(0, L"MvE2ePrompt", utf8ToWide(title).c_str(), WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 600,
                           400, 300, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  CreateWindowExW(0, L"BUTTON", L"&Yes", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 40, 40, 80, 25, w,
                  reinterpret_cast<HMENU>(6), GetModuleHandleW(nullptr), nullptr);
  CreateWindowExW(0, L"BUTTON", L"&No", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 160, 40, 80, 25, w,
                  reinterpret_cast<HMENU>(7), GetModuleHandleW(nullptr), nullptr);
  pump();
  return w;
}

// --------------------------------------------------------------------------------------- the driver
class Driver {
 public:
  void run(const std::vector<std::string>& w);
  ~Driver() {
    for (auto& p : processes_) CloseHandle(p.second);
    for (auto& h : held_) CloseHandle(h.second);
  }

 private:
  HWND var(const std::string& name) {
    auto it = windows_.find(name);
    if (it == windows_.end()) fail("no window called " + name);
    return it->second;
  }
  HANDLE process(const std::string& name) {
    auto it = processes_.find(name);
    if (it == processes_.end()) fail("no program called " + name);
    return it->second;
  }
  static DWORD number(const std::string& s) { return DWORD(std::strtoul(s.c_str(), nullptr, 0)); }
  void record(HWND w, const std::string& until, DWORD timeout);
  DWORD waitExit(const std::string& name, DWORD timeout);

  std::map<std::string, HWND> windows_;
  std::map<std::string, HANDLE> processes_;
  std::map<std::string, DWORD> pids_;
  std::multimap<std::string, HANDLE> held_;  // by the path hold named
  std::map<std::string, DWORD> exitCodes_;
  std::vector<std::string> sequence_;
  int progressMax_ = 0;
};

void Driver::record(HWND w, const std::string& until, DWORD timeout) {
  // The sequence and the progress maximum run on over every record of the script.
  std::map<HWND, std::string> last;
  int lastPos = -1;
  DWORD start = GetTickCount();
  for (;;) {
    if (!IsWindow(w)) {
      std::printf("record: window gone\n");
      if (until.empty()) return;
      fail("the window went before \"" + until + "\" was shown");
    }
    for (HWND c : descendants(w)) {
      std::string cls = className(c);
      if (_stricmp(cls.c_str(), "Static") == 0 && IsWindowVisible(c)) {
        wchar_t buf[1024];
        int n = GetWindowTextW(c, buf, 1024);  // the system's copy: never blocks on a busy program
        std::string t = wideToUtf8(buf, n > 0 ? n : 0);
        if (last[c] != t) {
          last[c] = t;
          if (!t.empty() && (sequence_.empty() || sequence_.back() != t)) {
            sequence_.push_back(t);
            std::printf("status: %s\n", visible(t).c_str());
            std::fflush(stdout);
          }
        }
        if (!until.empty() && t == until) return;
      } else if (_stricmp(cls.c_str(), "msctls_progress32") == 0) {
        DWORD_PTR pos = 0;
        if (SendMessageTimeoutW(c, 0x0408 /* PBM_GETPOS */, 0, 0, SMTO_ABORTIFHUNG, 200, &pos) && int(pos) != lastPos) {
          lastPos = int(pos);
          if (lastPos > progressMax_) progressMax_ = lastPos;
          std::printf("progress: %d\n", lastPos);
          std::fflush(stdout);
        }
      }
    }
    if (GetTickCount() - start > timeout) fail("timed out waiting for status \"" + until + "\"");
    rest(20);
  }
}

DWORD Driver::waitExit(const std::string& name, DWORD timeout) {
  HANDLE h = process(name);
  DWORD start = GetTickCount();
  while (WaitForSingleObject(h, 20) == WAIT_TIMEOUT) {
    pump();
    if (GetTickCount() - start > timeout) fail("program " + name + " did not end within " + std::to_string(timeout) + " ms");
  }
  DWORD code = 0;
  GetExitCodeProcess(h, &code);
  exitCodes_[name] = code;
  std::printf("exit %s %lu\n", name.c_str(), static_cast<unsigned long>(code));
  return code;
}

void Driver::run(const std::vector<std::string>& w) {
  const std::string& c = w[0];
  auto need = [&](size_t n) {
    if (w.size() != n + 1) fail(c + " takes " + std::to_string(n) + " arguments");
  };
  if (c == "setenv") {
    need(2);
    SetEnvironmentVariableW(utf8ToWide(w[1]).c_str(), utf8ToWide(w[2]).c_str());
    std::printf("%s=%s\n", w[1].c_str(), w[2].c_str());
  } else if (c == "expect-code-page") {
    need(1);
    std::printf("code page %u\n", GetACP());
    if (GetACP() != number(w[1])) fail("the ANSI code page is " + std::to_string(GetACP()));
  } else if (c == "start") {
    need(2);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring program = utf8ToWide(w[2]);
    std::wstring cmd = L"\"" + program + L"\"";
    std::vector<wchar_t> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      fail("cannot start " + w[2] + ": error " + std::to_string(GetLastError()));
    CloseHandle(pi.hThread);
    processes_[w[1]] = pi.hProcess;
    pids_[w[1]] = pi.dwProcessId;
    std::printf("started %s\n", w[1].c_str());
  } else if (c == "wait-window" || c == "wait-box") {
    if (w.size() != 4 && w.size() != 5) fail(c + " takes 3 or 4 arguments");
    std::vector<HWND> known;
    for (auto& v : windows_) known.push_back(v.second);
    DWORD pid = w.size() == 5 ? (process(w[4]), pids_[w[4]]) : 0;
    HWND h = waitTopLevel(w[2], number(w[3]), known, pid);
    if (!h) fail("no window \"" + w[2] + "\" within " + w[3] + " ms");
    windows_[w[1]] = h;
    if (c == "wait-box") std::printf("box %s: %s\n", w[2].c_str(), visible(boxText(h)).c_str());
    else std::printf("window %s: %s\n", w[1].c_str(), w[2].c_str());
  } else if (c == "expect-text" || c == "expect-text-prefix") {
    need(2);
    std::string t = boxText(var(w[1]));
    bool ok = c == "expect-text" ? t == w[2] : t.compare(0, w[2].size(), w[2]) == 0;
    if (!ok) fail("text is \"" + visible(t) + "\", expected \"" + visible(w[2]) + "\"");
  } else if (c == "expect-caption") {
    need(2);
    std::string t = textOf(var(w[1]));
    if (t != w[2]) fail("caption is \"" + t + "\", expected \"" + w[2] + "\"");
  } else if (c == "press" || c == "press-id") {
    need(2);
    HWND parent = var(w[1]);
    HWND b = c == "press" ? childByText(parent, w[2]) : GetDlgItem(parent, int(number(w[2])));
    if (!b) fail("no button " + w[2]);
    // Posted, so that a handler that runs for long (or shows a box) does not hold the driver.
    PostMessageW(b, BM_CLICK, 0, 0);
    std::printf("pressed %s\n", w[2].c_str());
  } else if (c == "close") {
    need(1);
    PostMessageW(var(w[1]), WM_CLOSE, 0, 0);
    std::printf("close sent\n");
  } else if (c == "rclick") {
    need(1);
    HWND h = var(w[1]);
    RECT r;
    GetClientRect(h, &r);
    LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
    PostMessageW(h, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(h, WM_RBUTTONUP, 0, at);
    std::printf("right click sent\n");
  } else if (c == "expect-control") {
    need(3);
    HWND b = childByText(var(w[1]), w[2]);
    const std::string& s = w[3];
    if (s == "absent") {
      if (b) fail("control " + w[2] + " exists");
    } else if (!b) {
      fail("no control " + w[2]);
    } else if ((s == "visible" && !IsWindowVisible(b)) || (s == "hidden" && IsWindowVisible(b)) ||
               (s == "enabled" && !IsWindowEnabled(b)) || (s == "disabled" && IsWindowEnabled(b))) {
      fail("control " + w[2] + " is not " + s);
    }
  } else if (c == "expect-status") {
    need(2);
    bool found = false;
    for (HWND ch : descendants(var(w[1])))
      if (_stricmp(className(ch).c_str(), "Static") == 0 && IsWindowVisible(ch) && textOf(ch) == w[2]) found = true;
    if (!found) fail("no status \"" + w[2] + "\"");
  } else if (c == "record") {
    need(3);
    record(var(w[1]), w[2], number(w[3]));
  } else if (c == "expect-sequence") {
    need(1);
    std::vector<std::string> want;
    std::stringstream ss(w[1]);
    std::string item;
    while (std::getline(ss, item, '|')) want.push_back(item);
    // Texts that are not status texts (labels that were there before) are left out of the comparison.
    std::vector<std::string> got;
    for (auto& t : sequence_)
      for (auto& x : want)
        if (t == x) {
          if (got.empty() || got.back() != t) got.push_back(t);
          break;
        }
    if (got != want) {
      std::string g;
      for (auto& t : got) g += t + "|";
      fail("status sequence was " + g);
    }
  } else if (c == "wait-progress") {
    need(3);
    HWND h = var(w[1]);
    DWORD start = GetTickCount();
    for (;;) {
      DWORD_PTR pos = 0;
      for (HWND ch : descendants(h))
        if (_stricmp(className(ch).c_str(), "msctls_progress32") == 0)
          SendMessageTimeoutW(ch, 0x0408 /* PBM_GETPOS */, 0, 0, SMTO_ABORTIFHUNG, 200, &pos);
      if (int(pos) >= int(number(w[2]))) break;
      if (!IsWindow(h) || GetTickCount() - start > number(w[3])) fail("progress did not reach " + w[2]);
      rest(5);
    }
    std::printf("progress reached %s\n", w[2].c_str());
  } else if (c == "expect-progress-max") {
    need(1);
    if (progressMax_ != int(number(w[1]))) fail("progress reached " + std::to_string(progressMax_));
  } else if (c == "wait-gone") {
    need(2);
    HWND h = var(w[1]);
    DWORD start = GetTickCount();
    while (IsWindow(h)) {
      if (GetTickCount() - start > number(w[2])) fail("window " + w[1] + " still there");
      rest(20);
    }
    std::printf("window %s gone\n", w[1].c_str());
  } else if (c == "wait-exit") {
    need(2);
    waitExit(w[1], number(w[2]));
  } else if (c == "expect-exit") {
    need(2);
    auto it = exitCodes_.find(w[1]);
    DWORD code = it != exitCodes_.end() ? it->second : waitExit(w[1], 30000);
    if (code != number(w[2])) fail("exit code " + std::to_string(code) + ", expected " + w[2]);
  } else if (c == "expect-no-window") {
    need(2);
    std::vector<HWND> known;
    for (auto& v : windows_) known.push_back(v.second);
    if (waitTopLevel(w[1], number(w[2]), known)) fail("window \"" + w[1] + "\" appeared");
  } else if (c == "expect-no-class") {
    if (w.size() < 3) fail(c + " takes a program and classes");
    process(w[1]);
    for (const std::string& cls : topLevelClasses(pids_[w[1]]))
      for (size_t k = 2; k < w.size(); ++k)
        if (cls == w[k]) fail(w[1] + " has a window of class " + cls);
  } else if (c == "expect-exists" || c == "expect-absent") {
    need(1);
    bool there = GetFileAttributesW(utf8ToWide(w[1]).c_str()) != INVALID_FILE_ATTRIBUTES;
    if (there != (c == "expect-exists")) fail(w[1] + (there ? " exists" : " does not exist"));
  } else if (c == "expect-same-file" || c == "expect-file-text") {
    need(2);
    auto slurp = [](const std::string& p, bool& ok) {
      std::string bytes;
      ok = readWholeFile(p, bytes);
      return bytes;
    };
    bool ok1 = false, ok2 = true;
    std::string a = slurp(w[1], ok1);
    std::string b = c == "expect-same-file" ? slurp(w[2], ok2) : w[2];
    if (!ok1 || !ok2) fail("cannot read " + (ok1 ? w[2] : w[1]));
    if (a != b) fail(w[1] + " differs (" + std::to_string(a.size()) + " bytes vs " + std::to_string(b.size()) + ")");
  } else if (c == "reg-expect" || c == "reg-absent") {
    need(c == "reg-expect" ? 4 : 2);
    HKEY root = w[1] == "HKLM" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY key;
    LONG r = RegOpenKeyExW(root, utf8ToWide(w[2]).c_str(), 0, KEY_READ, &key);
    if (c == "reg-absent") {
      if (r == ERROR_SUCCESS) {
        RegCloseKey(key);
        fail("key " + w[2] + " exists");
      }
    } else {
      if (r != ERROR_SUCCESS) fail("no key " + w[2]);
      wchar_t buf[4096];
      DWORD type = 0, size = sizeof buf;
      r = RegQueryValueExW(key, utf8ToWide(w[3]).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
      RegCloseKey(key);
      if (r != ERROR_SUCCESS) fail("no value " + w[3]);
      size_t units = size / sizeof buf[0];
      std::string v = wideToUtf8(buf, units && buf[units - 1] == 0 ? units - 1 : units);
      if (type == REG_DWORD && size == 4) v = std::to_string(*reinterpret_cast<const DWORD*>(buf));
      if ((type != REG_SZ && type != REG_DWORD) || v != w[4]) fail("value " + w[3] + " is \"" + v + "\"");
    }
  } else if (c == "prompt") {
    need(2);
    windows_[w[1]] = makePrompt(w[2]);
  } else if (c == "expect-pressed") {
    need(3);
    HWND h = var(w[1]);
    DWORD start = GetTickCount();
    while (pressed[h].empty()) {
      if (GetTickCount() - start > number(w[3])) fail("no button of the prompt was pressed");
      rest(20);
    }
    if (pressed[h] != std::vector<int>{int(number(w[2]))}) fail("the prompt's button " + std::to_string(pressed[h][0]) + " was pressed");
  } else if (c == "expect-not-pressed") {
    need(2);
    HWND h = var(w[1]);
    rest(number(w[2]));
    if (!pressed[h].empty()) fail("a button of the prompt was pressed");
  } else if (c == "hold") {
    need(1);
    HANDLE h = CreateFileW(utf8ToWide(w[1]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) fail("cannot open " + w[1] + ": error " + std::to_string(GetLastError()));
    held_.emplace(w[1], h);
    std::printf("holding %s\n", w[1].c_str());
  } else if (c == "release") {
    need(1);
    auto it = held_.find(w[1]);
    if (it == held_.end()) fail("not held: " + w[1]);
    CloseHandle(it->second);
    held_.erase(it);
    std::printf("released %s\n", w[1].c_str());
  } else if (c == "dump") {
    need(1);
    HWND h = var(w[1]);
    RECT r;
    GetWindowRect(h, &r);
    std::printf("window %s class %s rect %ld,%ld-%ld,%ld\n", w[1].c_str(), className(h).c_str(), r.left, r.top,
                r.right, r.bottom);
    RECT c;
    GetClientRect(h, &c);
    MapWindowPoints(h, HWND_DESKTOP, reinterpret_cast<POINT*>(&c), 2);
    std::printf("  client rect %ld,%ld-%ld,%ld\n", c.left, c.top, c.right, c.bottom);
    for (HWND ch : descendants(h)) {
      GetWindowRect(ch, &r);
      std::printf("  child id %d class %s %s%s rect %ld,%ld-%ld,%ld \"%s\"\n", GetDlgCtrlID(ch), className(ch).c_str(),
                  IsWindowVisible(ch) ? "visible" : "hidden", IsWindowEnabled(ch) ? "" : " disabled", r.left, r.top,
                  r.right, r.bottom, visible(textOf(ch)).c_str());
    }
  } else if (c == "sleep") {
    need(1);
    rest(number(w[1]));
  } else if (c == "print") {
    need(1);
    std::printf("%s\n", w[1].c_str());
  } else {
    fail("unknown command " + c);
  }
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Per-monitor aware, so that the places it reads of other programs' windows are the display's pixels.
  if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    using SetAwareFn = BOOL(WINAPI*)();
    auto setContext = reinterpret_cast<SetContextFn>(
        reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
    auto setAware = reinterpret_cast<SetAwareFn>(reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDPIAware")));
    if ((!setContext || !setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) && setAware) setAware();
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: e2e_driver SCRIPT\n");
    return 2;
  }
  std::string script;
  if (!readWholeFile(wideToUtf8(argv[1]), script)) {
    std::fprintf(stderr, "cannot read %s\n", wideToUtf8(argv[1]).c_str());
    return 2;
  }
  std::istringstream in(script);
  Driver driver;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    try {
      std::vector<std::string> words = splitWords(line);
      if (words.empty() || words[0][0] == '#') continue;
      DWORD started = GetTickCount();
      driver.run(words);
      DWORD took = GetTickCount() - started;
      if (took >= 1000) std::printf("  (%s took %lu ms)\n", words[0].c_str(), static_cast<unsigned long>(took));
    } catch (const Failure& f) {
      std::printf("FAIL: %d: %s\n    %s\n", number, f.why.c_str(), line.c_str());
      std::fflush(stdout);
      return 1;
    }
  }
  std::printf("PASS\n");
  return 0;
}
