// Stand-in definitions: the default answers, until this group is built.
#include "player/wmp9_audio_player.h"

long CWMP9AudioPlayer::PlayPlaylist(const unsigned short *path) {
  return CAudioPlayer::PlayPlaylist(path);
}
long CWMP9AudioPlayer::SetCurPlaylist(const unsigned short *path) {
  return CAudioPlayer::SetCurPlaylist(path);
}
long CWMP9AudioPlayer::GetPlaylistIndex(long *index) {
  return CAudioPlayer::GetPlaylistIndex(index);
}
long CWMP9AudioPlayer::PlaylistIndex(long index) {
  return CAudioPlayer::PlaylistIndex(index);
}
long CWMP9AudioPlayer::SetCdromToCurPlaylist(const unsigned short *drive) {
  return CAudioPlayer::SetCdromToCurPlaylist(drive);
}
long CWMP9AudioPlayer::SetPlayListIndex(long index) {
  return CAudioPlayer::SetPlayListIndex(index);
}
long CWMP9AudioPlayer::PlayCurrent() {
  return CAudioPlayer::PlayCurrent();
}
