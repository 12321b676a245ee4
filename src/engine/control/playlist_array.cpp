// The playlist array (IWMPPlaylistArray): saved playlists as the
// collection found them, in library order.
#include "engine/control/com_object.h"
#include "engine/text/com_text.h"
#include "engine/control/engine_objects.h"

namespace engine {

namespace {

class PlaylistArrayObject : public DispatchObject<IWMPPlaylistArray> {
public:
  explicit PlaylistArrayObject(std::vector<std::shared_ptr<PlaylistData>> playlists)
      : playlists_(std::move(playlists)) {}

  STDMETHOD(get_count)(long *count) override { return GiveNumber(count, long(playlists_.size())); }
  STDMETHOD(Item)(long index, IWMPPlaylist **playlist) override {
    if (playlist == nullptr)
      return E_POINTER;
    *playlist = nullptr;
    if (index < 0 || index >= long(playlists_.size()))
      return E_INVALIDARG;
    return GiveObject(playlist, NewPlaylistObject(playlists_[index]));
  }

private:
  std::vector<std::shared_ptr<PlaylistData>> playlists_;
};

} // namespace

IWMPPlaylistArray *NewPlaylistArrayObject(std::vector<std::shared_ptr<PlaylistData>> playlists) {
  return new (std::nothrow) PlaylistArrayObject(std::move(playlists));
}

} // namespace engine
