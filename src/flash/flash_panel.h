#pragma once
// MoviePanel: the panel that checks SWF movies and plays them in the hosted Flash control.
#include <memory>
#include <string>
#include <vector>

#include "flash/flash_control.h"
#include "flash/render/services.h"
#include "flash/swf.h"
#include "platform/files.h"
#include "platform/system.h"

namespace mv {

namespace render {
class FirstFrame;
struct Limits;
}  // namespace render

// What the panel needs of the window it is: implemented by the Win32 panel and by tests.
class PanelSurface {
 public:
  virtual ~PanelSurface() = default;
  virtual WindowHandle handle() = 0;
  virtual int width() = 0;
  virtual int height() = 0;
  virtual void setColour(uint32_t colourBgr) = 0;  // 0x00BBGGRR
  virtual bool isVisible() = 0;
  virtual void repaint() = 0;
  virtual void setFocus() = 0;
  virtual void deliverOneMessage() = 0;  // let the window system deliver one message (waiting for one)
  // Without a Flash control the panel draws the movie's first frame itself: the surface keeps the frame
  // and paints it at its own size, again whenever that changes. nullptr: the colour alone again.
  virtual void showFrame(std::shared_ptr<const render::FirstFrame> frame) {}
};

class MoviePanel {
 public:
  // Works on the movie files through `files`, with the system's texts for their errors; draws first
  // frames with the render services handed in (JPEG bitmaps and device fonts are left out without them).
  MoviePanel(System& system, FileSystem& files, PanelSurface& surface, FlashControlFactory& factory,
             const render::Services& services = {});
  ~MoviePanel();  // deletes its temporary folder tree

  // 0, -403, -404, -405, -406; a failure with its text when a file cannot be read or written, the working
  // folder cannot be made, or the control refuses the movie.
  Result loadSWF(const std::string& path);
  // Neither fails: a control that refuses to take the focus or to stop is left as it is (released anyway).
  void focusMovie();
  void unloadSWF();

  const std::string& swfFilename() const { return swfFilename_; }
  const std::string& signature() const { return signature_; }
  const std::string& tempFolder() const { return tempFolder_; }
  uint32_t colour() const { return colour_; }
  bool hasControl() const { return control_ != nullptr; }
  FlashControl* control() { return control_.get(); }
  int allowScale() const { return allowScale_; }
  int fullScreen() const { return fullScreen_; }
  bool enableAllowScale = true;
  int maxAttempts = 10000;  // creation attempts before -403, while failures may pass

  void fsCommand(const std::string& command, const std::string& args);

  // The bounds the panel draws a movie's first frame within (versions 3 to 6 only).
  static render::Limits firstFrameLimits();

 private:
  // A movie being loaded: the file's bytes, a compressed movie's expansion, and the plain movie the
  // header walk accepted (nullptr: none).
  struct LoadedMovie {
    FileBytes file;
    std::vector<uint8_t> expanded;
    const uint8_t* plain = nullptr;
    size_t plainSize = 0;
  };
  Result checkHeader(LoadedMovie& movie);
  Result makeWorkingFolder();
  void releaseControl();
  Result createControl();
  Result setUpControl();
  void showFirstFrame(const LoadedMovie& movie);
  Result startMovie();  // a failure when the control refuses a step
  void applyColour(uint32_t c);

  System& system_;
  FileSystem& files_;
  PanelSurface& surface_;
  FlashControlFactory& factory_;
  render::Services services_;
  std::unique_ptr<FlashControl> control_;
  std::string swfFilename_, signature_, tempFolder_;
  uint32_t colour_ = 0xFFFFFF;
  int allowScale_ = 0, fullScreen_ = 0;
};

}  // namespace mv
