// Media information: the attributes of a file, found through the media
// library, and of an item of the current playlist.
#include <cstdint>

#include "player/control_object.h"
#include "player/media_info_reads.h"
#include "player/media_info_record.h"
#include "player/text.h"
#include "player/wmp9_audio_player.h"
#include "player/url_buffer.h"

namespace {

// Holds a critical section for one scope.
class ScopedLock {
public:
  explicit ScopedLock(CRITICAL_SECTION *section) : section(section) {
    EnterCriticalSection(section);
  }
  ~ScopedLock() { LeaveCriticalSection(section); }
  ScopedLock(const ScopedLock &) = delete;
  ScopedLock &operator=(const ScopedLock &) = delete;

private:
  CRITICAL_SECTION *section;
};

// The attribute SetMusicInfo writes for `type`; null for any other value.
const OLECHAR *FileAttributeName(InfoType type) {
  switch (type) {
  case INFO_TITLE:
    return OLESTR("Title");
  case INFO_ALBUM:
    return OLESTR("Album");
  case INFO_AUTHOR:
    return OLESTR("Author");
  case INFO_GENRE:
    return OLESTR("WM/Genre");
  case INFO_COMPOSER:
    return OLESTR("WM/Composer");
  case INFO_ALBUMARTIST:
    return OLESTR("AlbumArtist");
  default:
    return nullptr;
  }
}

} // namespace

long CWMP9AudioPlayer::GetMusicInfo(const unsigned short *path, tagMediaInfo *info) {
  if (!created || IsMissingText(path) || info == nullptr)
    return E_FAIL;
  std::uint32_t mask = ResetMediaInfo(info);
  if (mask == 0)
    return S_OK;

  CComPtr<IWMPMedia> media;
  ScopedLock lock(&infoLock); // declared after the media object: left before it goes
  CComBSTR url = UrlBufferText(path);
  if (!url)
    return E_OUTOFMEMORY;
  HRESULT status = RequireObject(mediaCollection->add(url, &media), media);
  if (FAILED(status))
    return status;
  return ReadFileInfo(media, mask, info, status);
}

long CWMP9AudioPlayer::SetMusicInfo(const unsigned short *path, const unsigned short *value,
                                    InfoType type) {
  if (!created || IsMissingText(path) || !mediaCollection)
    return E_FAIL;
  // The whole path here, not cut: the file is looked up as the host names it.
  CComBSTR url(AsOleText(path));
  CComBSTR text(value != nullptr ? AsOleText(value) : nullptr);
  if (!url || (value != nullptr && !text))
    return E_OUTOFMEMORY;

  CComPtr<IWMPMedia> media;
  HRESULT status = mediaCollection->add(url, &media);
  if (FAILED(status))
    return status;
  const OLECHAR *name = FileAttributeName(type);
  if (name == nullptr)
    return status;
  if (!media)
    return E_FAIL;

  CComBSTR attribute(name);
  if (!attribute)
    return E_OUTOFMEMORY;
  VARIANT_BOOL readOnly = VARIANT_FALSE;
  status = media->isReadOnlyItem(attribute, &readOnly);
  if (FAILED(status) || readOnly != VARIANT_FALSE)
    return status;
  return media->setItemInfo(attribute, text);
}

long CWMP9AudioPlayer::GetCurPlaylistMusicInfo(long index, tagMediaInfo *info) {
  if (!created || info == nullptr)
    return E_FAIL;
  std::uint32_t mask = ResetMediaInfo(info);
  if (mask == 0)
    return S_OK;

  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = RequireObject(player->get_currentPlaylist(&playlist), playlist);
  if (FAILED(status))
    return status;
  long count = 0;
  status = playlist->get_count(&count);
  if (FAILED(status))
    return status;
  // The count itself is let through: the control refuses it.
  if (index < 0 || index > count)
    return E_FAIL;
  CComPtr<IWMPMedia> media;
  status = RequireObject(playlist->get_Item(index, &media), media);
  if (FAILED(status))
    return status;
  return ReadItemInfo(media, mask, info, status);
}

long CWMP9AudioPlayer::SetCurPlaylistMusicInfo(long index, tagMediaInfo *info) {
  if (!created)
    return E_FAIL;
  if (info == nullptr)
    return E_INVALIDARG;
  if (info->dwMask == 0)
    return S_OK;

  // A missing playlist or item ends the call with the getter's own
  // (successful) status.
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = player->get_currentPlaylist(&playlist);
  if (FAILED(status) || !playlist)
    return status;
  long count = 0;
  status = playlist->get_count(&count);
  if (FAILED(status))
    return status;
  if (index < 0 || index > count)
    return E_FAIL;
  CComPtr<IWMPMedia> media;
  status = playlist->get_Item(index, &media);
  if (FAILED(status) || !media)
    return status;
  return WriteItemInfo(media, info, status);
}
