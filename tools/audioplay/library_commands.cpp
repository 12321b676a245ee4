#include "library_commands.h"

#include "host_text.h"
#include "status_text.h"

#include <cstdio>

namespace {

// Every attribute of the record; the playlist item's query fills them all.
constexpr std::uint32_t kEverything =
    INFO_TITLE | INFO_ALBUM | INFO_AUTHOR | INFO_DURATION | INFO_SOURCEURL | INFO_GENRE |
    INFO_COMPOSER | INFO_ALBUMARTIST | INFO_FILETYPE | INFO_WIDTH | INFO_HEIGHT | INFO_VIDEOCODEC |
    INFO_AUDIOCODEC | INFO_VIDEOBITRATE | INFO_AUDIOBITRATE | INFO_BITRATE | INFO_FRAMERATE |
    INFO_CHANNELS;

int Failed(const char *what, long status) {
  std::fprintf(stderr, "audioplay: %s failed: %s\n", what, DescribeStatus(status).c_str());
  return 1;
}

void PrintText(const char *field, const unsigned short *text) {
  if (text[0])
    std::printf("%s: %s\n", field, Utf8(text).c_str());
}

void PrintNumber(const char *field, long value) {
  if (value)
    std::printf("%s: %ld\n", field, value);
}

} // namespace

int ShowInfo(CAudioPlayer &player, const std::string &path) {
  // The record of a current-playlist item has the technical fields as well.
  if (!LoadGroup(player, Group{false, {path}}))
    return 1;
  tagMediaInfo info{};
  info.dwMask = kEverything;
  const long status = player.GetCurPlaylistMusicInfo(0, &info);
  PrintText("Title", info.szTitle);
  PrintText("Author", info.szAuthor);
  PrintText("Album", info.szAlbum);
  PrintText("Album artist", info.szAlbumArtist);
  PrintText("Genre", info.szGenre);
  PrintText("Composer", info.szComposer);
  std::printf("Duration: %.3f s\n", info.dDuration);
  PrintText("Source URL", info.szSourceURL);
  PrintText("File type", info.szFileType);
  if (info.lWidth || info.lHeight)
    std::printf("Image: %d x %d\n", info.lWidth, info.lHeight);
  PrintText("Audio codec", info.szAudioCodec);
  PrintText("Video codec", info.szVideoCodec);
  PrintNumber("Bit rate", info.lBitrate);
  PrintNumber("Audio bit rate", info.lAudioBitrate);
  PrintNumber("Video bit rate", info.lVideoBitrate);
  PrintNumber("Frame rate", info.lFrameRate);
  PrintNumber("Channels", info.lChannels);
  return status < 0 ? Failed("reading the media information", status) : 0;
}

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

int ExportTo(CAudioPlayer &player, const Group &group, const std::string &path) {
  if (!LoadGroup(player, group))
    return 1;
  if (const long status = player.UpdateCurPlaylistToFile(Utf16(path).c_str()); status < 0)
    return Failed("writing the playlist file", status);
  std::printf("wrote %s\n", path.c_str());
  return 0;
}
