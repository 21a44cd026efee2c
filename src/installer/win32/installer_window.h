#pragma once
// The installer window as the program makes it: the Win32 view with the installer's logic
// (TInstallerForm) behind it. Constructing it runs the logic's FormCreate, that is, start-up.
#include <memory>

#include "installer/installer_form.h"
#include "installer/win32/installer_view.h"

namespace mv::win32 {

class InstallerWindow : private InstallerFormEvents {
 public:
  InstallerWindow(Application& app, std::unique_ptr<FlashControlFactory> flashFactory)
      : view_(app, std::move(flashFactory)), form_(view_) {
    view_.start(*this);
  }

  Win32InstallerView& view() { return view_; }
  TInstallerForm& form() { return form_; }

 private:
  void formCreate() override { form_.FormCreate(); }
  void installClick() override { form_.installBtnClick(); }
  void cancelClick() override { form_.cancelBtnClick(); }
  void doneClick() override { form_.doneBtnClick(); }
  bool closeQuery() override { return form_.FormCloseQuery(); }
  void formClose() override { form_.FormClose(); }
  void formResize() override { form_.FormResize(); }
  void pauseTimerTick() override { form_.pauseTimerTimer(); }
  bool applicationMessage(uint32_t message) override { return form_.ApplicationEvents1Message(message); }

  Win32InstallerView view_;
  TInstallerForm form_;
};

}  // namespace mv::win32
