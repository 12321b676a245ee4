// Playlists that name playlists, expanded in place.
#include "engine/playlist_files/playlist_file_reader.h"

#include <algorithm>
#include <filesystem>

#include "engine/playback/http_fetch.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// Where a playlist file really is, so that two names of one file are one.
std::string Identity(const std::u16string &path) {
  if (IsHttpUrl(path))
    return Utf8Of(path);
  std::error_code error;
  const std::filesystem::path file(Utf8Of(path));
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(file, error);
  return error ? file.lexically_normal().string() : canonical.string();
}

struct Expansion {
  std::vector<std::string> open;            // the playlists being read, outermost first
  std::size_t budget = kMaxExpandedEntries; // entries nested playlists may still add
  std::vector<PlaylistEntry> out;
  // One bound for all the fetches: ten nested lists on a server that never
  // answers hold the host's thread as long as one does.
  FetchDeadline deadline = std::chrono::steady_clock::now() + kPlaylistFetchTime;
};

// The format an entry is read in if it names a playlist, else Unknown. URLs
// of schemes other than http(s) are media here.
PlaylistFormat NestedFormat(const PlaylistEntry &entry) {
  if (entry.media || (entry.url.find(u"://") != std::u16string::npos && !IsHttpUrl(entry.url)))
    return PlaylistFormat::Unknown;
  const PlaylistFormat format = PlaylistFormatOf(entry.url);
  return format == PlaylistFormat::Unknown && entry.playlist ? PlaylistFormat::ASX : format;
}

// False when the playlist cannot be read; nothing is added then.
bool Expand(const std::u16string &path, PlaylistFormat format, int depth, Expansion &state,
            std::int32_t *status = nullptr) {
  auto entries = ReadPlaylistFileAs(path, format, status, state.deadline);
  if (!entries)
    return false;
  const bool nested = depth > 0;
  state.open.push_back(Identity(path));
  for (PlaylistEntry &entry : *entries) {
    if (nested && state.budget == 0)
      break;
    const PlaylistFormat inner = NestedFormat(entry);
    if (inner != PlaylistFormat::Unknown) {
      if (std::find(state.open.begin(), state.open.end(), Identity(entry.url)) != state.open.end())
        continue; // a list within itself: its media is played once
      if (depth + 1 < kMaxNesting) {
        if (Expand(entry.url, inner, depth + 1, state))
          continue;
        // Unreadable: it stays; one by URL fails at once when played.
        entry.unreachable = IsHttpUrl(entry.url);
      }
      // Too deep: it stays, and is opened as media when played.
    }
    if (nested)
      --state.budget;
    state.out.push_back(std::move(entry));
  }
  state.open.pop_back();
  return true;
}

} // namespace

std::optional<std::vector<PlaylistEntry>> ReadPlaylistTree(const std::u16string &path,
                                                           std::int32_t *status) {
  const PlaylistFormat format = PlaylistFormatOf(path);
  Expansion state;
  if (format == PlaylistFormat::Unknown || !Expand(path, format, 0, state, status))
    return std::nullopt;
  return std::move(state.out);
}

} // namespace engine
