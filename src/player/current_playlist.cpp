#include "player/current_playlist.h"

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

HRESULT GetCurrentPlaylistAt(IWMPPlayer4 *player, long index, bool (*admits)(long, long),
                             HRESULT refusal, CComPtr<IWMPPlaylist> &playlist) {
  long count = 0;
  HRESULT status = GetCurrentPlaylistCount(player, playlist, count);
  if (FAILED(status))
    return status;
  return admits(index, count) ? status : refusal;
}
