// The engine's control as a client uses it without the player: made by its
// class, with a sink on its dispatch event face that keeps every event it
// hears. For tests of what the control itself raises, apart from what the
// player's notification path adds.
#pragma once

#include <ocidl.h>
#include <windows.h>
#include <wmp.h>
#include <wmpids.h>

#include <string>
#include <vector>

namespace control_client {

struct HeardEvent {
  DISPID id;
  long number = 0;         // a state, a change kind
  std::u16string mediaUrl; // of the event's media item, if it has one
};

// Counts its references like any sink; the test owns one.
class EventLog : public IDispatch {
public:
  std::vector<HeardEvent> events;

  STDMETHOD(QueryInterface)(REFIID iid, void **out) override {
    if (out == nullptr)
      return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == DIID__WMPOCXEvents) {
      *out = static_cast<IDispatch *>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHOD_(ULONG, AddRef)() override { return ++references_; }
  STDMETHOD_(ULONG, Release)() override { return --references_; }
  STDMETHOD(GetTypeInfoCount)(UINT *count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
  STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override { return E_NOTIMPL; }
  STDMETHOD(Invoke)
  (DISPID id, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *, EXCEPINFO *, UINT *) override {
    HeardEvent heard{id, 0, {}};
    // The arguments come last first; the first one is what these tests read.
    if (params != nullptr && params->cArgs > 0) {
      const VARIANT &first = params->rgvarg[params->cArgs - 1];
      if (first.vt == VT_I4)
        heard.number = first.lVal;
      if (first.vt == VT_DISPATCH && first.pdispVal != nullptr) {
        IWMPMedia *media = nullptr;
        if (SUCCEEDED(first.pdispVal->QueryInterface(__uuidof(IWMPMedia),
                                                     reinterpret_cast<void **>(&media)))) {
          BSTR url = nullptr;
          if (SUCCEEDED(media->get_sourceURL(&url)) && url != nullptr)
            heard.mediaUrl.assign(reinterpret_cast<const char16_t *>(url), SysStringLen(url));
          SysFreeString(url);
          media->Release();
        }
      }
    }
    events.push_back(std::move(heard));
    return S_OK;
  }

  long Count(DISPID id, long number = -1) const {
    long count = 0;
    for (const HeardEvent &event : events)
      count += event.id == id && (number < 0 || event.number == number);
    return count;
  }

private:
  ULONG references_ = 1;
};

// The control and its objects, released in order at the end.
struct Control {
  IWMPPlayer4 *player = nullptr;
  IWMPSettings *settings = nullptr;
  IConnectionPoint *point = nullptr;
  DWORD cookie = 0;
  EventLog log;

  // False if the control cannot be made or will not take the sink.
  bool Make() {
    if (FAILED(CoCreateInstance(CLSID_WindowsMediaPlayer, nullptr, CLSCTX_INPROC_SERVER,
                                __uuidof(IWMPPlayer4), reinterpret_cast<void **>(&player))) ||
        player == nullptr || FAILED(player->get_settings(&settings)) || settings == nullptr)
      return false;
    IConnectionPointContainer *container = nullptr;
    if (FAILED(player->QueryInterface(__uuidof(IConnectionPointContainer),
                                      reinterpret_cast<void **>(&container))))
      return false;
    HRESULT found = container->FindConnectionPoint(DIID__WMPOCXEvents, &point);
    container->Release();
    return SUCCEEDED(found) && point != nullptr && SUCCEEDED(point->Advise(&log, &cookie));
  }

  ~Control() {
    if (point != nullptr) {
      point->Unadvise(cookie);
      point->Release();
    }
    if (settings != nullptr)
      settings->Release();
    if (player != nullptr) {
      player->close();
      player->Release();
    }
  }
};

} // namespace control_client
