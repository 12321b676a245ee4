// The control's library: its saved playlists (count, name, find, save,
// overwrite) and removing a media item from its media collection.
#include "player/control_object.h"
#include "player/host_text.h"
#include "player/text.h"
#include "player/wmp9_audio_player.h"
#include "player/url_buffer.h"

namespace {

// Replaces the items of `target` by those of `source`, in order. Stops at
// the first failure and returns it (E_FAIL for an item the control does
// not give), leaving `target` as far as it got.
HRESULT CopyItems(IWMPPlaylist *source, IWMPPlaylist *target) {
  long count = 0;
  HRESULT status = source->get_count(&count);
  if (FAILED(status))
    return status;
  status = target->clear();
  if (FAILED(status))
    return status;
  for (long index = 0; index < count; ++index) {
    CComPtr<IWMPMedia> item;
    status = RequireObject(source->get_Item(index, &item), item);
    if (FAILED(status))
      return status;
    status = target->appendItem(item);
    if (FAILED(status))
      return status;
  }
  return S_OK;
}

// The saved playlist at `index` in the order the control lists them.
HRESULT SavedPlaylistAt(IWMPPlaylistCollection *collection, long index,
                        CComPtr<IWMPPlaylist> &playlist) {
  CComPtr<IWMPPlaylistArray> all;
  HRESULT status = RequireObject(collection->getAll(&all), all);
  if (FAILED(status))
    return status;
  return RequireObject(all->Item(index, &playlist), playlist);
}

} // namespace

long CWMP9AudioPlayer::GetPLCollectionCount(long *count) {
  if (!created)
    return E_FAIL;
  CComPtr<IWMPPlaylistArray> all;
  HRESULT status = RequireObject(playlistCollection->getAll(&all), all);
  if (FAILED(status))
    return status;
  return all->get_count(count);
}

long CWMP9AudioPlayer::GetPLCollectionNamebyIndex(long index, unsigned short *name) {
  if (!created)
    return E_FAIL;
  CComBSTR text;
  {
    CComPtr<IWMPPlaylist> playlist;
    HRESULT status = SavedPlaylistAt(playlistCollection, index, playlist);
    if (FAILED(status))
      return status;
    status = playlist->get_name(&text);
    if (FAILED(status))
      return status;
  }
  CopyHostText(name, text);
  return S_OK;
}

long CWMP9AudioPlayer::GetPlaylistNumByName(const unsigned short *name, long *count) {
  *count = -1;
  if (!created || IsMissingText(name))
    return E_FAIL;
  CComBSTR wanted = UrlBufferText(name);
  if (!wanted)
    return E_OUTOFMEMORY;
  CComPtr<IWMPPlaylistArray> found;
  HRESULT status = RequireObject(playlistCollection->getByName(wanted, &found), found);
  if (FAILED(status))
    return status;
  return found->get_count(count);
}

long CWMP9AudioPlayer::SaveCurPlaylist(const unsigned short *name) {
  if (!created || IsMissingText(name))
    return E_FAIL;
  CComPtr<IWMPPlaylist> current;
  HRESULT status = RequireObject(player->get_currentPlaylist(&current), current);
  if (FAILED(status))
    return status;
  CComBSTR title = UrlBufferText(name);
  if (!title)
    return E_OUTOFMEMORY;
  CComPtr<IWMPPlaylist> saved;
  status = RequireObject(playlistCollection->newPlaylist(title, &saved), saved);
  if (FAILED(status))
    return status;
  status = CopyItems(current, saved);
  if (FAILED(status)) {
    // A failed save leaves no half-filled playlist in the library.
    playlistCollection->remove(saved);
    return status;
  }
  return S_OK;
}

// Unlike SaveCurPlaylist there is no undo: the playlist existed before, and
// after a failure it keeps the items copied so far.
long CWMP9AudioPlayer::UpdatePlaylistbyIndex(long index) {
  if (!created)
    return E_FAIL;
  CComPtr<IWMPPlaylist> current;
  HRESULT status = RequireObject(player->get_currentPlaylist(&current), current);
  if (FAILED(status))
    return status;
  CComPtr<IWMPPlaylist> saved;
  status = SavedPlaylistAt(playlistCollection, index, saved);
  if (FAILED(status))
    return status;
  status = CopyItems(current, saved);
  return FAILED(status) ? status : S_OK;
}

long CWMP9AudioPlayer::DeleteItemFromCollection(const unsigned short *path) {
  if (!created || IsMissingText(path))
    return E_FAIL;
  CComBSTR url = UrlBufferText(path);
  if (!url)
    return E_OUTOFMEMORY;
  CComPtr<IWMPMedia> item;
  HRESULT status = RequireObject(mediaCollection->add(url, &item), item);
  if (FAILED(status))
    return status;
  return mediaCollection->remove(item, VARIANT_TRUE);
}
