#pragma once
// What the user sees of the installer besides its windows: message boxes and the screen cursor.
#include <string>

namespace mv {

// Message boxes. The installer uses these forms only.
enum class BoxKind {
  ErrorAbort,        // error icon, one button "&Abort" (a dialog of our own; MessageBox has no such form)
  InformationAbort,  // information icon, one button "&Abort"
  ErrorOk,           // error icon, OK: a failure described in words, under the application's title
  YesNo,             // no icon, Yes and No
  OkCancelQuestion,  // question icon, OK and Cancel
};
enum class BoxAnswer { Abort = 3, Ok = 1, Cancel = 2, Yes = 6, No = 7 };

enum class Cursor { Default, Wait };

class Dialogs {
 public:
  // Modal; returns when the user has answered (text and caption are UTF-8).
  virtual BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) = 0;
  // The screen cursor: what it is now, and setting it (start-up and installation remember and restore it).
  virtual Cursor cursor() = 0;
  virtual void setCursor(Cursor c) = 0;

 protected:
  ~Dialogs() = default;  // never deleted through a topic: the platform object owns them all
};

}  // namespace mv
