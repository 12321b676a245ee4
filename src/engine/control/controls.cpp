// The controls object (IWMPControls): the transport and the current item.
#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/engine.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

class ControlsObject : public DispatchObject<IWMPControls> {
public:
  explicit ControlsObject(std::shared_ptr<Engine> engine) : engine_(std::move(engine)) {}

  // Which transport calls make sense now.
  STDMETHOD(get_isAvailable)(BSTR item, VARIANT_BOOL *available) override {
    std::u16string name = TextOf(item);
    WMPPlayState state = engine_->PlayState();
    bool hasItem = engine_->CurrentItem() != nullptr;
    bool moving = state == wmppsPlaying || state == wmppsPaused || state == wmppsTransitioning ||
                  state == wmppsBuffering;
    long count = long(engine_->CurrentPlaylist()->Count());
    bool several = count > 1 || (count == 1 && engine_->Settings().loop);
    if (SameName(name, u"play"))
      return GiveFlag(available, hasItem && state != wmppsPlaying);
    if (SameName(name, u"pause"))
      return GiveFlag(available, state == wmppsPlaying);
    if (SameName(name, u"stop"))
      return GiveFlag(available, moving);
    if (SameName(name, u"next") || SameName(name, u"previous"))
      return GiveFlag(available, several);
    if (SameName(name, u"currentPosition") || SameName(name, u"currentItem"))
      return GiveFlag(available, hasItem);
    return GiveFlag(available, false); // fast forward and reverse, markers
  }
  STDMETHOD(play)() override { return engine_->Play(); }
  STDMETHOD(stop)() override { return engine_->Stop(); }
  STDMETHOD(pause)() override { return engine_->Pause(); }
  STDMETHOD(fastForward)() override { return E_NOTIMPL; }
  STDMETHOD(fastReverse)() override { return E_NOTIMPL; }
  STDMETHOD(get_currentPosition)(double *seconds) override {
    if (seconds == nullptr)
      return E_POINTER;
    *seconds = engine_->Position();
    return S_OK;
  }
  STDMETHOD(put_currentPosition)(double seconds) override { return engine_->SetPosition(seconds); }
  STDMETHOD(get_currentPositionString)(BSTR *text) override {
    return GiveText(text, ClockText(engine_->Position()));
  }
  STDMETHOD(next)() override { return engine_->Next(); }
  STDMETHOD(previous)() override { return engine_->Previous(); }
  STDMETHOD(currentItem)(IWMPMedia **media) override {
    if (media == nullptr)
      return E_POINTER;
    auto item = engine_->CurrentItem();
    *media = nullptr;
    return item ? GiveObject(media, NewMediaObject(item)) : S_OK;
  }
  STDMETHOD(put_currentItem)(IWMPMedia *media) override {
    auto item = MediaRecordOf(media);
    return item ? engine_->SetCurrentItem(item) : E_INVALIDARG;
  }
  STDMETHOD(get_currentMarker)(long *marker) override {
    if (marker == nullptr)
      return E_POINTER;
    *marker = 0; // audio files carry no markers here
    return S_OK;
  }
  STDMETHOD(put_currentMarker)(long marker) override { return marker == 0 ? S_OK : E_INVALIDARG; }
  STDMETHOD(playItem)(IWMPMedia *media) override {
    auto item = MediaRecordOf(media);
    return item ? engine_->PlayItem(item) : E_INVALIDARG;
  }

private:
  std::shared_ptr<Engine> engine_;
};

} // namespace

IWMPControls *NewControlsObject(std::shared_ptr<Engine> engine) {
  return new (std::nothrow) ControlsObject(std::move(engine));
}

} // namespace engine
