// What a playlist file's path says about the file: its format, chosen by
// the extension, and its title, the base name.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

enum class PlaylistFormat { Asx, M3u, Wpl };

// A path split the way the Windows C runtime splits it: an optional drive
// ("C:"), the directory up to the last '\' or '/', then the file name,
// whose extension runs from its last dot on, dot included.
struct PlaylistFileName {
  std::basic_string<OLECHAR> baseName;  // the file name without directory and extension
  std::basic_string<OLECHAR> extension; // ".asx", or empty
};
PlaylistFileName SplitPlaylistPath(const unsigned short *path);

// ".ASX", ".M3U" or ".WPL" in any case; nothing for any other extension.
std::optional<PlaylistFormat> PlaylistFormatOf(const std::basic_string<OLECHAR> &extension);
