// ATL's control hosting: windows of class "AtlAxWin120" each own one host
// object, which creates or is given one control and keeps it until the
// window is destroyed. The host is used on its window's thread only.
#include <atlcom.h>
#include <atlhost.h>
#include <platform_control_site.h>
#include <windows.h>

#include <mutex>
#include <unordered_map>
#include <utility>

namespace {

UINT get_host_message() {
  static const UINT message = RegisterWindowMessageW(u"WM_ATLGETHOST");
  return message;
}

UINT get_control_message() {
  static const UINT message = RegisterWindowMessageW(u"WM_ATLGETCONTROL");
  return message;
}

class HostWindow : public ATL::CComObjectRootEx<ATL::CComSingleThreadModel>,
                   public IAxWinHostWindow {
public:
  BEGIN_COM_MAP(HostWindow)
  COM_INTERFACE_ENTRY(IUnknown)
  COM_INTERFACE_ENTRY(IAxWinHostWindow)
  END_COM_MAP()

  ~HostWindow() { ReleaseControl(); }

  void Bind(HWND window) { window_ = window; }

  // The window is going: the control goes with it, and a host still held
  // elsewhere hosts nothing more.
  void Close() {
    ReleaseControl();
    window_ = nullptr;
  }

  IUnknown *Control() const { return control_; }

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

typedef ATL::CComObject<HostWindow> HostObject;

// The host of each hosting window. The window's user data stays the
// application's, so hosts are found here; never destroyed, as windows may
// still be destroyed from the library's unload hook.
struct Hosts {
  std::mutex mutex;
  std::unordered_map<HWND, HostObject *> byWindow; // each holds one reference
};

Hosts &hosts() {
  static Hosts *all = new Hosts();
  return *all;
}

// Returns the window's host with a reference added, or null.
HostObject *find_host(HWND window) {
  std::lock_guard lock(hosts().mutex);
  auto found = hosts().byWindow.find(window);
  if (found == hosts().byWindow.end())
    return nullptr;
  found->second->AddRef();
  return found->second;
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    HostObject *host = nullptr;
    if (FAILED(HostObject::CreateInstance(&host)))
      return -1;
    host->AddRef();
    host->Bind(window);
    std::lock_guard lock(hosts().mutex);
    hosts().byWindow[window] = host;
    return 0;
  }
  if (message == WM_DESTROY) {
    HostObject *host = nullptr;
    {
      std::lock_guard lock(hosts().mutex);
      auto found = hosts().byWindow.find(window);
      if (found == hosts().byWindow.end())
        return 0;
      host = found->second;
      hosts().byWindow.erase(found);
    }
    host->Close();
    host->Release();
    return 0;
  }
  if (message == get_host_message()) {
    HostObject *host = find_host(window);
    return reinterpret_cast<LRESULT>(host ? static_cast<IUnknown *>(host) : nullptr);
  }
  if (message == get_control_message()) {
    HostObject *host = find_host(window);
    if (host == nullptr)
      return 0;
    IUnknown *control = host->Control();
    if (control != nullptr)
      control->AddRef();
    host->Release();
    return reinterpret_cast<LRESULT>(control);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Asks a window for a counted interface pointer with one of the messages above.
HRESULT ask_window(HWND window, UINT message, IUnknown **out) {
  if (out == nullptr)
    return E_POINTER;
  *out = reinterpret_cast<IUnknown *>(SendMessageW(window, message, 0, 0));
  return *out ? S_OK : E_FAIL;
}

} // namespace

namespace ATL {

BOOL AtlAxWinInit() {
  get_host_message();
  get_control_message();
  HINSTANCE module = GetModuleHandleW(nullptr);
  for (LPCWSTR name : {u"AtlAxWin120", u"AtlAxWinLic120"}) {
    WNDCLASSEXW wc{};
    if (GetClassInfoExW(module, name, &wc))
      continue;
    wc.cbSize = sizeof(wc);
    // Usable from any module. Double clicks are left to the class's user,
    // which re-registers it with CS_DBLCLKS when it wants them.
    wc.style = CS_GLOBALCLASS;
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = module;
    wc.lpszClassName = name;
    // Another thread may have registered it meanwhile; that is as good.
    if (!RegisterClassExW(&wc) && !GetClassInfoExW(module, name, &wc))
      return FALSE;
  }
  return TRUE;
}

HRESULT AtlAxGetHost(HWND window, IUnknown **host) {
  return ask_window(window, get_host_message(), host);
}

HRESULT AtlAxGetControl(HWND window, IUnknown **control) {
  return ask_window(window, get_control_message(), control);
}

} // namespace ATL
