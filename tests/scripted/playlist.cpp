// IWMPPlaylist over a playlist record of the model. Edits of the current
// playlist keep the model's current item on the same item.
#include <algorithm>

#include "scripted/internal.h"

namespace scripted {
namespace {

struct PlaylistObject final : DispatchObject<IWMPPlaylist> {
  PlaylistObject(std::shared_ptr<State> owner, PlaylistRef record)
      : DispatchObject(std::move(owner), "IWMPPlaylist"), record(std::move(record)) {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }

  std::vector<Media> &items() { return record->items; }

  STDMETHOD(get_count)(long *count) override {
    if (auto answer = enter("get_count", {}, count))
      return *answer;
    if (!count)
      return E_POINTER;
    *count = long(items().size());
    return S_OK;
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
  STDMETHOD(get_attributeCount)(long *count) override {
    if (auto answer = enter("get_attributeCount", {}, count))
      return *answer;
    if (!count)
      return E_POINTER;
    *count = long(record->attributes.size());
    return S_OK;
  }
  STDMETHOD(get_attributeName)(long index, BSTR *name) override {
    if (auto answer = enter("get_attributeName", {arg(index)}, name))
      return *answer;
    if (!name)
      return E_POINTER;
    *name = nullptr;
    if (index < 0 || std::size_t(index) >= record->attributes.size())
      return E_INVALIDARG;
    return giveText(name, std::next(record->attributes.begin(), index)->first);
  }
  STDMETHOD(get_Item)(long index, IWMPMedia **media) override {
    if (auto answer = enter("get_Item", {arg(index)}, media))
      return *answer;
    if (!media)
      return E_POINTER;
    *media = nullptr;
    if (index < 0 || std::size_t(index) >= items().size())
      return E_INVALIDARG;
    *media = newMediaObject(state, items()[std::size_t(index)]);
    return S_OK;
  }
  STDMETHOD(getItemInfo)(BSTR name, BSTR *value) override {
    if (auto answer = enter("getItemInfo", {arg(name)}, value))
      return *answer;
    auto found = record->attributes.find(text(name));
    return giveText(value, found == record->attributes.end() ? u"" : found->second);
  }
  STDMETHOD(setItemInfo)(BSTR name, BSTR value) override {
    if (auto answer = enter("setItemInfo", {arg(name), arg(value)}))
      return *answer;
    record->attributes[text(name)] = text(value);
    return S_OK;
  }
  STDMETHOD(get_isIdentical)(IWMPPlaylist *other, VARIANT_BOOL *identical) override {
    if (auto answer = enter("get_isIdentical", {arg(other)}, identical))
      return *answer;
    if (!identical)
      return E_POINTER;
    *identical = playlistRecord(other) == record ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHOD(clear)() override {
    if (auto answer = enter("clear"))
      return *answer;
    CurrentItemKeeper keeper(model(), record);
    items().clear();
    keeper.after();
    return S_OK;
  }
  STDMETHOD(insertItem)(long index, IWMPMedia *media) override {
    if (auto answer = enter("insertItem", {arg(index), arg(media)}))
      return *answer;
    if (!media)
      return E_POINTER;
    Media item = mediaRecord(media);
    if (!item || index < 0 || std::size_t(index) > items().size())
      return E_INVALIDARG;
    CurrentItemKeeper keeper(model(), record);
    items().insert(items().begin() + index, item);
    keeper.after();
    return S_OK;
  }
  STDMETHOD(appendItem)(IWMPMedia *media) override {
    if (auto answer = enter("appendItem", {arg(media)}))
      return *answer;
    if (!media)
      return E_POINTER;
    Media item = mediaRecord(media);
    if (!item)
      return E_INVALIDARG;
    items().push_back(item);
    return S_OK;
  }
  STDMETHOD(removeItem)(IWMPMedia *media) override {
    if (auto answer = enter("removeItem", {arg(media)}))
      return *answer;
    if (!media)
      return E_POINTER;
    auto found = std::find(items().begin(), items().end(), mediaRecord(media));
    if (found == items().end())
      return E_INVALIDARG;
    CurrentItemKeeper keeper(model(), record);
    items().erase(found);
    keeper.after();
    return S_OK;
  }
  STDMETHOD(moveItem)(long oldIndex, long newIndex) override {
    if (auto answer = enter("moveItem", {arg(oldIndex), arg(newIndex)}))
      return *answer;
    long size = long(items().size());
    if (oldIndex < 0 || oldIndex >= size || newIndex < 0 || newIndex >= size)
      return E_INVALIDARG;
    CurrentItemKeeper keeper(model(), record);
    Media item = items()[std::size_t(oldIndex)];
    items().erase(items().begin() + oldIndex);
    items().insert(items().begin() + newIndex, item);
    keeper.after();
    return S_OK;
  }

  PlaylistRef record;
};

} // namespace

IWMPPlaylist *newPlaylistObject(std::shared_ptr<State> state, PlaylistRef playlist) {
  return new PlaylistObject(std::move(state), std::move(playlist));
}

PlaylistRef playlistRecord(IWMPPlaylist *playlist) {
  auto *ours = dynamic_cast<PlaylistObject *>(playlist);
  return ours ? ours->record : nullptr;
}

std::string arg(IWMPPlaylist *playlist) {
  if (!playlist)
    return "null";
  PlaylistRef record = playlistRecord(playlist);
  return record ? utf8(record->name) : "foreign";
}

} // namespace scripted
