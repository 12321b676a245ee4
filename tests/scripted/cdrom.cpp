// IWMPCdrom over one CD drive of the model, by its position in the list.
#include "scripted/internal.h"

namespace scripted {
namespace {

struct Cdrom final : DispatchObject<IWMPCdrom> {
  Cdrom(std::shared_ptr<State> owner, std::size_t drive)
      : DispatchObject(std::move(owner), "IWMPCdrom"), drive(drive) {}

  STDMETHOD(QueryInterface)(REFIID riid, void **object) override { return queryOwn(riid, object); }
  STDMETHOD_(ULONG, AddRef)() override { return addRef(); }
  STDMETHOD_(ULONG, Release)() override { return release(); }
  SCRIPTED_UNUSED_IWMPCdrom

      // Null once the test has taken the drive away.
      CdDrive *
      record() {
    return drive < model().cdDrives.size() ? &model().cdDrives[drive] : nullptr;
  }

  // A drive without a disc has no playlist.
  STDMETHOD(get_Playlist)(IWMPPlaylist **playlist) override {
    if (auto answer = enter("get_Playlist", {}, playlist))
      return *answer;
    if (!playlist)
      return E_POINTER;
    *playlist = nullptr;
    if (!record() || !record()->disc)
      return E_FAIL;
    *playlist = newPlaylistObject(state, record()->disc);
    return S_OK;
  }

  std::size_t drive;
};

} // namespace

IWMPCdrom *newCdrom(std::shared_ptr<State> state, std::size_t drive) {
  return new Cdrom(std::move(state), drive);
}

} // namespace scripted
