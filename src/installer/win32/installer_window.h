#pragma once
// The installer window as the program makes it: the Win32 view with the installer's logic
// (InstallerController) behind it. Constructing it runs the logic's onCreate, that is, start-up.
#include <memory>

#include "installer/installer_controller.h"
#include "installer/win32/installer_view.h"

namespace mv::win32 {

class InstallerWindow : private InstallerWindowEvents {
 public:
  // The platform, state, boxes, data file reader and render services belong to the program entry and
  // outlive the window.
  InstallerWindow(Application& app, std::unique_ptr<FlashControlFactory> flashFactory, Platform& platform,
                  InstallerState& state, ErrorBoxes& boxes, DataFileReader& dataFile,
                  const render::Services& services)
      : view_(app, platform, std::move(flashFactory)), logic_(view_, platform, state, boxes, dataFile, services) {
    view_.start(*this);
  }

  Win32InstallerView& view() { return view_; }
  InstallerController& logic() { return logic_; }

 private:
  void onCreate() override { logic_.onCreate(); }
  void onInstallClicked() override { logic_.onInstallClicked(); }
  void onCancelClicked() override { logic_.onCancelClicked(); }
  void onDoneClicked() override { logic_.onDoneClicked(); }
  bool canClose() override { return logic_.canClose(); }
  void onClose() override { logic_.onClose(); }
  bool filterMessage(uint32_t message) override { return logic_.filterMessage(message); }

  Win32InstallerView view_;
  InstallerController logic_;
};

}  // namespace mv::win32
