// Stand-in definitions: the default answers, until this group is built.
#include "player/wmp9_audio_player.h"

long CWMP9AudioPlayer::GetPlaylistNumByName(const unsigned short *name, long *count) {
  return CAudioPlayer::GetPlaylistNumByName(name, count);
}
long CWMP9AudioPlayer::SaveCurPlaylist(const unsigned short *name) {
  return CAudioPlayer::SaveCurPlaylist(name);
}
long CWMP9AudioPlayer::DeleteItemFromCollection(const unsigned short *path) {
  return CAudioPlayer::DeleteItemFromCollection(path);
}
long CWMP9AudioPlayer::GetPLCollectionCount(long *count) {
  return CAudioPlayer::GetPLCollectionCount(count);
}
long CWMP9AudioPlayer::GetPLCollectionNamebyIndex(long index, unsigned short *name) {
  return CAudioPlayer::GetPLCollectionNamebyIndex(index, name);
}
long CWMP9AudioPlayer::UpdatePlaylistbyIndex(long index) {
  return CAudioPlayer::UpdatePlaylistbyIndex(index);
}
