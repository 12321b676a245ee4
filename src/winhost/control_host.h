// ControlHost: the host object of one "AtlAxWin120" window. It creates the
// window's control, activates it in place in the window, and is the
// control's whole container: its client site, its in-place site (the
// extended one, which some controls insist on) and its frame. It offers no document window, menus,
// tool space, accelerators or storage: the minimum an ActiveX control needs to draw in a window.
//
// Used on the window's thread only. The window holds one reference from
// its creation until its destruction, when the control goes.
#pragma once

#include <atlbase.h>
#include <atlcom.h>
#include <atlhost.h>
#include <ocidl.h>
#include <ole2.h>
#include <windows.h>

#include "host_window.h"

class ControlHost : public ATL::CComObjectRootEx<ATL::CComSingleThreadModel>,
                    public WindowHost,
                    public IOleClientSite,
                    public IOleInPlaceSiteEx,
                    public IOleInPlaceFrame {
public:
  BEGIN_COM_MAP(ControlHost)
  COM_INTERFACE_ENTRY2(IUnknown, IAxWinHostWindow)
  COM_INTERFACE_ENTRY(IAxWinHostWindow)
  COM_INTERFACE_ENTRY(IOleClientSite)
  COM_INTERFACE_ENTRY2(IOleWindow, IOleInPlaceSiteEx)
  COM_INTERFACE_ENTRY2(IOleInPlaceSite, IOleInPlaceSiteEx)
  COM_INTERFACE_ENTRY(IOleInPlaceSiteEx)
  COM_INTERFACE_ENTRY2(IOleInPlaceUIWindow, IOleInPlaceFrame)
  COM_INTERFACE_ENTRY(IOleInPlaceFrame)
  END_COM_MAP()

  ~ControlHost();

  // Called by the window: once after its creation, then on its resizing
  // and at its destruction, after which the host hosts nothing more.
  void Bind(HWND window) override;
  void Resize(int width, int height) override;
  void Close() override;

  // The hosted control, not counted; null when none.
  IUnknown *Control() const override { return control; }

  // IAxWinHostWindow. The event parameters of CreateControlEx are not used:
  // callers connect to the control themselves.
  STDMETHOD(CreateControl)(LPCOLESTR name, HWND window, IStream *stream) override;
  STDMETHOD(CreateControlEx)
  (LPCOLESTR name, HWND window, IStream *stream, IUnknown **created, REFIID eventsIid,
   IUnknown *eventSink) override;
  STDMETHOD(AttachControl)(IUnknown *attached, HWND window) override;
  STDMETHOD(QueryControl)(REFIID riid, void **object) override;
  STDMETHOD(SetExternalDispatch)(IDispatch *dispatch) override;
  STDMETHOD(SetExternalUIHandler)(IUnknown *handler) override;

  // IOleClientSite
  STDMETHOD(SaveObject)() override;
  STDMETHOD(GetMoniker)(DWORD assign, DWORD which, IMoniker **moniker) override;
  STDMETHOD(GetContainer)(IOleContainer **container) override;
  STDMETHOD(ShowObject)() override;
  STDMETHOD(OnShowWindow)(BOOL show) override;
  STDMETHOD(RequestNewObjectLayout)() override;

  // IOleWindow, for both the in-place site and the frame
  STDMETHOD(GetWindow)(HWND *window) override;
  STDMETHOD(ContextSensitiveHelp)(BOOL enterMode) override;

  // IOleInPlaceSite
  STDMETHOD(CanInPlaceActivate)() override;
  STDMETHOD(OnInPlaceActivate)() override;
  STDMETHOD(OnUIActivate)() override;
  STDMETHOD(GetWindowContext)
  (IOleInPlaceFrame **frame, IOleInPlaceUIWindow **document, LPRECT position, LPRECT clip,
   LPOLEINPLACEFRAMEINFO frameInfo) override;
  STDMETHOD(Scroll)(SIZE extent) override;
  STDMETHOD(OnUIDeactivate)(BOOL undoable) override;
  STDMETHOD(OnInPlaceDeactivate)() override;
  STDMETHOD(DiscardUndoState)() override;
  STDMETHOD(DeactivateAndUndo)() override;
  STDMETHOD(OnPosRectChange)(LPCRECT position) override;

  // IOleInPlaceSiteEx
  STDMETHOD(OnInPlaceActivateEx)(BOOL *noRedraw, DWORD flags) override;
  STDMETHOD(OnInPlaceDeactivateEx)(BOOL noRedraw) override;
  STDMETHOD(RequestUIActivate)() override;

  // IOleInPlaceUIWindow
  STDMETHOD(GetBorder)(LPRECT border) override;
  STDMETHOD(RequestBorderSpace)(LPCBORDERWIDTHS widths) override;
  STDMETHOD(SetBorderSpace)(LPCBORDERWIDTHS widths) override;
  STDMETHOD(SetActiveObject)(IOleInPlaceActiveObject *active, LPCOLESTR name) override;

  // IOleInPlaceFrame
  STDMETHOD(InsertMenus)(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
  STDMETHOD(SetMenu)(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
  STDMETHOD(RemoveMenus)(HMENU shared) override;
  STDMETHOD(SetStatusText)(LPCOLESTR text) override;
  STDMETHOD(EnableModeless)(BOOL enable) override;
  STDMETHOD(TranslateAccelerator)(LPMSG message, WORD id) override;

private:
  HRESULT CheckWindow(HWND window) const;
  HRESULT Activate(IUnknown *newControl, IStream *stream);

  HWND hostWindow = nullptr;
  CComPtr<IUnknown> control;
  CComPtr<IOleObject> oleObject; // null for a control that is no OLE object
  bool inPlaceActive = false;
};
