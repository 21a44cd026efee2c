#pragma once
// FlashActiveXControl: hosts the Flash Player ActiveX control in a plain Win32 window.
#include <memory>

#include "flash/flash_control.h"

namespace mv {

// A factory of hosted controls (class {D27CDB6E-AE6D-11CF-96B8-444553540000}); COM must be initialised
// (single-threaded apartment) on the calling thread.
std::unique_ptr<FlashControlFactory> createShockwaveFlashFactory();

}  // namespace mv
