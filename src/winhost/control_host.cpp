#include "control_host.h"

namespace {

// A new control starts empty, or from the caller's initialisation data.
HRESULT InitialiseControl(IUnknown *control, IStream *stream) {
  CComPtr<IPersistStreamInit> persist;
  if (FAILED(control->QueryInterface(__uuidof(IPersistStreamInit),
                                     reinterpret_cast<void **>(&persist))) ||
      !persist)
    return S_OK; // a control without persistent state needs no start
  return stream ? persist->Load(stream) : persist->InitNew();
}

} // namespace

ControlHost::~ControlHost() {
  Close();
}

void ControlHost::Bind(HWND window) {
  hostWindow = window;
}

void ControlHost::Resize(int width, int height) {
  CComPtr<IOleInPlaceObject> inPlace;
  if (!control || FAILED(control.QueryInterface(&inPlace)) || !inPlace)
    return;
  RECT area = {0, 0, width, height};
  inPlace->SetObjectRects(&area, &area);
}

// Deactivates and closes the control and takes its site away, which drops
// the control's references to this host.
void ControlHost::Close() {
  if (inPlaceActive) {
    CComPtr<IOleInPlaceObject> inPlace;
    if (control && SUCCEEDED(control.QueryInterface(&inPlace)) && inPlace)
      inPlace->InPlaceDeactivate();
    inPlaceActive = false;
  }
  if (oleObject) {
    oleObject->Close(OLECLOSE_NOSAVE);
    oleObject->SetClientSite(nullptr);
    oleObject.Release();
  }
  control.Release();
}

// Controls are hosted in the host's own window; null means that window.
HRESULT ControlHost::CheckWindow(HWND window) const {
  if (hostWindow == nullptr)
    return E_UNEXPECTED;
  return window == nullptr || window == hostWindow ? S_OK : E_INVALIDARG;
}

// Replaces the hosted control with `newControl`: gives it this site (first,
// when the control asks for that), starts it, and activates it in place in
// the whole window. A control that will not start is not kept.
HRESULT ControlHost::Activate(IUnknown *newControl, IStream *stream) {
  CComPtr<IUnknown> keep(newControl); // the old control may be this one
  Close();
  control = newControl;
  control.QueryInterface(&oleObject);

  IOleClientSite *site = this;
  DWORD misc = 0;
  if (oleObject)
    oleObject->GetMiscStatus(DVASPECT_CONTENT, &misc);
  const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  if (oleObject && siteFirst)
    oleObject->SetClientSite(site);

  HRESULT status = InitialiseControl(control, stream);
  if (FAILED(status)) {
    Close();
    return status;
  }
  if (!oleObject)
    return S_OK;
  if (!siteFirst)
    oleObject->SetClientSite(site);
  // A control that stays inactive is still hosted: its object model works
  // without a window, so activation's status is not the creation's.
  RECT area = {};
  GetClientRect(hostWindow, &area);
  oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, hostWindow, &area);
  return S_OK;
}

// IAxWinHostWindow

STDMETHODIMP ControlHost::CreateControl(LPCOLESTR name, HWND window, IStream *stream) {
  return CreateControlEx(name, window, stream, nullptr, IID_NULL, nullptr);
}

STDMETHODIMP ControlHost::CreateControlEx(LPCOLESTR name, HWND window, IStream *stream,
                                          IUnknown **created, REFIID /*eventsIid*/,
                                          IUnknown * /*eventSink*/) {
  if (created != nullptr)
    *created = nullptr;
  HRESULT status = CheckWindow(window);
  if (FAILED(status))
    return status;
  if (name == nullptr)
    return E_INVALIDARG;
  CLSID classId;
  status = CLSIDFromString(name, &classId);
  if (FAILED(status))
    return status;
  CComPtr<IUnknown> newControl;
  status = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IUnknown),
                            reinterpret_cast<void **>(&newControl));
  if (FAILED(status))
    return status;
  if (!newControl)
    return E_FAIL;
  status = Activate(newControl, stream);
  if (FAILED(status))
    return status;
  if (created != nullptr)
    *created = newControl.Detach();
  return S_OK;
}

STDMETHODIMP ControlHost::AttachControl(IUnknown *attached, HWND window) {
  if (attached == nullptr)
    return E_POINTER;
  HRESULT status = CheckWindow(window);
  if (FAILED(status))
    return status;
  return Activate(attached, nullptr);
}

STDMETHODIMP ControlHost::QueryControl(REFIID riid, void **object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  return control ? control->QueryInterface(riid, object) : E_FAIL;
}

STDMETHODIMP ControlHost::SetExternalDispatch(IDispatch * /*dispatch*/) {
  return S_OK;
}

STDMETHODIMP ControlHost::SetExternalUIHandler(IUnknown * /*handler*/) {
  return S_OK;
}

// IOleClientSite: a container without storage or monikers.

STDMETHODIMP ControlHost::SaveObject() {
  return E_NOTIMPL;
}

STDMETHODIMP ControlHost::GetMoniker(DWORD /*assign*/, DWORD /*which*/, IMoniker **moniker) {
  if (moniker == nullptr)
    return E_POINTER;
  *moniker = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP ControlHost::GetContainer(IOleContainer **container) {
  if (container == nullptr)
    return E_POINTER;
  *container = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ControlHost::ShowObject() {
  return S_OK;
}

STDMETHODIMP ControlHost::OnShowWindow(BOOL /*show*/) {
  return S_OK;
}

STDMETHODIMP ControlHost::RequestNewObjectLayout() {
  return E_NOTIMPL;
}

// IOleWindow

STDMETHODIMP ControlHost::GetWindow(HWND *window) {
  if (window == nullptr)
    return E_POINTER;
  *window = hostWindow;
  return hostWindow ? S_OK : E_FAIL;
}

STDMETHODIMP ControlHost::ContextSensitiveHelp(BOOL /*enterMode*/) {
  return E_NOTIMPL;
}

// IOleInPlaceSite: the control may always activate, in the whole window.

STDMETHODIMP ControlHost::CanInPlaceActivate() {
  return hostWindow ? S_OK : S_FALSE;
}

STDMETHODIMP ControlHost::OnInPlaceActivate() {
  inPlaceActive = true;
  return S_OK;
}

STDMETHODIMP ControlHost::OnUIActivate() {
  return S_OK;
}

STDMETHODIMP ControlHost::GetWindowContext(IOleInPlaceFrame **frame, IOleInPlaceUIWindow **document,
                                           LPRECT position, LPRECT clip,
                                           LPOLEINPLACEFRAMEINFO frameInfo) {
  if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr)
    return E_POINTER;
  *frame = this;
  (*frame)->AddRef();
  *document = nullptr; // the frame is the document window too
  GetClientRect(hostWindow, position);
  *clip = *position;
  if (frameInfo != nullptr && frameInfo->cb >= sizeof(OLEINPLACEFRAMEINFO)) {
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = hostWindow;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
  }
  return S_OK;
}

STDMETHODIMP ControlHost::Scroll(SIZE /*extent*/) {
  return E_NOTIMPL;
}

STDMETHODIMP ControlHost::OnUIDeactivate(BOOL /*undoable*/) {
  return S_OK;
}

STDMETHODIMP ControlHost::OnInPlaceDeactivate() {
  inPlaceActive = false;
  return S_OK;
}

STDMETHODIMP ControlHost::DiscardUndoState() {
  return S_OK;
}

STDMETHODIMP ControlHost::DeactivateAndUndo() {
  return S_OK;
}

// The window decides the control's size (Resize).
STDMETHODIMP ControlHost::OnPosRectChange(LPCRECT /*position*/) {
  return S_OK;
}

// IOleInPlaceSiteEx: the same answers, with the redraw question.

STDMETHODIMP ControlHost::OnInPlaceActivateEx(BOOL *noRedraw, DWORD /*flags*/) {
  if (noRedraw != nullptr)
    *noRedraw = FALSE; // the window is not drawn before activation
  return OnInPlaceActivate();
}

STDMETHODIMP ControlHost::OnInPlaceDeactivateEx(BOOL /*noRedraw*/) {
  return OnInPlaceDeactivate();
}

STDMETHODIMP ControlHost::RequestUIActivate() {
  return S_OK;
}

// IOleInPlaceUIWindow: no tool space.

STDMETHODIMP ControlHost::GetBorder(LPRECT /*border*/) {
  return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP ControlHost::RequestBorderSpace(LPCBORDERWIDTHS /*widths*/) {
  return INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP ControlHost::SetBorderSpace(LPCBORDERWIDTHS widths) {
  return widths == nullptr ? S_OK : INPLACE_E_NOTOOLSPACE;
}

STDMETHODIMP ControlHost::SetActiveObject(IOleInPlaceActiveObject * /*active*/,
                                          LPCOLESTR /*name*/) {
  return S_OK;
}

// IOleInPlaceFrame: no menus, status line or accelerators of its own.

STDMETHODIMP ControlHost::InsertMenus(HMENU /*shared*/, LPOLEMENUGROUPWIDTHS /*widths*/) {
  return S_OK;
}

STDMETHODIMP ControlHost::SetMenu(HMENU /*shared*/, HOLEMENU /*descriptor*/,
                                  HWND /*activeObject*/) {
  return S_OK;
}

STDMETHODIMP ControlHost::RemoveMenus(HMENU /*shared*/) {
  return S_OK;
}

STDMETHODIMP ControlHost::SetStatusText(LPCOLESTR /*text*/) {
  return S_OK;
}

STDMETHODIMP ControlHost::EnableModeless(BOOL /*enable*/) {
  return S_OK;
}

STDMETHODIMP ControlHost::TranslateAccelerator(LPMSG /*message*/, WORD /*id*/) {
  return S_FALSE;
}
