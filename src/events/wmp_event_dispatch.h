// CWMPEventDispatch: the event sink the player connects to the control.
// It hands the six events that matter to its player's CallAudioProc and
// ignores every other one. It keeps no state beyond that player.
//
// Two faces: IWMPEvents, whose methods the control calls directly, and the
// dispatch interface _WMPOCXEvents, whose Invoke the control calls with the
// event's dispatch id when the connection was made on that face.
#pragma once

#include <atlbase.h>
#include <atlcom.h>
#include <audioplayer.h>
#include <windows.h>
#include <wmp.h>

class CWMPEventDispatch : public ATL::CComObjectRootEx<ATL::CComMultiThreadModel>,
                          public IWMPEvents,
                          public _WMPOCXEvents {
public:
  BEGIN_COM_MAP(CWMPEventDispatch)
  COM_INTERFACE_ENTRY2(IUnknown, IWMPEvents)
  COM_INTERFACE_ENTRY(_WMPOCXEvents)
  COM_INTERFACE_ENTRY(IWMPEvents)
  COM_INTERFACE_ENTRY2(IDispatch, _WMPOCXEvents)
  END_COM_MAP()

  // The player to report to; not owned. A null player is not stored. The
  // sink must be disconnected before its player goes.
  void SetPlayer(CAudioPlayer *target);

  // IWMPEvents
  void STDMETHODCALLTYPE OpenStateChange(long state) override;
  void STDMETHODCALLTYPE PlayStateChange(long state) override;
  void STDMETHODCALLTYPE AudioLanguageChange(long language) override {}
  void STDMETHODCALLTYPE StatusChange() override {}
  void STDMETHODCALLTYPE ScriptCommand(BSTR type, BSTR param) override {}
  void STDMETHODCALLTYPE NewStream() override {}
  void STDMETHODCALLTYPE Disconnect(long result) override {}
  void STDMETHODCALLTYPE Buffering(VARIANT_BOOL start) override {}
  void STDMETHODCALLTYPE Error() override;
  void STDMETHODCALLTYPE Warning(long warning, long param, BSTR description) override {}
  void STDMETHODCALLTYPE EndOfStream(long result) override {}
  void STDMETHODCALLTYPE PositionChange(double oldPosition, double newPosition) override {}
  void STDMETHODCALLTYPE MarkerHit(long marker) override {}
  void STDMETHODCALLTYPE DurationUnitChange(long duration) override {}
  void STDMETHODCALLTYPE CdromMediaChange(long drive) override {}
  void STDMETHODCALLTYPE PlaylistChange(IDispatch *playlist,
                                        WMPPlaylistChangeEventType change) override {}
  void STDMETHODCALLTYPE CurrentPlaylistChange(WMPPlaylistChangeEventType change) override;
  void STDMETHODCALLTYPE CurrentPlaylistItemAvailable(BSTR item) override {}
  void STDMETHODCALLTYPE MediaChange(IDispatch *item) override {}
  void STDMETHODCALLTYPE CurrentMediaItemAvailable(BSTR name) override {}
  void STDMETHODCALLTYPE CurrentItemChange(IDispatch *media) override {}
  void STDMETHODCALLTYPE MediaCollectionChange() override {}
  void STDMETHODCALLTYPE MediaCollectionAttributeStringAdded(BSTR name, BSTR value) override {}
  void STDMETHODCALLTYPE MediaCollectionAttributeStringRemoved(BSTR name, BSTR value) override {}
  void STDMETHODCALLTYPE MediaCollectionAttributeStringChanged(BSTR name, BSTR oldValue,
                                                               BSTR newValue) override {}
  void STDMETHODCALLTYPE PlaylistCollectionChange() override {}
  void STDMETHODCALLTYPE PlaylistCollectionPlaylistAdded(BSTR name) override {}
  void STDMETHODCALLTYPE PlaylistCollectionPlaylistRemoved(BSTR name) override {}
  void STDMETHODCALLTYPE PlaylistCollectionPlaylistSetAsDeleted(BSTR name,
                                                                VARIANT_BOOL deleted) override {}
  void STDMETHODCALLTYPE ModeChange(BSTR mode, VARIANT_BOOL value) override {}
  void STDMETHODCALLTYPE MediaError(IDispatch *media) override;
  void STDMETHODCALLTYPE OpenPlaylistSwitch(IDispatch *item) override {}
  void STDMETHODCALLTYPE DomainChange(BSTR domain) override {}
  void STDMETHODCALLTYPE SwitchedToPlayerApplication() override {}
  void STDMETHODCALLTYPE SwitchedToControl() override {}
  void STDMETHODCALLTYPE PlayerDockedStateChange() override {}
  void STDMETHODCALLTYPE PlayerReconnect() override {}
  void STDMETHODCALLTYPE Click(short button, short shift, long x, long y) override;
  void STDMETHODCALLTYPE DoubleClick(short button, short shift, long x, long y) override {}
  void STDMETHODCALLTYPE KeyDown(short key, short shift) override {}
  void STDMETHODCALLTYPE KeyPress(short ascii) override {}
  void STDMETHODCALLTYPE KeyUp(short key, short shift) override {}
  void STDMETHODCALLTYPE MouseDown(short button, short shift, long x, long y) override {}
  void STDMETHODCALLTYPE MouseMove(short button, short shift, long x, long y) override {}
  void STDMETHODCALLTYPE MouseUp(short button, short shift, long x, long y) override {}

  // _WMPOCXEvents: no type information; events arrive through Invoke only.
  STDMETHOD(GetTypeInfoCount)(UINT *count) override { return E_NOTIMPL; }
  STDMETHOD(GetTypeInfo)(UINT index, LCID locale, ITypeInfo **info) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)
  (REFIID riid, LPOLESTR *names, UINT count, LCID locale, DISPID *ids) override {
    return E_NOTIMPL;
  }
  STDMETHOD(Invoke)
  (DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS *params, VARIANT *result,
   EXCEPINFO *exception, UINT *argumentError) override;

private:
  void DispatchEvent(DISPID member, const VARIANT *args);
  // The change kind as a plain long: through Invoke it can be any value,
  // which the enumeration cannot hold, and the host gets it unchanged.
  void ForwardPlaylistChange(long change);

  CAudioPlayer *player = nullptr;
};
