// IWMPMedia over an item record of the model.
#include <algorithm>

#include "scripted/internal.h"

namespace scripted {
namespace {

struct MediaObject final : DispatchObject<IWMPMedia> {
  MediaObject(std::shared_ptr<State> owner, Media record)
      : DispatchObject(std::move(owner), "IWMPMedia"), record(std::move(record)) {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }

  STDMETHOD(get_isIdentical)(IWMPMedia *other, VARIANT_BOOL *identical) override {
    if (auto answer = enter("get_isIdentical", {arg(other)}, identical))
      return *answer;
    if (!identical)
      return E_POINTER;
    *identical = mediaRecord(other) == record ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHOD(get_sourceURL)(BSTR *url) override {
    if (auto answer = enter("get_sourceURL", {}, url))
      return *answer;
    return giveText(url, record->url);
  }
  STDMETHOD(get_name)(BSTR *name) override {
    if (auto answer = enter("get_name", {}, name))
      return *answer;
    return giveText(name, record->name);
  }
  STDMETHOD(put_name)(BSTR name) override {
    if (auto answer = enter("put_name", {arg(name)}))
      return *answer;
    record->name = text(name);
    return S_OK;
  }
  STDMETHOD(get_imageSourceWidth)(long *width) override {
    if (auto answer = enter("get_imageSourceWidth", {}, width))
      return *answer;
    if (!width)
      return E_POINTER;
    *width = record->imageWidth;
    return S_OK;
  }
  STDMETHOD(get_imageSourceHeight)(long *height) override {
    if (auto answer = enter("get_imageSourceHeight", {}, height))
      return *answer;
    if (!height)
      return E_POINTER;
    *height = record->imageHeight;
    return S_OK;
  }
  // Items of the model carry no markers.
  STDMETHOD(get_markerCount)(long *count) override {
    if (auto answer = enter("get_markerCount", {}, count))
      return *answer;
    if (!count)
      return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHOD(getMarkerTime)(long marker, double *time) override {
    if (auto answer = enter("getMarkerTime", {arg(marker)}, time))
      return *answer;
    if (time)
      *time = 0;
    return E_INVALIDARG;
  }
  STDMETHOD(getMarkerName)(long marker, BSTR *name) override {
    if (auto answer = enter("getMarkerName", {arg(marker)}, name))
      return *answer;
    if (name)
      *name = nullptr;
    return E_INVALIDARG;
  }
  STDMETHOD(get_duration)(double *seconds) override {
    if (auto answer = enter("get_duration", {}, seconds))
      return *answer;
    if (!seconds)
      return E_POINTER;
    *seconds = record->duration;
    return S_OK;
  }
  STDMETHOD(get_durationString)(BSTR *value) override {
    if (auto answer = enter("get_durationString", {}, value))
      return *answer;
    return giveText(value, clockText(record->duration));
  }
  STDMETHOD(get_attributeCount)(long *count) override {
    if (auto answer = enter("get_attributeCount", {}, count))
      return *answer;
    if (!count)
      return E_POINTER;
    *count = long(record->attributes.size());
    return S_OK;
  }
  STDMETHOD(getAttributeName)(long index, BSTR *name) override {
    if (auto answer = enter("getAttributeName", {arg(index)}, name))
      return *answer;
    if (!name)
      return E_POINTER;
    *name = nullptr;
    if (index < 0 || std::size_t(index) >= record->attributes.size())
      return E_INVALIDARG;
    return giveText(name, std::next(record->attributes.begin(), index)->first);
  }
  // An attribute the item lacks reads as empty, as with the real control.
  STDMETHOD(getItemInfo)(BSTR name, BSTR *value) override {
    if (auto answer = enter("getItemInfo", {arg(name)}, value))
      return *answer;
    auto found = record->attributes.find(text(name));
    return giveText(value, found == record->attributes.end() ? u"" : found->second);
  }
  STDMETHOD(setItemInfo)(BSTR name, BSTR value) override {
    if (auto answer = enter("setItemInfo", {arg(name), arg(value)}))
      return *answer;
    if (record->readOnly.count(text(name)))
      return E_ACCESSDENIED;
    record->attributes[text(name)] = text(value);
    return S_OK;
  }
  STDMETHOD(getItemInfoByAtom)(long atom, BSTR *value) override {
    if (auto answer = enter("getItemInfoByAtom", {arg(atom)}, value))
      return *answer;
    if (!value)
      return E_POINTER;
    *value = nullptr;
    if (atom < 0 || std::size_t(atom) >= state->atoms.size())
      return E_INVALIDARG;
    auto found = record->attributes.find(state->atoms[std::size_t(atom)]);
    return giveText(value, found == record->attributes.end() ? u"" : found->second);
  }
  STDMETHOD(isMemberOf)(IWMPPlaylist *playlist, VARIANT_BOOL *member) override {
    if (auto answer = enter("isMemberOf", {arg(playlist)}, member))
      return *answer;
    if (!member)
      return E_POINTER;
    PlaylistRef list = playlistRecord(playlist);
    bool found =
        list && std::find(list->items.begin(), list->items.end(), record) != list->items.end();
    *member = found ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHOD(isReadOnlyItem)(BSTR name, VARIANT_BOOL *readOnly) override {
    if (auto answer = enter("isReadOnlyItem", {arg(name)}, readOnly))
      return *answer;
    if (!readOnly)
      return E_POINTER;
    *readOnly = record->readOnly.count(text(name)) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

  Media record;
};

} // namespace

IWMPMedia *newMediaObject(std::shared_ptr<State> state, Media item) {
  return new MediaObject(std::move(state), std::move(item));
}

Media mediaRecord(IWMPMedia *media) {
  auto *ours = dynamic_cast<MediaObject *>(media);
  return ours ? ours->record : nullptr;
}

std::string arg(IWMPMedia *media) {
  if (!media)
    return "null";
  Media record = mediaRecord(media);
  return record ? utf8(record->url) : "foreign";
}

} // namespace scripted
