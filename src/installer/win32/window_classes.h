#pragma once
// The window classes of the program's windows, and the one way they are registered. Other programs (the
// tests' driver among them, and anything that automated the installer before) find the windows by these
// names, so they keep the names the windows have always had, whatever the C++ classes behind them are
// called.
#include <windows.h>

namespace mv::win32 {

namespace windowclass {
inline constexpr wchar_t application[] = L"TApplication";        // the application's hidden owner window
inline constexpr wchar_t hiddenMain[] = L"TpreparingInstallWnd";  // HiddenMainWindow
inline constexpr wchar_t yesNo[] = L"TqlnMessageBox";             // YesNoWindow
inline constexpr wchar_t installer[] = L"TInstallerForm";         // the installer window
inline constexpr wchar_t panel[] = L"TPanel";                     // its bands
inline constexpr wchar_t image[] = L"TImage";                     // its picture control
inline constexpr wchar_t moviePanel[] = L"TFlashPanel";           // the window the Flash control lives in
}  // namespace windowclass

// Registers a class of this module with the arrow cursor, once: a class already registered (a second
// window of the same kind) is left as it is.
void registerWindowClass(const wchar_t* name, WNDPROC proc, UINT style, HBRUSH background, HICON icon = nullptr);

}  // namespace mv::win32
