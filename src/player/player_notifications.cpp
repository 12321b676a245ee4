// Stand-in definitions: the default answers, until this group is built.
#include "player/wmp9_audio_player.h"

void CWMP9AudioPlayer::CallAudioProc(CallNotify code, long first, long second) {
  CAudioPlayer::CallAudioProc(code, first, second);
}
