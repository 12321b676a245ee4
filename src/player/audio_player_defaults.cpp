// CAudioPlayer's own bodies: what an operation answers when no back end
// overrides it. None has any effect.
#include <audioplayer.h>

CAudioPlayer::CAudioPlayer() = default;
CAudioPlayer::CAudioPlayer(const CAudioPlayer &) {}
CAudioPlayer &CAudioPlayer::operator=(const CAudioPlayer &) {
  return *this;
}
CAudioPlayer::~CAudioPlayer() = default;

HWND CAudioPlayer::GetPlayWindow() {
  return nullptr;
}
WMPVersion CAudioPlayer::GetCurrentPlayerVer() {
  return WV_None;
}
long CAudioPlayer::GetMusicInfo(const unsigned short *, tagMediaInfo *) {
  return E_FAIL;
}
long CAudioPlayer::SetMusicInfo(const unsigned short *, const unsigned short *, InfoType) {
  return E_FAIL;
}
long CAudioPlayer::PlaySingleFile(const unsigned short *) {
  return E_FAIL;
}
long CAudioPlayer::Play() {
  return E_FAIL;
}
long CAudioPlayer::Pause() {
  return E_FAIL;
}
long CAudioPlayer::Resume() {
  return E_FAIL;
}
long CAudioPlayer::Stop() {
  return E_FAIL;
}
long CAudioPlayer::GotoBegin() {
  return E_FAIL;
}
long CAudioPlayer::GotoEnd() {
  return E_FAIL;
}
long CAudioPlayer::NextTrack() {
  return E_FAIL;
}
long CAudioPlayer::PrevTrack() {
  return E_FAIL;
}
long CAudioPlayer::GetPos(double *) {
  return E_FAIL;
}
long CAudioPlayer::SetPos(double) {
  return E_FAIL;
}
long CAudioPlayer::GetPlayState(PlayState *) {
  return E_FAIL;
}
long CAudioPlayer::SetVol(long) {
  return E_FAIL;
}
long CAudioPlayer::GetVol(long *) {
  return E_FAIL;
}
long CAudioPlayer::SetMute(int) {
  return E_FAIL;
}
long CAudioPlayer::GetMute(int *) {
  return E_FAIL;
}
long CAudioPlayer::SetVisFullSrc(int) {
  return E_FAIL;
}
long CAudioPlayer::GetVisFullSrc(int *) {
  return E_FAIL;
}
long CAudioPlayer::EnableVis(int) {
  return E_FAIL;
}
long CAudioPlayer::EnableErrorDialogs(int) {
  return E_FAIL;
}
int CAudioPlayer::IsSupportSetRate() {
  return 0;
}
long CAudioPlayer::SetRate(double) {
  return E_FAIL;
}
long CAudioPlayer::SetLoop(int) {
  return E_FAIL;
}
long CAudioPlayer::GetLoop(int *) {
  return E_FAIL;
}
long CAudioPlayer::SetShuffle(int) {
  return E_FAIL;
}
long CAudioPlayer::GetShuffle(int *) {
  return E_FAIL;
}
long CAudioPlayer::PlayPlaylist(const unsigned short *) {
  return E_FAIL;
}
long CAudioPlayer::SetCurPlaylist(const unsigned short *) {
  return E_FAIL;
}
long CAudioPlayer::AppendMusic(const unsigned short *) {
  return E_FAIL;
}
long CAudioPlayer::InsertMusic(const unsigned short *, long) {
  return E_FAIL;
}
long CAudioPlayer::RemoveMusic(long) {
  return E_FAIL;
}
long CAudioPlayer::MoveMusic(long, long) {
  return E_FAIL;
}
long CAudioPlayer::ClearAllMusic() {
  return E_FAIL;
}
long CAudioPlayer::GetCurPlaylistMusicInfo(long, tagMediaInfo *) {
  return E_FAIL;
}
long CAudioPlayer::SetCurPlaylistMusicInfo(long, tagMediaInfo *) {
  return E_FAIL;
}
long CAudioPlayer::GetCurPlaylistCount(long *) {
  return E_FAIL;
}
long CAudioPlayer::GetPlaylistNumByName(const unsigned short *, long *) {
  return E_FAIL;
}
long CAudioPlayer::GetPlaylistIndex(long *) {
  return E_FAIL;
}
long CAudioPlayer::SaveCurPlaylist(const unsigned short *) {
  return E_FAIL;
}
long CAudioPlayer::UpdateCurPlaylistToFile(const unsigned short *) {
  return E_FAIL;
}
long CAudioPlayer::PlaylistIndex(long) {
  return E_FAIL;
}
long CAudioPlayer::DeleteItemFromCollection(const unsigned short *) {
  return E_FAIL;
}
long CAudioPlayer::GetPLCollectionCount(long *) {
  return E_FAIL;
}
long CAudioPlayer::GetPLCollectionNamebyIndex(long, unsigned short *) {
  return E_FAIL;
}
long CAudioPlayer::UpdatePlaylistbyIndex(long) {
  return E_FAIL;
}
long CAudioPlayer::SetCdromToCurPlaylist(const unsigned short *) {
  return E_FAIL;
}
void CAudioPlayer::CallAudioProc(CallNotify, long, long) {}
long CAudioPlayer::SetPlayListIndex(long) {
  return E_FAIL;
}
long CAudioPlayer::PlayCurrent() {
  return E_FAIL;
}
long CAudioPlayer::CreatePlayer(HWND, HINSTANCE, RECT *, const unsigned short *, DWORD, DWORD,
                                AudioNotifyProc, long) {
  return E_FAIL;
}
