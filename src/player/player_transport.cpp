// Stand-in definitions: the default answers, until this group is built.
#include "player/wmp9_audio_player.h"

long CWMP9AudioPlayer::PlaySingleFile(const unsigned short *path) {
  return CAudioPlayer::PlaySingleFile(path);
}
long CWMP9AudioPlayer::Play() {
  return CAudioPlayer::Play();
}
long CWMP9AudioPlayer::Pause() {
  return CAudioPlayer::Pause();
}
long CWMP9AudioPlayer::Resume() {
  return CAudioPlayer::Resume();
}
long CWMP9AudioPlayer::Stop() {
  return CAudioPlayer::Stop();
}
long CWMP9AudioPlayer::GotoBegin() {
  return CAudioPlayer::GotoBegin();
}
long CWMP9AudioPlayer::GotoEnd() {
  return CAudioPlayer::GotoEnd();
}
long CWMP9AudioPlayer::NextTrack() {
  return CAudioPlayer::NextTrack();
}
long CWMP9AudioPlayer::PrevTrack() {
  return CAudioPlayer::PrevTrack();
}
long CWMP9AudioPlayer::GetPos(double *seconds) {
  return CAudioPlayer::GetPos(seconds);
}
long CWMP9AudioPlayer::SetPos(double seconds) {
  return CAudioPlayer::SetPos(seconds);
}
long CWMP9AudioPlayer::GetPlayState(PlayState *state) {
  return CAudioPlayer::GetPlayState(state);
}
long CWMP9AudioPlayer::SetVol(long volume) {
  return CAudioPlayer::SetVol(volume);
}
long CWMP9AudioPlayer::GetVol(long *volume) {
  return CAudioPlayer::GetVol(volume);
}
long CWMP9AudioPlayer::SetMute(int mute) {
  return CAudioPlayer::SetMute(mute);
}
long CWMP9AudioPlayer::GetMute(int *mute) {
  return CAudioPlayer::GetMute(mute);
}
long CWMP9AudioPlayer::SetVisFullSrc(int fullScreen) {
  return CAudioPlayer::SetVisFullSrc(fullScreen);
}
long CWMP9AudioPlayer::GetVisFullSrc(int *fullScreen) {
  return CAudioPlayer::GetVisFullSrc(fullScreen);
}
long CWMP9AudioPlayer::EnableVis(int visible) {
  return CAudioPlayer::EnableVis(visible);
}
long CWMP9AudioPlayer::EnableErrorDialogs(int enable) {
  return CAudioPlayer::EnableErrorDialogs(enable);
}
int CWMP9AudioPlayer::IsSupportSetRate() {
  return CAudioPlayer::IsSupportSetRate();
}
long CWMP9AudioPlayer::SetRate(double rate) {
  return CAudioPlayer::SetRate(rate);
}
long CWMP9AudioPlayer::SetLoop(int loop) {
  return CAudioPlayer::SetLoop(loop);
}
long CWMP9AudioPlayer::GetLoop(int *loop) {
  return CAudioPlayer::GetLoop(loop);
}
long CWMP9AudioPlayer::SetShuffle(int shuffle) {
  return CAudioPlayer::SetShuffle(shuffle);
}
long CWMP9AudioPlayer::GetShuffle(int *shuffle) {
  return CAudioPlayer::GetShuffle(shuffle);
}
