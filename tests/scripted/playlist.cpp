// IWMPPlaylist over a playlist record of the model.
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
    items().clear();
    if (record == model().currentPlaylist)
      model().currentItem.reset();
    return S_OK;
  }
  // The edits by index only record their call: what they do to the list is
  // the control's own business, and no test looks.
  STDMETHOD(insertItem)(long index, IWMPMedia *media) override {
    return accept("insertItem", {arg(index), arg(media)});
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
  STDMETHOD(removeItem)(IWMPMedia *media) override { return accept("removeItem", {arg(media)}); }
  STDMETHOD(moveItem)(long oldIndex, long newIndex) override {
    return accept("moveItem", {arg(oldIndex), arg(newIndex)});
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
