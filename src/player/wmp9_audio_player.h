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

  // Current playlist editing: player_playlist_editing.cpp

  // Playlist selection and navigation: player_playlist_selection.cpp

  // Media information: player_media_info.cpp

  // Playlist files: player_playlist_file.cpp

  // Saved playlist library: player_saved_playlists.cpp

  // Host notifications: player_notifications.cpp

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
