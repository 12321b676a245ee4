// IWMPPlaylistCollection over the model's saved playlists.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct PlaylistCollection final : DispatchObject<IWMPPlaylistCollection> {
  explicit PlaylistCollection(std::shared_ptr<State> owner)
      : DispatchObject(std::move(owner), "IWMPPlaylistCollection") {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IWMPPlaylistCollection

      std::vector<PlaylistRef> &
      saved() {
    return model().savedPlaylists;
  }
  HRESULT query(IWMPPlaylistArray **playlists, const std::u16string *name) {
    if (!playlists)
      return E_POINTER;
    std::vector<PlaylistRef> matching;
    for (auto &playlist : saved())
      if (!name || playlist->name == *name)
        matching.push_back(playlist);
    *playlists = newPlaylistArray(state, std::move(matching));
    return S_OK;
  }

  STDMETHOD(newPlaylist)(BSTR name, IWMPPlaylist **playlist) override {
    if (auto answer = enter("newPlaylist", {arg(name)}, playlist))
      return *answer;
    if (!playlist)
      return E_POINTER;
    auto record = std::make_shared<Playlist>();
    record->name = text(name);
    saved().push_back(record);
    *playlist = newPlaylistObject(state, record);
    return S_OK;
  }
  STDMETHOD(getAll)(IWMPPlaylistArray **playlists) override {
    if (auto answer = enter("getAll", {}, playlists))
      return *answer;
    return query(playlists, nullptr);
  }
  STDMETHOD(getByName)(BSTR name, IWMPPlaylistArray **playlists) override {
    if (auto answer = enter("getByName", {arg(name)}, playlists))
      return *answer;
    std::u16string wanted = text(name);
    return query(playlists, &wanted);
  }
  // Removals only record their call: no test looks at what is left.
  STDMETHOD(remove)(IWMPPlaylist *playlist) override { return accept("remove", {arg(playlist)}); }
};

} // namespace

IWMPPlaylistCollection *newPlaylistCollection(std::shared_ptr<State> state) {
  return new PlaylistCollection(std::move(state));
}

} // namespace scripted
