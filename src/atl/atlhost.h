// ATL's control hosting, for toolchains that ship no ATL: the
// "AtlAxWin120" window class whose windows host one ActiveX control each,
// and the calls that reach a window's host object and its control. Each
// build implements it: src/winhost on Windows, src/platform on Linux.
#pragma once

#include <windows.h>

// ATL's published interface of a hosting window's host object.
interface IAxWinHostWindow : public IUnknown {
  // Creates the control named by `name` (a class identifier in braces, or
  // a programmatic identifier) in `window` and activates it in place there;
  // `stream` (initialisation data) may be null.
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
// window classes "AtlAxWin120" and "AtlAxWinLic120" for the module that
// holds this code. Idempotent.
BOOL AtlAxWinInit();
// The host object of a hosting window (sent WM_ATLGETHOST), counted.
HRESULT AtlAxGetHost(HWND window, IUnknown **host);
// The control hosted in a window (sent WM_ATLGETCONTROL), counted.
HRESULT AtlAxGetControl(HWND window, IUnknown **control);
} // namespace ATL

using ATL::AtlAxGetControl;
using ATL::AtlAxGetHost;
using ATL::AtlAxWinInit;
