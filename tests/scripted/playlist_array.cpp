// IWMPPlaylistArray: the playlists a playlist collection query found,
// fixed when the query ran.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct PlaylistArray final : DispatchObject<IWMPPlaylistArray> {
  PlaylistArray(std::shared_ptr<State> owner, std::vector<PlaylistRef> playlists)
      : DispatchObject(std::move(owner), "IWMPPlaylistArray"), playlists(std::move(playlists)) {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }

  STDMETHOD(get_count)(long *count) override { return give("get_count", count, playlists.size()); }
  STDMETHOD(Item)(long index, IWMPPlaylist **playlist) override {
    if (auto answer = enter("Item", {arg(index)}, playlist))
      return *answer;
    if (!playlist)
      return E_POINTER;
    *playlist = nullptr;
    if (index < 0 || std::size_t(index) >= playlists.size())
      return E_INVALIDARG;
    *playlist = newPlaylistObject(state, playlists[std::size_t(index)]);
    return S_OK;
  }

  std::vector<PlaylistRef> playlists;
};

} // namespace

IWMPPlaylistArray *newPlaylistArray(std::shared_ptr<State> state,
                                    std::vector<PlaylistRef> playlists) {
  return new PlaylistArray(std::move(state), std::move(playlists));
}

} // namespace scripted
