// The playlist collection (IWMPPlaylistCollection): the saved playlists of
// the media library, which outlive the process. Several may share a name.
#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/engine.h"
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
    std::shared_ptr<PlaylistData> created;
    if (HRESULT status = Library().CreatePlaylist(TextOf(name), &created); FAILED(status))
      return status;
    Changed();
    return GiveObject(playlist, NewPlaylistObject(created));
  }
  // One query for the ids; each playlist is read when the array's Item asks.
  STDMETHOD(getAll)(IWMPPlaylistArray **playlists) override {
    std::vector<std::int64_t> ids;
    const HRESULT listed = Library().PlaylistIds(&ids);
    return GiveArray(playlists, listed, std::move(ids));
  }
  STDMETHOD(getByName)(BSTR name, IWMPPlaylistArray **playlists) override {
    std::vector<std::int64_t> ids;
    const HRESULT listed = Library().PlaylistIdsNamed(TextOf(name), &ids);
    return GiveArray(playlists, listed, std::move(ids));
  }
  STDMETHOD(remove)(IWMPPlaylist *playlist) override {
    auto record = PlaylistRecordOf(playlist);
    if (!record || !record->savedId)
      return E_INVALIDARG;
    if (HRESULT status = Library().DeletePlaylist(*record); FAILED(status))
      return status;
    Changed();
    return S_OK;
  }
  STDMETHOD(setDeleted)(IWMPPlaylist *playlist, VARIANT_BOOL deleted) override {
    auto record = PlaylistRecordOf(playlist);
    if (!record || !record->savedId)
      return E_INVALIDARG;
    if (HRESULT status = Library().SetDeleted(*record, deleted != VARIANT_FALSE); FAILED(status))
      return status;
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
    std::shared_ptr<PlaylistData> copy;
    HRESULT status = Library().CreatePlaylist(record->name, &copy);
    if (FAILED(status))
      return status;
    status = copy->Assign(record->Items(), wmplcAppend);
    for (auto &[name, value] : record->attributes)
      if (SUCCEEDED(status))
        status = copy->SetAttribute(name, value);
    Changed();
    if (FAILED(status))
      return status;
    return GiveObject(imported, NewPlaylistObject(copy));
  }

private:
  MediaLibrary &Library() { return *engine_->Library(); }
  HRESULT GiveArray(IWMPPlaylistArray **out, HRESULT listed, std::vector<std::int64_t> ids) {
    if (out == nullptr)
      return E_POINTER;
    *out = nullptr;
    if (FAILED(listed))
      return listed;
    return GiveObject(out, NewPlaylistArrayObject(engine_->Library(), std::move(ids)));
  }
  void Changed() { engine_->Raise({.id = DISPID_WMPCOREEVENT_PLAYLISTCOLLECTIONCHANGE}); }

  std::shared_ptr<Engine> engine_;
};

} // namespace

IWMPPlaylistCollection *NewPlaylistCollectionObject(std::shared_ptr<Engine> engine) {
  return new (std::nothrow) PlaylistCollectionObject(std::move(engine));
}

} // namespace engine
