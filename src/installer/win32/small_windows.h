#pragma once
// The program's two small windows: the invisible main window (TpreparingInstallWnd) and the Yes/No box
// (TqlnMessageBox), which is created but never shown.
#include <windows.h>

namespace mv::win32 {

class Application;

class TpreparingInstallWnd {
 public:
  explicit TpreparingInstallWnd(Application& app);
  ~TpreparingInstallWnd();
  HWND handle() const { return handle_; }
  HWND label() const { return label1_; }

  static constexpr int kClientWidth = 257, kClientHeight = 59;
  static constexpr int kLeft = -3000, kTop = -3000;  // outside every visible screen area

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND handle_ = nullptr;
  HWND label1_ = nullptr;
};

class TqlnMessageBox {
 public:
  explicit TqlnMessageBox(Application& app);
  ~TqlnMessageBox();
  HWND handle() const { return handle_; }
  HWND messageLabel() const { return messageLabel_; }
  HWND button1() const { return button1_; }
  HWND button2() const { return button2_; }

  // 0 = no answer yet, 1 = Yes, 2 = No.
  int result() const { return result_; }
  void Button1Click() { result_ = 1; }
  void Button2Click() { result_ = 2; }

  // Sent to the window, answers the result (for programs that look at the window from outside).
  static constexpr UINT kGetResult = WM_APP + 1;
  static constexpr int kButton1Id = 1, kButton2Id = 2;

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  Application& app_;
  HWND handle_ = nullptr;
  HWND messageLabel_ = nullptr, button1_ = nullptr, button2_ = nullptr;
  int result_ = 0;
};

}  // namespace mv::win32
