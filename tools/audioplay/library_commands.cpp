#include "library_commands.h"

#include "host_text.h"
#include "status_text.h"

#include <cstdio>

namespace {

int Failed(const char *what, long status) {
  std::fprintf(stderr, "audioplay: %s failed: %s\n", what, DescribeStatus(status).c_str());
  return 1;
}

} // namespace

int ListSavedPlaylists(CAudioPlayer &player) {
  long count = 0;
  if (const long status = player.GetPLCollectionCount(&count); status < 0)
    return Failed("counting the saved playlists", status);
  for (long i = 0; i < count; ++i) {
    unsigned short name[425] = {};
    if (const long status = player.GetPLCollectionNamebyIndex(i, name); status < 0)
      return Failed("reading a saved playlist's name", status);
    std::printf("%ld: %s\n", i, Utf8(name).c_str());
  }
  return 0;
}

int SaveAs(CAudioPlayer &player, const Group &group, const std::string &name) {
  if (!LoadGroup(player, group))
    return 1;
  const long errorsBefore = ErrorsHeard();
  if (const long status = player.SaveCurPlaylist(Utf16(name).c_str()); status < 0)
    return Failed("saving the playlist", status);
  // The library stores the save when this thread next dispatches its
  // messages; an error notification then means it could not.
  DispatchPending();
  if (ErrorsHeard() != errorsBefore) {
    std::fprintf(stderr,
                 "audioplay: saving the playlist failed: the media library at %s could "
                 "not store it\n",
                 LibraryPath().c_str());
    return 1;
  }
  std::printf("saved as %s\n", name.c_str());
  return 0;
}

int ListTracks(CAudioPlayer &player, const Group &cd) {
  if (!LoadGroup(player, cd))
    return 1;
  long count = 0;
  if (const long status = player.GetCurPlaylistCount(&count); status < 0)
    return Failed("counting the tracks", status);
  std::string toc;
  for (long i = 0; i < count; ++i) {
    tagMediaInfo info{};
    info.dwMask = INFO_TITLE | INFO_AUTHOR | INFO_DURATION | INFO_TOC;
    if (const long status = player.GetCurPlaylistMusicInfo(i, &info); status < 0)
      return Failed("reading a track", status);
    const long seconds = long(info.dDuration + 0.5);
    std::printf("%ld: %s", i + 1, Utf8(info.szTitle).c_str());
    if (info.szAuthor[0])
      std::printf(" - %s", Utf8(info.szAuthor).c_str());
    std::printf(" (%ld:%02ld)\n", seconds / 60, seconds % 60);
    toc = Utf8(info.szTOC);
  }
  std::printf("TOC: %s\n", toc.c_str());
  return 0;
}

int ExportTo(CAudioPlayer &player, const Group &group, const std::string &path) {
  if (!LoadGroup(player, group))
    return 1;
  if (const long status = player.UpdateCurPlaylistToFile(Utf16(path).c_str()); status < 0)
    return Failed("writing the playlist file", status);
  std::printf("wrote %s\n", path.c_str());
  return 0;
}
