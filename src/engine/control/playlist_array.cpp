// The playlist array (IWMPPlaylistArray): saved playlists as the
// collection found them, in library order. It holds their ids only; Item
// reads the one playlist it is asked for, so counting and naming cost one
// query each however many playlists the library keeps.
#include "engine/control/com_object.h"
#include "engine/control/engine_objects.h"
#include "engine/library/media_library.h"
#include "engine/text/com_text.h"

namespace engine {

namespace {

class PlaylistArrayObject : public DispatchObject<IWMPPlaylistArray> {
public:
  PlaylistArrayObject(std::shared_ptr<MediaLibrary> library, std::vector<std::int64_t> ids)
      : library_(std::move(library)), ids_(std::move(ids)) {}

  STDMETHOD(get_count)(long *count) override { return GiveNumber(count, long(ids_.size())); }
  STDMETHOD(Item)(long index, IWMPPlaylist **playlist) override {
    if (playlist == nullptr)
      return E_POINTER;
    *playlist = nullptr;
    if (index < 0 || index >= long(ids_.size()))
      return E_INVALIDARG;
    std::shared_ptr<PlaylistData> record;
    if (HRESULT status = library_->Playlist(ids_[std::size_t(index)], &record); FAILED(status))
      return status;
    return GiveObject(playlist, NewPlaylistObject(record));
  }

private:
  std::shared_ptr<MediaLibrary> library_;
  std::vector<std::int64_t> ids_;
};

} // namespace

IWMPPlaylistArray *NewPlaylistArrayObject(std::shared_ptr<MediaLibrary> library,
                                          std::vector<std::int64_t> playlistIds) {
  return new (std::nothrow) PlaylistArrayObject(std::move(library), std::move(playlistIds));
}

} // namespace engine
