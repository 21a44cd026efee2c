#pragma once
// The hosted Flash Player control (class {D27CDB6E-AE6D-11CF-96B8-444553540000}) as the movie panel
// uses it. The Win32 implementation FlashActiveXControl hosts the real ActiveX control; tests use fakes.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/shell.h"
#include "support/result.h"

namespace mv {

class FlashControl {
 public:
  virtual ~FlashControl() = default;
  // Each operation fails with a text when the control refuses it.
  virtual Result setScaleMode(int mode) = 0;                                        // dispid 0x78
  virtual Result setVariable(const std::wstring& name, const std::wstring& value) = 0;  // vtable 65
  virtual Result setWMode(const std::wstring& mode) = 0;                            // dispid 0x85
  virtual Result setMenu(bool on) = 0;                                              // dispid 0x87
  virtual Result doVerb(int verb) = 0;                                              // IOleObject::DoVerb
  virtual Result setMovie(const std::wstring& path) = 0;                            // dispid 0x66
  virtual Result play() = 0;                                                        // vtable 28
  virtual Result stopPlay() = 0;                                                    // vtable 33
  virtual Result focus() = 0;
  // OnFSCommand (dispid 150), delivered on the user-interface thread.
  std::function<void(const std::string& command, const std::string& args)> onFSCommand;
};

// What a failed creation says of the next attempt.
enum class CreationFailure {
  mayPass,            // a passing state of the system (memory, a busy server): the next attempt may succeed
  lasting,            // the control is not there to be made (its class is not registered): none will succeed
  lastingIfRepeated,  // the control's server cannot be loaded or used: lasting when it fails the same way again
};

// Creates controls as children of a parent window into control; a failure with a text when the control
// is not installed or not registered.
class FlashControlFactory {
 public:
  virtual ~FlashControlFactory() = default;
  virtual Result create(WindowHandle parent, int width, int height, std::unique_ptr<FlashControl>& control) = 0;
  // What the failure the last create() returned says of the next attempt; a factory that cannot tell
  // leaves every failure worth another attempt.
  virtual CreationFailure lastFailure() const { return CreationFailure::mayPass; }
};

// Where no control can be had at all (no window to hold one, or none handed in): every creation fails
// as for a control that is not registered.
class NoFlashControls : public FlashControlFactory {
 public:
  Result create(WindowHandle, int, int, std::unique_ptr<FlashControl>&) override;
};

}  // namespace mv
