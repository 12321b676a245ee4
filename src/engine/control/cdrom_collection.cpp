// The CD drives (IWMPCdromCollection) and each drive (IWMPCdrom): the
// machine's optical drives, and any drive specifier that names a drive or a
// disc image (see engine/cd/disc.h). A drive's playlist is read from its
// disc each time it is asked for: one item per audio track.
#include "engine/cd/disc.h"
#include "engine/control/com_object.h"
#include "engine/control/engine_objects.h"
#include "engine/text/com_text.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// The disc's playlist: one item per audio track, read from the table of
// contents and CD-Text, so nothing else is read for it.
std::shared_ptr<PlaylistData> PlaylistOf(const Disc &disc, const std::string &device) {
  auto playlist = PlaylistData::Named(u"Audio CD");
  for (const DiscTrack &track : disc.audio) {
    auto item = MediaItem::ForUrl(TrackUrl(device, track));
    item->attributesRead = true;
    item->duration = track.Seconds();
    item->attributes = TrackAttributes(disc, track, device);
    playlist->items.push_back(std::move(item));
  }
  return playlist;
}

class CdromObject : public DispatchObject<IWMPCdrom> {
public:
  CdromObject(std::u16string specifier, std::string device)
      : specifier_(std::move(specifier)), device_(std::move(device)) {}

  STDMETHOD(get_driveSpecifier)(BSTR *drive) override { return GiveText(drive, specifier_); }
  STDMETHOD(get_Playlist)(IWMPPlaylist **playlist) override {
    if (playlist == nullptr)
      return E_POINTER;
    *playlist = nullptr;
    Disc disc;
    if (std::int32_t status = ReadDisc(device_, &disc); FAILED(status))
      return status;
    return GiveObject(playlist, NewPlaylistObject(PlaylistOf(disc, device_)));
  }
  STDMETHOD(eject)() override { return E_NOTIMPL; }

private:
  std::u16string specifier_;
  std::string device_;
};

class CdromCollectionObject : public DispatchObject<IWMPCdromCollection> {
public:
  STDMETHOD(get_count)(long *count) override {
    return GiveNumber(count, long(OpticalDrives().size()));
  }
  STDMETHOD(Item)(long index, IWMPCdrom **drive) override {
    if (drive == nullptr)
      return E_POINTER;
    *drive = nullptr;
    const std::vector<std::string> drives = OpticalDrives();
    if (index < 0 || index >= long(drives.size()))
      return E_INVALIDARG;
    return GiveObject(drive, static_cast<IWMPCdrom *>(new (std::nothrow) CdromObject(
                                 Utf16Of(drives[std::size_t(index)]), drives[std::size_t(index)])));
  }
  // E_INVALIDARG for a specifier that names no drive and no image.
  STDMETHOD(getByDriveSpecifier)(BSTR specifier, IWMPCdrom **cdrom) override {
    if (cdrom == nullptr)
      return E_POINTER;
    *cdrom = nullptr;
    const std::u16string text = TextOf(specifier);
    const std::optional<std::string> device = DiscDeviceOf(text);
    if (!device)
      return E_INVALIDARG;
    return GiveObject(cdrom,
                      static_cast<IWMPCdrom *>(new (std::nothrow) CdromObject(text, *device)));
  }
};

} // namespace

IWMPCdromCollection *NewCdromCollectionObject() {
  return new (std::nothrow) CdromCollectionObject();
}

} // namespace engine
