// The settings object (IWMPSettings): volume, mute, rate, modes and the
// start-up behaviour, all held by the engine.
#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/engine.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

class SettingsObject : public DispatchObject<IWMPSettings> {
public:
  explicit SettingsObject(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}

  STDMETHOD(get_isAvailable)(BSTR item, VARIANT_BOOL *available) override {
    std::u16string name = TextOf(item);
    if (SameName(name, u"Rate"))
      return GiveFlag(available, engine_->RateAvailable());
    // Balance is kept but not applied to the output.
    return GiveFlag(available, SameName(name, u"Mode"));
  }
  STDMETHOD(get_autoStart)(VARIANT_BOOL *autoStart) override {
    return GiveFlag(autoStart, engine_->Settings().autoStart);
  }
  STDMETHOD(put_autoStart)(VARIANT_BOOL autoStart) override {
    engine_->KeepSetting(&EngineSettings::autoStart, autoStart != VARIANT_FALSE);
    return S_OK;
  }
  STDMETHOD(get_baseURL)(BSTR *url) override { return GiveText(url, engine_->Settings().baseURL); }
  STDMETHOD(put_baseURL)(BSTR url) override {
    engine_->KeepSetting(&EngineSettings::baseURL, TextOf(url));
    return S_OK;
  }
  STDMETHOD(get_defaultFrame)(BSTR *frame) override {
    return GiveText(frame, engine_->Settings().defaultFrame);
  }
  STDMETHOD(put_defaultFrame)(BSTR frame) override {
    engine_->KeepSetting(&EngineSettings::defaultFrame, TextOf(frame));
    return S_OK;
  }
  STDMETHOD(get_invokeURLs)(VARIANT_BOOL *invoke) override {
    return GiveFlag(invoke, engine_->Settings().invokeURLs);
  }
  STDMETHOD(put_invokeURLs)(VARIANT_BOOL invoke) override {
    engine_->KeepSetting(&EngineSettings::invokeURLs, invoke != VARIANT_FALSE);
    return S_OK;
  }
  STDMETHOD(get_mute)(VARIANT_BOOL *mute) override {
    return GiveFlag(mute, engine_->Settings().mute);
  }
  STDMETHOD(put_mute)(VARIANT_BOOL mute) override {
    engine_->SetMute(mute != VARIANT_FALSE);
    return S_OK;
  }
  STDMETHOD(get_playCount)(long *count) override {
    return GiveNumber(count, engine_->Settings().playCount);
  }
  STDMETHOD(put_playCount)(long count) override {
    if (count < 1)
      return E_INVALIDARG;
    engine_->KeepSetting(&EngineSettings::playCount, count);
    return S_OK;
  }
  STDMETHOD(get_rate)(double *rate) override {
    if (rate == nullptr)
      return E_POINTER;
    *rate = engine_->Settings().rate;
    return S_OK;
  }
  STDMETHOD(put_rate)(double rate) override { return engine_->SetRate(rate); }
  STDMETHOD(get_balance)(long *balance) override {
    return GiveNumber(balance, engine_->Settings().balance);
  }
  STDMETHOD(put_balance)(long balance) override {
    if (balance < -100 || balance > 100)
      return E_INVALIDARG;
    engine_->KeepSetting(&EngineSettings::balance, balance);
    return S_OK;
  }
  STDMETHOD(get_volume)(long *volume) override {
    return GiveNumber(volume, engine_->Settings().volume);
  }
  STDMETHOD(put_volume)(long volume) override {
    engine_->SetVolume(volume);
    return S_OK;
  }
  STDMETHOD(getMode)(BSTR mode, VARIANT_BOOL *on) override {
    if (on == nullptr)
      return E_POINTER;
    bool value = false;
    HRESULT status = engine_->GetMode(TextOf(mode), &value);
    if (SUCCEEDED(status))
      *on = ComBool(value);
    return status;
  }
  STDMETHOD(setMode)(BSTR mode, VARIANT_BOOL on) override {
    return engine_->SetMode(TextOf(mode), on != VARIANT_FALSE);
  }
  STDMETHOD(get_enableErrorDialogs)(VARIANT_BOOL *enable) override {
    return GiveFlag(enable, engine_->Settings().enableErrorDialogs);
  }
  // Kept only: the engine shows no dialogs, errors reach the host as events.
  STDMETHOD(put_enableErrorDialogs)(VARIANT_BOOL enable) override {
    engine_->KeepSetting(&EngineSettings::enableErrorDialogs, enable != VARIANT_FALSE);
    return S_OK;
  }

private:
  std::shared_ptr<Engine> engine_;
};

} // namespace

IWMPSettings *NewSettingsObject(std::shared_ptr<Engine> engine) {
  return new (std::nothrow) SettingsObject(std::move(engine));
}

} // namespace engine
