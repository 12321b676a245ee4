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
  SCRIPTED_UNUSED_IWMPPlaylist

      std::vector<Media> &
      items() {
    return record->items;
  }

  STDMETHOD(get_count)(long *count) override { return give("get_count", count, items().size()); }
  STDMETHOD(get_name)(BSTR *name) override {
    if (auto answer = enter("get_name", {}, name))
      return *answer;
    return giveText(name, record->name);
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
