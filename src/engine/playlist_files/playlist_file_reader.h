// Playlist files a user hands to the player: M3U/M3U8 (#EXTINF titles), PLS
// (FileN/TitleN), ASX (<entry><ref href/><title>) and WPL (<media src/>).
//
// Reading is forgiving: tags are matched without regard to case, unknown
// lines and elements are skipped, and malformed input yields the entries that
// could be read. Text is UTF-8 (with or without a byte order mark); an M3U
// file that is not valid UTF-8 is read as Windows-1252. Entries come back as
// absolute paths (relative ones resolved against the playlist's folder) or as
// the URL given, with file:// URLs turned into paths.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct PlaylistEntry {
  std::u16string url;
  std::u16string title; // empty when the file names none
};

enum class PlaylistFormat { M3U, PLS, ASX, WPL, Unknown };

PlaylistFormat
PlaylistFormatOf(const std::u16string &path); // by extension (.m3u/.m3u8/.pls/.asx/.wpl)

// Parses bytes of the given format; relative entries are resolved against baseFolder.
// Never crashes on malformed input (fuzzed); returns what it could read.
std::vector<PlaylistEntry> ParsePlaylist(PlaylistFormat format, std::string_view bytes,
                                         const std::u16string &baseFolder);

// Reads the file; nullopt when it cannot be read or is not a playlist file.
std::optional<std::vector<PlaylistEntry>> ReadPlaylistFile(const std::u16string &path);

} // namespace engine
