#pragma once
// The program's two small windows: the invisible main window (HiddenMainWindow) and the Yes/No box
// (YesNoWindow), which is created but never shown.
#include <windows.h>

namespace mv::win32 {

class Application;

class HiddenMainWindow {
 public:
  explicit HiddenMainWindow(Application& app);
  ~HiddenMainWindow();
  HWND handle() const { return handle_; }
  HWND label() const { return label_; }

  static constexpr int kClientWidth = 257, kClientHeight = 59;
  static constexpr int kLeft = -3000, kTop = -3000;  // outside every visible screen area

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND handle_ = nullptr;
  HWND label_ = nullptr;
};

class YesNoWindow {
 public:
  explicit YesNoWindow(Application& app);
  ~YesNoWindow();
  HWND handle() const { return handle_; }
  HWND messageLabel() const { return messageLabel_; }
  HWND yesButton() const { return yesButton_; }
  HWND noButton() const { return noButton_; }

  // 0 = no answer yet, 1 = Yes, 2 = No.
  int result() const { return result_; }
  void onYesClicked() { result_ = 1; }
  void onNoClicked() { result_ = 2; }

  // Sent to the window, answers the result (for programs that look at the window from outside).
  static constexpr UINT kGetResult = WM_APP + 1;
  static constexpr int kYesId = 1, kNoId = 2;

  // Its window's messages (objectWindowProc): true when answered with result.
  bool onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

 private:
  Application& app_;
  HWND handle_ = nullptr;
  HWND messageLabel_ = nullptr, yesButton_ = nullptr, noButton_ = nullptr;
  int result_ = 0;
};

}  // namespace mv::win32
