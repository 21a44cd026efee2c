// The "&Abort" box: a message box of our own, since MessageBox has no form with a single Abort button. It
// looks like the system's: the dialog class "#32770", the icon in control 0x14 and the text in the static
// control 0xFFFF (where a program that reads message boxes looks for it), one default button "&Abort" with
// id IDABORT that Enter, Esc and the close box also press; sized around its text and centred on the work
// area.
#include "platform/win32/abort_dialog.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/win32/dpi.h"
#include "support/text_encoding.h"

namespace mv {

namespace {

constexpr int iconId = 0x14;    // the icon's id in a message box
constexpr int textId = 0xFFFF;  // the text's id in a message box

constexpr int fontPoints = 8;   // the template's font: "MS Shell Dlg", 8 points

struct AbortDialog {
  std::wstring text;
  bool errorIcon;
};

// Dialog units in pixels as MapDialogRect gives them at 96 dots per inch, scaled by the windows' one rule:
// at 96 the dialog's own mapping; at another resolution the units of its font at 96 (the system's
// character dimensions of that font), scaled, so that margins and button are the resolution's multiple
// of their size at 96, rounded as everywhere else.
RECT dialogUnitsInPixels(HWND dlg, RECT units, int dpi) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0));
  LOGFONTW design;
  if (dpi == kDesignDpi || !font || !GetObjectW(font, sizeof(design), &design)) {
    MapDialogRect(dlg, &units);
    return units;
  }
  design.lfHeight = -MulDiv(fontPoints, kDesignDpi, 72);
  design.lfWidth = 0;
  HFONT font96 = CreateFontIndirectW(&design);
  HDC dc = GetDC(dlg);
  HGDIOBJ old = SelectObject(dc, font96);
  TEXTMETRICW tm = {};
  SIZE letters = {};
  GetTextMetricsW(dc, &tm);
  GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
  SelectObject(dc, old);
  ReleaseDC(dlg, dc);
  DeleteObject(font96);
  const int baseX = (letters.cx / 26 + 1) / 2, baseY = tm.tmHeight;
  const DpiScale scale{dpi};
  return RECT{scale(MulDiv(units.left, baseX, 4)), scale(MulDiv(units.top, baseY, 8)),
              scale(MulDiv(units.right, baseX, 4)), scale(MulDiv(units.bottom, baseY, 8))};
}

void layoutAbortDialog(HWND dlg, const AbortDialog& d) {
  // The dialog's font and units follow the resolution of its monitor; the icon is taken at that size.
  const int dpi = win32::windowDpi(dlg);
  const int iconW = win32::systemMetric(SM_CXICON, dpi), iconH = win32::systemMetric(SM_CYICON, dpi);
  auto icon = static_cast<HICON>(LoadImageW(nullptr, d.errorIcon ? MAKEINTRESOURCEW(32513) : MAKEINTRESOURCEW(32516),
                                            IMAGE_ICON, iconW, iconH, LR_SHARED));  // IDI_HAND, IDI_ASTERISK
  SendDlgItemMessageW(dlg, iconId, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  SetDlgItemTextW(dlg, textId, d.text.c_str());

  RECT work;
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) SetRect(&work, 0, 0, 800, 600);
  // margin, gap, button width and height in dialog units
  const RECT units = dialogUnitsInPixels(dlg, RECT{7, 7, 50, 14}, dpi);
  const int margin = units.left, buttonW = units.right, buttonH = units.bottom;

  // Measure the text as the static control will draw it, wrapping at about 5/8 of the screen.
  HWND textWnd = GetDlgItem(dlg, textId);
  HDC dc = GetDC(textWnd);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dlg, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  int maxText = std::max(200, int((work.right - work.left) * 5 / 8) - iconW - 3 * margin);
  RECT tr = {0, 0, maxText, 0};
  DrawTextW(dc, d.text.c_str(), -1, &tr, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  if (old) SelectObject(dc, old);
  ReleaseDC(textWnd, dc);
  const int textW = tr.right - tr.left, textH = std::max<int>(tr.bottom - tr.top, 1);

  const int contentH = std::max(iconH, textH);
  const int textX = margin + iconW + margin;
  const int textY = margin + (textH < iconH ? (iconH - textH) / 2 : 0);
  const int clientW = std::max(textX + textW + margin, buttonW + 2 * margin);
  const int buttonY = margin + contentH + margin;
  const int clientH = buttonY + buttonH + margin;

  MoveWindow(GetDlgItem(dlg, iconId), margin, margin, iconW, iconH, FALSE);
  MoveWindow(textWnd, textX, textY, textW + 2, textH, FALSE);
  HWND button = GetDlgItem(dlg, IDABORT);
  MoveWindow(button, (clientW - buttonW) / 2, buttonY, buttonW, buttonH, FALSE);

  RECT frame = {0, 0, clientW, clientH};
  AdjustWindowRectEx(&frame, DWORD(GetWindowLongW(dlg, GWL_STYLE)), FALSE, DWORD(GetWindowLongW(dlg, GWL_EXSTYLE)));
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  const int x = work.left + std::max<int>(0, (work.right - work.left - w) / 2);
  const int y = work.top + std::max<int>(0, (work.bottom - work.top - h) / 2);
  SetWindowPos(dlg, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(dlg, DM_SETDEFID, IDABORT, 0);
  SetFocus(button);
}

INT_PTR CALLBACK abortDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      layoutAbortDialog(dlg, *reinterpret_cast<AbortDialog*>(lParam));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wParam) == IDABORT || LOWORD(wParam) == IDCANCEL) {  // the button, Enter or Esc
        EndDialog(dlg, IDABORT);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      EndDialog(dlg, IDABORT);
      return TRUE;
  }
  return FALSE;
}

// An in-memory dialog template (DLGTEMPLATE with three DLGITEMTEMPLATEs), built in WORDs.
class DialogTemplate {
 public:
  void header(DWORD style, short items, const std::wstring& caption) {
    dword(style);
    dword(0);  // extended style
    words_.push_back(WORD(items));
    for (int i = 0; i < 4; i++) words_.push_back(0);  // x, y, cx, cy: set at WM_INITDIALOG
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the predefined dialog class "#32770"
    text(caption);
    words_.push_back(fontPoints);  // DS_SETFONT: point size and face
    text(L"MS Shell Dlg");
  }
  void item(DWORD style, WORD id, WORD classAtom, const std::wstring& title) {
    while (words_.size() % 2) words_.push_back(0);  // DWORD alignment
    dword(style);
    dword(0);
    words_.push_back(0);
    words_.push_back(0);
    words_.push_back(10);
    words_.push_back(10);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    text(title);
    words_.push_back(0);  // no creation data
  }
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void text(const std::wstring& s) {
    for (wchar_t c : s) words_.push_back(WORD(c));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
};

}  // namespace

void showAbortDialog(const std::string& text, const std::string& caption, const std::string& buttonLabel,
                     bool errorIcon, void* owner) {
  DialogTemplate t;
  t.header(DS_MODALFRAME | DS_SETFONT | DS_SETFOREGROUND | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU, 3,
           utf8ToWide(caption));
  t.item(WS_CHILD | WS_VISIBLE | SS_ICON, iconId, 0x0082, L"");
  t.item(WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, textId, 0x0082, L"");
  t.item(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, IDABORT, 0x0080, utf8ToWide(buttonLabel));
  AbortDialog d{utf8ToWide(text), errorIcon};
  MessageBeep(errorIcon ? MB_ICONHAND : MB_ICONASTERISK);
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), static_cast<HWND>(owner), abortDialogProc,
                          reinterpret_cast<LPARAM>(&d));
}

}  // namespace mv
