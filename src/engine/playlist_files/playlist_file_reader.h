// Playlist files a user hands to the player: M3U/M3U8 (#EXTINF titles), PLS
// (FileN/TitleN), ASX (<entry><ref href/>...<title>, <entryref href/>), WPL
// (<media src/>), XSPF (<track><location/><title/>) and CUE sheets over
// audio files (see cue_sheet.h).
//
// Reading is forgiving: tags are matched without regard to case, unknown
// lines and elements are skipped, and malformed input yields the entries that
// could be read. Text is UTF-8 (with or without a byte order mark); an M3U
// file that is not valid UTF-8 is read as Windows-1252. Entries come back as
// absolute paths (relative ones resolved against the playlist's folder) or as
// the URL given, with file:// URLs turned into paths.
#pragma once

#include "engine/playback/http_fetch.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

struct PlaylistEntry {
  std::u16string url;
  std::u16string title;  // empty when the file names none
  bool playlist = false; // named as a playlist whatever its extension (ASX <entryref>)
  // Further URLs of the same entry, to try in order when one cannot be
  // played (an ASX entry's second and later refs).
  std::vector<std::u16string> alternatives = {};
  // The playlist file is a stream of its own (an HLS playlist, an ASF file
  // named .asx): played as media, never read as a list.
  bool media = false;
  // A playlist by URL that could not be fetched while its list was read.
  bool unreachable = false;
  // What the list itself says of the entry, by the control's attribute
  // names (a CUE sheet's titles, performers, album, genre, year).
  std::map<std::u16string, std::u16string> attributes = {};
};

enum class PlaylistFormat { M3U, PLS, ASX, WPL, XSPF, CUE, Unknown };

// By extension: .m3u/.m3u8, .pls, .asx (.wax, .wvx), .wpl, .xspf, .cue.
PlaylistFormat PlaylistFormatOf(const std::u16string &path);

// Parses bytes of the given format; relative entries are resolved against baseFolder.
// Never crashes on malformed input (fuzzed); returns what it could read.
std::vector<PlaylistEntry> ParsePlaylist(PlaylistFormat format, std::string_view bytes,
                                         const std::u16string &baseFolder);

// Reads the file; nullopt when it cannot be read or is not a playlist file.
std::optional<std::vector<PlaylistEntry>> ReadPlaylistFile(const std::u16string &path);
// The same, in the format given whatever the file's extension; an
// http(s) URL is fetched by `deadline` (see playback/http_fetch.h), and
// `status`, if given, says why a fetch failed.
std::optional<std::vector<PlaylistEntry>>
ReadPlaylistFileAs(const std::u16string &path, PlaylistFormat format,
                   std::int32_t *status = nullptr,
                   FetchDeadline deadline = std::chrono::steady_clock::now() + kPlaylistFetchTime);

// A list a server handed out for a URL with no list's name (a station's
// "/listen", a directory's "Tune.ashx?id=N"), read in the format its
// Content-Type names or, for plain text, its first bytes show. Empty when
// it is no list, or is a stream of its own (HLS).
std::vector<PlaylistEntry> ReadServedPlaylist(const std::u16string &url,
                                              std::string_view contentType, std::string_view body);

// Reads the file with the playlists it names expanded in place, to a depth
// of kMaxNesting: a playlist that names itself, or one of the playlists it
// stands in, is left out, so a list that includes itself plays its media
// once. A nested playlist that cannot be read stays as an entry (it fails
// as media when played, with its own error). The fetches of one expansion
// share one bound, kPlaylistFetchTime from its start: lists by URL that
// it has no time left for stay as entries too. At most kMaxExpandedEntries
// entries come from nested playlists, so that lists naming each other many
// times over cannot grow without bound.
constexpr int kMaxNesting = 8;
constexpr std::size_t kMaxExpandedEntries = 1000000;
std::optional<std::vector<PlaylistEntry>> ReadPlaylistTree(const std::u16string &path,
                                                           std::int32_t *status = nullptr);

} // namespace engine
