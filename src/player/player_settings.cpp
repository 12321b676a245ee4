// Playback settings: volume, mute, loop, shuffle, rate, full screen,
// display mode and error dialogs, each read from or written to the control
// at once, never cached.
#include "player/wmp9_audio_player.h"

namespace {

// A host flag as the control's boolean: any non-zero value is true.
VARIANT_BOOL AsVariantBool(int flag) {
  return flag != 0 ? VARIANT_TRUE : VARIANT_FALSE;
}

// The play modes take 1 as true and any other value in its low 16 bits, so
// a host that passes the control's own VARIANT_TRUE (-1) gets it unchanged.
VARIANT_BOOL AsModeValue(int flag) {
  return flag == 1 ? VARIANT_TRUE : VARIANT_BOOL(flag);
}

// A control boolean read back: 1 or 0, written only when the read worked.
template <class Read> HRESULT ReadFlag(int *flag, Read read) {
  VARIANT_BOOL value = VARIANT_FALSE;
  HRESULT status = read(&value);
  if (FAILED(status))
    return status;
  *flag = value != VARIANT_FALSE ? 1 : 0;
  return S_OK;
}

HRESULT SetMode(IWMPSettings *settings, const OLECHAR *mode, int flag) {
  CComBSTR name(mode);
  if (!name)
    return E_FAIL;
  return settings->setMode(name, AsModeValue(flag));
}

HRESULT GetMode(IWMPSettings *settings, const OLECHAR *mode, int *flag) {
  CComBSTR name(mode);
  if (!name)
    return E_FAIL;
  return ReadFlag(flag, [&](VARIANT_BOOL *value) { return settings->getMode(name, value); });
}

} // namespace

long CWMP9AudioPlayer::SetVol(long volume) {
  return created ? settings->put_volume(volume) : E_FAIL;
}

long CWMP9AudioPlayer::GetVol(long *volume) {
  if (!created || volume == nullptr)
    return E_FAIL;
  return settings->get_volume(volume);
}

long CWMP9AudioPlayer::SetMute(int mute) {
  return created ? settings->put_mute(AsVariantBool(mute)) : E_FAIL;
}

long CWMP9AudioPlayer::GetMute(int *mute) {
  if (!created || mute == nullptr)
    return E_FAIL;
  return ReadFlag(mute, [this](VARIANT_BOOL *value) { return settings->get_mute(value); });
}

long CWMP9AudioPlayer::SetVisFullSrc(int fullScreen) {
  return created ? player->put_fullScreen(AsVariantBool(fullScreen)) : E_FAIL;
}

long CWMP9AudioPlayer::GetVisFullSrc(int *fullScreen) {
  if (!created || fullScreen == nullptr)
    return E_FAIL;
  return ReadFlag(fullScreen,
                  [this](VARIANT_BOOL *value) { return player->get_fullScreen(value); });
}

// "none" shows only the video or visualisation area, without the control's
// buttons; "invisible" hides the display altogether.
long CWMP9AudioPlayer::EnableVis(int visible) {
  if (!created)
    return E_FAIL;
  CComBSTR mode(visible == 1 ? OLESTR("none") : OLESTR("invisible"));
  if (!mode)
    return E_FAIL;
  return player->put_uiMode(mode);
}

long CWMP9AudioPlayer::EnableErrorDialogs(int enable) {
  return created ? settings->put_enableErrorDialogs(AsVariantBool(enable)) : E_FAIL;
}

// Asks the control even before creation completed, as long as it gave its
// settings. The answer keeps the control's sign: -1 for true.
int CWMP9AudioPlayer::IsSupportSetRate() {
  if (!settings)
    return 0;
  CComBSTR item(OLESTR("Rate"));
  VARIANT_BOOL available = VARIANT_FALSE;
  if (!item || FAILED(settings->get_isAvailable(item, &available)))
    return 0;
  return available;
}

long CWMP9AudioPlayer::SetRate(double rate) {
  if (!IsSupportSetRate() || !settings)
    return E_FAIL;
  return settings->put_rate(rate);
}

long CWMP9AudioPlayer::SetLoop(int loop) {
  return created ? SetMode(settings, OLESTR("loop"), loop) : E_FAIL;
}

long CWMP9AudioPlayer::GetLoop(int *loop) {
  if (!created || loop == nullptr)
    return E_FAIL;
  return GetMode(settings, OLESTR("loop"), loop);
}

long CWMP9AudioPlayer::SetShuffle(int shuffle) {
  return created ? SetMode(settings, OLESTR("shuffle"), shuffle) : E_FAIL;
}

long CWMP9AudioPlayer::GetShuffle(int *shuffle) {
  if (!created || shuffle == nullptr)
    return E_FAIL;
  return GetMode(settings, OLESTR("shuffle"), shuffle);
}
