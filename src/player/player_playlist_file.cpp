// Writing the current playlist to an ASX, M3U or WPL playlist file.
#include "player/control_object.h"
#include "player/text.h"
#include "player/wmp9_audio_player.h"
#include "playlist/playlist_file_name.h"
#include "playlist/playlist_file_writer.h"

long CWMP9AudioPlayer::UpdateCurPlaylistToFile(const unsigned short *path) {
  if (!created || IsMissingText(path))
    return E_FAIL;
  CComPtr<IWMPPlaylist> playlist;
  HRESULT status = RequireObject(player->get_currentPlaylist(&playlist), playlist);
  if (FAILED(status))
    return status;

  PlaylistFileName name = SplitPlaylistPath(path);
  std::optional<PlaylistFormat> format = PlaylistFormatOf(name.extension);
  if (!format)
    return E_FAIL; // and no file is made
  PlaylistFileWriter writer(*format);
  if (!writer.Open(path))
    return E_FAIL;
  writer.WriteOpening(name.baseName);

  long count = 0;
  status = playlist->get_count(&count);
  if (FAILED(status)) {
    writer.Abandon();
    return status;
  }
  // An item the control cannot give, or whose URL it cannot give, is left
  // out; so is one whose URL does not fit the format.
  for (long index = 0; index < count; ++index) {
    CComPtr<IWMPMedia> item;
    if (FAILED(playlist->get_Item(index, &item)) || !item)
      continue;
    CComBSTR url;
    if (FAILED(item->get_sourceURL(&url)) || !url)
      continue;
    writer.WriteEntry(url);
  }
  return writer.Finish() ? S_OK : E_FAIL;
}
