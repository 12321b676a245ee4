#include "engine/playlist_files/cue_sheet.h"

#include <cmath>
#include <filesystem>
#include <optional>
#include <utility>

#include "engine/media/media_fragment.h"
#include "engine/playlist_files/playlist_text.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// The first word of a line, upper-cased, and the rest after its blanks.
std::pair<std::u16string, std::u16string_view> Command(std::u16string_view line) {
  line = Trim(line);
  std::size_t end = 0;
  while (end < line.size() && line[end] != u' ' && line[end] != u'\t')
    ++end;
  std::u16string word(line.substr(0, end));
  for (char16_t &c : word)
    c = c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
  return {word, Trim(line.substr(end))};
}

// A value as sheets write it: "in quotes" (to the closing quote), or bare.
std::u16string_view Value(std::u16string_view rest) {
  if (!rest.empty() && rest.front() == u'"') {
    const std::size_t close = rest.find(u'"', 1);
    return Trim(
        rest.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
  }
  return rest;
}

// FILE "name with spaces.flac" WAVE, or FILE name.flac WAVE: the name and
// the type, upper-cased.
std::pair<std::u16string_view, std::u16string> FileCommand(std::u16string_view rest) {
  std::u16string_view name, type;
  if (!rest.empty() && rest.front() == u'"') {
    const std::size_t close = rest.find(u'"', 1);
    if (close == std::u16string_view::npos)
      return {rest.substr(1), u""};
    name = rest.substr(1, close - 1);
    type = Trim(rest.substr(close + 1));
  } else {
    const std::size_t blank = rest.find_last_of(u" \t");
    name = blank == std::u16string_view::npos ? rest : Trim(rest.substr(0, blank));
    type = blank == std::u16string_view::npos ? std::u16string_view() : rest.substr(blank + 1);
  }
  return {name, Command(type).first};
}

// mm:ss:ff (75 frames a second) in seconds; nullopt when malformed.
std::optional<double> Time(std::u16string_view text) {
  long parts[3] = {0, 0, 0};
  int part = 0;
  std::size_t digits = 0;
  for (char16_t c : text) {
    if (c == u':' && part < 2 && digits > 0) {
      ++part;
      digits = 0;
    } else if (c >= u'0' && c <= u'9' && digits < 6) {
      parts[part] = parts[part] * 10 + (c - u'0');
      ++digits;
    } else {
      return std::nullopt;
    }
  }
  if (part != 2 || digits == 0 || parts[1] > 59 || parts[2] > 74)
    return std::nullopt;
  return double(parts[0] * 60 + parts[1]) + double(parts[2]) / 75;
}

struct Track {
  int number = 0;
  bool audio = false;
  std::u16string file; // resolved; empty for a track of no audio file
  double start = -1;   // its INDEX 01 in that file
  std::u16string title, performer, songwriter;
};

bool AudioFileType(const std::u16string &type) {
  // Everything but a disc image's raw sectors: WAVE, MP3, AIFF, and the
  // FLAC, APE, WV, OGG that tools write although the format names only three.
  return !type.empty() && type != u"BINARY" && type != u"MOTOROLA";
}

} // namespace

CueRemarks ReadCueRemarks(std::u16string_view text) {
  CueRemarks remarks;
  for (std::u16string_view line : Lines(text)) {
    auto [command, rest] = Command(line);
    if (command == u"TRACK")
      break;
    if (command != u"REM")
      continue;
    auto [field, value] = Command(rest);
    if (field == u"GENRE")
      remarks.genre = Value(value);
    else if (field == u"DATE")
      remarks.year = Value(value);
  }
  return remarks;
}

std::vector<long> CueSilenceSectors(std::u16string_view text) {
  std::vector<long> before;
  long total = 0, postgap = 0;
  for (std::u16string_view line : Lines(text)) {
    auto [command, rest] = Command(line);
    if (command == u"TRACK") {
      total += std::exchange(postgap, 0);
      before.push_back(total);
      continue;
    }
    const std::optional<double> seconds =
        command == u"PREGAP" || command == u"POSTGAP" ? Time(Value(rest)) : std::nullopt;
    if (!seconds || before.empty())
      continue;
    const long sectors = std::lround(*seconds * 75);
    if (command == u"PREGAP")
      before.back() = total += sectors;
    else
      postgap += sectors;
  }
  before.push_back(total + postgap);
  return before;
}

// Rippers write the sheet before the audio is compressed: a FILE naming
// "album.wav" where the folder holds "album.flac". As other players do, a
// named file that is not there is looked for under the usual audio
// extensions. A sheet names a few files; the search is made for the
// first kSearches of them only, so that a text of a million FILE lines
// costs no more than its reading.
constexpr int kSearches = 64;

std::u16string Present(const std::u16string &path, int &searches) {
  if (path.empty() || path.front() != u'/' || searches <= 0)
    return path; // a URL, or nothing
  --searches;
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path named(Utf8Of(path));
  if (fs::exists(named, error))
    return path;
  for (std::string extension :
       {".flac", ".wv", ".ape", ".wav", ".m4a", ".ogg", ".opus", ".mp3", ".tta", ".aiff", ".wma"}) {
    for (int upper = 0; upper < 2; ++upper) {
      fs::path other = named;
      other.replace_extension(extension);
      if (fs::is_regular_file(other, error))
        return Utf16Of(other.string());
      for (char &c : extension)
        c = char(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
    }
  }
  return path;
}

std::vector<PlaylistEntry> ParseCueSheet(std::u16string_view text,
                                         const std::u16string &baseFolder) {
  std::u16string album, albumArtist;
  std::u16string file; // the FILE in effect, resolved; empty when not audio
  std::u16string lastNamed;
  int searches = kSearches;
  std::vector<Track> tracks;
  for (std::u16string_view line : Lines(text)) {
    auto [command, rest] = Command(line);
    Track *track = tracks.empty() ? nullptr : &tracks.back();
    if (command == u"FILE") {
      auto [name, type] = FileCommand(rest);
      const std::u16string named = AudioFileType(type) ? Resolve(name, baseFolder) : u"";
      if (named != lastNamed)
        file = Present(named, searches);
      lastNamed = named;
    } else if (command == u"TRACK") {
      auto [number, type] = Command(rest);
      Track next;
      for (char16_t c : number)
        next.number = c >= u'0' && c <= u'9' && next.number < 1000 ? next.number * 10 + (c - u'0')
                                                                   : next.number;
      next.audio = Command(type).first == u"AUDIO";
      tracks.push_back(next);
    } else if (command == u"INDEX" && track) {
      auto [number, time] = Command(rest);
      auto seconds = Time(time);
      // INDEX 01 places the track, in the file it is in (EAC's layout puts
      // a pregap's INDEX 00 at the end of the file before).
      if (seconds && (number == u"01" || number == u"1") && track->start < 0) {
        track->start = *seconds;
        track->file = file;
      }
    } else if (command == u"TITLE") {
      (track ? track->title : album) = Value(rest);
    } else if (command == u"PERFORMER") {
      (track ? track->performer : albumArtist) = Value(rest);
    } else if (command == u"SONGWRITER" && track) {
      track->songwriter = Value(rest);
    }
  }
  const auto [genre, year] = ReadCueRemarks(text);

  std::vector<PlaylistEntry> entries;
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    const Track &track = tracks[i];
    if (!track.audio || track.file.empty() || track.start < 0)
      continue;
    // The part ends where the next placed track of the same file begins.
    double end = -1;
    for (std::size_t j = i + 1; j < tracks.size(); ++j) {
      if (tracks[j].start < 0)
        continue;
      if (tracks[j].file == track.file && tracks[j].start > track.start)
        end = tracks[j].start;
      break;
    }
    PlaylistEntry entry;
    entry.url = MediaFragmentUrl(track.file, track.start, end);
    // A track the sheet gives no title is named as a disc's tracks are.
    entry.title =
        track.title.empty() ? u"Track " + Utf16Of(std::to_string(track.number)) : track.title;
    auto set = [&](const char16_t *name, const std::u16string &value) {
      if (!value.empty())
        entry.attributes[name] = value;
    };
    set(u"Title", entry.title);
    set(u"Author", track.performer.empty() ? albumArtist : track.performer);
    set(u"WM/Composer", track.songwriter);
    set(u"Album", album);
    set(u"AlbumArtist", albumArtist);
    set(u"WM/Genre", genre);
    set(u"WM/Year", year);
    set(u"WM/TrackNumber", Utf16Of(std::to_string(track.number)));
    entries.push_back(std::move(entry));
  }
  return entries;
}

} // namespace engine
