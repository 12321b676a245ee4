// Guards the scripted control that the back-end tests stand on: scripted
// answers, recording, events on both faces and the leak counters.
#include "ole_text.h"
#include "scripted/scripted_control.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wmp.h>
#include <wmpids.h>

#include <string>
#include <vector>

namespace {

// A sink with both event faces; `face` picks which one QueryInterface
// admits, so a connection point can be made to use either.
struct Sink : IWMPEvents, _WMPOCXEvents {
  using Face = scripted::Face;
  explicit Sink(Face face) : face(face) {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override {
    *object = nullptr;
    if (riid == __uuidof(IUnknown) || (riid == __uuidof(IWMPEvents) && face == Face::Events))
      *object = static_cast<IWMPEvents *>(this);
    else if (riid == __uuidof(_WMPOCXEvents) && face == Face::Dispatch)
      *object = static_cast<_WMPOCXEvents *>(this);
    else
      return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
  STDMETHOD_(ULONG, Release)() override { return --refs; }

  void STDMETHODCALLTYPE OpenStateChange(long) override {}
  void STDMETHODCALLTYPE PlayStateChange(long state) override {
    seen.push_back("PlayStateChange " + std::to_string(state));
  }
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
  void STDMETHODCALLTYPE Click(short button, short shift, long x, long y) override {
    seen.push_back("Click " + std::to_string(button) + " " + std::to_string(shift) + " " +
                   std::to_string(x) + " " + std::to_string(y));
  }
  void STDMETHODCALLTYPE DoubleClick(short, short, long, long) override {}
  void STDMETHODCALLTYPE KeyDown(short, short) override {}
  void STDMETHODCALLTYPE KeyPress(short) override {}
  void STDMETHODCALLTYPE KeyUp(short, short) override {}
  void STDMETHODCALLTYPE MouseDown(short, short, long, long) override {}
  void STDMETHODCALLTYPE MouseMove(short, short, long, long) override {}
  void STDMETHODCALLTYPE MouseUp(short, short, long, long) override {}

  STDMETHOD(GetTypeInfoCount)(UINT *) override { return E_NOTIMPL; }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
  // Writes the event as the direct face does, from the reversed arguments.
  STDMETHOD(Invoke)
  (DISPID id, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *, EXCEPINFO *, UINT *) override {
    VARIANT *args = params->rgvarg;
    if (id == DISPID_WMPCOREEVENT_PLAYSTATECHANGE && params->cArgs == 1 && args[0].vt == VT_I4)
      PlayStateChange(args[0].lVal);
    if (id == DISPID_WMPOCXEVENT_CLICK && params->cArgs == 4 && args[3].vt == VT_I2 &&
        args[2].vt == VT_I2 && args[1].vt == VT_I4 && args[0].vt == VT_I4)
      Click(args[3].iVal, args[2].iVal, args[1].lVal, args[0].lVal);
    return S_OK;
  }

  Face face;
  long refs = 0;
  std::vector<std::string> seen;
};

IWMPPlayer4 *CreatePlayer() {
  IWMPPlayer4 *player = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_WindowsMediaPlayer, nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IWMPPlayer4), reinterpret_cast<void **>(&player)),
            S_OK);
  return player;
}

TEST(ScriptedControl, AnswersAsScriptedAndRecordsCalls) {
  scripted::Control control;
  control.fail("IWMPControls.play", 0x00000002);
  control.giveNull("IWMPPlayer4.get_settings");
  int hooked = 0;
  control.onCall("IWMPControls.stop", [&] { ++hooked; });
  {
    IWMPPlayer4 *player = CreatePlayer();
    ASSERT_NE(player, nullptr);
    IWMPControls *controls = nullptr;
    ASSERT_EQ(player->get_controls(&controls), S_OK);
    EXPECT_EQ(controls->play(), 0x00000002);
    EXPECT_EQ(control.model().playState, wmppsUndefined); // a scripted call does nothing
    EXPECT_EQ(controls->stop(), S_OK);
    EXPECT_EQ(hooked, 1);
    IWMPSettings *settings = reinterpret_cast<IWMPSettings *>(1);
    EXPECT_EQ(player->get_settings(&settings), S_OK);
    EXPECT_EQ(settings, nullptr);
    control.clearScript();
    ASSERT_EQ(player->get_settings(&settings), S_OK);
    EXPECT_EQ(settings->put_volume(37), S_OK);
    EXPECT_EQ(control.model().volume, 37);
    settings->Release();
    controls->Release();
    player->Release();
  }
  EXPECT_EQ(control.count("IWMPControls.play"), 1u);
  ASSERT_EQ(control.callsTo("IWMPSettings.put_volume").size(), 1u);
  EXPECT_EQ(control.callsTo("IWMPSettings.put_volume")[0].args, std::vector<std::string>{"37"});
  EXPECT_EQ(scripted::liveObjects(), 0u) << scripted::leakReport();
  EXPECT_EQ(scripted::outstandingReferences(), 0);
}

TEST(ScriptedControl, PlaylistsBehaveLikeTheControl) {
  scripted::Control control;
  IWMPPlayer4 *player = CreatePlayer();
  ASSERT_NE(player, nullptr);
  IWMPMedia *media = nullptr;
  BSTR url = SysAllocString(OLESTR("C:\\music\\song.mp3"));
  ASSERT_EQ(player->newMedia(url, &media), S_OK);
  IWMPPlaylist *current = nullptr;
  ASSERT_EQ(player->get_currentPlaylist(&current), S_OK);
  EXPECT_EQ(current->appendItem(media), S_OK);
  long count = 0;
  EXPECT_EQ(current->get_count(&count), S_OK);
  EXPECT_EQ(count, 1);
  IWMPMedia *again = nullptr;
  ASSERT_EQ(current->get_Item(0, &again), S_OK);
  VARIANT_BOOL identical = VARIANT_FALSE;
  EXPECT_EQ(media->get_isIdentical(again, &identical), S_OK);
  EXPECT_EQ(identical, VARIANT_TRUE);
  BSTR name = nullptr;
  ASSERT_EQ(again->get_name(&name), S_OK);
  EXPECT_EQ(test_support::U16(name), u"song");
  EXPECT_EQ(control.callsTo("IWMPPlaylist.appendItem")[0].args[0], "C:\\music\\song.mp3");
  SysFreeString(name);
  SysFreeString(url);
  again->Release();
  current->Release();
  media->Release();
  EXPECT_GT(scripted::liveObjects(), 0u);
  player->Release();
  EXPECT_EQ(scripted::liveObjects(), 0u) << scripted::leakReport();
}

void ExpectEventsOnFace(scripted::Face face, const IID &iid) {
  scripted::Control control;
  Sink sink(face);
  IWMPPlayer4 *player = CreatePlayer();
  ASSERT_NE(player, nullptr);
  IConnectionPointContainer *container = nullptr;
  ASSERT_EQ(player->QueryInterface(__uuidof(IConnectionPointContainer),
                                   reinterpret_cast<void **>(&container)),
            S_OK);
  IConnectionPoint *point = nullptr;
  ASSERT_EQ(container->FindConnectionPoint(iid, &point), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(static_cast<IWMPEvents *>(&sink), &cookie), S_OK);
  EXPECT_EQ(control.advisedFace(), face);
  EXPECT_EQ(sink.refs, 1);

  control.raisePlayStateChange(wmppsPlaying);
  control.raiseClick(1, 2, 30, 40);
  EXPECT_EQ(sink.seen, (std::vector<std::string>{"PlayStateChange 3", "Click 1 2 30 40"}));

  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(sink.refs, 0);
  EXPECT_EQ(control.advisedFace(), scripted::Face::None);
  point->Release();
  container->Release();
  player->Release();
  EXPECT_EQ(scripted::liveObjects(), 0u) << scripted::leakReport();
  EXPECT_EQ(scripted::outstandingReferences(), 0);
}

TEST(ScriptedControl, RaisesEventsThroughIWMPEvents) {
  ExpectEventsOnFace(scripted::Face::Events, __uuidof(IWMPEvents));
}

TEST(ScriptedControl, RaisesEventsThroughDispatch) {
  ExpectEventsOnFace(scripted::Face::Dispatch, __uuidof(_WMPOCXEvents));
}

TEST(ScriptedControl, CreationFailureLeavesNothingAlive) {
  scripted::Control control;
  control.failCreate(E_OUTOFMEMORY);
  IWMPPlayer4 *player = nullptr;
  EXPECT_EQ(CoCreateInstance(CLSID_WindowsMediaPlayer, nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IWMPPlayer4), reinterpret_cast<void **>(&player)),
            E_OUTOFMEMORY);
  EXPECT_EQ(player, nullptr);
  EXPECT_EQ(control.count("IClassFactory.CreateInstance"), 1u);
  EXPECT_EQ(scripted::liveObjects(), 0u) << scripted::leakReport();
  EXPECT_EQ(scripted::liveFactories(), 1u);
}

TEST(ScriptedControl, RevokesItsFactory) {
  {
    scripted::Control control;
    EXPECT_EQ(scripted::liveFactories(), 1u);
  }
  EXPECT_EQ(scripted::liveFactories(), 0u);
}

} // namespace
