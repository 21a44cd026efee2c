#pragma once
// Helpers of the window tests: a small stand-in for the installer's logic, pictures written
// byte by byte, and read-backs from the real windows.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "installer/win32/installer_view.h"

namespace mv::uitest {

// Counts what the window asks of the logic; each handler can be given a body.
struct StandInLogic : win32::InstallerWindowEvents {
  std::function<void()> atCreate, onInstall, onCancel, onDone, onTick;
  bool allowClose = true;
  bool swallowRightButton = true;
  int installs = 0, cancels = 0, dones = 0, closeQueries = 0, closes = 0, ticks = 0;
  std::vector<uint32_t> filtered;  // messages seen by the application-wide filter

  void onCreate() override {
    if (atCreate) atCreate();
  }
  void onInstallClicked() override {
    ++installs;
    if (onInstall) onInstall();
  }
  void onCancelClicked() override {
    ++cancels;
    if (onCancel) onCancel();
  }
  void onDoneClicked() override {
    ++dones;
    if (onDone) onDone();
  }
  bool canClose() override {
    ++closeQueries;
    return allowClose;
  }
  void onClose() override { ++closes; }
  void onPauseTimer() override {
    ++ticks;
    if (onTick) onTick();
  }
  bool filterMessage(uint32_t message) override {
    filtered.push_back(message);
    return swallowRightButton && message == WM_RBUTTONDOWN;
  }
};

// A 24-bit bottom-up BMP filled with one colour; with bottom (0xRRGGBB) its lower half has that colour.
std::vector<uint8_t> solidBmp(int width, int height, uint8_t r, uint8_t g, uint8_t b, int32_t bottom = -1);
// A baseline JPEG, written with libjpeg, in the same way.
// A JPEG written by libjpeg, each row filled by fillRow (components bytes per pixel: 1 grey, 3 RGB, 4 CMYK).
struct JpegSettings {
  int components = 3;
  int quality = 95;
  bool progressive = false;
};
std::vector<uint8_t> writeJpeg(int width, int height, const JpegSettings& settings,
                               const std::function<void(int y, uint8_t* row)>& fillRow);
std::vector<uint8_t> solidJpeg(int width, int height, uint8_t r, uint8_t g, uint8_t b, int32_t bottom = -1);
bool writeFile(const std::string& path, const std::vector<uint8_t>& data);
// The real file system, as the program hands it to the window (one for the whole test program).
FileSystem& realFiles();
std::string tempDir();  // a fresh folder for one test program, with a trailing backslash

// Read-backs from the window system.
RECT rectInParent(HWND w);  // left, top, right, bottom in the parent's client coordinates
SIZE clientSize(HWND w);
SIZE windowSize(HWND w);
std::string text(HWND w);
std::vector<HWND> children(HWND parent);  // in Z order, which is the tab order
COLORREF screenPixel(HWND w, int x, int y);

}  // namespace mv::uitest
