#include "installer/win32/installer_view.h"
#include "installer/win32/window_classes.h"

#include <commctrl.h>

#include <algorithm>

#include "flash/flash_panel.h"
#include "flash/render/first_frame.h"
#include "installer/win32/application.h"
#include "installer/win32/picture.h"
#include "platform/win32/dpi.h"
#include "support/user_texts.h"
#include "support/text_encoding.h"

namespace mv::win32 {

namespace {

constexpr UINT_PTR kPauseTimerId = 1;
// TPanel's user data: the width in pixels of its lowered inner frame (0: none).

HINSTANCE module() { return GetModuleHandleW(nullptr); }

void place(HWND w, int x, int y, int width, int height) {
  SetWindowPos(w, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void place(HWND w, const RECT& box) { place(w, box.left, box.top, box.right - box.left, box.bottom - box.top); }

RECT rectInParent(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Panels: button-face background, optional lowered inner bevel (as many pixels wide as one designed
// pixel is at the window's resolution); they pass their children's notifications on to the window they
// sit in.
LRESULT CALLBACK panelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageW(GetParent(hwnd), msg, wp, lp);
    case WM_PAINT:
      return paintWindow(hwnd, [hwnd](HDC dc, RECT r) {
        const LONG_PTR bevel = GetWindowLongPtrW(hwnd, GWLP_USERDATA);
        for (LONG_PTR i = 0; i < bevel && r.right > r.left && r.bottom > r.top; ++i) {
          DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
          InflateRect(&r, -1, -1);
        }
      });
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

// The picture control: its bitmap (user data) stretched smoothly over its whole box; empty it shows the
// panel.
LRESULT CALLBACK imageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      return paintWindow(hwnd, [hwnd](HDC dc, RECT r) {
        auto bitmap = reinterpret_cast<HBITMAP>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        BITMAP info;
        if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info)) {
          FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
          return;
        }
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bitmap);
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
      });
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// moviePanel: the window the Flash control lives in; white until the movie panel sets its colour.
// Without a control it shows the movie's first frame, drawn at its own size whenever that changes.

class Win32InstallerView::MoviePanel : public PanelSurface {
 public:
  MoviePanel(Application& app, HWND parent, const RECT& box) : app_(app) {
    hwnd_ = createChild(parent, 0, windowclass::moviePanel, L"", WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, box,
                        idMoviePanel, this);
  }
  HWND hwnd() const { return hwnd_; }

  WindowHandle handle() override { return reinterpret_cast<WindowHandle>(hwnd_); }
  int width() override {
    RECT r;
    return GetClientRect(hwnd_, &r) ? r.right : 0;
  }
  int height() override {
    RECT r;
    return GetClientRect(hwnd_, &r) ? r.bottom : 0;
  }
  void setColour(uint32_t colourBgr) override {
    colour_ = colourBgr & 0xFFFFFF;
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  bool isVisible() override { return IsWindowVisible(hwnd_) != FALSE; }
  void repaint() override {
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
  }
  void setFocus() override { SetFocus(hwnd_); }
  void deliverOneMessage() override { app_.handleMessage(true); }
  void showFrame(std::shared_ptr<const render::FirstFrame> frame) override {
    frame_ = std::move(frame);
    picture_ = render::Image();
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  // Its window's messages (objectWindowProc): true when answered with result.
  bool onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
      case WM_ERASEBKGND: {
        result = 1;
        if (frame_) return true;  // the frame covers the whole panel
        RECT r;
        GetClientRect(hwnd, &r);
        HBRUSH brush = CreateSolidBrush(colour_);
        FillRect(reinterpret_cast<HDC>(wp), &r, brush);
        DeleteObject(brush);
        return true;
      }
      case WM_PAINT:
        if (!frame_) return false;
        result = paintWindow(hwnd, [this](HDC dc, RECT) { paintFrame(dc); });
        return true;
      case WM_SIZE:
        if (frame_) InvalidateRect(hwnd, nullptr, FALSE);
        return false;
      case WM_COMMAND:
      case WM_NOTIFY:
        result = SendMessageW(GetParent(hwnd), msg, wp, lp);
        return true;
      default:
        return false;
    }
  }

 private:
  // The frame at the panel's size (drawn again when the size changed); the colour when it cannot be.
  void paintFrame(HDC dc) {
    RECT r;
    GetClientRect(hwnd_, &r);
    if (r.right <= 0 || r.bottom <= 0) return;
    if (picture_.width != r.right || picture_.height != r.bottom) frame_->draw(r.right, r.bottom, picture_);
    if (picture_.width != r.right || picture_.height != r.bottom) {
      HBRUSH brush = CreateSolidBrush(colour_);
      FillRect(dc, &r, brush);
      DeleteObject(brush);
      return;
    }
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = picture_.width;
    bi.bmiHeader.biHeight = -picture_.height;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, 0, 0, picture_.width, picture_.height, 0, 0, picture_.width, picture_.height,
                  picture_.pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
  }

  Application& app_;
  HWND hwnd_ = nullptr;
  COLORREF colour_ = RGB(255, 255, 255);
  std::shared_ptr<const render::FirstFrame> frame_;
  render::Image picture_;
};

// ---------------------------------------------------------------------------------------------------

Win32InstallerView::Win32InstallerView(Application& app, FileSystem& files,
                                       std::unique_ptr<FlashControlFactory> flashFactory)
    : app_(app), files_(files), flashFactory_(std::move(flashFactory)) {
  if (!flashFactory_) flashFactory_.reset(new NoFlashControls);
  HBRUSH face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  HICON icon = LoadIconW(module(), MAKEINTRESOURCEW(1));
  registerWindowClass(windowclass::installer, &objectWindowProc<Win32InstallerView>, 0, face, icon);
  registerWindowClass(windowclass::panel, panelProc, CS_HREDRAW | CS_VREDRAW, face, icon);
  registerWindowClass(windowclass::image, imageProc, CS_HREDRAW | CS_VREDRAW, nullptr, icon);
  registerWindowClass(windowclass::moviePanel, &objectWindowProc<MoviePanel>, 0, nullptr, icon);

  // Fixed single border, system menu and close box only; hidden until start-up has run. Made big enough
  // for the licence; start-up sizes it to what it shows.
  using namespace layout;
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  const int designHeight =
      windowSizeForClient(SIZE{designPanelWidth, contentTop + contentHeight + licenceMinHeight + 4 + buttonPanelHeight},
                          style, WS_EX_CONTROLPARENT, kDesignDpi).cy;
  scale_ = windowScale(app.handle());
  const SIZE size = windowSizeForClient(
      scaledClientSize(SIZE{windowWidth, designHeight}, style, WS_EX_CONTROLPARENT, scale_.dpi), style,
      WS_EX_CONTROLPARENT, scale_.dpi);
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, windowclass::installer, L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                          size.cx, size.cy, app.handle(), nullptr, module(), this);
  createControls();
  applyScale(scale_.dpi);
  app_.addDialogWindow(hwnd_);
}

Win32InstallerView::~Win32InstallerView() {
  app_.removeDialogWindow(hwnd_);
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  if (picture_) DeleteObject(picture_);
  if (app_.messageFilter && events_) app_.messageFilter = nullptr;
}

// The controls are made without a place: applyScale and the resize rule place them.
void Win32InstallerView::createControls() {
  const RECT none = {0, 0, 0, 0};
  const DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
  // Creation order is the tab order: content panel, button panel, licence text.
  contentPanel_ = createChild(hwnd_, WS_EX_CONTROLPARENT, windowclass::panel, L"", WS_VISIBLE | WS_CLIPCHILDREN, none,
                              idContentPanel);
  // moviePanel lies above the picture control; start-up hides it for a picture.
  movieSurface_.reset(new MoviePanel(app_, contentPanel_, none));
  moviePanel_ = movieSurface_->hwnd();
  bmpPanel_ = createChild(contentPanel_, 0, windowclass::image, L"", WS_VISIBLE | WS_CLIPSIBLINGS, none, idBmpPanel);

  buttonPanel_ = createChild(hwnd_, WS_EX_CONTROLPARENT, windowclass::panel, L"", WS_VISIBLE | WS_CLIPCHILDREN, none,
                             idButtonPanel);
  // Tab order in the button panel: progress bar, Install, Close, Cancel.
  progressBar_ = createChild(buttonPanel_, 0, PROGRESS_CLASSW, L"", WS_VISIBLE, none, idProgressBar);
  SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
  SendMessageW(progressBar_, PBM_SETSTEP, 1, 0);
  installButton_ = createChild(buttonPanel_, 0, L"BUTTON", utf8ToWide(text::installCaption).c_str(), WS_VISIBLE | button,
                               none, idInstallButton);
  doneButton_ = createChild(buttonPanel_, 0, L"BUTTON", utf8ToWide(text::close).c_str(), button, none, idDoneButton);
  cancelButton_ = createChild(buttonPanel_, 0, L"BUTTON", utf8ToWide(text::cancel).c_str(), WS_VISIBLE | button, none,
                              idCancelButton);
  statusLabel_ = createChild(buttonPanel_, 0, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, none, idStatusLabel);
  fileLabel_ = createChild(buttonPanel_, 0, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, none, idFileLabel);

  licence_ = createChild(hwnd_, WS_EX_CLIENTEDGE, L"EDIT", L"",
                         WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, none,
                         idLicence);
  SendMessageW(licence_, EM_SETLIMITTEXT, 0, 0);
}

// Everything that depends on the resolution: the font, the bevel, the controls of fixed place, and the
// bands through the resize rule; the licence text starts again at its minimum height.
void Win32InstallerView::applyScale(int dpi) {
  using namespace layout;
  scale_ = DpiScale{dpi};
  applyFont(hwnd_, defaultFont(dpi));
  SetWindowLongPtrW(contentPanel_, GWLP_USERDATA, scale_(1));
  // The picture's box, in the content panel (which starts at designed top -1 in the window).
  const int panelTop = scale_(contentTop);
  RECT picture = scaledBox(scale_, pictureLeft, contentTop + pictureTop, pictureWidth, pictureHeight);
  OffsetRect(&picture, 0, -panelTop);
  place(bmpPanel_, picture);
  place(statusLabel_, scaledBox(scale_, statusLabelLeft, statusLabelTop, statusLabelWidth, statusLabelHeight));
  place(fileLabel_, scaledBox(scale_, fileLabelLeft, fileLabelTop, fileLabelWidth, fileLabelHeight));
  layoutBands();
  RECT r = rectInParent(licence_);
  place(licence_, r.left, r.top, r.right - r.left, scale_.span(contentTop + contentHeight + 2, licenceMinHeight));
}

void Win32InstallerView::start(InstallerWindowEvents& events) {
  events_ = &events;
  app_.setCloseTarget(hwnd_);
  app_.messageFilter = [this](const MSG& m) { return events_ && events_->filterMessage(m.message); };
  events.onCreate();
  if (hwnd_) {
    // Shown once its creation handler has run, centred on the screen.
    centreOnScreen();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    ShowWindow(app_.handle(), SW_SHOWNOACTIVATE);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
  }
}

void Win32InstallerView::centreOnScreen() {
  RECT r;
  GetWindowRect(hwnd_, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0,
               0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- the resize rule

void Win32InstallerView::layoutBands() {
  using namespace layout;
  if (!hwnd_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  const int width = client.right, height = client.bottom;
  const DpiScale& s = scale_;

  // The content band keeps its left edge, top and height and follows the width; the movie panel fills
  // it inside its bevel (in the panel's own coordinates), the picture keeps its designed box.
  const int contentTopPx = s(contentTop), contentBottom = s(contentTop + contentHeight);
  place(contentPanel_, RECT{0, contentTopPx, width, contentBottom});
  const int movieLeft = s(pictureLeft), movieRight = s.fromFar(width, contentWidth - pictureLeft - pictureWidth);
  place(moviePanel_, RECT{movieLeft, s(contentTop + pictureTop) - contentTopPx, std::max(movieLeft, movieRight),
                          s(contentTop + pictureTop + pictureHeight) - contentTopPx});

  // The button band sticks to the bottom edge; its progress bar and buttons keep their distance to
  // the right edge.
  const int panelTop = s.fromFar(height, buttonPanelHeight);
  place(buttonPanel_, RECT{0, panelTop, width, height});
  const int progressRight = std::max(s(progressLeft), s.fromFar(width, progressRightMargin));
  place(progressBar_, RECT{s(progressLeft), s(progressTop), progressRight, s(progressTop + progressHeight)});
  const int buttonBottom = s(buttonTop + buttonHeight);
  const RECT cancel = {s.fromFar(width, buttonRightMargin + buttonWidth), s(buttonTop),
                       s.fromFar(width, buttonRightMargin), buttonBottom};
  place(cancelButton_, cancel);
  place(doneButton_, cancel);
  const int installRight = buttonRightMargin + buttonWidth + buttonGap;
  place(installButton_,
        RECT{s.fromFar(width, installRight + installWidth_), s(buttonTop), s.fromFar(width, installRight), buttonBottom});

  // The licence text takes the space in between (4 designed pixels above the button band), at least
  // 103 high.
  const int licenceTop = s(contentTop + contentHeight + 2);
  const int licenceBottom =
      std::max(s.fromFar(height, buttonPanelHeight + 4), s(contentTop + contentHeight + 2 + licenceMinHeight));
  place(licence_, RECT{0, licenceTop, width, licenceBottom});
}

// ---- window procedure

bool Win32InstallerView::onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  result = handleMessage(hwnd, msg, wp, lp);
  return true;
}

LRESULT Win32InstallerView::handleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NCCREATE:
      hwnd_ = hwnd;
      break;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    case kDpiChangedMessage:
      onDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_COMMAND:
      if (lp == 0 || HIWORD(wp) == BN_CLICKED) {
        command(LOWORD(wp));
        return 0;
      }
      break;
    case WM_CLOSE:
      closeWindow();
      return 0;
    case WM_SIZE:
      if (wp != SIZE_MINIMIZED && buttonPanel_) {
        layoutBands();
      }
      return 0;
    case WM_GETMINMAXINFO:
      if (withLicence_) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lp);
        const SIZE least = scaledWindowSize(SIZE{layout::minWindowWidth, layout::minWindowHeight},
                                            DWORD(GetWindowLongPtrW(hwnd, GWL_STYLE)),
                                            DWORD(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)), scale_.dpi, frameOf(hwnd));
        info->ptMinTrackSize.x = least.cx;
        info->ptMinTrackSize.y = least.cy;
        return 0;
      }
      break;
    case WM_TIMER:
      if (wp == kPauseTimerId) {
        onPauseTimer();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      // The read-only licence text keeps the look of a text box, not of a label.
      if (reinterpret_cast<HWND>(lp) == licence_) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    case WM_SETCURSOR:
      if (LOWORD(lp) == HTCLIENT && app_.applyScreenCursor()) return TRUE;
      break;
    case WM_ACTIVATE:
      if (LOWORD(wp) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS: {
      // Give the keyboard back to the control that had it, or to the first button that can take it.
      HWND target = lastFocus_;
      if (!target || !IsWindow(target) || !IsChild(hwnd, target) || !IsWindowVisible(target) ||
          !IsWindowEnabled(target)) {
        target = nullptr;
        for (HWND b : {installButton_, cancelButton_, doneButton_})
          if (IsWindowVisible(b) && IsWindowEnabled(b)) {
            target = b;
            break;
          }
      }
      if (target) SetFocus(target);
      return 0;
    }
    case WM_DESTROY:
      if (pauseTimerRunning_) {
        KillTimer(hwnd, kPauseTimerId);
        pauseTimerRunning_ = false;  // a pause waiting for it ends with the window
      }
      app_.removeDialogWindow(hwnd);
      hwnd_ = nullptr;
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void Win32InstallerView::command(int id) {
  if (!events_) return;
  if (id == IDOK) {
    // Enter: the focused button is pressed.
    HWND focus = GetFocus();
    if (focus == installButton_) id = idInstallButton;
    else if (focus == doneButton_) id = idDoneButton;
    else if (focus == cancelButton_) id = idCancelButton;
    else return;
    if (!IsWindowVisible(focus) || !IsWindowEnabled(focus)) return;
  }
  switch (id) {
    case idInstallButton: events_->onInstallClicked(); break;
    case idDoneButton: events_->onDoneClicked(); break;
    case idCancelButton: events_->onCancelClicked(); break;
    default: break;
  }
}

// ---- the pause timer: one timer for every pause

void Win32InstallerView::runPauseTimer() {
  if (!hwnd_) return;
  if (!pauseTimerRunning_) {
    // Enabling an enabled timer leaves it alone: a nested pause waits for the same tick.
    if (!SetTimer(hwnd_, kPauseTimerId, layout::pauseInterval, nullptr)) return;
    pauseTimerRunning_ = true;
  }
  // A quit request taken meanwhile is remembered by the application and ends its main loop later.
  while (pauseTimerRunning_) app_.handleMessage(true);
}

void Win32InstallerView::onPauseTimer() {
  if (!pauseTimerRunning_) return;
  KillTimer(hwnd_, kPauseTimerId);
  pauseTimerRunning_ = false;
  if (events_) events_->onPauseTimer();
}

// ---- frame and application

WindowHandle Win32InstallerView::handle() { return reinterpret_cast<WindowHandle>(hwnd_); }

void Win32InstallerView::setCaption(const std::string& caption) {
  if (hwnd_) SetWindowTextW(hwnd_, utf8ToWide(caption).c_str());
}

void Win32InstallerView::setApplicationTitle(const std::string& title) { app_.setTitle(title); }

void Win32InstallerView::bringApplicationToFront() { app_.bringToFront(); }

bool Win32InstallerView::applicationActive() { return app_.active(); }

void Win32InstallerView::minimiseOwnWindows() { app_.minimise(); }

void Win32InstallerView::processMessages() { app_.processMessages(); }

void Win32InstallerView::closeWindow() {
  if (!hwnd_ || closing_) return;
  bool allowed = false;
  if (events_) {
    allowed = events_->canClose();
    if (!allowed) return;
  }
  closing_ = true;
  if (events_) events_->onClose();
  if (hwnd_) DestroyWindow(hwnd_);
  closing_ = false;
}

void Win32InstallerView::terminateApplication() { app_.terminate(); }

// ---- layout variants and window size

void Win32InstallerView::chooseLayout(bool withLicence) {
  using namespace layout;
  if (!hwnd_) return;
  withLicence_ = withLicence;
  // The frame changes, the window's outer size stays; the bands follow the new client area.
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  style = withLicence ? (style | WS_THICKFRAME) : (style & ~static_cast<LONG_PTR>(WS_THICKFRAME));
  SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

  installWidth_ = withLicence ? acceptWidth : buttonWidth;
  SetWindowTextW(installButton_, utf8ToWide(withLicence ? text::acceptAndInstall : text::installShort).c_str());
  ShowWindow(licence_, withLicence ? SW_SHOWNA : SW_HIDE);
  ShowWindow(cancelButton_, SW_SHOWNA);
  SetWindowTextW(cancelButton_, utf8ToWide(text::cancel).c_str());
  SetWindowTextW(doneButton_, utf8ToWide(text::close).c_str());
  // The licence text starts at its minimum height; sizeWindow fits the window around it.
  applyScale(scale_.dpi);
}

void Win32InstallerView::setLicenceText(const std::string& text) {
  SetWindowTextW(licence_, utf8ToWide(text).c_str());
}

void Win32InstallerView::sizeWindow() {
  using namespace layout;
  if (!hwnd_) return;
  if (IsWindowVisible(hwnd_) && (IsIconic(hwnd_) || IsZoomed(hwnd_))) ShowWindow(hwnd_, SW_RESTORE);
  RECT window, client;
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  const int frame = (window.bottom - window.top) - client.bottom;
  int height = frame + scale_(contentTop + contentHeight + buttonPanelHeight);
  if (withLicence_) {
    RECT licence = rectInParent(licence_);
    height = frame + scale_(contentTop + contentHeight + 4 + buttonPanelHeight) + (licence.bottom - licence.top);
  }
  const int width = scaledWindowSize(SIZE{windowWidth, 0}, DWORD(GetWindowLongPtrW(hwnd_, GWL_STYLE)),
                                     DWORD(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)), scale_.dpi, frameOf(hwnd_)).cx;
  SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Moved to a monitor of another resolution: the window takes the place the system suggests with its
// client area scaled (the user's size of a sizeable window kept in designed pixels), everything in it is
// laid out again at the new scale, and a window of fixed size is fitted as start-up did.
void Win32InstallerView::onDpiChanged(int dpi, const RECT& suggested) {
  if (!hwnd_ || dpi <= 0) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  const DpiScale old = scale_;
  applyScale(dpi);
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // The frame as it is now drawn, around the client area scaled.
  const SIZE frame = frameOf(hwnd_);
  SetWindowPos(hwnd_, nullptr, 0, 0, frame.cx + scale_(old.unscale(client.right)),
               frame.cy + scale_(old.unscale(client.bottom)), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (!withLicence_) sizeWindow();
  if (picture_) InvalidateRect(bmpPanel_, nullptr, FALSE);
}

// ---- picture and movie

void Win32InstallerView::hideMoviePanel() { ShowWindow(moviePanel_, SW_HIDE); }

PictureOutcome Win32InstallerView::showPicture(const std::string& path) {
  PictureOutcome outcome;
  // Decoded at least as large as its box on this display; drawn smoothly stretched into it.
  const RECT box = rectInParent(bmpPanel_);
  HBITMAP loaded = loadPicture(files_, path, box.right - box.left, box.bottom - box.top, &outcome);
  if (loaded) {
    if (picture_) DeleteObject(picture_);
    picture_ = loaded;
    SetWindowLongPtrW(bmpPanel_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(picture_));
  }
  ShowWindow(bmpPanel_, SW_SHOWNA);
  SetWindowPos(bmpPanel_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  InvalidateRect(bmpPanel_, nullptr, FALSE);
  return outcome;
}

PanelSurface& Win32InstallerView::moviePanelSurface() { return *movieSurface_; }

FlashControlFactory& Win32InstallerView::flashControlFactory() { return *flashFactory_; }

// ---- status line, progress bar, buttons

void Win32InstallerView::setStatus(const std::string& text) {
  ShowWindow(statusLabel_, SW_SHOWNA);
  SetWindowTextW(statusLabel_, utf8ToWide(text).c_str());
  InvalidateRect(statusLabel_, nullptr, TRUE);
  UpdateWindow(statusLabel_);
}

void Win32InstallerView::setProgressMax(int max) {
  SendMessageW(progressBar_, PBM_SETRANGE32, 0, max);
}

void Win32InstallerView::setProgress(int position) { SendMessageW(progressBar_, PBM_SETPOS, position, 0); }

int Win32InstallerView::progress() { return static_cast<int>(SendMessageW(progressBar_, PBM_GETPOS, 0, 0)); }

int Win32InstallerView::progressMax() {
  return static_cast<int>(SendMessageW(progressBar_, PBM_GETRANGE, FALSE, 0));
}

void Win32InstallerView::hideFileLabel() { ShowWindow(fileLabel_, SW_HIDE); }

void Win32InstallerView::setInstallEnabled(bool enabled) { EnableWindow(installButton_, enabled ? TRUE : FALSE); }

void Win32InstallerView::setInstallVisible(bool visible) { ShowWindow(installButton_, visible ? SW_SHOWNA : SW_HIDE); }

void Win32InstallerView::setCancelVisible(bool visible) { ShowWindow(cancelButton_, visible ? SW_SHOWNA : SW_HIDE); }

void Win32InstallerView::setDoneVisible(bool visible) { ShowWindow(doneButton_, visible ? SW_SHOWNA : SW_HIDE); }

void Win32InstallerView::focusDone() {
  if (IsWindowVisible(doneButton_) && IsWindowEnabled(doneButton_)) SetFocus(doneButton_);
}

}  // namespace mv::win32
