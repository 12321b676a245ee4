// Transport: each operation is one call on the control's transport object,
// except PlaySingleFile, which is made of the player's own operations.
#include <cstdint>
#include <cstring>

#include "player/play_state.h"
#include "player/text.h"
#include "player/wmp9_audio_player.h"

static_assert(sizeof(WMPPlayState) == sizeof(std::int32_t), "the control's play state is 32 bits");

long CWMP9AudioPlayer::PlaySingleFile(const unsigned short *path) {
  if (!created || IsMissingText(path))
    return E_FAIL;
  // Through the virtual slots, so that these are exactly the operations the
  // host could call itself.
  HRESULT status = ClearAllMusic();
  if (FAILED(status))
    return status;
  status = AppendMusic(path);
  if (FAILED(status))
    return status;
  return Play();
}

long CWMP9AudioPlayer::Play() {
  return created ? controls->play() : E_FAIL;
}

long CWMP9AudioPlayer::Pause() {
  return created ? controls->pause() : E_FAIL;
}

long CWMP9AudioPlayer::Resume() {
  return created ? controls->play() : E_FAIL;
}

long CWMP9AudioPlayer::Stop() {
  return created ? controls->stop() : E_FAIL;
}

long CWMP9AudioPlayer::GotoBegin() {
  return created ? controls->put_currentPosition(0.0) : E_FAIL;
}

// The end of the current item is the start of the next one.
long CWMP9AudioPlayer::GotoEnd() {
  return created ? controls->next() : E_FAIL;
}

long CWMP9AudioPlayer::NextTrack() {
  return created ? controls->next() : E_FAIL;
}

long CWMP9AudioPlayer::PrevTrack() {
  return created ? controls->previous() : E_FAIL;
}

long CWMP9AudioPlayer::GetPos(double *seconds) {
  if (!created || seconds == nullptr)
    return E_FAIL;
  return controls->get_currentPosition(seconds);
}

long CWMP9AudioPlayer::SetPos(double seconds) {
  // Written so that a NaN position is refused too.
  if (!created || !(seconds >= 0.0))
    return E_FAIL;
  CComPtr<IWMPMedia> media;
  if (FAILED(controls->currentItem(&media)) || !media)
    return E_FAIL;
  // An unreadable duration counts as 0: only the start can be sought then.
  double duration = 0.0;
  media->get_duration(&duration);
  if (!(seconds <= duration))
    return E_FAIL;
  return controls->put_currentPosition(seconds);
}

long CWMP9AudioPlayer::GetPlayState(PlayState *state) {
  if (!created || state == nullptr)
    return E_FAIL;
  WMPPlayState value = wmppsUndefined;
  if (FAILED(player->get_playState(&value)))
    return E_FAIL;
  // The control may report numbers the enumeration does not name: read the
  // 32 bits it wrote rather than the enumeration.
  std::int32_t number = 0;
  std::memcpy(&number, &value, sizeof number);
  *state = PlayStateOf(number);
  return S_OK;
}
