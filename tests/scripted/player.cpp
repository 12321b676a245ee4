// The player object: IWMPPlayer4 with its IWMPCore3/IWMPCore2/IWMPCore
// bases, and IConnectionPointContainer for the events.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct Player final : DispatchObject<IWMPPlayer4>, IConnectionPointContainer {
  explicit Player(std::shared_ptr<State> owner) : DispatchObject(std::move(owner), "IWMPPlayer4") {}
  // The real control lets its sinks go when it is destroyed.
  ~Player() override { state->dropConnections(static_cast<IConnectionPointContainer *>(this)); }

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override {
    if (!object)
      return E_POINTER;
    *object = nullptr;
    if (auto failure = queryFailure(riid))
      return *failure;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IWMPCore) ||
        riid == __uuidof(IWMPCore2) || riid == __uuidof(IWMPCore3) ||
        riid == __uuidof(IWMPPlayer4)) {
      *object = static_cast<IWMPPlayer4 *>(this);
    } else if (riid == __uuidof(IConnectionPointContainer)) {
      *object = static_cast<IConnectionPointContainer *>(this);
    } else {
      return E_NOINTERFACE;
    }
    addRef();
    return S_OK;
  }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IWMPPlayer4

      // Opening something new starts from its first item, at its beginning.
      void
      open(PlaylistRef playlist) {
    model().currentPlaylist = std::move(playlist);
    model().currentItem.reset();
    if (!model().currentPlaylist->items.empty())
      model().currentItem = 0;
    model().position = 0;
  }

  STDMETHOD(close)() override {
    if (auto answer = enter("close"))
      return *answer;
    open(std::make_shared<Playlist>());
    model().playState = wmppsUndefined;
    return S_OK;
  }
  STDMETHOD(get_playState)(WMPPlayState *playState) override {
    return give("get_playState", playState, model().playState);
  }
  STDMETHOD(get_controls)(IWMPControls **out) override {
    return giveObject("get_controls", {}, out, [&] { return newControls(state); });
  }
  STDMETHOD(get_settings)(IWMPSettings **out) override {
    return giveObject("get_settings", {}, out, [&] { return newSettings(state); });
  }
  STDMETHOD(get_mediaCollection)(IWMPMediaCollection **out) override {
    return giveObject("get_mediaCollection", {}, out, [&] { return newMediaCollection(state); });
  }
  STDMETHOD(get_playlistCollection)(IWMPPlaylistCollection **out) override {
    return giveObject("get_playlistCollection", {}, out,
                      [&] { return newPlaylistCollection(state); });
  }
  STDMETHOD(get_cdromCollection)(IWMPCdromCollection **out) override {
    return giveObject("get_cdromCollection", {}, out, [&] { return newCdromCollection(state); });
  }
  STDMETHOD(get_currentPlaylist)(IWMPPlaylist **out) override {
    return giveObject("get_currentPlaylist", {}, out,
                      [&] { return newPlaylistObject(state, model().currentPlaylist); });
  }
  STDMETHOD(put_currentPlaylist)(IWMPPlaylist *playlist) override {
    if (auto answer = enter("put_currentPlaylist", {arg(playlist)}))
      return *answer;
    if (!playlist)
      return E_POINTER;
    PlaylistRef record = playlistRecord(playlist);
    if (!record)
      return E_INVALIDARG;
    open(record);
    return S_OK;
  }
  // A registered playlist file, or a new empty playlist of that name.
  STDMETHOD(newPlaylist)(BSTR name, BSTR url, IWMPPlaylist **out) override {
    return giveObject("newPlaylist", {arg(name), arg(url)}, out, [&] {
      auto file = model().playlistFiles.find(text(url));
      if (!text(url).empty() && file != model().playlistFiles.end())
        return newPlaylistObject(state, file->second);
      auto record = std::make_shared<Playlist>();
      record->name = text(name);
      return newPlaylistObject(state, record);
    });
  }
  STDMETHOD(newMedia)(BSTR url, IWMPMedia **out) override {
    return giveObject("newMedia", {arg(url)}, out,
                      [&] { return newMediaObject(state, mediaForUrl(model(), text(url))); });
  }
  STDMETHOD(get_fullScreen)(VARIANT_BOOL *on) override {
    return give("get_fullScreen", on, model().fullScreen);
  }
  STDMETHOD(put_fullScreen)(VARIANT_BOOL on) override {
    return take("put_fullScreen", on, model().fullScreen);
  }
  STDMETHOD(put_enableContextMenu)(VARIANT_BOOL on) override {
    return accept("put_enableContextMenu", {arg(on)});
  }
  STDMETHOD(put_uiMode)(BSTR mode) override { return accept("put_uiMode", {arg(mode)}); }
  STDMETHOD(put_stretchToFit)(VARIANT_BOOL on) override {
    return accept("put_stretchToFit", {arg(on)});
  }
  STDMETHOD(FindConnectionPoint)(REFIID riid, IConnectionPoint **point) override {
    return findConnectionPoint(*this, this, riid, point);
  }
};

} // namespace

IWMPPlayer4 *newPlayer(std::shared_ptr<State> state) {
  return new Player(std::move(state));
}

} // namespace scripted
