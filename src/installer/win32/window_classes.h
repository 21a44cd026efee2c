#pragma once
// The window class names of the program's windows. Other programs (the tests' driver among them, and
// anything that automated the installer before) find the windows by these names, so they keep the names
// the windows have always had, whatever the C++ classes behind them are called.

namespace mv::win32::windowclass {

inline constexpr wchar_t application[] = L"TApplication";        // the application's hidden owner window
inline constexpr wchar_t hiddenMain[] = L"TpreparingInstallWnd";  // HiddenMainWindow
inline constexpr wchar_t yesNo[] = L"TqlnMessageBox";             // YesNoWindow
inline constexpr wchar_t installer[] = L"TInstallerForm";         // the installer window
inline constexpr wchar_t panel[] = L"TPanel";                     // its bands
inline constexpr wchar_t image[] = L"TImage";                     // its picture control
inline constexpr wchar_t moviePanel[] = L"TFlashPanel";           // the window the Flash control lives in

}  // namespace mv::win32::windowclass
