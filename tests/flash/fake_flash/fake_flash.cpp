// A stand-in for the Flash Player ActiveX control, for tests: an in-process COM server registered under
// the control's class id {D27CDB6E-AE6D-11CF-96B8-444553540000}. It offers the interface the movie panel
// uses and nothing more:
//   IShockwaveFlash {D27CDB6C-...} (dual): Play at vtable position 28, StopPlay at 33, SetVariable at 65;
//     through IDispatch the properties ScaleMode 0x78, WMode 0x85, Menu 0x87, Movie 0x66;
//   IOleObject (SetClientSite, SetExtent, DoVerb, Close), IOleInPlaceObject, IPersistStreamInit;
//   a connection point for the event interface {D27CDB6D-...}, which fires OnFSCommand (dispid 150).
//
// Every call is appended, one line each, to the file named by the environment variable MV_FAKEFLASH_LOG.
// Its window paints the background colour of the movie it was given. After Play it fires
// OnFSCommand("ALLOWSCALE", "true") from its window procedure, as a playing movie would.
// MV_FAKEFLASH_FAIL names one operation (for example "WMode") that then fails with E_FAIL.
// MV_FAKEFLASH_FAIL_CREATES=N makes the next N creations fail with E_OUTOFMEMORY.
#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>
#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const CLSID kClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kIidFlash = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kDiidEvents = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const char kClsidText[] = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";
const UINT kFireMessage = WM_APP + 1;

HMODULE g_module = nullptr;
LONG g_objects = 0;

std::string env(const char* name) {
  char buffer[1024];
  DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

void logLine(const std::string& line) {
  std::string path = env("MV_FAKEFLASH_LOG");
  if (path.empty()) return;
  HANDLE h = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\r\n";
  DWORD written = 0;
  WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(h);
}

bool failing(const char* op) { return env("MV_FAKEFLASH_FAIL") == op; }

std::string narrow(const wchar_t* w) {
  if (!w) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(size_t(n > 0 ? n : 1), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, w, -1, &s[0], n, nullptr, nullptr);
  s.resize(s.size() - 1);
  return s;
}

// The movie's background colour as 0x00BBGGRR (white when it has none or cannot be read).
COLORREF movieColour(const std::string& path) {
  std::vector<unsigned char> file;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    unsigned char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && file.size() < (16u << 20)) file.insert(file.end(), buf, buf + n);
    std::fclose(f);
  }
  if (file.size() < 8) return RGB(255, 255, 255);
  std::vector<unsigned char> movie;
  if (file[0] == 'C' && file[1] == 'W' && file[2] == 'S') {
    uLongf size = 16u << 20;
    movie.assign(8, 0);
    std::vector<unsigned char> body(size);
    // A stream that ends early still gives what it has.
    z_stream z = {};
    inflateInit(&z);
    z.next_in = file.data() + 8;
    z.avail_in = uInt(file.size() - 8);
    z.next_out = body.data();
    z.avail_out = uInt(size);
    inflate(&z, Z_FINISH);
    body.resize(z.total_out);
    inflateEnd(&z);
    movie.insert(movie.end(), body.begin(), body.end());
  } else if (file[0] == 'F' && file[1] == 'W' && file[2] == 'S') {
    movie = file;
  } else {
    return RGB(255, 255, 255);
  }
  if (movie.size() < 9) return RGB(255, 255, 255);
  size_t pos = 8;
  unsigned bits = movie[8] >> 3;
  pos += (5 + 4 * bits + 7) / 8 + 4;
  while (pos + 2 <= movie.size()) {
    unsigned h = movie[pos] | movie[pos + 1] << 8;
    pos += 2;
    size_t len = h & 0x3F;
    if (len == 0x3F) {
      if (pos + 4 > movie.size()) break;
      len = movie[pos] | movie[pos + 1] << 8 | movie[pos + 2] << 16 | size_t(movie[pos + 3]) << 24;
      pos += 4;
    }
    if ((h >> 6) == 9 && len >= 3 && pos + 3 <= movie.size()) return RGB(movie[pos], movie[pos + 1], movie[pos + 2]);
    if (len > movie.size() - pos) break;
    pos += len;
  }
  return RGB(255, 255, 255);
}

// IShockwaveFlash: IDispatch, then 59 methods; the three the panel calls sit at 28, 33 and 65.
#define FILLER(n) virtual HRESULT STDMETHODCALLTYPE filler##n() = 0;
struct IShockwaveFlashLayout : public IDispatch {
  FILLER(7) FILLER(8) FILLER(9) FILLER(10) FILLER(11) FILLER(12) FILLER(13) FILLER(14) FILLER(15) FILLER(16)
  FILLER(17) FILLER(18) FILLER(19) FILLER(20) FILLER(21) FILLER(22) FILLER(23) FILLER(24) FILLER(25) FILLER(26)
  FILLER(27)
  virtual HRESULT STDMETHODCALLTYPE Play() = 0;  // 28
  FILLER(29) FILLER(30) FILLER(31) FILLER(32)
  virtual HRESULT STDMETHODCALLTYPE StopPlay() = 0;  // 33
  FILLER(34) FILLER(35) FILLER(36) FILLER(37) FILLER(38) FILLER(39) FILLER(40) FILLER(41) FILLER(42) FILLER(43)
  FILLER(44) FILLER(45) FILLER(46) FILLER(47) FILLER(48) FILLER(49) FILLER(50) FILLER(51) FILLER(52) FILLER(53)
  FILLER(54) FILLER(55) FILLER(56) FILLER(57) FILLER(58) FILLER(59) FILLER(60) FILLER(61) FILLER(62) FILLER(63)
  FILLER(64)
  virtual HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) = 0;  // 65
};
#undef FILLER
#define FILLER(n) HRESULT STDMETHODCALLTYPE filler##n() override { logLine("unexpected vtable call " #n); return E_NOTIMPL; }

class FakeFlash final : public IShockwaveFlashLayout,
                        public IOleObject,
                        public IOleInPlaceObject,
                        public IPersistStreamInit,
                        public IConnectionPointContainer,
                        public IConnectionPoint {
 public:
  FakeFlash() {
    InterlockedIncrement(&g_objects);
    logLine("create");
  }

  // ---- IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kIidFlash))
      *out = static_cast<IShockwaveFlashLayout*>(this);
    else if (IsEqualIID(riid, IID_IOleObject))
      *out = static_cast<IOleObject*>(this);
    else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject))
      *out = static_cast<IOleInPlaceObject*>(this);
    else if (IsEqualIID(riid, IID_IPersistStreamInit))
      *out = static_cast<IPersistStreamInit*>(this);
    else if (IsEqualIID(riid, IID_IConnectionPointContainer))
      *out = static_cast<IConnectionPointContainer*>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) {
      logLine("destroy");
      if (window_) DestroyWindow(window_);
      delete this;
    }
    return ULONG(n);
  }

  // ---- IDispatch (of IShockwaveFlash)
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*, UINT*) override {
    if (!(flags & DISPATCH_PROPERTYPUT) || !p || p->cArgs != 1 || p->cNamedArgs != 1 ||
        p->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      logLine("unexpected Invoke " + std::to_string(id));
      return DISP_E_MEMBERNOTFOUND;
    }
    const VARIANT& v = p->rgvarg[0];
    switch (id) {
      case 0x78:
        if (v.vt != VT_I4) return DISP_E_TYPEMISMATCH;
        logLine("put ScaleMode " + std::to_string(v.lVal));
        return failing("ScaleMode") ? E_FAIL : S_OK;
      case 0x85:
        if (v.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        logLine("put WMode " + narrow(v.bstrVal));
        return failing("WMode") ? E_FAIL : S_OK;
      case 0x87:
        if (v.vt != VT_BOOL) return DISP_E_TYPEMISMATCH;
        logLine(std::string("put Menu ") + (v.boolVal ? "true" : "false"));
        return failing("Menu") ? E_FAIL : S_OK;
      case 0x66: {
        if (v.vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
        std::string path = narrow(v.bstrVal);
        logLine("put Movie " + path);
        if (failing("Movie")) return E_FAIL;
        colour_ = movieColour(path);
        char text[32];
        std::snprintf(text, sizeof text, "colour 0x%08lX", static_cast<unsigned long>(colour_));
        logLine(text);
        if (window_) InvalidateRect(window_, nullptr, TRUE);
        return S_OK;
      }
      default:
        logLine("unexpected property " + std::to_string(id));
        return DISP_E_MEMBERNOTFOUND;
    }
  }

  // ---- IShockwaveFlash
  FILLER(7) FILLER(8) FILLER(9) FILLER(10) FILLER(11) FILLER(12) FILLER(13) FILLER(14) FILLER(15) FILLER(16)
  FILLER(17) FILLER(18) FILLER(19) FILLER(20) FILLER(21) FILLER(22) FILLER(23) FILLER(24) FILLER(25) FILLER(26)
  FILLER(27)
  FILLER(29) FILLER(30) FILLER(31) FILLER(32)
  FILLER(34) FILLER(35) FILLER(36) FILLER(37) FILLER(38) FILLER(39) FILLER(40) FILLER(41) FILLER(42) FILLER(43)
  FILLER(44) FILLER(45) FILLER(46) FILLER(47) FILLER(48) FILLER(49) FILLER(50) FILLER(51) FILLER(52) FILLER(53)
  FILLER(54) FILLER(55) FILLER(56) FILLER(57) FILLER(58) FILLER(59) FILLER(60) FILLER(61) FILLER(62) FILLER(63)
  FILLER(64)
  HRESULT STDMETHODCALLTYPE Play() override {
    logLine("Play");
    if (failing("Play")) return E_FAIL;
    if (window_) PostMessageA(window_, kFireMessage, 0, 0);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE StopPlay() override {
    logLine("StopPlay");
    return failing("StopPlay") ? E_FAIL : S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) override {
    logLine("SetVariable " + narrow(name) + "=" + narrow(value));
    return failing("SetVariable") ? E_FAIL : S_OK;
  }

  // ---- IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    logLine(site ? "SetClientSite" : "SetClientSite null");
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) override {
    if (!site) return E_POINTER;
    *site = site_;
    if (site_) site_->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override {
    logLine("Close");
    if (window_) {
      DestroyWindow(window_);
      window_ = nullptr;
    }
    return S_OK;
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) override {
    logLine("DoVerb " + std::to_string(verb));
    if (failing("DoVerb")) return E_FAIL;
    if (verb == OLEIVERB_INPLACEACTIVATE || verb == OLEIVERB_SHOW || verb == OLEIVERB_UIACTIVATE) {
      if (!window_ && !activate(site ? site : site_)) return E_FAIL;
      ShowWindow(window_, SW_SHOWNA);
    } else if (verb == OLEIVERB_HIDE) {
      if (window_) ShowWindow(window_, SW_HIDE);
    }
    return S_OK;
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* id) override {
    if (id) *id = kClsid;
    return S_OK;
  }
  STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
  STDMETHODIMP SetExtent(DWORD, SIZEL* size) override {
    logLine("SetExtent");
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  // IOleObject::Unadvise shares its signature with IConnectionPoint::Unadvise below, which serves both.
  STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
    if (status) *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // ---- IOleWindow / IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* w) override {
    if (!w) return E_POINTER;
    *w = window_;
    return window_ ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override {
    logLine("InPlaceDeactivate");
    if (inPlaceSite_) {
      inPlaceSite_->OnInPlaceDeactivate();
      inPlaceSite_->Release();
      inPlaceSite_ = nullptr;
    }
    if (window_) {
      DestroyWindow(window_);
      window_ = nullptr;
    }
    return S_OK;
  }
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override {
    if (pos && window_) MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
    logLine("SetObjectRects");
    return S_OK;
  }
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

  // ---- IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* id) override {
    if (id) *id = kClsid;
    return S_OK;
  }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM) override { return E_NOTIMPL; }
  STDMETHODIMP Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP InitNew() override {
    logLine("InitNew");
    return S_OK;
  }

  // ---- IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (!IsEqualIID(riid, kDiidEvents)) return CONNECT_E_NOCONNECTION;
    *point = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }

  // ---- IConnectionPoint (the event interface; one sink at a time is all a panel needs)
  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (iid) *iid = kDiidEvents;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** c) override {
    if (!c) return E_POINTER;
    *c = static_cast<IConnectionPointContainer*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    if (sink_) return CONNECT_E_ADVISELIMIT;
    IDispatch* d = nullptr;
    if (FAILED(sink->QueryInterface(kDiidEvents, reinterpret_cast<void**>(&d)))) return CONNECT_E_CANNOTCONNECT;
    sink_ = d;
    *cookie = 1;
    logLine("Advise");
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    if (cookie != 1 || !sink_) return CONNECT_E_NOCONNECTION;
    logLine("Unadvise");
    sink_->Release();
    sink_ = nullptr;
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  void fireFSCommand(const wchar_t* command, const wchar_t* args) {
    if (!sink_) return;
    logLine("fire OnFSCommand " + narrow(command) + " " + narrow(args));
    VARIANT v[2];
    VariantInit(&v[0]);
    VariantInit(&v[1]);
    v[1].vt = VT_BSTR;
    v[1].bstrVal = SysAllocString(command);
    v[0].vt = VT_BSTR;
    v[0].bstrVal = SysAllocString(args);
    DISPPARAMS params = {v, nullptr, 2, 0};
    IDispatch* sink = sink_;
    sink->AddRef();
    sink->Invoke(150, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    sink->Release();
    VariantClear(&v[0]);
    VariantClear(&v[1]);
  }

 private:
  ~FakeFlash() {
    if (sink_) sink_->Release();
    if (inPlaceSite_) inPlaceSite_->Release();
    if (site_) site_->Release();
    InterlockedDecrement(&g_objects);
  }

  bool activate(IOleClientSite* site) {
    if (!site) return false;
    IOleInPlaceSite* ip = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&ip)))) return false;
    HWND parent = nullptr;
    if (ip->CanInPlaceActivate() != S_OK || FAILED(ip->GetWindow(&parent))) {
      ip->Release();
      return false;
    }
    ip->OnInPlaceActivate();
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* doc = nullptr;
    RECT pos = {0, 0, 100, 100}, clip = pos;
    OLEINPLACEFRAMEINFO info = {sizeof info, FALSE, nullptr, nullptr, 0};
    ip->GetWindowContext(&frame, &doc, &pos, &clip, &info);
    if (frame) frame->Release();
    if (doc) doc->Release();
    window_ = CreateWindowExA(0, "MvFakeFlashWindow", "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, pos.left, pos.top,
                              pos.right - pos.left, pos.bottom - pos.top, parent, nullptr, g_module, this);
    if (!window_) {
      ip->Release();
      return false;
    }
    inPlaceSite_ = ip;
    char text[64];
    std::snprintf(text, sizeof text, "window %ldx%ld", pos.right - pos.left, pos.bottom - pos.top);
    logLine(text);
    return true;
  }

 public:
  static LRESULT CALLBACK windowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      SetWindowLongPtrA(w, GWLP_USERDATA, LONG_PTR(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<FakeFlash*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    switch (msg) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        HBRUSH brush = CreateSolidBrush(self ? self->colour_ : RGB(255, 255, 255));
        RECT r;
        GetClientRect(w, &r);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        EndPaint(w, &ps);
        return 0;
      }
      case kFireMessage:
        if (self) {
          self->AddRef();
          self->fireFSCommand(L"ALLOWSCALE", L"true");
          self->Release();
        }
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrA(w, GWLP_USERDATA, 0);
        if (self && self->window_ == w) self->window_ = nullptr;
        break;
    }
    return DefWindowProcA(w, msg, wp, lp);
  }

 private:
  LONG refs_ = 1;
  IOleClientSite* site_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  IDispatch* sink_ = nullptr;
  HWND window_ = nullptr;
  COLORREF colour_ = RGB(255, 255, 255);
};
#undef FILLER

// MV_FAKEFLASH_FAIL_CREATES=N: the next N creations fail as a passing state would (out of memory). The
// count lives in the environment, so that it holds even if the server is unloaded in between.
bool refuseThisCreation() {
  const std::string left = env("MV_FAKEFLASH_FAIL_CREATES");
  const int n = left.empty() ? 0 : std::atoi(left.c_str());
  if (n <= 0) return false;
  SetEnvironmentVariableA("MV_FAKEFLASH_FAIL_CREATES", std::to_string(n - 1).c_str());
  logLine("create refused");
  return true;
}

class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (refuseThisCreation()) return E_OUTOFMEMORY;
    static bool registered = false;
    if (!registered) {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = FakeFlash::windowProc;
      wc.hInstance = g_module;
      wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
      wc.lpszClassName = "MvFakeFlashWindow";
      RegisterClassA(&wc);
      registered = true;
    }
    auto* object = new FakeFlash();
    HRESULT hr = object->QueryInterface(riid, out);
    object->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

LONG setKeyValue(HKEY root, const std::string& path, const char* name, const std::string& value) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1));
  RegCloseKey(key);
  return rc;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, kClsid)) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(riid, out);
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

// Registers the server under HKEY_CLASSES_ROOT\CLSID\... (the machine's classes, as regsvr32 does).
__declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  if (!n || n >= MAX_PATH) return SELFREG_E_CLASS;
  std::string key = std::string("CLSID\\") + kClsidText;
  if (setKeyValue(HKEY_CLASSES_ROOT, key, nullptr, "Shockwave Flash Object (test stand-in)") != ERROR_SUCCESS ||
      setKeyValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", nullptr, path) != ERROR_SUCCESS ||
      setKeyValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", "Apartment") != ERROR_SUCCESS)
    return SELFREG_E_CLASS;
  return S_OK;
}

__declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  std::string key = std::string("CLSID\\") + kClsidText;
  RegDeleteKeyA(HKEY_CLASSES_ROOT, (key + "\\InprocServer32").c_str());
  RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
  return S_OK;
}

}  // extern "C"
