// Stand-in definitions: the default answers, until this group is built.
#include "player/wmp9_audio_player.h"

long CWMP9AudioPlayer::UpdateCurPlaylistToFile(const unsigned short *path) {
  return CAudioPlayer::UpdateCurPlaylistToFile(path);
}
