// ATL's control hosting: the "AtlAxWin120" window class whose windows host
// one ActiveX control each, and the calls that reach a window's host object
// and its control.
#pragma once

#include <windows.h>

interface IAxWinHostWindow : public IUnknown {
  // Creates the control named by `name` (a class identifier in braces)
  // in `window`; `stream` (initialisation data) may be null.
  STDMETHOD(CreateControl)(LPCOLESTR name, HWND window, IStream *stream) = 0;
  STDMETHOD(CreateControlEx)
  (LPCOLESTR name, HWND window, IStream *stream, IUnknown **control, REFIID eventsIid,
   IUnknown *eventSink) = 0;
  STDMETHOD(AttachControl)(IUnknown *control, HWND window) = 0;
  STDMETHOD(QueryControl)(REFIID riid, void **object) = 0;
  STDMETHOD(SetExternalDispatch)(IDispatch *dispatch) = 0;
  STDMETHOD(SetExternalUIHandler)(IUnknown *handler) = 0;
};
__CRT_UUID_DECL(IAxWinHostWindow, 0xb6ea2050, 0x048a, 0x11d1, 0x82, 0xb9, 0x00, 0xc0, 0x4f, 0xb9,
                0x94, 0x2e)

namespace ATL {
// Registers the messages "WM_ATLGETHOST" and "WM_ATLGETCONTROL" and the
// window classes "AtlAxWin120" and "AtlAxWinLic120". Idempotent.
BOOL AtlAxWinInit();
// The host object of a hosting window (sent WM_ATLGETHOST).
HRESULT AtlAxGetHost(HWND window, IUnknown **host);
// The control hosted in a window (sent WM_ATLGETCONTROL).
HRESULT AtlAxGetControl(HWND window, IUnknown **control);
} // namespace ATL

using ATL::AtlAxGetControl;
using ATL::AtlAxGetHost;
using ATL::AtlAxWinInit;

// How a control learns its window on Linux, where a real control gets
// IOleClientSite from its host: right after the host creates or is given a
// control that answers this interface, it calls SetHostWindow(window) with
// the hosting window, to which the control may post its messages; before
// releasing the control it calls SetHostWindow(nullptr).
interface IPlatformControlSite : public IUnknown {
  STDMETHOD(SetHostWindow)(HWND window) = 0;
};
// {39A6DE76-BFF5-4D92-8C4F-3555D037816E}
__CRT_UUID_DECL(IPlatformControlSite, 0x39a6de76, 0xbff5, 0x4d92, 0x8c, 0x4f, 0x35, 0x55, 0xd0,
                0x37, 0x81, 0x6e)
