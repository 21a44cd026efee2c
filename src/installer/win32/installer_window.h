#pragma once
// The installer window as the program makes it: the Win32 view with the installer's logic
// (InstallerController) behind it. Constructing it runs the logic's onCreate, that is, start-up.
#include <memory>

#include "installer/installer_controller.h"
#include "installer/win32/installer_view.h"

namespace mv::win32 {

class InstallerWindow : private InstallerWindowEvents {
 public:
  InstallerWindow(Application& app, std::unique_ptr<FlashControlFactory> flashFactory)
      : view_(app, std::move(flashFactory)), form_(view_) {
    view_.start(*this);
  }

  Win32InstallerView& view() { return view_; }
  InstallerController& form() { return form_; }

 private:
  void onCreate() override { form_.onCreate(); }
  void onInstallClicked() override { form_.onInstallClicked(); }
  void onCancelClicked() override { form_.onCancelClicked(); }
  void onDoneClicked() override { form_.onDoneClicked(); }
  bool canClose() override { return form_.canClose(); }
  void onClose() override { form_.onClose(); }
  void onPauseTimer() override { form_.onPauseTimer(); }
  bool filterMessage(uint32_t message) override { return form_.filterMessage(message); }

  Win32InstallerView view_;
  InstallerController form_;
};

}  // namespace mv::win32
