// CWMP9AudioPlayer: the player over the hosted media player control. It
// keeps no copy of the control's state; every operation asks the control.
//
// Each group of operations lives in its own source file, named after the
// group below.
#pragma once

#include <atlbase.h>
#include <audioplayer.h>
#include <windows.h>
#include <wmp.h>

#include <memory>

// The scratch record CallAudioProc fills before it calls the host.
struct NotifyRecord {
  AudioNotifyProc callback;
  long cookie;
  long code;
  long first;
  long second;
};

class CWMP9AudioPlayer : public CAudioPlayer {
public:
  CWMP9AudioPlayer();
  ~CWMP9AudioPlayer() override;

  // player_creation.cpp
  HWND GetPlayWindow() override;
  WMPVersion GetCurrentPlayerVer() override;

  // Transport and playback settings: player_transport.cpp, player_settings.cpp
  long PlaySingleFile(const unsigned short *path) override;
  long Play() override;
  long Pause() override;
  long Resume() override;
  long Stop() override;
  long GotoBegin() override;
  long GotoEnd() override;
  long NextTrack() override;
  long PrevTrack() override;
  long GetPos(double *seconds) override;
  long SetPos(double seconds) override;
  long GetPlayState(PlayState *state) override;
  long SetVol(long volume) override;
  long GetVol(long *volume) override;
  long SetMute(int mute) override;
  long GetMute(int *mute) override;
  long SetVisFullSrc(int fullScreen) override;
  long GetVisFullSrc(int *fullScreen) override;
  long EnableVis(int visible) override;
  long EnableErrorDialogs(int enable) override;
  int IsSupportSetRate() override;
  long SetRate(double rate) override;
  long SetLoop(int loop) override;
  long GetLoop(int *loop) override;
  long SetShuffle(int shuffle) override;
  long GetShuffle(int *shuffle) override;

  // Current playlist editing: player_playlist_editing.cpp
  long AppendMusic(const unsigned short *path) override;
  long InsertMusic(const unsigned short *path, long index) override;
  long RemoveMusic(long index) override;
  long MoveMusic(long from, long to) override;
  long ClearAllMusic() override;
  long GetCurPlaylistCount(long *count) override;

  // Playlist selection and navigation: player_playlist_selection.cpp
  long PlayPlaylist(const unsigned short *path) override;
  long SetCurPlaylist(const unsigned short *path) override;
  long GetPlaylistIndex(long *index) override;
  long PlaylistIndex(long index) override;
  long SetCdromToCurPlaylist(const unsigned short *drive) override;
  long SetPlayListIndex(long index) override;
  long PlayCurrent() override;

  // Media information: player_media_info.cpp
  long GetMusicInfo(const unsigned short *path, tagMediaInfo *info) override;
  long SetMusicInfo(const unsigned short *path, const unsigned short *value,
                    InfoType type) override;
  long GetCurPlaylistMusicInfo(long index, tagMediaInfo *info) override;
  long SetCurPlaylistMusicInfo(long index, tagMediaInfo *info) override;

  // Playlist files: player_playlist_file.cpp
  long UpdateCurPlaylistToFile(const unsigned short *path) override;

  // Saved playlist library: player_saved_playlists.cpp
  long GetPlaylistNumByName(const unsigned short *name, long *count) override;
  long SaveCurPlaylist(const unsigned short *name) override;
  long DeleteItemFromCollection(const unsigned short *path) override;
  long GetPLCollectionCount(long *count) override;
  long GetPLCollectionNamebyIndex(long index, unsigned short *name) override;
  long UpdatePlaylistbyIndex(long index) override;

  // Host notifications: player_notifications.cpp
  void CallAudioProc(CallNotify code, long first, long second) override;

  // The 0-based index of `item` in the current playlist by the control's
  // identity test; writes -1 first. E_FAIL when not created, for a null
  // item, without a current playlist or when the item is not in it.
  HRESULT FindMediaIndex(IWMPMedia *item, long *index);

  // False when the constructor could not allocate the notification record.
  bool HasNotifyRecord() const { return notifyRecord != nullptr; }

protected:
  long CreatePlayer(HWND parent, HINSTANCE instance, RECT *rect, const unsigned short *windowName,
                    DWORD style, DWORD exStyle, AudioNotifyProc callback, long cookie) override;

private:
  HRESULT CreateControl(HWND parent, RECT *rect, const unsigned short *windowName, DWORD style,
                        DWORD exStyle);
  HRESULT ConnectEvents(IConnectionPointContainer *container, IUnknown *sink);

  CComPtr<IWMPPlayer4> player;
  CComPtr<IWMPControls> controls;
  CComPtr<IWMPSettings> settings;
  CComPtr<IWMPMediaCollection> mediaCollection;
  CComPtr<IWMPPlaylistCollection> playlistCollection;
  CComPtr<IWMPCdromCollection> cdromCollection;
  CComPtr<IConnectionPoint> eventConnectionPoint;
  CComPtr<IWMPPlaylist> savedPlaylist; // put aside while a CD playlist is current
  HWND hostWindow = nullptr;
  DWORD adviseCookie = 0;
  int created = 0;
  AudioNotifyProc notifyCallback = nullptr;
  long notifyCookie = 0;
  int cdromPlaylistActive = 0;
  CRITICAL_SECTION infoLock; // entered by GetMusicInfo only
  std::unique_ptr<NotifyRecord> notifyRecord;
};
