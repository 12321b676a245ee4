// Stand-in definitions: the default answers, until this group is built.
#include "player/wmp9_audio_player.h"

long CWMP9AudioPlayer::AppendMusic(const unsigned short *path) {
  return CAudioPlayer::AppendMusic(path);
}
long CWMP9AudioPlayer::InsertMusic(const unsigned short *path, long index) {
  return CAudioPlayer::InsertMusic(path, index);
}
long CWMP9AudioPlayer::RemoveMusic(long index) {
  return CAudioPlayer::RemoveMusic(index);
}
long CWMP9AudioPlayer::MoveMusic(long from, long to) {
  return CAudioPlayer::MoveMusic(from, to);
}
long CWMP9AudioPlayer::ClearAllMusic() {
  return CAudioPlayer::ClearAllMusic();
}
long CWMP9AudioPlayer::GetCurPlaylistCount(long *count) {
  return CAudioPlayer::GetCurPlaylistCount(count);
}
