#include "control_answers.h"

#include <atlbase.h>
#include <ocidl.h>
#include <wmp.h>

#include "silent_event_sink.h"

namespace {

// A getter that succeeds without an object fails, as it fails the player.
template <class T> HRESULT Required(HRESULT status, const CComPtr<T> &object) {
  return FAILED(status) || object ? status : E_FAIL;
}

} // namespace

HRESULT ControlAnswers::Answered(const char *call, HRESULT status) {
  answers.push_back({call, status, true});
  return status;
}

void ControlAnswers::Noted(const char *call, HRESULT status) {
  answers.push_back({call, status, false});
}

size_t ControlAnswers::FirstRefusal() const {
  size_t index = 0;
  while (index < answers.size() && !(answers[index].counts && FAILED(answers[index].status)))
    ++index;
  return index;
}

HRESULT ControlAnswers::Expected() const {
  size_t refusal = FirstRefusal();
  return refusal < answers.size() ? answers[refusal].status : S_OK;
}

HRESULT ControlAnswers::Ask() {
  answers.clear();
  // The hosting window creates the control from its class identifier.
  CLSID classId;
  if (FAILED(Answered("CLSIDFromString",
                      CLSIDFromString(L"{6BF52A52-394A-11d3-B153-00C04F79FAA6}", &classId))))
    return Expected();
  CComPtr<IUnknown> control;
  HRESULT status = CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IUnknown),
                                    reinterpret_cast<void **>(&control));
  if (FAILED(Answered("CoCreateInstance", Required(status, control))))
    return Expected();
  CComPtr<IWMPPlayer4> player;
  if (FAILED(Answered("QueryInterface(IWMPPlayer4)",
                      Required(control.QueryInterface(&player), player))))
    return Expected();

  Answered("put_enableContextMenu(VARIANT_FALSE)", player->put_enableContextMenu(VARIANT_FALSE));
  CComPtr<IConnectionPointContainer> container;
  Answered("QueryInterface(IConnectionPointContainer)",
           Required(player.QueryInterface(&container), container));

  CComPtr<IWMPControls> controls;
  Answered("get_controls", Required(player->get_controls(&controls), controls));
  CComPtr<IWMPSettings> settings;
  Answered("get_settings", Required(player->get_settings(&settings), settings));
  if (settings) {
    Answered("put_autoStart(VARIANT_FALSE)", settings->put_autoStart(VARIANT_FALSE));
    Noted("put_enableErrorDialogs(VARIANT_TRUE)", settings->put_enableErrorDialogs(VARIANT_TRUE));
  }

  CComPtr<IWMPMediaCollection> mediaCollection;
  Answered("get_mediaCollection",
           Required(player->get_mediaCollection(&mediaCollection), mediaCollection));
  CComPtr<IWMPPlaylistCollection> playlistCollection;
  Answered("get_playlistCollection",
           Required(player->get_playlistCollection(&playlistCollection), playlistCollection));
  CComPtr<IWMPCdromCollection> cdromCollection;
  Answered("get_cdromCollection",
           Required(player->get_cdromCollection(&cdromCollection), cdromCollection));

  if (container) {
    // The player prefers IWMPEvents and falls back to the dispatch face.
    CComPtr<IConnectionPoint> point;
    status = container->FindConnectionPoint(__uuidof(IWMPEvents), &point);
    if (FAILED(status) || !point) {
      Noted("FindConnectionPoint(IWMPEvents)", FAILED(status) ? status : E_FAIL);
      point.Release();
      status = container->FindConnectionPoint(__uuidof(_WMPOCXEvents), &point);
      Answered("FindConnectionPoint(_WMPOCXEvents)", Required(status, point));
    } else {
      Answered("FindConnectionPoint(IWMPEvents)", status);
    }
    ATL::CComObject<SilentEventSink> *sinkObject = nullptr;
    if (point && SUCCEEDED(ATL::CComObject<SilentEventSink>::CreateInstance(&sinkObject))) {
      CComPtr<IWMPEvents> sink(sinkObject);
      DWORD cookie = 0;
      if (SUCCEEDED(Answered("IConnectionPoint::Advise", point->Advise(sink, &cookie))) &&
          cookie != 0)
        point->Unadvise(cookie);
    }
  }
  Answered("put_stretchToFit(1)", player->put_stretchToFit(VARIANT_BOOL(1)));
  player->close();
  return Expected();
}
