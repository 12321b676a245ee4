// The constructors of the engine's COM objects, whose classes stay private
// to their own files, and the way back from an interface pointer to the
// record it shows. Each constructor returns a new object with one
// reference owned by the caller.
#pragma once

#include <atlhost.h>
#include <wmp.h>

#include <memory>
#include <vector>

#include "engine/control/event_delivery.h"
#include "engine/library/media_item.h"
#include "engine/library/playlist_data.h"

namespace engine {

class Engine;
class MediaLibrary;

IWMPPlayer4 *NewPlayerObject(std::shared_ptr<Engine> engine);
IWMPControls *NewControlsObject(std::shared_ptr<Engine> engine);
IWMPSettings *NewSettingsObject(std::shared_ptr<Engine> engine);
IWMPMedia *NewMediaObject(std::shared_ptr<MediaItem> item);
IWMPPlaylist *NewPlaylistObject(std::shared_ptr<PlaylistData> playlist);
IWMPPlaylistArray *NewPlaylistArrayObject(std::shared_ptr<MediaLibrary> library,
                                          std::vector<std::int64_t> playlistIds);
IWMPMediaCollection *NewMediaCollectionObject(std::shared_ptr<Engine> engine);
IWMPPlaylistCollection *NewPlaylistCollectionObject(std::shared_ptr<Engine> engine);
IWMPCdromCollection *NewCdromCollectionObject();
// A connection point of `container` (a player object, which it holds) for one face.
IConnectionPoint *NewConnectionPointObject(std::shared_ptr<Engine> engine,
                                           IConnectionPointContainer *container, EventFace face);

// The record behind one of the engine's objects; null for a null or a
// foreign object. Constant time.
std::shared_ptr<MediaItem> MediaRecordOf(IWMPMedia *media);
std::shared_ptr<PlaylistData> PlaylistRecordOf(IWMPPlaylist *playlist);

// Hands out a new object through an out parameter: E_POINTER for a null
// out, E_OUTOFMEMORY when the object could not be made.
template <class I> HRESULT GiveObject(I **out, I *object) {
  if (out == nullptr) {
    if (object)
      object->Release();
    return E_POINTER;
  }
  *out = object;
  return object ? S_OK : E_OUTOFMEMORY;
}

} // namespace engine
