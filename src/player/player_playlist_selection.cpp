// Playlist selection and navigation: which playlist is current, which of
// its items is current, and where that item stands in it.
#include "player/control_object.h"
#include "player/text.h"
#include "player/wmp9_audio_player.h"
#include "player/current_playlist.h"
#include "player/url_buffer.h"

long CWMP9AudioPlayer::SetCurPlaylist(const unsigned short *path) {
  if (!created || IsMissingText(path))
    return E_FAIL;
  CComBSTR url = UrlBufferText(path);
  CComBSTR name(OLESTR(""));
  if (!url || !name)
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = RequireObject(player->newPlaylist(name, url, &playlist), playlist);
  if (FAILED(status))
    return status;
  // A CD put aside earlier stays put aside: ClearAllMusic still returns to
  // the playlist from before the CD.
  return player->put_currentPlaylist(playlist);
}

long CWMP9AudioPlayer::PlayPlaylist(const unsigned short *path) {
  if (!created || IsMissingText(path))
    return E_FAIL;
  HRESULT status = SetCurPlaylist(path);
  if (FAILED(status))
    return status;
  return controls->play();
}

long CWMP9AudioPlayer::SetCdromToCurPlaylist(const unsigned short *drive) {
  if (!created || IsMissingText(drive))
    return E_FAIL;
  CComBSTR specifier = UrlBufferText(drive);
  if (!specifier)
    return E_FAIL;
  CComPtr<IWMPCdrom> cdrom;
  HRESULT status = RequireObject(cdromCollection->getByDriveSpecifier(specifier, &cdrom), cdrom);
  if (FAILED(status))
    return status;
  CComPtr<IWMPPlaylist> disc;
  status = RequireObject(cdrom->get_Playlist(&disc), disc);
  if (FAILED(status))
    return status;

  // Only the first of several CDs in a row saves the playlist: the one to
  // return to is the one from before any CD.
  if (!cdromPlaylistActive) {
    savedPlaylist.Release();
    status = RequireObject(player->get_currentPlaylist(&savedPlaylist), savedPlaylist);
    if (FAILED(status))
      return status;
  }
  status = player->put_currentPlaylist(disc);
  if (FAILED(status))
    return status;
  cdromPlaylistActive = 1;
  return status;
}

long CWMP9AudioPlayer::PlaylistIndex(long index) {
  if (!created)
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = GetCurrentPlaylistAt(player, index, IsItemIndex, E_FAIL, playlist);
  if (FAILED(status))
    return status;
  CComPtr<IWMPMedia> media;
  status = RequireObject(playlist->get_Item(index, &media), media);
  if (FAILED(status))
    return status;
  return controls->playItem(media);
}

long CWMP9AudioPlayer::SetPlayListIndex(long index) {
  if (!created)
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = GetCurrentPlaylistAt(player, index, IsItemIndex, E_INVALIDARG, playlist);
  if (FAILED(status))
    return status;
  CComPtr<IWMPMedia> media;
  status = playlist->get_Item(index, &media);
  // Any answer but a plain S_OK selects nothing.
  if (status != S_OK)
    return status;
  if (!media)
    return E_FAIL;
  return controls->put_currentItem(media);
}

long CWMP9AudioPlayer::GetPlaylistIndex(long *index) {
  if (index == nullptr)
    return E_FAIL;
  *index = -1;
  if (!created)
    return E_FAIL;
  CComPtr<IWMPMedia> media;
  HRESULT status = controls->currentItem(&media);
  if (FAILED(status))
    return status;
  return FindMediaIndex(media, index);
}

long CWMP9AudioPlayer::PlayCurrent() {
  if (!created)
    return E_FAIL;
  // Playing an item starts it from the beginning; the position read first
  // is put back afterwards, whether or not the play worked.
  double position = 0.0;
  controls->get_currentPosition(&position);
  CComPtr<IWMPMedia> media;
  HRESULT status = controls->currentItem(&media);
  if (status != S_OK)
    return status;
  if (!media)
    return E_FAIL;
  status = controls->playItem(media);
  controls->put_currentPosition(position);
  return status;
}

HRESULT CWMP9AudioPlayer::FindMediaIndex(IWMPMedia *item, long *index) {
  if (index == nullptr)
    return E_FAIL;
  *index = -1;
  if (!created || item == nullptr)
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  long count = 0;
  HRESULT status = GetCurrentPlaylistCount(player, playlist, count);
  if (FAILED(status))
    return status;

  CComPtr<IWMPMedia> media(item); // held for the search
  for (long i = 0; i < count; ++i) {
    CComPtr<IWMPMedia> entry;
    status = playlist->get_Item(i, &entry);
    if (FAILED(status))
      return status;
    // A failed identity test is no match.
    VARIANT_BOOL identical = VARIANT_FALSE;
    if (SUCCEEDED(media->get_isIdentical(entry, &identical)) && identical == VARIANT_TRUE) {
      *index = i; // the first match wins
      return S_OK;
    }
  }
  return E_FAIL;
}
