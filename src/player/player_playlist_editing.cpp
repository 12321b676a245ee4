// Current playlist editing: the control's current playlist is the only
// store of the items, fetched afresh by every operation.
#include "player/control_object.h"
#include "player/text.h"
#include "player/wmp9_audio_player.h"
#include "player/current_playlist.h"
#include "player/url_buffer.h"

namespace {

// A media object for the host's path, cut as every URL given to the control.
HRESULT NewMedia(IWMPPlayer4 *player, const CComBSTR &url, CComPtr<IWMPMedia> &media) {
  if (!url)
    return E_FAIL;
  return RequireObject(player->newMedia(url, &media), media);
}

} // namespace

long CWMP9AudioPlayer::AppendMusic(const unsigned short *path) {
  if (!created || IsMissingText(path))
    return E_FAIL;
  CComBSTR url = UrlBufferText(path);
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = GetCurrentPlaylist(player, playlist);
  if (FAILED(status))
    return status;

  // The first file of an empty playlist also enters the media library; the
  // append does not depend on it.
  long count = 0;
  if (SUCCEEDED(playlist->get_count(&count)) && count <= 0 && mediaCollection && url) {
    CComPtr<IWMPMedia> added;
    mediaCollection->add(url, &added);
  }

  CComPtr<IWMPMedia> media;
  status = NewMedia(player, url, media);
  if (FAILED(status))
    return status;
  return playlist->appendItem(media);
}

long CWMP9AudioPlayer::InsertMusic(const unsigned short *path, long index) {
  if (!created || IsMissingText(path))
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = GetCurrentPlaylistAt(player, index, IsEditIndex, E_FAIL, playlist);
  if (FAILED(status))
    return status;

  CComPtr<IWMPMedia> media;
  status = NewMedia(player, UrlBufferText(path), media);
  if (FAILED(status))
    return status;
  return playlist->insertItem(index, media);
}

long CWMP9AudioPlayer::RemoveMusic(long index) {
  if (!created)
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = GetCurrentPlaylistAt(player, index, IsEditIndex, E_FAIL, playlist);
  if (FAILED(status))
    return status;

  CComPtr<IWMPMedia> media;
  status = RequireObject(playlist->get_Item(index, &media), media);
  if (FAILED(status))
    return status;
  return playlist->removeItem(media);
}

long CWMP9AudioPlayer::MoveMusic(long from, long to) {
  if (!created)
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  long count = 0;
  HRESULT status = GetCurrentPlaylistCount(player, playlist, count);
  if (FAILED(status))
    return status;
  if (!IsEditIndex(from, count) || !IsEditIndex(to, count))
    return E_FAIL;
  return playlist->moveItem(from, to);
}

long CWMP9AudioPlayer::ClearAllMusic() {
  if (!created)
    return E_FAIL;
  // Clearing after a CD goes back to the playlist the CD replaced, so the
  // disc's own playlist is never emptied.
  HRESULT status;
  if (cdromPlaylistActive) {
    status = player->put_currentPlaylist(savedPlaylist);
    if (FAILED(status))
      return status;
    cdromPlaylistActive = 0;
  }

  CComPtr<IWMPPlaylist> playlist;
  status = GetCurrentPlaylist(player, playlist);
  if (FAILED(status))
    return status;
  status = playlist->clear();
  if (FAILED(status))
    return status;
  return player->put_currentPlaylist(playlist);
}

long CWMP9AudioPlayer::GetCurPlaylistCount(long *count) {
  if (!created)
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = GetCurrentPlaylist(player, playlist);
  if (FAILED(status))
    return status;
  return playlist->get_count(count);
}
