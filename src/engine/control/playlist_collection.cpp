// The playlist collection (IWMPPlaylistCollection): the saved playlists of
// the media library, which outlive the process. Several may share a name.
#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/playback/engine.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

class PlaylistCollectionObject : public DispatchObject<IWMPPlaylistCollection> {
public:
  explicit PlaylistCollectionObject(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}

  STDMETHOD(newPlaylist)(BSTR name, IWMPPlaylist **playlist) override {
    if (playlist == nullptr)
      return E_POINTER;
    *playlist = nullptr;
    auto created = Library().CreatePlaylist(TextOf(name));
    if (!created)
      return E_FAIL;
    Changed();
    return GiveObject(playlist, NewPlaylistObject(created));
  }
  STDMETHOD(getAll)(IWMPPlaylistArray **playlists) override {
    return GiveObject(playlists, NewPlaylistArrayObject(Library().Playlists()));
  }
  STDMETHOD(getByName)(BSTR name, IWMPPlaylistArray **playlists) override {
    return GiveObject(playlists, NewPlaylistArrayObject(Library().PlaylistsNamed(TextOf(name))));
  }
  STDMETHOD(remove)(IWMPPlaylist *playlist) override {
    auto record = PlaylistRecordOf(playlist);
    if (!record || !record->savedId)
      return E_INVALIDARG;
    if (!Library().DeletePlaylist(*record))
      return E_FAIL;
    Changed();
    return S_OK;
  }
  STDMETHOD(setDeleted)(IWMPPlaylist *playlist, VARIANT_BOOL deleted) override {
    auto record = PlaylistRecordOf(playlist);
    if (!record || !record->savedId)
      return E_INVALIDARG;
    if (!Library().SetDeleted(*record, deleted != VARIANT_FALSE))
      return E_FAIL;
    Changed();
    return S_OK;
  }
  STDMETHOD(isDeleted)(IWMPPlaylist *playlist, VARIANT_BOOL *deleted) override {
    auto record = PlaylistRecordOf(playlist);
    if (!record)
      return E_INVALIDARG;
    return GiveFlag(deleted, record->deleted);
  }
  // A saved copy of a playlist; a playlist already saved is its own import.
  STDMETHOD(importPlaylist)(IWMPPlaylist *playlist, IWMPPlaylist **imported) override {
    if (imported == nullptr)
      return E_POINTER;
    *imported = nullptr;
    auto record = PlaylistRecordOf(playlist);
    if (!record)
      return E_INVALIDARG;
    if (record->savedId)
      return GiveObject(imported, NewPlaylistObject(record));
    auto copy = Library().CreatePlaylist(record->name);
    if (!copy)
      return E_FAIL;
    copy->items = record->items;
    bool stored = copy->ItemsChanged(wmplcAppend);
    for (auto &[name, value] : record->attributes)
      stored = stored && copy->SetAttribute(name, value);
    Changed();
    if (!stored)
      return E_FAIL;
    return GiveObject(imported, NewPlaylistObject(copy));
  }

private:
  MediaLibrary &Library() { return *engine_->Library(); }
  void Changed() { engine_->Raise({.id = DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONCHANGE}); }

  std::shared_ptr<Engine> engine_;
};

} // namespace

IWMPPlaylistCollection *NewPlaylistCollectionObject(std::shared_ptr<Engine> engine) {
  return new (std::nothrow) PlaylistCollectionObject(std::move(engine));
}

} // namespace engine
