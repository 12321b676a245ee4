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
  HRESULT getNumber(const char *method, long value, long *out) {
    if (auto answer = enter(method, {}, out))
      return *answer;
    if (!out)
      return E_POINTER;
    *out = value;
    return S_OK;
  }
  HRESULT putNumber(const char *method, long &value, long in) {
    if (auto answer = enter(method, {arg(in)}))
      return *answer;
    value = in;
    return S_OK;
  }
  HRESULT getText(const char *method, const std::u16string &value, BSTR *out) {
    if (auto answer = enter(method, {}, out))
      return *answer;
    return giveText(out, value);
  }
  HRESULT putText(const char *method, std::u16string &value, BSTR in) {
    if (auto answer = enter(method, {arg(in)}))
      return *answer;
    value = text(in);
    return S_OK;
  }

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
  STDMETHOD(get_autoStart)(VARIANT_BOOL *autoStart) override {
    return getFlag("get_autoStart", model().autoStart, autoStart);
  }
  STDMETHOD(put_autoStart)(VARIANT_BOOL autoStart) override {
    return putFlag("put_autoStart", model().autoStart, autoStart);
  }
  STDMETHOD(get_baseURL)(BSTR *url) override {
    return getText("get_baseURL", model().baseURL, url);
  }
  STDMETHOD(put_baseURL)(BSTR url) override { return putText("put_baseURL", model().baseURL, url); }
  STDMETHOD(get_defaultFrame)(BSTR *frame) override {
    return getText("get_defaultFrame", model().defaultFrame, frame);
  }
  STDMETHOD(put_defaultFrame)(BSTR frame) override {
    return putText("put_defaultFrame", model().defaultFrame, frame);
  }
  STDMETHOD(get_invokeURLs)(VARIANT_BOOL *invoke) override {
    return getFlag("get_invokeURLs", model().invokeURLs, invoke);
  }
  STDMETHOD(put_invokeURLs)(VARIANT_BOOL invoke) override {
    return putFlag("put_invokeURLs", model().invokeURLs, invoke);
  }
  STDMETHOD(get_mute)(VARIANT_BOOL *mute) override {
    return getFlag("get_mute", model().mute, mute);
  }
  STDMETHOD(put_mute)(VARIANT_BOOL mute) override {
    return putFlag("put_mute", model().mute, mute);
  }
  STDMETHOD(get_playCount)(long *count) override {
    return getNumber("get_playCount", model().playCount, count);
  }
  STDMETHOD(put_playCount)(long count) override {
    return putNumber("put_playCount", model().playCount, count);
  }
  STDMETHOD(get_rate)(double *rate) override {
    if (auto answer = enter("get_rate", {}, rate))
      return *answer;
    if (!rate)
      return E_POINTER;
    *rate = model().rate;
    return S_OK;
  }
  STDMETHOD(put_rate)(double rate) override {
    if (auto answer = enter("put_rate", {arg(rate)}))
      return *answer;
    model().rate = rate;
    return S_OK;
  }
  STDMETHOD(get_balance)(long *balance) override {
    return getNumber("get_balance", model().balance, balance);
  }
  STDMETHOD(put_balance)(long balance) override {
    return putNumber("put_balance", model().balance, balance);
  }
  STDMETHOD(get_volume)(long *volume) override {
    return getNumber("get_volume", model().volume, volume);
  }
  STDMETHOD(put_volume)(long volume) override {
    return putNumber("put_volume", model().volume, volume);
  }
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
  STDMETHOD(get_enableErrorDialogs)(VARIANT_BOOL *enable) override {
    return getFlag("get_enableErrorDialogs", model().enableErrorDialogs, enable);
  }
  STDMETHOD(put_enableErrorDialogs)(VARIANT_BOOL enable) override {
    return putFlag("put_enableErrorDialogs", model().enableErrorDialogs, enable);
  }
};

} // namespace

IWMPSettings *newSettings(std::shared_ptr<State> state) {
  return new Settings(std::move(state));
}

} // namespace scripted
