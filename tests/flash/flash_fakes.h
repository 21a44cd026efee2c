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
  const mv::render::JpegDecoder* jpegDecoder() override { return jpeg; }

  std::vector<uint32_t> colours;
  std::vector<std::shared_ptr<const mv::render::FirstFrame>> frames;  // what the panel handed over
  const mv::render::JpegDecoder* jpeg = nullptr;
  bool visible = true;

 private:
  Log& log_;
};

// failAt names an operation ("ScaleMode", "SetVariable", "WMode", "Menu", "DoVerb -3", "Movie", "Play",
// "StopPlay") that raises PlatformError.
class RecordingControl : public mv::FlashControl {
 public:
  RecordingControl(Log& log, std::string failAt) : log_(log), failAt_(std::move(failAt)) {}
  ~RecordingControl() override { log_.push_back("destroy"); }
  void setBounds(int w, int h) override { record("bounds " + std::to_string(w) + "x" + std::to_string(h), "bounds"); }
  void setScaleMode(int mode) override { record("ScaleMode " + std::to_string(mode), "ScaleMode"); }
  void setVariable(const std::wstring& n, const std::wstring& v) override {
    record("SetVariable " + narrowed(n) + "=" + narrowed(v), "SetVariable");
  }
  void setWMode(const std::wstring& m) override { record("WMode " + narrowed(m), "WMode"); }
  void setMenu(bool on) override { record(std::string("Menu ") + (on ? "true" : "false"), "Menu"); }
  void doVerb(int verb) override { record("DoVerb " + std::to_string(verb), "DoVerb " + std::to_string(verb)); }
  void setMovie(const std::wstring& path) override {
    movie = narrowed(path);
    record("Movie " + movie, "Movie");
  }
  void play() override { record("Play", "Play"); }
  void stopPlay() override { record("StopPlay", "StopPlay"); }
  void focus() override { record("control focus", "focus"); }

  std::string movie;

 private:
  void record(const std::string& line, const std::string& op) {
    log_.push_back(line);
    if (op == failAt_) throw mv::PlatformError("the control refuses " + op);
  }
  Log& log_;
  std::string failAt_;
};

class RecordingFactory : public mv::FlashControlFactory {
 public:
  explicit RecordingFactory(Log& log) : log_(log) {}
  std::unique_ptr<mv::FlashControl> create(mv::WindowHandle parent, int w, int h) override {
    ++attempts;
    if (failCreates > 0) {
      --failCreates;
      throw mv::PlatformError("Class not registered");
    }
    log_.push_back("create " + std::to_string(w) + "x" + std::to_string(h));
    auto c = std::make_unique<RecordingControl>(log_, failAt);
    last = c.get();
    return c;
  }
  int attempts = 0;
  long failCreates = 0;  // creations that raise before one succeeds
  std::string failAt;
  RecordingControl* last = nullptr;

 private:
  Log& log_;
};

}  // namespace flashtest
