#include "playlist/current_playlist.h"

#include "player/control_object.h"

HRESULT GetCurrentPlaylist(IWMPPlayer4 *player, CComPtr<IWMPPlaylist> &playlist) {
  return RequireObject(player->get_currentPlaylist(&playlist), playlist);
}

HRESULT GetCurrentPlaylistCount(IWMPPlayer4 *player, CComPtr<IWMPPlaylist> &playlist, long &count) {
  HRESULT status = GetCurrentPlaylist(player, playlist);
  if (FAILED(status))
    return status;
  return playlist->get_count(&count);
}
