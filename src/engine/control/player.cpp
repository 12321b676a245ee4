// The player object: IWMPPlayer4 with the IWMPCore chain, the connection
// point container of the events, and the site through which the host names
// its window.
#include <platform_control_site.h>

#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/engine.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

class PlayerObject : public DispatchObject<IWMPPlayer4>,
                     public IConnectionPointContainer,
                     public IPlatformControlSite {
public:
  explicit PlayerObject(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}

  // One IUnknown for all three faces.
  STDMETHOD(QueryInterface)(REFIID iid, void **out) override {
    return DispatchObject::QueryInterface(iid, out);
  }
  STDMETHOD_(ULONG, AddRef)() override { return AddReference(); }
  STDMETHOD_(ULONG, Release)() override { return DropReference(); }

  // ---- IWMPCore ----
  STDMETHOD(close)() override {
    engine_->Close();
    return S_OK;
  }
  STDMETHOD(get_URL)(BSTR *url) override { return GiveText(url, engine_->Url()); }
  STDMETHOD(put_URL)(BSTR url) override { return engine_->SetUrl(TextOf(url)); }
  STDMETHOD(get_openState)(WMPOpenState *state) override {
    if (state == nullptr)
      return E_POINTER;
    *state = engine_->OpenState();
    return S_OK;
  }
  STDMETHOD(get_playState)(WMPPlayState *state) override {
    if (state == nullptr)
      return E_POINTER;
    *state = engine_->PlayState();
    return S_OK;
  }
  STDMETHOD(get_controls)(IWMPControls **controls) override {
    return GiveObject(controls, NewControlsObject(engine_));
  }
  STDMETHOD(get_settings)(IWMPSettings **settings) override {
    return GiveObject(settings, NewSettingsObject(engine_));
  }
  STDMETHOD(get_currentMedia)(IWMPMedia **media) override {
    if (media == nullptr)
      return E_POINTER;
    auto item = engine_->CurrentItem();
    *media = item ? NewMediaObject(item) : nullptr;
    return S_OK;
  }
  STDMETHOD(put_currentMedia)(IWMPMedia *media) override {
    auto item = MediaRecordOf(media);
    return item ? engine_->SetCurrentMedia(item) : E_INVALIDARG;
  }
  STDMETHOD(get_mediaCollection)(IWMPMediaCollection **collection) override {
    return GiveObject(collection, NewMediaCollectionObject(engine_));
  }
  STDMETHOD(get_playlistCollection)(IWMPPlaylistCollection **collection) override {
    return GiveObject(collection, NewPlaylistCollectionObject(engine_));
  }
  STDMETHOD(get_versionInfo)(BSTR *version) override { return GiveText(version, u"12.0.0.0"); }
  STDMETHOD(launchURL)(BSTR) override { return E_NOTIMPL; }
  STDMETHOD(get_network)(IWMPNetwork **network) override { return NotOffered(network); }
  STDMETHOD(get_currentPlaylist)(IWMPPlaylist **playlist) override {
    return GiveObject(playlist, NewPlaylistObject(engine_->CurrentPlaylist()));
  }
  STDMETHOD(put_currentPlaylist)(IWMPPlaylist *playlist) override {
    auto record = PlaylistRecordOf(playlist);
    return record ? engine_->SetCurrentPlaylist(record) : E_INVALIDARG;
  }
  STDMETHOD(get_cdromCollection)(IWMPCdromCollection **collection) override {
    return GiveObject(collection, NewCdromCollectionObject());
  }
  STDMETHOD(get_closedCaption)(IWMPClosedCaption **caption) override { return NotOffered(caption); }
  STDMETHOD(get_isOnline)(VARIANT_BOOL *online) override { return GiveFlag(online, true); }
  STDMETHOD(get_Error)(IWMPError **error) override { return NotOffered(error); }
  STDMETHOD(get_status)(BSTR *status) override { return GiveText(status, engine_->StatusText()); }

  // ---- IWMPCore2, IWMPCore3 ----
  STDMETHOD(get_dvd)(IWMPDVD **dvd) override { return NotOffered(dvd); }
  STDMETHOD(newPlaylist)(BSTR name, BSTR url, IWMPPlaylist **playlist) override {
    if (playlist == nullptr)
      return E_POINTER;
    *playlist = nullptr;
    std::shared_ptr<PlaylistData> record;
    HRESULT status = engine_->NewPlaylist(TextOf(name), TextOf(url), &record);
    if (FAILED(status))
      return status;
    return GiveObject(playlist, NewPlaylistObject(record));
  }
  STDMETHOD(newMedia)(BSTR url, IWMPMedia **media) override {
    if (media == nullptr)
      return E_POINTER;
    *media = nullptr;
    std::u16string text = TextOf(url);
    if (text.empty())
      return E_INVALIDARG;
    return GiveObject(media, NewMediaObject(engine_->NewMedia(text)));
  }

  // ---- IWMPPlayer4: display settings ----
  STDMETHOD(get_enabled)(VARIANT_BOOL *enabled) override {
    return GiveFlag(enabled, engine_->Display().enabled);
  }
  STDMETHOD(put_enabled)(VARIANT_BOOL enabled) override {
    engine_->KeepDisplayFlag(&EngineDisplay::enabled, enabled != VARIANT_FALSE);
    return S_OK;
  }
  STDMETHOD(get_fullScreen)(VARIANT_BOOL *fullScreen) override {
    return GiveFlag(fullScreen, engine_->Display().fullScreen);
  }
  STDMETHOD(put_fullScreen)(VARIANT_BOOL fullScreen) override {
    engine_->SetFullScreen(fullScreen != VARIANT_FALSE);
    return S_OK;
  }
  STDMETHOD(get_enableContextMenu)(VARIANT_BOOL *enable) override {
    return GiveFlag(enable, engine_->Display().enableContextMenu);
  }
  STDMETHOD(put_enableContextMenu)(VARIANT_BOOL enable) override {
    engine_->KeepDisplayFlag(&EngineDisplay::enableContextMenu, enable != VARIANT_FALSE);
    return S_OK;
  }
  STDMETHOD(put_uiMode)(BSTR mode) override {
    std::u16string text = TextOf(mode);
    for (const char16_t *known : {u"invisible", u"none", u"mini", u"full", u"custom"})
      if (SameName(text, known)) {
        engine_->SetUiMode(known);
        return S_OK;
      }
    return E_INVALIDARG;
  }
  STDMETHOD(get_uiMode)(BSTR *mode) override { return GiveText(mode, engine_->Display().uiMode); }
  STDMETHOD(get_stretchToFit)(VARIANT_BOOL *stretch) override {
    return GiveFlag(stretch, engine_->Display().stretchToFit);
  }
  STDMETHOD(put_stretchToFit)(VARIANT_BOOL stretch) override {
    engine_->KeepDisplayFlag(&EngineDisplay::stretchToFit, stretch != VARIANT_FALSE);
    return S_OK;
  }
  STDMETHOD(get_windowlessVideo)(VARIANT_BOOL *windowless) override {
    return GiveFlag(windowless, engine_->Display().windowlessVideo);
  }
  STDMETHOD(put_windowlessVideo)(VARIANT_BOOL windowless) override {
    engine_->KeepDisplayFlag(&EngineDisplay::windowlessVideo, windowless != VARIANT_FALSE);
    return S_OK;
  }
  STDMETHOD(get_isRemote)(VARIANT_BOOL *remote) override { return GiveFlag(remote, false); }
  STDMETHOD(get_playerApplication)(IWMPPlayerApplication **application) override {
    return NotOffered(application);
  }
  STDMETHOD(openPlayer)(BSTR) override { return E_NOTIMPL; }

  // ---- IConnectionPointContainer ----
  STDMETHOD(EnumConnectionPoints)(IEnumConnectionPoints **points) override {
    return NotOffered(points);
  }
  STDMETHOD(FindConnectionPoint)(REFIID iid, IConnectionPoint **point) override {
    if (point == nullptr)
      return E_POINTER;
    *point = nullptr;
    EventFace face;
    if (iid == __uuidof(IWMPEvents))
      face = EventFace::Events;
    else if (iid == __uuidof(_WMPOCXEvents))
      face = EventFace::Dispatch;
    else
      return CONNECT_E_NOCONNECTION;
    return GiveObject(point, NewConnectionPointObject(engine_, this, face));
  }

  // ---- IPlatformControlSite ----
  STDMETHOD(SetHostWindow)(HWND window) override {
    engine_->SetHostWindow(window);
    return S_OK;
  }

protected:
  HRESULT QueryOther(REFIID iid, void **out) override {
    if (iid == __uuidof(IWMPCore) || iid == __uuidof(IWMPCore2) || iid == __uuidof(IWMPCore3))
      return Give(static_cast<IWMPPlayer4 *>(this), out);
    if (iid == __uuidof(IConnectionPointContainer))
      return Give(static_cast<IConnectionPointContainer *>(this), out);
    if (iid == __uuidof(IPlatformControlSite))
      return Give(static_cast<IPlatformControlSite *>(this), out);
    return E_NOINTERFACE;
  }

private:
  std::shared_ptr<Engine> engine_;
};

} // namespace

IWMPPlayer4 *NewPlayerObject(std::shared_ptr<Engine> engine) {
  return new (std::nothrow) PlayerObject(std::move(engine));
}

} // namespace engine
