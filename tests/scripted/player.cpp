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

  // Opening something new starts from its first item, at its beginning.
  void open(PlaylistRef playlist) {
    model().currentPlaylist = std::move(playlist);
    model().currentItem.reset();
    if (!model().currentPlaylist->items.empty())
      model().currentItem = 0;
    model().position = 0;
    model().closed = false;
  }

  // ---- IWMPCore ----
  STDMETHOD(close)() override {
    if (auto answer = enter("close"))
      return *answer;
    model().closed = true;
    model().currentPlaylist = std::make_shared<Playlist>();
    model().currentItem.reset();
    model().position = 0;
    model().playState = wmppsUndefined;
    model().openState = wmposUndefined;
    return S_OK;
  }
  STDMETHOD(get_URL)(BSTR *url) override {
    if (auto answer = enter("get_URL", {}, url))
      return *answer;
    return giveText(url, model().url);
  }
  // A registered playlist file becomes the current playlist; anything
  // else, a playlist of that one item. With autoStart it plays at once.
  STDMETHOD(put_URL)(BSTR url) override {
    if (auto answer = enter("put_URL", {arg(url)}))
      return *answer;
    std::u16string target = text(url);
    model().url = target;
    auto file = model().playlistFiles.find(target);
    if (file != model().playlistFiles.end()) {
      open(file->second);
    } else {
      auto playlist = std::make_shared<Playlist>();
      if (!target.empty())
        playlist->items.push_back(mediaForUrl(model(), target));
      open(playlist);
    }
    bool loaded = model().currentItem.has_value();
    model().openState = loaded ? wmposMediaOpen : wmposUndefined;
    if (loaded && model().autoStart)
      model().playState = wmppsPlaying;
    return S_OK;
  }
  STDMETHOD(get_openState)(WMPOpenState *openState) override {
    if (auto answer = enter("get_openState", {}, openState))
      return *answer;
    if (!openState)
      return E_POINTER;
    *openState = WMPOpenState(model().openState);
    return S_OK;
  }
  STDMETHOD(get_playState)(WMPPlayState *playState) override {
    if (auto answer = enter("get_playState", {}, playState))
      return *answer;
    if (!playState)
      return E_POINTER;
    *playState = WMPPlayState(model().playState);
    return S_OK;
  }
  STDMETHOD(get_controls)(IWMPControls **controls) override {
    if (auto answer = enter("get_controls", {}, controls))
      return *answer;
    if (!controls)
      return E_POINTER;
    *controls = newControls(state);
    return S_OK;
  }
  STDMETHOD(get_settings)(IWMPSettings **settings) override {
    if (auto answer = enter("get_settings", {}, settings))
      return *answer;
    if (!settings)
      return E_POINTER;
    *settings = newSettings(state);
    return S_OK;
  }
  STDMETHOD(get_currentMedia)(IWMPMedia **media) override {
    if (auto answer = enter("get_currentMedia", {}, media))
      return *answer;
    if (!media)
      return E_POINTER;
    *media = nullptr;
    auto &items = model().currentPlaylist->items;
    if (model().currentItem && *model().currentItem < items.size())
      *media = newMediaObject(state, items[*model().currentItem]);
    return S_OK;
  }
  // An item of the current playlist becomes its current item; any other
  // item replaces the current playlist with a playlist of that item.
  STDMETHOD(put_currentMedia)(IWMPMedia *media) override {
    if (auto answer = enter("put_currentMedia", {arg(media)}))
      return *answer;
    if (!media)
      return E_POINTER;
    Media item = mediaRecord(media);
    if (!item)
      return E_INVALIDARG;
    auto &items = model().currentPlaylist->items;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i] == item) {
        model().currentItem = i;
        model().position = 0;
        return S_OK;
      }
    }
    auto playlist = std::make_shared<Playlist>();
    playlist->items.push_back(item);
    open(playlist);
    return S_OK;
  }
  STDMETHOD(get_mediaCollection)(IWMPMediaCollection **collection) override {
    if (auto answer = enter("get_mediaCollection", {}, collection))
      return *answer;
    if (!collection)
      return E_POINTER;
    *collection = newMediaCollection(state);
    return S_OK;
  }
  STDMETHOD(get_playlistCollection)(IWMPPlaylistCollection **collection) override {
    if (auto answer = enter("get_playlistCollection", {}, collection))
      return *answer;
    if (!collection)
      return E_POINTER;
    *collection = newPlaylistCollection(state);
    return S_OK;
  }
  STDMETHOD(get_versionInfo)(BSTR *version) override {
    if (auto answer = enter("get_versionInfo", {}, version))
      return *answer;
    return giveText(version, model().versionInfo);
  }
  STDMETHOD(launchURL)(BSTR url) override {
    if (auto answer = enter("launchURL", {arg(url)}))
      return *answer;
    return S_OK;
  }
  STDMETHOD(get_network)(IWMPNetwork **network) override {
    if (auto answer = enter("get_network", {}, network))
      return *answer;
    if (network)
      *network = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(get_currentPlaylist)(IWMPPlaylist **playlist) override {
    if (auto answer = enter("get_currentPlaylist", {}, playlist))
      return *answer;
    if (!playlist)
      return E_POINTER;
    *playlist = newPlaylistObject(state, model().currentPlaylist);
    return S_OK;
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
  STDMETHOD(get_cdromCollection)(IWMPCdromCollection **collection) override {
    if (auto answer = enter("get_cdromCollection", {}, collection))
      return *answer;
    if (!collection)
      return E_POINTER;
    *collection = newCdromCollection(state);
    return S_OK;
  }
  STDMETHOD(get_closedCaption)(IWMPClosedCaption **caption) override {
    if (auto answer = enter("get_closedCaption", {}, caption))
      return *answer;
    if (caption)
      *caption = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(get_isOnline)(VARIANT_BOOL *online) override {
    if (auto answer = enter("get_isOnline", {}, online))
      return *answer;
    if (!online)
      return E_POINTER;
    *online = VARIANT_TRUE;
    return S_OK;
  }
  STDMETHOD(get_Error)(IWMPError **error) override {
    if (auto answer = enter("get_Error", {}, error))
      return *answer;
    if (error)
      *error = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(get_status)(BSTR *status) override {
    if (auto answer = enter("get_status", {}, status))
      return *answer;
    return giveText(status, model().status);
  }

  // ---- IWMPCore2 ----
  STDMETHOD(get_dvd)(IWMPDVD **dvd) override {
    if (auto answer = enter("get_dvd", {}, dvd))
      return *answer;
    if (dvd)
      *dvd = nullptr;
    return E_NOTIMPL;
  }

  // ---- IWMPCore3 ----
  STDMETHOD(newPlaylist)(BSTR name, BSTR url, IWMPPlaylist **playlist) override {
    if (auto answer = enter("newPlaylist", {arg(name), arg(url)}, playlist))
      return *answer;
    if (!playlist)
      return E_POINTER;
    auto file = model().playlistFiles.find(text(url));
    PlaylistRef record;
    if (!text(url).empty() && file != model().playlistFiles.end()) {
      record = file->second;
    } else {
      record = std::make_shared<Playlist>();
      record->name = text(name);
    }
    *playlist = newPlaylistObject(state, record);
    return S_OK;
  }
  STDMETHOD(newMedia)(BSTR url, IWMPMedia **media) override {
    if (auto answer = enter("newMedia", {arg(url)}, media))
      return *answer;
    if (!media)
      return E_POINTER;
    *media = newMediaObject(state, mediaForUrl(model(), text(url)));
    return S_OK;
  }

  // ---- IWMPPlayer4 ----
  HRESULT getFlag(const char *method, bool value, VARIANT_BOOL *out) {
    if (auto answer = enter(method, {}, out))
      return *answer;
    if (!out)
      return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT putFlag(const char *method, bool &value, VARIANT_BOOL in) {
    if (auto answer = enter(method, {arg(in)}))
      return *answer;
    value = in != VARIANT_FALSE;
    return S_OK;
  }
  STDMETHOD(get_enabled)(VARIANT_BOOL *enabled) override {
    return getFlag("get_enabled", model().enabled, enabled);
  }
  STDMETHOD(put_enabled)(VARIANT_BOOL enabled) override {
    return putFlag("put_enabled", model().enabled, enabled);
  }
  STDMETHOD(get_fullScreen)(VARIANT_BOOL *fullScreen) override {
    return getFlag("get_fullScreen", model().fullScreen, fullScreen);
  }
  STDMETHOD(put_fullScreen)(VARIANT_BOOL fullScreen) override {
    return putFlag("put_fullScreen", model().fullScreen, fullScreen);
  }
  STDMETHOD(get_enableContextMenu)(VARIANT_BOOL *enable) override {
    return getFlag("get_enableContextMenu", model().enableContextMenu, enable);
  }
  STDMETHOD(put_enableContextMenu)(VARIANT_BOOL enable) override {
    return putFlag("put_enableContextMenu", model().enableContextMenu, enable);
  }
  STDMETHOD(put_uiMode)(BSTR mode) override {
    if (auto answer = enter("put_uiMode", {arg(mode)}))
      return *answer;
    model().uiMode = text(mode);
    return S_OK;
  }
  STDMETHOD(get_uiMode)(BSTR *mode) override {
    if (auto answer = enter("get_uiMode", {}, mode))
      return *answer;
    return giveText(mode, model().uiMode);
  }
  STDMETHOD(get_stretchToFit)(VARIANT_BOOL *stretch) override {
    return getFlag("get_stretchToFit", model().stretchToFit, stretch);
  }
  STDMETHOD(put_stretchToFit)(VARIANT_BOOL stretch) override {
    return putFlag("put_stretchToFit", model().stretchToFit, stretch);
  }
  STDMETHOD(get_windowlessVideo)(VARIANT_BOOL *windowless) override {
    return getFlag("get_windowlessVideo", model().windowlessVideo, windowless);
  }
  STDMETHOD(put_windowlessVideo)(VARIANT_BOOL windowless) override {
    return putFlag("put_windowlessVideo", model().windowlessVideo, windowless);
  }
  STDMETHOD(get_isRemote)(VARIANT_BOOL *remote) override {
    return getFlag("get_isRemote", false, remote);
  }
  STDMETHOD(get_playerApplication)(IWMPPlayerApplication **application) override {
    if (auto answer = enter("get_playerApplication", {}, application))
      return *answer;
    if (application)
      *application = nullptr;
    return E_NOTIMPL;
  }
  STDMETHOD(openPlayer)(BSTR url) override {
    if (auto answer = enter("openPlayer", {arg(url)}))
      return *answer;
    return E_NOTIMPL;
  }

  // ---- IConnectionPointContainer ----
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints **points) override {
    if (points)
      *points = nullptr;
    if (auto answer = state->enter("IConnectionPointContainer.EnumConnectionPoints", {}))
      return *answer;
    return E_NOTIMPL;
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
