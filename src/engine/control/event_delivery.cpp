// Raising one event on one sink.
#include "engine/control/event_delivery.h"

#include <variant_values.h>

#include <vector>

#include "engine/text/com_text.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

// The event's object arguments, made for the call and released after it.
struct EventObjects {
  IWMPMedia *media = nullptr;
  IWMPPlaylist *playlist = nullptr;
  explicit EventObjects(const EngineEvent &event) {
    if (event.media)
      media = NewMediaObject(event.media);
    if (event.playlist)
      playlist = NewPlaylistObject(event.playlist);
  }
  ~EventObjects() {
    if (media)
      media->Release();
    if (playlist)
      playlist->Release();
  }
  EventObjects(const EventObjects &) = delete;
  EventObjects &operator=(const EventObjects &) = delete;
};

void Direct(IWMPEvents *sink, const EngineEvent &event, const EventObjects &objects) {
  switch (event.id) {
  case DISPID_WMPCOREEVENT_OPENSTATECHANGE:
    return sink->OpenStateChange(event.number);
  case DISPID_WMPCOREEVENT_PLAYSTATECHANGE:
    return sink->PlayStateChange(event.number);
  case DISPID_WMPCOREEVENT_BUFFERING:
    return sink->Buffering(ComBool(event.flag));
  case DISPID_WMPCOREEVENT_ERROR:
    return sink->Error();
  case DISPID_WMPCOREEVENT_ENDOFSTREAM:
    return sink->EndOfStream(event.number);
  case DISPID_WMPCOREEVENT_POSITIONCHANGE:
    return sink->PositionChange(event.from, event.to);
  case DISPID_WMPCOREEVENT_PLAYLISTCHANGE:
    return sink->PlaylistChange(objects.playlist, WMPPlaylistChangeEventType(event.number));
  case DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE:
    return sink->CurrentPlaylistChange(WMPPlaylistChangeEventType(event.number));
  case DISPID_WMPCOREEVENT_CURRENTITEMCHANGE:
    return sink->CurrentItemChange(objects.media);
  case DISPID_WMPCOREEVENT_MEDIACHANGE:
    return sink->MediaChange(objects.media);
  case DISPID_WMPCOREEVENT_MEDIAERROR:
    return sink->MediaError(objects.media);
  case DISPID_WMPCOREEVENT_MODECHANGE: {
    BSTR mode = SysAllocStringLen(event.text.data(), UINT(event.text.size()));
    sink->ModeChange(mode, ComBool(event.flag));
    SysFreeString(mode);
    return;
  }
  case DISPID_WMPCOREEVENT_MEDIACOLLECTIONCHANGE:
    return sink->MediaCollectionChange();
  case DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONCHANGE:
    return sink->PlaylistCollectionChange();
  }
}

// The arguments in declaration order; a BSTR argument is owned by the vector.
std::vector<VARIANT> ArgumentsOf(const EngineEvent &event, const EventObjects &objects) {
  switch (event.id) {
  case DISPID_WMPCOREEVENT_OPENSTATECHANGE:
  case DISPID_WMPCOREEVENT_PLAYSTATECHANGE:
  case DISPID_WMPCOREEVENT_ENDOFSTREAM:
  case DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE:
    return {VariantI4(event.number)};
  case DISPID_WMPCOREEVENT_BUFFERING:
    return {VariantBool(event.flag)};
  case DISPID_WMPCOREEVENT_POSITIONCHANGE:
    return {VariantR8(event.from), VariantR8(event.to)};
  case DISPID_WMPCOREEVENT_PLAYLISTCHANGE:
    return {VariantDispatch(objects.playlist), VariantI4(event.number)};
  case DISPID_WMPCOREEVENT_CURRENTITEMCHANGE:
  case DISPID_WMPCOREEVENT_MEDIACHANGE:
  case DISPID_WMPCOREEVENT_MEDIAERROR:
    return {VariantDispatch(objects.media)};
  case DISPID_WMPCOREEVENT_MODECHANGE: {
    BSTR mode = SysAllocStringLen(event.text.data(), UINT(event.text.size()));
    return {VariantBstr(mode), VariantBool(event.flag)};
  }
  }
  return {};
}

void ByDispatch(IDispatch *sink, const EngineEvent &event, const EventObjects &objects) {
  std::vector<VARIANT> arguments = ArgumentsOf(event, objects);
  std::vector<VARIANT> lastFirst(arguments.rbegin(), arguments.rend());
  DISPPARAMS params{lastFirst.empty() ? nullptr : lastFirst.data(), nullptr, UINT(lastFirst.size()),
                    0};
  VARIANT result;
  VariantInit(&result);
  sink->Invoke(event.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
               nullptr);
  VariantClear(&result);
  for (VARIANT &argument : arguments)
    if (argument.vt == VT_BSTR)
      VariantClear(&argument);
}

void DeliverDirect(IUnknown *sink, const EngineEvent &event) {
  Direct(static_cast<IWMPEvents *>(sink), event, EventObjects(event));
}

void DeliverByDispatch(IUnknown *sink, const EngineEvent &event) {
  ByDispatch(static_cast<IDispatch *>(sink), event, EventObjects(event));
}

} // namespace

EventDelivery DeliveryOf(EventFace face) {
  return face == EventFace::Events ? &DeliverDirect : &DeliverByDispatch;
}

} // namespace engine
