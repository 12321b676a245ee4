#include "playlist/playlist_file_name.h"

#include <cstddef>

namespace {

using Text = std::basic_string<OLECHAR>;

OLECHAR UpperAscii(OLECHAR c) {
  return c >= 'a' && c <= 'z' ? OLECHAR(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(const Text &text, const OLECHAR *upper) {
  std::size_t i = 0;
  for (; i < text.size() && upper[i] != 0; ++i)
    if (UpperAscii(text[i]) != upper[i])
      return false;
  return i == text.size() && upper[i] == 0;
}

} // namespace

PlaylistFileName SplitPlaylistPath(const unsigned short *path) {
  Text text;
  for (; path != nullptr && *path != 0; ++path)
    text.push_back(OLECHAR(*path));

  std::size_t start = text.size() >= 2 && text[1] == ':' ? 2 : 0;
  std::size_t separator = text.find_last_of(OLESTR("\\/"));
  if (separator != Text::npos && separator >= start)
    start = separator + 1;
  Text fileName = text.substr(start);

  std::size_t dot = fileName.rfind(OLECHAR('.'));
  if (dot == Text::npos)
    return {fileName, {}};
  return {fileName.substr(0, dot), fileName.substr(dot)};
}

std::optional<PlaylistFormat> PlaylistFormatOf(const Text &extension) {
  if (SameIgnoringCase(extension, OLESTR(".ASX")))
    return PlaylistFormat::Asx;
  if (SameIgnoringCase(extension, OLESTR(".M3U")))
    return PlaylistFormat::M3u;
  if (SameIgnoringCase(extension, OLESTR(".WPL")))
    return PlaylistFormat::Wpl;
  return std::nullopt;
}
