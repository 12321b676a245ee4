// An event sink with the same faces as the player's (IWMPEvents and the
// dispatch interface _WMPOCXEvents) that ignores every event: what the
// test host hands to the control's connection point when it asks the
// control directly whether it accepts a sink.
#pragma once

#include <atlbase.h>
#include <atlcom.h>
#include <windows.h>
#include <wmp.h>

class SilentEventSink : public ATL::CComObjectRootEx<ATL::CComSingleThreadModel>,
                        public IWMPEvents,
                        public _WMPOCXEvents {
public:
  BEGIN_COM_MAP(SilentEventSink)
  COM_INTERFACE_ENTRY2(IUnknown, IWMPEvents)
  COM_INTERFACE_ENTRY(_WMPOCXEvents)
  COM_INTERFACE_ENTRY(IWMPEvents)
  COM_INTERFACE_ENTRY2(IDispatch, _WMPOCXEvents)
  END_COM_MAP()

  // IWMPEvents
  void STDMETHODCALLTYPE OpenStateChange(long) override {}
  void STDMETHODCALLTYPE PlayStateChange(long) override {}
  void STDMETHODCALLTYPE AudioLanguageChange(long) override {}
  void STDMETHODCALLTYPE StatusChange() override {}
  void STDMETHODCALLTYPE ScriptCommand(BSTR, BSTR) override {}
  void STDMETHODCALLTYPE NewStream() override {}
  void STDMETHODCALLTYPE Disconnect(long) override {}
  void STDMETHODCALLTYPE Buffering(VARIANT_BOOL) override {}
  void STDMETHODCALLTYPE Error() override {}
  void STDMETHODCALLTYPE Warning(long, long, BSTR) override {}
  void STDMETHODCALLTYPE EndOfStream(long) override {}
  void STDMETHODCALLTYPE PositionChange(double, double) override {}
  void STDMETHODCALLTYPE MarkerHit(long) override {}
  void STDMETHODCALLTYPE DurationUnitChange(long) override {}
  void STDMETHODCALLTYPE CdromMediaChange(long) override {}
  void STDMETHODCALLTYPE PlaylistChange(IDispatch *, WMPPlaylistChangeEventType) override {}
  void STDMETHODCALLTYPE CurrentPlaylistChange(WMPPlaylistChangeEventType) override {}
  void STDMETHODCALLTYPE CurrentPlaylistItemAvailable(BSTR) override {}
  void STDMETHODCALLTYPE MediaChange(IDispatch *) override {}
  void STDMETHODCALLTYPE CurrentMediaItemAvailable(BSTR) override {}
  void STDMETHODCALLTYPE CurrentItemChange(IDispatch *) override {}
  void STDMETHODCALLTYPE MediaCollectionChange() override {}
  void STDMETHODCALLTYPE MediaCollectionAttributeStringAdded(BSTR, BSTR) override {}
  void STDMETHODCALLTYPE MediaCollectionAttributeStringRemoved(BSTR, BSTR) override {}
  void STDMETHODCALLTYPE MediaCollectionAttributeStringChanged(BSTR, BSTR, BSTR) override {}
  void STDMETHODCALLTYPE PlaylistCollectionChange() override {}
  void STDMETHODCALLTYPE PlaylistCollectionPlaylistAdded(BSTR) override {}
  void STDMETHODCALLTYPE PlaylistCollectionPlaylistRemoved(BSTR) override {}
  void STDMETHODCALLTYPE PlaylistCollectionPlaylistSetAsDeleted(BSTR, VARIANT_BOOL) override {}
  void STDMETHODCALLTYPE ModeChange(BSTR, VARIANT_BOOL) override {}
  void STDMETHODCALLTYPE MediaError(IDispatch *) override {}
  void STDMETHODCALLTYPE OpenPlaylistSwitch(IDispatch *) override {}
  void STDMETHODCALLTYPE DomainChange(BSTR) override {}
  void STDMETHODCALLTYPE SwitchedToPlayerApplication() override {}
  void STDMETHODCALLTYPE SwitchedToControl() override {}
  void STDMETHODCALLTYPE PlayerDockedStateChange() override {}
  void STDMETHODCALLTYPE PlayerReconnect() override {}
  void STDMETHODCALLTYPE Click(short, short, long, long) override {}
  void STDMETHODCALLTYPE DoubleClick(short, short, long, long) override {}
  void STDMETHODCALLTYPE KeyDown(short, short) override {}
  void STDMETHODCALLTYPE KeyPress(short) override {}
  void STDMETHODCALLTYPE KeyUp(short, short) override {}
  void STDMETHODCALLTYPE MouseDown(short, short, long, long) override {}
  void STDMETHODCALLTYPE MouseMove(short, short, long, long) override {}
  void STDMETHODCALLTYPE MouseUp(short, short, long, long) override {}

  // _WMPOCXEvents
  STDMETHOD(GetTypeInfoCount)(UINT *) override { return E_NOTIMPL; }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)
  (DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *, UINT *) override {
    return S_OK;
  }
};
