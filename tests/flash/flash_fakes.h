#pragma once
// A panel surface and a Flash control factory that record what the movie panel does with them.
#include <memory>
#include <string>
#include <vector>

#include "flash/flash_panel.h"
#include "flash/render/first_frame.h"

namespace flashtest {

using Log = std::vector<std::string>;

inline std::string narrowed(const std::wstring& w) { return std::string(w.begin(), w.end()); }

class RecordingSurface : public mv::PanelSurface {
 public:
  explicit RecordingSurface(Log& log) : log_(log) {}
  mv::WindowHandle handle() override { return 0x4242; }
  int width() override { return 350; }
  int height() override { return 150; }
  void setColour(uint32_t c) override { colours.push_back(c); }
  bool isVisible() override { return visible; }
  void repaint() override { log_.push_back("panel repaint"); }
  void setFocus() override { log_.push_back("panel focus"); }
  void deliverOneMessage() override { log_.push_back("deliver message"); }
  void showFrame(std::shared_ptr<const mv::render::FirstFrame> frame) override { frames.push_back(frame); }

  std::vector<uint32_t> colours;
  std::vector<std::shared_ptr<const mv::render::FirstFrame>> frames;  // what the panel handed over
  bool visible = true;

 private:
  Log& log_;
};

// failAt names an operation ("ScaleMode", "SetVariable", "WMode", "Menu", "DoVerb -3", "Movie", "Play",
// "StopPlay", "focus") that fails with "the control refuses <operation>".
class RecordingControl : public mv::FlashControl {
 public:
  RecordingControl(Log& log, std::string failAt) : log_(log), failAt_(std::move(failAt)) {}
  ~RecordingControl() override { log_.push_back("destroy"); }
  mv::Result setScaleMode(int mode) override { return record("ScaleMode " + std::to_string(mode), "ScaleMode"); }
  mv::Result setVariable(const std::wstring& n, const std::wstring& v) override {
    return record("SetVariable " + narrowed(n) + "=" + narrowed(v), "SetVariable");
  }
  mv::Result setWMode(const std::wstring& m) override { return record("WMode " + narrowed(m), "WMode"); }
  mv::Result setMenu(bool on) override { return record(std::string("Menu ") + (on ? "true" : "false"), "Menu"); }
  mv::Result doVerb(int verb) override {
    return record("DoVerb " + std::to_string(verb), "DoVerb " + std::to_string(verb));
  }
  mv::Result setMovie(const std::wstring& path) override {
    movie = narrowed(path);
    return record("Movie " + movie, "Movie");
  }
  mv::Result play() override { return record("Play", "Play"); }
  mv::Result stopPlay() override { return record("StopPlay", "StopPlay"); }
  mv::Result focus() override { return record("control focus", "focus"); }

  void failAt(std::string op) { failAt_ = std::move(op); }
  std::string movie;

 private:
  mv::Result record(const std::string& line, const std::string& op) {
    log_.push_back(line);
    if (op == failAt_) return mv::Result::failure("the control refuses " + op);
    return mv::Result();
  }
  Log& log_;
  std::string failAt_;
};

class RecordingFactory : public mv::FlashControlFactory {
 public:
  explicit RecordingFactory(Log& log) : log_(log) {}
  mv::Result create(mv::WindowHandle parent, int w, int h, std::unique_ptr<mv::FlashControl>& control) override {
    ++attempts;
    if (failCreates > 0) {
      --failCreates;
      return mv::Result::failure(failures.empty() ? "Class not registered" : failures[size_t(attempts - 1) % failures.size()]);
    }
    log_.push_back("create " + std::to_string(w) + "x" + std::to_string(h));
    auto c = std::make_unique<RecordingControl>(log_, failAt);
    last = c.get();
    control = std::move(c);
    return mv::Result();
  }
  mv::CreationFailure lastFailure() const override { return failureKind; }
  int attempts = 0;
  long failCreates = 0;  // creations that fail before one succeeds
  mv::CreationFailure failureKind = mv::CreationFailure::mayPass;  // what those failures say
  std::vector<std::string> failures;  // their texts in turn; none: "Class not registered"
  std::string failAt;
  RecordingControl* last = nullptr;

 private:
  Log& log_;
};

}  // namespace flashtest
