// FlashActiveXControl: the Flash Player ActiveX control hosted in a plain Win32 window.
//
// A minimal OLE container of our own: one site object offers the control IOleClientSite, IOleInPlaceSite
// and IOleInPlaceFrame (and ambient properties through IDispatch), so that the control activates in place
// as a child window of the panel. Properties are set by dispatch id through the control's IDispatch;
// Play, StopPlay and SetVariable are called through IShockwaveFlash by their vtable positions; the
// control's events arrive through a connection point on its event interface.
//
//   class id          {D27CDB6E-AE6D-11CF-96B8-444553540000}
//   IShockwaveFlash   {D27CDB6C-AE6D-11CF-96B8-444553540000}  Play 28, StopPlay 33, SetVariable 65
//   events            {D27CDB6D-AE6D-11CF-96B8-444553540000}  OnFSCommand 150, OnReadyStateChange -609,
//                                                             OnProgress 1958
//   properties        ScaleMode 0x78, WMode 0x85, Menu 0x87, Movie 0x66
#include "flash/win32/shockwave_flash.h"

#include <ocidl.h>
#include <ole2.h>
#include <olectl.h>
#include <windows.h>

#include <string>

#include "support/system_text_trim.h"
#include "support/text_encoding.h"
#include "support/user_texts.h"

namespace mv {

namespace {

const CLSID kClsidShockwaveFlash = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kIidShockwaveFlash = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID kDiidFlashEvents = {0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

constexpr DISPID kDispScaleMode = 0x78;
constexpr DISPID kDispWMode = 0x85;
constexpr DISPID kDispMenu = 0x87;
constexpr DISPID kDispMovie = 0x66;
constexpr DISPID kDispOnFSCommand = 150;
constexpr DISPID kDispOnReadyStateChange = -609;
constexpr DISPID kDispOnProgress = 1958;

// Positions in IShockwaveFlash's vtable (IUnknown's three and IDispatch's four methods first).
constexpr int kSlotPlay = 28;
constexpr int kSlotStopPlay = 33;
constexpr int kSlotSetVariable = 65;

std::string hresultText(HRESULT hr) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, DWORD(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text;
  if (n && buffer) text = wideToUtf8(buffer, n);
  if (buffer) LocalFree(buffer);
  text = trimSystemText(text);
  if (text.empty()) {
    // Texts the system may not have for COM's own codes.
    switch (hr) {
      case REGDB_E_CLASSNOTREG: text = text::comClassNotRegistered; break;
      case CLASS_E_CLASSNOTAVAILABLE: text = text::comClassNotAvailable; break;
      case E_NOINTERFACE: text = text::comNoInterface; break;
      case E_NOTIMPL: text = text::comNotImplemented; break;
      case E_FAIL: text = text::comUnspecified; break;
      case E_OUTOFMEMORY: text = text::comOutOfMemory; break;
      case CO_E_NOTINITIALIZED: text = text::comNotInitialized; break;
      default: break;
    }
  }
  static const char digits[] = "0123456789ABCDEF";
  std::string code = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) code += digits[(static_cast<unsigned long>(hr) >> shift) & 0xF];
  return text.empty() ? text::flashErrorCode + code : text + " (" + code + ")";
}

// A refused operation: why is the control's own description or the text of its code.
Result refused(const std::string& what, const std::string& why) {
  return Result::failure(text::flashControl + what + text::flashOperationFailed + why + ".");
}
Result failed(const std::string& what, HRESULT hr) { return refused(what, hresultText(hr)); }

Result noMemoryForText() { return Result::failure(text::flashNoMemoryForText); }

// What a failed creation's code says of the next attempt. A class that is not registered stays so; a
// server that cannot be found, loaded or asked for the control's interfaces is taken to stay so when the
// same answer comes again; anything else (memory, a busy system) may pass.
CreationFailure creationFailureOf(HRESULT hr) {
  if (hr == REGDB_E_CLASSNOTREG) return CreationFailure::lasting;
  static const HRESULT kLastingIfRepeated[] = {
      CLASS_E_CLASSNOTAVAILABLE, CO_E_DLLNOTFOUND, CO_E_ERRORINDLL, CO_E_APPNOTFOUND, E_NOINTERFACE,
      HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
      HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT),
      HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND), HRESULT_FROM_WIN32(ERROR_DLL_INIT_FAILED)};
  for (HRESULT lasting : kLastingIfRepeated)
    if (hr == lasting) return CreationFailure::lastingIfRepeated;
  return CreationFailure::mayPass;
}

std::string narrow(const wchar_t* text, int length) {
  if (!text || length <= 0) return std::string();
  return wideToUtf8(text, size_t(length));
}

// A BSTR owned for one call; without memory for it, null (the call then fails with noMemoryForText()).
class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : b_(SysAllocStringLen(text.data(), UINT(text.size()))) {}
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }
  explicit operator bool() const { return b_ != nullptr; }

 private:
  BSTR b_;
};

// IDispatch without type information or names: our dispatch objects are called by dispatch id only.
class DispatchByIdOnly : public IDispatch {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** t) override {
    if (t) *t = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
};

template <class T>
void releaseAndClear(T*& p) {
  if (p) {
    T* q = p;
    p = nullptr;
    q->Release();
  }
}

// IUnknown for our COM objects, once: a reference count that deletes the object at zero, and
// QueryInterface over the interfaces the object names in interfaceFor(). The object starts with one
// reference, its creator's.
template <class... Interfaces>
class ComObject : public Interfaces... {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    *out = interfaceFor(riid);
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ULONG(InterlockedIncrement(&refs_)); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return ULONG(n);
  }

 protected:
  virtual ~ComObject() = default;
  // The object as the interface riid, or nullptr when it does not offer it.
  virtual void* interfaceFor(REFIID riid) = 0;

 private:
  LONG refs_ = 1;
};

// ---------------------------------------------------------------------------------------------------
// The container side: client site, in-place site and frame in one object, plus ambient properties.
class Site final : public ComObject<IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame, DispatchByIdOnly> {
 public:
  Site(HWND parent, int width, int height) : parent_(parent) { SetRect(&bounds_, 0, 0, width, height); }

  const RECT& bounds() const { return bounds_; }
  HWND parent() const { return parent_; }
  void setInPlace(IOleInPlaceObject* p) { inplace_ = p; }  // not owned

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** m) override {
    if (m) *m = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** c) override {
    if (c) *c = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (shared by the in-place site and the frame)
  STDMETHODIMP GetWindow(HWND* w) override {
    if (!w) return E_POINTER;
    *w = parent_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override {
    if (frame) {
      *frame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (doc) *doc = nullptr;
    if (pos) *pos = bounds_;
    if (clip) *clip = bounds_;
    if (info) {
      info->fMDIApp = FALSE;
      HWND root = GetAncestor(parent_, GA_ROOT);
      info->hwndFrame = root ? root : parent_;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
  STDMETHODIMP OnPosRectChange(LPCRECT r) override {
    // The control asked to move: its answer to the move is its own concern.
    if (r && inplace_) (void)inplace_->SetObjectRects(r, &bounds_);
    return S_OK;
  }

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS w) override { return w ? INPLACE_E_NOTOOLSPACE : S_OK; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDispatch: the ambient properties. The control runs in user mode; everything else is its default.
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override {
    if (!(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    switch (id) {
      case DISPID_AMBIENT_USERMODE:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_TRUE;
        return S_OK;
      case DISPID_AMBIENT_UIDEAD:
      case DISPID_AMBIENT_SHOWGRABHANDLES:
      case DISPID_AMBIENT_SHOWHATCHING:
        result->vt = VT_BOOL;
        result->boolVal = VARIANT_FALSE;
        return S_OK;
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  ~Site() override = default;
  void* interfaceFor(REFIID riid) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) return static_cast<IOleClientSite*>(this);
    if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) return static_cast<IOleInPlaceSite*>(this);
    if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame))
      return static_cast<IOleInPlaceFrame*>(this);
    if (IsEqualIID(riid, IID_IDispatch)) return static_cast<IDispatch*>(this);
    return nullptr;
  }

  HWND parent_;
  RECT bounds_{};
  IOleInPlaceObject* inplace_ = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// The event sink. Events of an in-process control in a single-threaded apartment arrive on the thread
// that created it, the user-interface thread; they are handed on there, synchronously.
class EventSink final : public ComObject<DispatchByIdOnly> {
 public:
  explicit EventSink(FlashControl* owner) : owner_(owner) {}
  void detach() { owner_ = nullptr; }

  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    switch (id) {
      case kDispOnFSCommand:
        if (!params || params->cArgs < 2) return DISP_E_BADPARAMCOUNT;
        // Positional arguments arrive last first: rgvarg[1] is the command, rgvarg[0] its argument.
        deliver(argText(params->rgvarg[1]), argText(params->rgvarg[0]));
        return S_OK;
      case kDispOnReadyStateChange:
      case kDispOnProgress:
        return S_OK;  // subscribed to, not handled
      default:
        return S_OK;
    }
  }

 private:
  ~EventSink() override = default;
  void* interfaceFor(REFIID riid) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kDiidFlashEvents))
      return static_cast<IDispatch*>(this);
    return nullptr;
  }

  static std::string argText(const VARIANT& v) {
    VARIANT text;
    VariantInit(&text);
    std::string out;
    if (SUCCEEDED(VariantChangeType(&text, const_cast<VARIANT*>(&v), 0, VT_BSTR)) && text.bstrVal)
      out = narrow(text.bstrVal, int(SysStringLen(text.bstrVal)));
    VariantClear(&text);
    return out;
  }

  void deliver(const std::string& command, const std::string& args) {
    if (!owner_ || !owner_->onFSCommand) return;
    owner_->onFSCommand(command, args);
  }

  FlashControl* owner_;
};

// ---------------------------------------------------------------------------------------------------
class FlashActiveXControl : public FlashControl {
 public:
  // Only the container side: create() makes the control itself.
  FlashActiveXControl(HWND parent, int width, int height) {
    site_ = new Site(parent, width, height);
    sink_ = new EventSink(this);
  }
  ~FlashActiveXControl() override { teardown(); }

  // Creates the control and activates it in place. A failure leaves an object that only the destructor
  // may use: it tears down what was made.
  // The failure's code is kept for failure().
  Result create(int width, int height) {
    HRESULT hr = CoCreateInstance(kClsidShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&ole_));
    if (FAILED(hr)) return failedWith(text::flashCreating, hr);
    hr = ole_->QueryInterface(kIidShockwaveFlash, reinterpret_cast<void**>(&flash_));
    if (FAILED(hr)) return failedWith(text::flashAskingForInterface, hr);
    hr = ole_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_));
    if (FAILED(hr)) return failedWith(text::flashAskingForDispatch, hr);

    hr = ole_->SetClientSite(static_cast<IOleClientSite*>(site_));
    if (FAILED(hr)) return failedWith(text::flashSettingSite, hr);
    IPersistStreamInit* persist = nullptr;
    if (SUCCEEDED(ole_->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)))) {
      // Not examined: a control that keeps no state of its own starts empty anyway.
      (void)persist->InitNew();
      persist->Release();
    }
    // Not examined: a control that refuses the extent draws at the size of its in-place rectangle.
    (void)setExtent(width, height);
    connectEvents();

    // In-place activation makes the control a child window of the panel.
    RECT r = site_->bounds();
    hr = ole_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_), 0, site_->parent(), &r);
    if (FAILED(hr)) return failedWith(text::flashActivating, hr);
    if (SUCCEEDED(ole_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inplace_))))
      site_->setInPlace(inplace_);
    return rc::ok;
  }
  HRESULT failure() const { return failure_; }  // the code of create()'s failure

  Result setScaleMode(int mode) override {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = mode;
    return putProperty(kDispScaleMode, v, text::flashSettingScaleMode);
  }
  Result setWMode(const std::wstring& mode) override { return putText(kDispWMode, mode, text::flashSettingWMode); }
  Result setMenu(bool on) override {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
    return putProperty(kDispMenu, v, text::flashSettingMenu);
  }
  Result setMovie(const std::wstring& path) override { return putText(kDispMovie, path, text::flashSettingMovie); }

  Result setVariable(const std::wstring& name, const std::wstring& value) override {
    Bstr n(name);
    if (!n) return noMemoryForText();
    Bstr v(value);
    if (!v) return noMemoryForText();
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, BSTR, BSTR);
    HRESULT hr = reinterpret_cast<Fn>(slot(kSlotSetVariable))(flash_, n.get(), v.get());
    if (FAILED(hr)) return failed(text::flashSetVariable, hr);
    return rc::ok;
  }
  Result play() override { return callNoArgs(kSlotPlay, text::flashPlay); }
  Result stopPlay() override { return callNoArgs(kSlotStopPlay, text::flashStopPlay); }

  Result doVerb(int verb) override {
    RECT r = site_->bounds();
    HRESULT hr = ole_->DoVerb(verb, nullptr, static_cast<IOleClientSite*>(site_), 0, site_->parent(), &r);
    if (FAILED(hr)) return failed(text::flashOleVerb + std::to_string(verb), hr);
    return rc::ok;
  }

  Result focus() override {
    HWND w = nullptr;
    if (inplace_ && SUCCEEDED(inplace_->GetWindow(&w)) && w) {
      SetFocus(w);
      return rc::ok;
    }
    return doVerb(OLEIVERB_UIACTIVATE);
  }

 private:
  Result failedWith(const char* what, HRESULT hr) {
    failure_ = hr;
    return failed(what, hr);
  }

  void connectEvents() {
    // Without events the movie still plays; a control without the connection point is accepted.
    IConnectionPointContainer* container = nullptr;
    if (FAILED(ole_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)))) return;
    if (SUCCEEDED(container->FindConnectionPoint(kDiidFlashEvents, &point_))) {
      if (FAILED(point_->Advise(static_cast<IDispatch*>(sink_), &cookie_))) {
        cookie_ = 0;
        releaseAndClear(point_);
      }
    }
    container->Release();
  }

  HRESULT setExtent(int width, int height) {
    // Pixels to HIMETRIC (0.01 mm) at the screen's resolution.
    HDC dc = GetDC(nullptr);
    int dpiX = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96, dpiY = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    SIZEL size = {MulDiv(width, 2540, dpiX ? dpiX : 96), MulDiv(height, 2540, dpiY ? dpiY : 96)};
    return ole_->SetExtent(DVASPECT_CONTENT, &size);
  }

  // The control's answers are not examined here: everything is released whatever it says.
  void teardown() {
    if (sink_) sink_->detach();
    if (point_) {
      if (cookie_) (void)point_->Unadvise(cookie_);
      cookie_ = 0;
      releaseAndClear(point_);
    }
    if (inplace_) {
      site_->setInPlace(nullptr);
      (void)inplace_->InPlaceDeactivate();
      releaseAndClear(inplace_);
    }
    if (ole_) {
      (void)ole_->Close(OLECLOSE_NOSAVE);
      (void)ole_->SetClientSite(nullptr);
    }
    releaseAndClear(dispatch_);
    releaseAndClear(flash_);
    releaseAndClear(ole_);
    releaseAndClear(sink_);
    releaseAndClear(site_);
  }

  void* slot(int index) const { return (*reinterpret_cast<void***>(flash_))[index]; }

  Result callNoArgs(int index, const char* what) {
    using Fn = HRESULT(STDMETHODCALLTYPE*)(IUnknown*);
    HRESULT hr = reinterpret_cast<Fn>(slot(index))(flash_);
    if (FAILED(hr)) return failed(what, hr);
    return rc::ok;
  }

  Result putText(DISPID id, const std::wstring& text, const char* what) {
    Bstr b(text);
    if (!b) return noMemoryForText();
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = b.get();
    return putProperty(id, v, what);
  }

  Result putProperty(DISPID id, VARIANT& value, const char* what) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    EXCEPINFO info;
    ZeroMemory(&info, sizeof info);
    UINT argError = 0;
    HRESULT hr = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, &info,
                                   &argError);
    std::string description;
    if (hr == DISP_E_EXCEPTION) {
      if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
      if (info.bstrDescription) description = narrow(info.bstrDescription, int(SysStringLen(info.bstrDescription)));
      if (info.scode) hr = info.scode;
    }
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    if (FAILED(hr)) return description.empty() ? failed(what, hr) : refused(what, description);
    return rc::ok;
  }

  Site* site_ = nullptr;
  EventSink* sink_ = nullptr;
  IOleObject* ole_ = nullptr;
  IUnknown* flash_ = nullptr;  // IShockwaveFlash, called by vtable position
  IDispatch* dispatch_ = nullptr;
  IOleInPlaceObject* inplace_ = nullptr;
  IConnectionPoint* point_ = nullptr;
  DWORD cookie_ = 0;
  HRESULT failure_ = S_OK;
};

class ShockwaveFlashFactory : public FlashControlFactory {
 public:
  Result create(WindowHandle parent, int width, int height, std::unique_ptr<FlashControl>& control) override {
    auto made = std::make_unique<FlashActiveXControl>(reinterpret_cast<HWND>(parent), width, height);
    Result created = made->create(width, height);
    lastFailure_ = created.ok() ? CreationFailure::mayPass : creationFailureOf(made->failure());
    if (!created.ok()) return created;  // made goes here: its destructor tears down what was made
    control = std::move(made);
    return rc::ok;
  }
  CreationFailure lastFailure() const override { return lastFailure_; }

 private:
  CreationFailure lastFailure_ = CreationFailure::mayPass;
};

}  // namespace

std::unique_ptr<FlashControlFactory> createShockwaveFlashFactory() {
  return std::make_unique<ShockwaveFlashFactory>();
}

}  // namespace mv
