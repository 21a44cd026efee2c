#pragma once
// The hosted Flash Player control (class {D27CDB6E-AE6D-11CF-96B8-444553540000}) as the movie panel
// uses it. The Win32 implementation FlashActiveXControl hosts the real ActiveX control; tests use fakes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace mv {

class FlashControl {
 public:
  virtual ~FlashControl() = default;
  // Each operation fails with a text when the control refuses it.
  virtual Status setBounds(int width, int height) = 0;
  virtual Status setScaleMode(int mode) = 0;                                        // dispid 0x78
  virtual Status setVariable(const std::wstring& name, const std::wstring& value) = 0;  // vtable 65
  virtual Status setWMode(const std::wstring& mode) = 0;                            // dispid 0x85
  virtual Status setMenu(bool on) = 0;                                              // dispid 0x87
  virtual Status doVerb(int verb) = 0;                                              // IOleObject::DoVerb
  virtual Status setMovie(const std::wstring& path) = 0;                            // dispid 0x66
  virtual Status play() = 0;                                                        // vtable 28
  virtual Status stopPlay() = 0;                                                    // vtable 33
  virtual Status focus() = 0;
  // OnFSCommand (dispid 150), delivered on the user-interface thread.
  std::function<void(const std::string& command, const std::string& args)> onFSCommand;
};

// Creates controls as children of a parent window into control; a failure when the control is not
// installed or not registered.
class FlashControlFactory {
 public:
  virtual ~FlashControlFactory() = default;
  virtual Status create(WindowHandle parent, int width, int height, std::unique_ptr<FlashControl>& control) = 0;
};

}  // namespace mv
