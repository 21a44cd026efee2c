// The host platform's windows and shell: simulated top-level windows and their children, the messages
// sent to them, programs and documents started, the wallpaper calls and the Active Desktop object, all
// recorded for tests.
#include <algorithm>

#include "platform/host/host_internal.h"

namespace mv {

using namespace host_detail;

namespace {

class HostActiveDesktop : public ActiveDesktop {
 public:
  explicit HostActiveDesktop(HostPlatform& p) : p_(p) { p_.activeDesktopsAlive++; }
  ~HostActiveDesktop() override {
    p_.activeDesktopsAlive--;
    p_.callLog.push_back("ActiveDesktop.release");
  }
  int32_t setDesktopItemOptions(bool enableComponents, bool activeDesktop) override {
    p_.callLog.push_back(std::string("ActiveDesktop.setDesktopItemOptions ") + (enableComponents ? "1" : "0") + " " +
                         (activeDesktop ? "1" : "0"));
    return p_.activeDesktopResult;
  }
  int32_t setWallpaper(const std::string& path) override {
    p_.callLog.push_back("ActiveDesktop.setWallpaper " + path);
    return p_.activeDesktopResult;
  }
  int32_t applyChanges(uint32_t flags) override {
    p_.callLog.push_back("ActiveDesktop.applyChanges " + hex(flags));
    return p_.activeDesktopResult;
  }

 private:
  HostPlatform& p_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------- windows

HostPlatform::SimWindow& HostPlatform::newWindow(const std::string& className, const std::string& title) {
  SimWindow& w = windows_[nextWindow_];
  w.handle = nextWindow_;
  nextWindow_ += 0x10;
  w.className = className;
  w.title = title;
  return w;
}

WindowHandle HostPlatform::addWindow(const std::string& className, const std::string& title, bool visible,
                                     bool iconic) {
  SimWindow& w = newWindow(className, title);
  w.visible = visible;
  w.iconic = iconic;
  topLevel_.push_back(w.handle);
  return w.handle;
}

WindowHandle HostPlatform::addChild(WindowHandle parent, const std::string& className, const std::string& title,
                                    int controlId) {
  auto p = windows_.find(parent);
  if (p == windows_.end()) return 0;
  SimWindow& w = newWindow(className, title);
  w.parent = parent;
  w.controlId = controlId;
  p->second.children.push_back(w.handle);
  return w.handle;
}

void HostPlatform::removeWindow(WindowHandle w) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  std::vector<WindowHandle> children = it->second.children;
  for (WindowHandle c : children) removeWindow(c);
  it = windows_.find(w);
  if (it->second.parent) {
    auto p = windows_.find(it->second.parent);
    if (p != windows_.end()) {
      auto& ch = p->second.children;
      ch.erase(std::remove(ch.begin(), ch.end(), w), ch.end());
    }
  }
  topLevel_.erase(std::remove(topLevel_.begin(), topLevel_.end(), w), topLevel_.end());
  windows_.erase(w);
}

HostPlatform::SimWindow* HostPlatform::window(WindowHandle w) {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}

void HostPlatform::setHung(WindowHandle w, bool hung) {
  if (SimWindow* s = window(w)) s->hung = hung;
}

std::string HostPlatform::windowName(WindowHandle w) {
  SimWindow* s = window(w);
  return s ? s->className : "#" + hex(w);
}

void HostPlatform::recordMessage(const WindowMessage& m) {
  messages.push_back(m);
  if (onMessage) onMessage(m);
}

WindowHandle HostPlatform::findWindow(const char* className, const char* title) {
  for (WindowHandle h : topLevel_) {
    const SimWindow& w = windows_[h];
    if (className && upper(w.className) != upper(className)) continue;
    if (title && upper(w.title) != upper(title)) continue;
    return h;
  }
  fail(oserr::fileNotFound);
  return 0;
}

WindowHandle HostPlatform::firstChild(WindowHandle w) {
  SimWindow* s = window(w);
  if (!s) {
    fail(errorInvalidWindow);
    return 0;
  }
  return s->children.empty() ? 0 : s->children.front();
}

std::vector<WindowHandle> HostPlatform::topLevelWindows() { return topLevel_; }

std::string HostPlatform::windowClassName(WindowHandle w) {
  SimWindow* s = window(w);
  if (!s) {
    fail(errorInvalidWindow);
    return "";
  }
  return s->className.substr(0, 255);
}

bool HostPlatform::isWindowVisible(WindowHandle w) {
  SimWindow* s = window(w);
  if (!s) return false;
  for (SimWindow* p = s; p; p = p->parent ? window(p->parent) : nullptr)
    if (!p->visible) return false;
  return true;
}

bool HostPlatform::isIconic(WindowHandle w) {
  SimWindow* s = window(w);
  return s && s->iconic;
}

bool HostPlatform::sendMessageTimeout(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                      uint32_t timeoutMs) {
  logCall("sendMessage " + windowName(w) + " " + hex(msg) + " " + hex(wParam) + " " + std::to_string(lParam));
  SimWindow* s = window(w);
  if (!s) return fail(errorInvalidWindow);
  bool hung = s->hung;
  recordMessage({MessageKind::Send, w, 0, msg, wParam, lParam});
  if (hung) return fail(errorTimeout);
  return true;
}

bool HostPlatform::postMessage(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  logCall("postMessage " + windowName(w) + " " + hex(msg) + " " + hex(wParam) + " " + std::to_string(lParam));
  if (!window(w)) return fail(errorInvalidWindow);
  recordMessage({MessageKind::Post, w, 0, msg, wParam, lParam});
  return true;
}

intptr_t HostPlatform::sendDlgItemMessage(WindowHandle dialog, int item, uint32_t msg, uintptr_t wParam,
                                          intptr_t lParam) {
  SimWindow* s = window(dialog);
  logCall("sendDlgItemMessage " + (s ? s->title : "#" + hex(dialog)) + " " + std::to_string(item) + " " + hex(msg));
  if (!s) {
    fail(errorInvalidWindow);
    return 0;
  }
  recordMessage({MessageKind::DlgItem, dialog, item, msg, wParam, lParam});
  return 0;
}

intptr_t HostPlatform::shellExecute(WindowHandle owner, const char* verb, const std::string& file,
                                    const char* parameters, const char* directory, int show) {
  ShellCall c{owner, verb ? verb : "", file, parameters ? parameters : "", directory ? directory : "", show};
  logCall("shellExecute " + c.verb + " " + c.file + " " + c.parameters);
  shellCalls.push_back(c);
  if (onShellExecute) onShellExecute(c);
  return shellExecuteResult;
}

bool HostPlatform::startProcess(const std::string& program, const std::string& arguments, int show) {
  logCall("startProcess " + program + " " + arguments + " " + std::to_string(show));
  ProcessCall c{program, arguments, show};
  processCalls.push_back(c);
  if (onStartProcess) onStartProcess(c);
  return startProcessResult;
}

bool HostPlatform::setDeskWallpaper(const char* path, uint32_t flags) {
  logCall(std::string("setDeskWallpaper ") + (path ? path : "(null)") + " " + std::to_string(flags));
  wallpaperCalls.push_back({path != nullptr, path ? path : "", flags});
  if (setDeskWallpaperResult && path && (flags & 1))  // SPIF_UPDATEINIFILE
    putString(RegRoot::CurrentUser, "Control Panel\\Desktop", "Wallpaper", path);
  return setDeskWallpaperResult;
}

bool HostPlatform::setDesktopColour(int red, int green, int blue) {
  logCall("setDesktopColour " + std::to_string(red) + " " + std::to_string(green) + " " + std::to_string(blue));
  desktopColour = uint32_t(red & 0xFF) << 16 | uint32_t(green & 0xFF) << 8 | uint32_t(blue & 0xFF);
  ++desktopColourCalls;
  return true;
}

bool HostPlatform::primaryScreenSize(int& width, int& height) {
  width = screenWidth;
  height = screenHeight;
  return screenWidth > 0 && screenHeight > 0;
}

Result HostPlatform::createActiveDesktop(std::unique_ptr<ActiveDesktop>& desktop) {
  logCall("ActiveDesktop.create");
  if (!activeDesktopFailure.empty()) return Result::failure(activeDesktopFailure);
  activeDesktopsCreated++;
  desktop = std::make_unique<HostActiveDesktop>(*this);
  return Result();
}

}  // namespace mv
