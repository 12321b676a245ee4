// What the levelling is told of each stream it plays: whether it plays
// within its album, what earlier plays measured of it and of its album,
// and which file to measure as it plays; and the measures kept.
#include "engine/session/session.h"

#include <glib.h>

#include <cmath>

namespace engine {

namespace {

// An album is the run of neighbours in the list with the same album name,
// as far as this many: a long list of one name (an untagged dump) must not
// cost a look-up of each of its items for each track.
constexpr long kMostAlbumTracks = 100;

// The album name of the item at `at` ("" for none, or for no such place).
std::u16string AlbumAt(const std::vector<std::shared_ptr<MediaItem>> &items, long at) {
  if (at < 0 || std::size_t(at) >= items.size())
    return {};
  items[std::size_t(at)]->EnsureAttributes();
  const auto &attributes = items[std::size_t(at)]->attributes;
  const auto found = attributes.find(u"Album");
  return found == attributes.end() ? std::u16string() : found->second;
}

} // namespace

StreamGain Session::GainOf(const MediaItem &item, long index) {
  StreamGain gain;
  if (!playback_.Levels())
    return gain;
  gain.withinAlbum = WithinAlbum(index);
  const MediaFragment part = PlayedPart(item.url);
  const std::shared_ptr<MediaLibrary> &library = listener_.Library();
  if (!library || part.start != 0 || part.end >= 0 || !item.alternatives.empty())
    return gain; // a part of a file is not the file
  std::optional<LibraryStore::FileStamp> now;
  gain.track = library->LoudnessOf(part.file, &now);
  gain.fileTags = ReadGainTags(part.file);
  if (now && !gain.track)
    gain.measureAs = {part.file, now->size, now->modified};
  if (playback_.PrefersAlbumGain() || gain.withinAlbum)
    gain.album = AlbumLoudness(index);
  return gain;
}

// For the auto levelling: a track played in order next to another of its
// album (by the album's name) takes the album's gain.
bool Session::WithinAlbum(long index) {
  if (!playback_.LevelsByAlbum() || listener_.Shuffle() || index < 0)
    return false;
  const auto &items = Items();
  const std::u16string own = AlbumAt(items, index);
  return !own.empty() && (AlbumAt(items, index - 1) == own || AlbumAt(items, index + 1) == own);
}

// The album's loudness once each of its tracks has been measured: their
// mean energy, each weighted by its length, and the highest peak.
std::optional<LoudnessMeasure> Session::AlbumLoudness(long index) {
  const auto &items = Items();
  if (index < 0 || std::size_t(index) >= items.size())
    return std::nullopt;
  auto albumOf = [&items](long at) { return AlbumAt(items, at); };
  const std::u16string album = albumOf(index);
  if (album.empty())
    return std::nullopt;
  long first = index, last = index;
  while (first > 0 && index - first < kMostAlbumTracks && albumOf(first - 1) == album)
    --first;
  while (std::size_t(last + 1) < items.size() && last - first < kMostAlbumTracks &&
         albumOf(last + 1) == album)
    ++last;
  if (last - first >= kMostAlbumTracks)
    return std::nullopt;
  double energy = 0, seconds = 0, peak = 0;
  for (long at = first; at <= last; ++at) {
    std::optional<LibraryStore::FileStamp> now;
    const std::optional<LoudnessMeasure> track =
        listener_.Library()->LoudnessOf(PlayedPart(items[std::size_t(at)]->url).file, &now);
    if (!track || track->seconds <= 0)
      return std::nullopt; // not all measured yet
    energy += track->seconds * std::pow(10, track->lufs / 10);
    seconds += track->seconds;
    peak = std::max(peak, track->peak);
  }
  return LoudnessMeasure{10 * std::log10(energy / seconds), peak, seconds};
}

void Session::OnMeasured(const PipelineEvent &event) {
  const MeasuredFile &file = event.measuredFile;
  const std::shared_ptr<MediaLibrary> &library = listener_.Library();
  if (!library)
    return;
  const std::int32_t status =
      library->StoreLoudness(file.url, {file.size, file.modified}, event.loudness);
  if (FAILED(status))
    g_warning("audioplayer: a loudness measured is not kept (0x%08x)", unsigned(status));
}

} // namespace engine
