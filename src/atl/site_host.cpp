// The Linux build's host object of a hosting window: it creates or is given
// one control and names its window to it through IPlatformControlSite, the
// platform's stand-in for OLE's client site (no control draws there). The
// host is used on its window's thread only.
#include <atlcom.h>
#include <platform_control_site.h>
#include <windows.h>

#include <utility>

#include "host_window.h"

namespace {

class SiteHost : public ATL::CComObjectRootEx<ATL::CComSingleThreadModel>, public WindowHost {
public:
  BEGIN_COM_MAP(SiteHost)
  COM_INTERFACE_ENTRY(IUnknown)
  COM_INTERFACE_ENTRY(IAxWinHostWindow)
  END_COM_MAP()

  ~SiteHost() { ReleaseControl(); }

  void Bind(HWND window) override { window_ = window; }
  void Resize(int /*width*/, int /*height*/) override {} // no control draws here

  // The window is going: the control goes with it, and a host still held
  // elsewhere hosts nothing more.
  void Close() override {
    ReleaseControl();
    window_ = nullptr;
  }

  IUnknown *Control() const override { return control_; }

  STDMETHOD(CreateControl)(LPCOLESTR name, HWND window, IStream *stream) override {
    return CreateControlEx(name, window, stream, nullptr, IID_NULL, nullptr);
  }

  // The class id is parsed as a string in braces; the event parameters are
  // not used, callers connect to the control themselves.
  STDMETHOD(CreateControlEx)
  (LPCOLESTR name, HWND window, IStream * /*stream*/, IUnknown **control, REFIID /*eventsIid*/,
   IUnknown * /*eventSink*/) override {
    if (control != nullptr)
      *control = nullptr;
    HRESULT hr = CheckWindow(window);
    if (FAILED(hr))
      return hr;
    if (name == nullptr)
      return E_POINTER;
    // A name that is no class id changes nothing.
    CLSID clsid;
    hr = CLSIDFromString(name, &clsid);
    if (FAILED(hr))
      return hr;
    ReleaseControl(); // one control per window: the old one goes first
    IUnknown *created = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IUnknown),
                          reinterpret_cast<void **>(&created));
    if (FAILED(hr))
      return hr;
    if (created == nullptr)
      return E_FAIL;
    Keep(created);
    if (control != nullptr) {
      created->AddRef();
      *control = created;
    }
    return hr;
  }

  STDMETHOD(AttachControl)(IUnknown *control, HWND window) override {
    if (control == nullptr)
      return E_POINTER;
    HRESULT hr = CheckWindow(window);
    if (FAILED(hr))
      return hr;
    control->AddRef(); // before the old one goes, in case it is the same
    ReleaseControl();
    Keep(control);
    return S_OK;
  }

  STDMETHOD(QueryControl)(REFIID riid, void **object) override {
    if (object == nullptr)
      return E_POINTER;
    *object = nullptr;
    return control_ ? control_->QueryInterface(riid, object) : E_FAIL;
  }

  STDMETHOD(SetExternalDispatch)(IDispatch * /*dispatch*/) override { return S_OK; }
  STDMETHOD(SetExternalUIHandler)(IUnknown * /*handler*/) override { return S_OK; }

private:
  // Controls are hosted in the host's own window; null means that window.
  HRESULT CheckWindow(HWND window) const {
    if (window_ == nullptr)
      return E_UNEXPECTED;
    return window == nullptr || window == window_ ? S_OK : E_INVALIDARG;
  }

  static void TellWindow(IUnknown *control, HWND window) {
    IPlatformControlSite *site = nullptr;
    if (SUCCEEDED(control->QueryInterface(__uuidof(IPlatformControlSite),
                                          reinterpret_cast<void **>(&site))) &&
        site != nullptr) {
      site->SetHostWindow(window);
      site->Release();
    }
  }

  // Takes over the caller's reference.
  void Keep(IUnknown *control) {
    control_ = control;
    TellWindow(control, window_);
  }

  void ReleaseControl() {
    IUnknown *control = std::exchange(control_, nullptr);
    if (control == nullptr)
      return;
    TellWindow(control, nullptr);
    control->Release();
  }

  HWND window_ = nullptr;
  IUnknown *control_ = nullptr;
};

} // namespace

WindowHost *NewWindowHost() {
  return NewCountedHost<SiteHost>();
}

void FillHostClass(WNDCLASSEXW &info) {
  info.hInstance = GetModuleHandleW(nullptr);
}
