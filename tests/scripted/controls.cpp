// IWMPControls: transport over the current playlist of the model.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct Controls final : DispatchObject<IWMPControls> {
  explicit Controls(std::shared_ptr<State> owner)
      : DispatchObject(std::move(owner), "IWMPControls") {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IWMPControls

      std::vector<Media> &
      items() {
    return model().currentPlaylist->items;
  }
  bool hasItem() { return model().currentItem && *model().currentItem < items().size(); }
  // Playing with no current item starts at the first one.
  bool selectSomething() {
    if (!model().currentItem && !items().empty())
      model().currentItem = 0;
    return hasItem();
  }
  // The index of `media` in the current playlist.
  std::optional<std::size_t> find(IWMPMedia *media) {
    Media item = mediaRecord(media);
    for (std::size_t i = 0; item && i < items().size(); ++i)
      if (items()[i] == item)
        return i;
    return std::nullopt;
  }

  STDMETHOD(play)() override {
    if (auto answer = enter("play"))
      return *answer;
    if (selectSomething())
      model().playState = wmppsPlaying;
    return S_OK;
  }
  STDMETHOD(stop)() override {
    if (auto answer = enter("stop"))
      return *answer;
    if (hasItem())
      model().playState = wmppsStopped;
    model().position = 0;
    return S_OK;
  }
  STDMETHOD(pause)() override {
    if (auto answer = enter("pause"))
      return *answer;
    if (model().playState == wmppsPlaying)
      model().playState = wmppsPaused;
    return S_OK;
  }
  STDMETHOD(get_currentPosition)(double *seconds) override {
    return give("get_currentPosition", seconds, model().position);
  }
  STDMETHOD(put_currentPosition)(double seconds) override {
    return take("put_currentPosition", seconds, model().position);
  }
  // Where they lead is the control's own business: no test looks.
  STDMETHOD(next)() override { return accept("next", {}); }
  STDMETHOD(previous)() override { return accept("previous", {}); }
  STDMETHOD(currentItem)(IWMPMedia **media) override {
    return giveObject("currentItem", {}, media, [&] {
      return hasItem() ? newMediaObject(state, items()[*model().currentItem]) : nullptr;
    });
  }
  // Only an item of the current playlist can become its current item.
  HRESULT select(const char *method, IWMPMedia *media, bool play) {
    if (auto answer = enter(method, {arg(media)}))
      return *answer;
    if (!media)
      return E_POINTER;
    auto index = find(media);
    if (!index)
      return E_INVALIDARG;
    model().currentItem = *index;
    model().position = 0;
    if (play)
      model().playState = wmppsPlaying;
    return S_OK;
  }
  STDMETHOD(put_currentItem)(IWMPMedia *media) override {
    return select("put_currentItem", media, false);
  }
  STDMETHOD(playItem)(IWMPMedia *media) override { return select("playItem", media, true); }
};

} // namespace

IWMPControls *newControls(std::shared_ptr<State> state) {
  return new Controls(std::move(state));
}

} // namespace scripted
