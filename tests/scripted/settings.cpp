// IWMPSettings: the playback settings of the model.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct Settings final : DispatchObject<IWMPSettings> {
  explicit Settings(std::shared_ptr<State> owner)
      : DispatchObject(std::move(owner), "IWMPSettings") {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IWMPSettings

  // Only "rate" can be unavailable.
  STDMETHOD(get_isAvailable)(BSTR item, VARIANT_BOOL *available) override {
    if (auto answer = enter("get_isAvailable", {arg(item)}, available))
      return *answer;
    if (!available)
      return E_POINTER;
    bool yes = lower(text(item)) != u"rate" || model().rateAvailable;
    *available = yes ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHOD(put_autoStart)(VARIANT_BOOL on) override { return accept("put_autoStart", {arg(on)}); }
  STDMETHOD(put_enableErrorDialogs)(VARIANT_BOOL on) override {
    return accept("put_enableErrorDialogs", {arg(on)});
  }
  STDMETHOD(get_mute)(VARIANT_BOOL *mute) override { return give("get_mute", mute, model().mute); }
  STDMETHOD(put_mute)(VARIANT_BOOL mute) override { return take("put_mute", mute, model().mute); }
  STDMETHOD(put_rate)(double rate) override { return take("put_rate", rate, model().rate); }
  STDMETHOD(get_volume)(long *volume) override {
    return give("get_volume", volume, model().volume);
  }
  STDMETHOD(put_volume)(long volume) override { return take("put_volume", volume, model().volume); }
  // Mode names compare without regard to case; an unknown mode is off.
  STDMETHOD(getMode)(BSTR mode, VARIANT_BOOL *on) override {
    if (auto answer = enter("getMode", {arg(mode)}, on))
      return *answer;
    if (!on)
      return E_POINTER;
    auto found = model().modes.find(lower(text(mode)));
    *on = found != model().modes.end() && found->second ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  STDMETHOD(setMode)(BSTR mode, VARIANT_BOOL on) override {
    if (auto answer = enter("setMode", {arg(mode), arg(on)}))
      return *answer;
    model().modes[lower(text(mode))] = on != VARIANT_FALSE;
    return S_OK;
  }
};

} // namespace

IWMPSettings *newSettings(std::shared_ptr<State> state) {
  return new Settings(std::move(state));
}

} // namespace scripted
