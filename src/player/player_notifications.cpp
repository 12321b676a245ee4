// Host notifications: the control's events, as the sink hands them over,
// turned into the host's numbered notifications.
#include "events/media_error_identity.h"
#include "player/play_state.h"
#include "player/wmp9_audio_player.h"

namespace {

// The record's values are copied out before the host runs: a notification
// nested inside the callback rewrites the record.
void Deliver(NotifyRecord &record, const NotifyRecord &values) {
  record = values;
  values.callback(values.cookie, CallNotify(values.code), values.first, values.second);
}

} // namespace

void CWMP9AudioPlayer::CallAudioProc(CallNotify code, long first, long second) {
  if (notifyCallback == nullptr || notifyRecord == nullptr)
    return;
  // Built locally and written to the record at each step: an event raised
  // while the current item is looked up comes through here re-entrantly.
  NotifyRecord values{notifyCallback, notifyCookie, long(code), first, second};
  *notifyRecord = values;

  switch (unsigned(code)) {
  case CN_Reserved0:
  case CN_Error:
  case CN_Reserved7:
  case CN_Click:
  case CN_CurrentPlaylistChange:
    return Deliver(*notifyRecord, values);

  case CN_PlayStateChange:
  case CN_OpenStateChange: {
    // Only a state of an item that stands in the current playlist is news
    // to the host.
    CComPtr<IWMPMedia> media;
    if (controls)
      controls->currentItem(&media);
    long index = -1;
    if (FAILED(FindMediaIndex(media, &index)))
      return;
    values.first = code == CN_PlayStateChange ? long(PlayStateOf(first)) : OpenStateOf(first);
    values.second = index;
    media.Release(); // no reference is held while the host runs
    return Deliver(*notifyRecord, values);
  }

  case CN_MediaError: {
    // The host keeps the item's 32-bit identity as the first parameter.
    CComPtr<IWMPMedia> media;
    if (IDispatch *item = ResolveMediaIdentity(first))
      item->QueryInterface(__uuidof(IWMPMedia), reinterpret_cast<void **>(&media));
    long index = -1;
    if (FAILED(FindMediaIndex(media, &index)))
      return;
    values.second = index;
    media.Release();
    return Deliver(*notifyRecord, values);
  }

  default: // CN_Reserved3, CN_Reserved6 and codes above 9 reach nobody
    return;
  }
}
