#include "installer/win32/installer_view.h"
#include "installer/win32/window_classes.h"

#include <commctrl.h>

#include "flash/flash_panel.h"
#include "flash/render/first_frame.h"
#include "flash/win32/gdi_fonts.h"
#include "installer/win32/application.h"
#include "installer/win32/picture.h"
#include "support/user_texts.h"
#include "support/text_encoding.h"

namespace mv::win32 {

namespace {

constexpr const wchar_t* kInstallerWindowClass = windowclass::installer;
constexpr const wchar_t* kPanelClass = windowclass::panel;
constexpr const wchar_t* kImageClass = windowclass::image;
constexpr const wchar_t* kMoviePanelClass = windowclass::moviePanel;
constexpr UINT_PTR kPauseTimerId = 1;
constexpr LONG_PTR kLoweredInnerBevel = 1;  // TPanel's user data: draw a 1-pixel lowered frame

// When no Flash control can be made (no factory handed in): the movie panel then stays empty.
class NoFlashControls : public FlashControlFactory {
 public:
  Result create(WindowHandle, int, int, std::unique_ptr<FlashControl>&) override {
    return Result::failure(text::classNotRegistered);
  }
};

// The movie's JPEG bitmaps go through the decoder the window's pictures use, at their own size.
class PictureJpegDecoder : public render::JpegDecoder {
 public:
  bool decode(const uint8_t* data, size_t size, uint64_t maxPixels, render::Image& out) const override {
    DecodedPicture picture;
    if (!decodeJpegPixels(data, size, maxPixels, picture)) return false;
    out.width = int(picture.width);
    out.height = int(picture.height);
    out.pixels.resize(size_t(picture.width) * picture.height);
    for (unsigned y = 0; y < picture.height; ++y) {
      const uint8_t* row = picture.bgr.data() + picture.stride() * y;
      uint32_t* to = out.pixels.data() + size_t(y) * picture.width;
      for (unsigned x = 0; x < picture.width; ++x)
        to[x] = 0xFF000000u | uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
    }
    return true;
  }
};

HINSTANCE module() { return GetModuleHandleW(nullptr); }

HWND makeChild(HWND parent, DWORD exStyle, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
               int h, int id) {
  return CreateWindowExW(exStyle, cls, text, WS_CHILD | style, x, y, w, h, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module(), nullptr);
}

void place(HWND w, int x, int y, int width, int height) {
  SetWindowPos(w, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT rectInParent(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Panels: button-face background, optional lowered inner bevel; they pass their children's
// notifications on to the window they sit in.
LRESULT CALLBACK panelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageW(GetParent(hwnd), msg, wp, lp);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (GetWindowLongPtrW(hwnd, GWLP_USERDATA) == kLoweredInnerBevel) {
        RECT r;
        GetClientRect(hwnd, &r);
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

// The picture control: its bitmap (user data) stretched over its whole box; empty it shows the panel.
LRESULT CALLBACK imageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      auto bitmap = reinterpret_cast<HBITMAP>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
      BITMAP info;
      if (bitmap && GetObjectW(bitmap, sizeof(info), &info)) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, bitmap);
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
      } else {
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
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
  MoviePanel(Application& app, HWND parent) : app_(app) {
    hwnd_ = makeChild(parent, 0, kMoviePanelClass, L"", WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                      layout::pictureLeft, layout::pictureTop, layout::pictureWidth, layout::pictureHeight,
                      idMoviePanel);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
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
  const render::JpegDecoder* jpegDecoder() override { return &jpeg_; }
  const render::FontProvider* fontProvider() override { return &fonts_; }

  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MoviePanel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
      case WM_ERASEBKGND: {
        if (self && self->frame_) return 1;  // the frame covers the whole panel
        RECT r;
        GetClientRect(hwnd, &r);
        HBRUSH brush = CreateSolidBrush(self ? self->colour_ : RGB(255, 255, 255));
        FillRect(reinterpret_cast<HDC>(wp), &r, brush);
        DeleteObject(brush);
        return 1;
      }
      case WM_PAINT:
        if (self && self->frame_) {
          PAINTSTRUCT ps;
          HDC dc = BeginPaint(hwnd, &ps);
          self->paintFrame(dc);
          EndPaint(hwnd, &ps);
          return 0;
        }
        break;
      case WM_SIZE:
        if (self && self->frame_) InvalidateRect(hwnd, nullptr, FALSE);
        break;
      case WM_COMMAND:
      case WM_NOTIFY:
        return SendMessageW(GetParent(hwnd), msg, wp, lp);
      default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
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
  PictureJpegDecoder jpeg_;
  GdiFontProvider fonts_;
};

// ---------------------------------------------------------------------------------------------------

Win32InstallerView::Win32InstallerView(Application& app, std::unique_ptr<FlashControlFactory> flashFactory)
    : app_(app), flashFactory_(std::move(flashFactory)) {
  if (!flashFactory_) flashFactory_.reset(new NoFlashControls);
  HBRUSH face = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  HICON icon = LoadIconW(module(), MAKEINTRESOURCEW(1));
  registerWindowClass(kInstallerWindowClass, &Win32InstallerView::windowProc, 0, face, icon);
  registerWindowClass(kPanelClass, panelProc, CS_HREDRAW | CS_VREDRAW, face, icon);
  registerWindowClass(kImageClass, imageProc, CS_HREDRAW | CS_VREDRAW, nullptr, icon);
  registerWindowClass(kMoviePanelClass, &MoviePanel::windowProc, 0, nullptr, icon);

  // Fixed single border, system menu and close box only; hidden until start-up has run.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  RECT r = {0, 0, layout::designPanelWidth,
            layout::contentTop + layout::contentHeight + layout::licenceMinHeight + 4 + layout::buttonPanelHeight};
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_CONTROLPARENT);
  hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kInstallerWindowClass, L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                          layout::windowWidth, r.bottom - r.top, app.handle(), nullptr, module(), this);
  createControls();
  layoutBands();
  app_.addDialogWindow(hwnd_);
}

Win32InstallerView::~Win32InstallerView() {
  app_.removeDialogWindow(hwnd_);
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  if (picture_) DeleteObject(picture_);
  if (app_.messageFilter && events_) app_.messageFilter = nullptr;
}

void Win32InstallerView::createControls() {
  using namespace layout;
  // Creation order is the tab order: content panel, button panel, licence text.
  contentPanel_ = makeChild(hwnd_, WS_EX_CONTROLPARENT, kPanelClass, L"", WS_VISIBLE | WS_CLIPCHILDREN, 0, contentTop,
                            contentWidth, contentHeight, idContentPanel);
  SetWindowLongPtrW(contentPanel_, GWLP_USERDATA, kLoweredInnerBevel);
  // moviePanel lies above the picture control; start-up hides it for a picture.
  movieSurface_.reset(new MoviePanel(app_, contentPanel_));
  moviePanel_ = movieSurface_->hwnd();
  bmpPanel_ = makeChild(contentPanel_, 0, kImageClass, L"", WS_VISIBLE | WS_CLIPSIBLINGS, pictureLeft, pictureTop,
                        pictureWidth, pictureHeight, idBmpPanel);

  buttonPanel_ = makeChild(hwnd_, WS_EX_CONTROLPARENT, kPanelClass, L"", WS_VISIBLE | WS_CLIPCHILDREN, 0,
                           contentTop + contentHeight + licenceMinHeight + 4, designPanelWidth, buttonPanelHeight,
                           idButtonPanel);
  // Tab order in the button panel: progress bar, Install, Close, Cancel.
  progressBar_ = makeChild(buttonPanel_, 0, PROGRESS_CLASSW, L"", WS_VISIBLE, progressLeft, progressTop,
                           designPanelWidth - progressLeft - progressRightMargin, progressHeight, idProgressBar);
  SendMessageW(progressBar_, PBM_SETRANGE32, 0, 100);
  SendMessageW(progressBar_, PBM_SETSTEP, 1, 0);
  installButton_ = makeChild(buttonPanel_, 0, L"BUTTON", utf8ToWide(text::installCaption).c_str(),
                          WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 182, buttonTop, buttonWidth, buttonHeight,
                          idInstallButton);
  doneButton_ = makeChild(buttonPanel_, 0, L"BUTTON", utf8ToWide(text::close).c_str(), WS_TABSTOP | BS_PUSHBUTTON,
                       268, buttonTop, buttonWidth, buttonHeight, idDoneButton);
  cancelButton_ = makeChild(buttonPanel_, 0, L"BUTTON", utf8ToWide(text::cancel).c_str(),
                         WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 268, buttonTop, buttonWidth, buttonHeight,
                         idCancelButton);
  statusLabel_ = makeChild(buttonPanel_, 0, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, statusLabelLeft,
                          statusLabelTop, statusLabelWidth, statusLabelHeight, idStatusLabel);
  fileLabel_ = makeChild(buttonPanel_, 0, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, fileLabelLeft, fileLabelTop,
                       fileLabelWidth, fileLabelHeight, idFileLabel);

  licence_ = makeChild(hwnd_, WS_EX_CLIENTEDGE, L"EDIT", L"",
                       WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0,
                       contentTop + contentHeight + 2, designPanelWidth, licenceMinHeight, idLicence);
  SendMessageW(licence_, EM_SETLIMITTEXT, 0, 0);
  applyFont(hwnd_, defaultFont());
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

  // The content band keeps its left edge, top and height and follows the width; the movie panel fills
  // it inside its bevel, the picture keeps its designed box.
  place(contentPanel_, 0, contentTop, width, contentHeight);
  place(moviePanel_, pictureLeft, pictureTop, width > 2 ? width - 2 : 0, contentHeight - 2);

  // The button band sticks to the bottom edge; its progress bar and buttons keep their distance to
  // the right edge.
  const int panelTop = height - buttonPanelHeight;
  place(buttonPanel_, 0, panelTop, width, buttonPanelHeight);
  const int progressWidth = width - progressLeft - progressRightMargin;
  place(progressBar_, progressLeft, progressTop, progressWidth > 0 ? progressWidth : 0, progressHeight);
  const int cancelLeft = width - buttonRightMargin - buttonWidth;
  place(cancelButton_, cancelLeft, buttonTop, buttonWidth, buttonHeight);
  place(doneButton_, cancelLeft, buttonTop, buttonWidth, buttonHeight);
  place(installButton_, cancelLeft - buttonGap - installWidth_, buttonTop, installWidth_, buttonHeight);

  // The licence text takes the space in between, at least 103 high.
  const int contentBottom = contentTop + contentHeight;
  int licenceHeight = panelTop - contentBottom - 6;
  if (licenceHeight < licenceMinHeight) licenceHeight = licenceMinHeight;
  place(licence_, 0, contentBottom + 2, width, licenceHeight);
}

// ---- window procedure

LRESULT CALLBACK Win32InstallerView::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Win32InstallerView* self;
  if (msg == WM_NCCREATE) {
    self = static_cast<Win32InstallerView*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  } else {
    self = reinterpret_cast<Win32InstallerView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  return self->onMessage(hwnd, msg, wp, lp);
}

LRESULT Win32InstallerView::onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
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
        info->ptMinTrackSize.x = layout::minWindowWidth;
        info->ptMinTrackSize.y = layout::minWindowHeight;
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
  layoutBands();
  // The licence text starts at its minimum height; sizeWindow fits the window around it.
  RECT r = rectInParent(licence_);
  place(licence_, r.left, r.top, r.right - r.left, licenceMinHeight);
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
  int height = frame + contentTop + contentHeight + buttonPanelHeight;
  if (withLicence_) {
    RECT licence = rectInParent(licence_);
    height += (licence.bottom - licence.top) + 4;
  }
  SetWindowPos(hwnd_, nullptr, 0, 0, windowWidth, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- picture and movie

void Win32InstallerView::hideMoviePanel() { ShowWindow(moviePanel_, SW_HIDE); }

PictureOutcome Win32InstallerView::showPicture(const std::string& path) {
  PictureOutcome outcome;
  HBITMAP loaded = loadPicture(path, layout::pictureWidth, layout::pictureHeight, &outcome);
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
