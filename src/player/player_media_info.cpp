// Stand-in definitions: the default answers, until this group is built.
#include "player/wmp9_audio_player.h"

long CWMP9AudioPlayer::GetMusicInfo(const unsigned short *path, tagMediaInfo *info) {
  return CAudioPlayer::GetMusicInfo(path, info);
}
long CWMP9AudioPlayer::SetMusicInfo(const unsigned short *path, const unsigned short *value,
                                    InfoType type) {
  return CAudioPlayer::SetMusicInfo(path, value, type);
}
long CWMP9AudioPlayer::GetCurPlaylistMusicInfo(long index, tagMediaInfo *info) {
  return CAudioPlayer::GetCurPlaylistMusicInfo(index, info);
}
long CWMP9AudioPlayer::SetCurPlaylistMusicInfo(long index, tagMediaInfo *info) {
  return CAudioPlayer::SetCurPlaylistMusicInfo(index, info);
}
