#include "engine/playlist_files/playlist_file_reader.h"

#include "engine/playlist_files/cue_sheet.h"
#include "engine/media/served_types.h"
#include "engine/playback/http_fetch.h"
#include "engine/playlist_files/playlist_markup.h"
#include "engine/playlist_files/playlist_text.h"
#include "engine/text/utf8_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace engine {

namespace {

// Playlists are small; anything larger is not one.
constexpr std::uintmax_t kMaxPlaylistBytes = 16 * 1024 * 1024;

void Add(std::vector<PlaylistEntry> &entries, std::u16string_view url, std::u16string_view title,
         const std::u16string &baseFolder, bool playlist = false) {
  std::u16string resolved = Resolve(url, baseFolder);
  if (!resolved.empty())
    entries.push_back({std::move(resolved), std::u16string(Trim(title)), playlist});
}

// The comma that ends an #EXTINF line's duration and attributes: the first
// outside the attributes' quoted values (IPTV lists: #EXTINF:-1
// tvg-name="One" group-title="News, Sport",Channel One).
std::size_t TitleComma(std::u16string_view line) {
  bool quoted = false;
  for (std::size_t at = 0; at < line.size(); ++at) {
    if (line[at] == u'"')
      quoted = !quoted;
    else if (line[at] == u',' && !quoted)
      return at;
  }
  return std::u16string_view::npos;
}

// The value of `name="..."` among an #EXTINF line's attributes; empty if none.
std::u16string_view AttributeOf(std::u16string_view attributes, std::u16string_view name) {
  for (std::size_t at = attributes.find(name); at != std::u16string_view::npos;
       at = attributes.find(name, at + 1)) {
    const bool starts = at == 0 || attributes[at - 1] == u' ' || attributes[at - 1] == u'\t';
    const std::size_t open = at + name.size();
    if (!starts || attributes.substr(open, 2) != u"=\"")
      continue;
    const std::size_t close = attributes.find(u'"', open + 2);
    if (close != std::u16string_view::npos)
      return attributes.substr(open + 2, close - open - 2);
  }
  return {};
}

// #EXTINF:<seconds> [attributes],<title> names the entry on the next line;
// of an IPTV list's attributes, group-title is kept as the entry's genre.
std::vector<PlaylistEntry> ParseM3u(std::u16string_view text, const std::u16string &baseFolder) {
  std::vector<PlaylistEntry> entries;
  std::u16string_view title, group;
  for (std::u16string_view line : Lines(text)) {
    line = Trim(line);
    if (line.empty())
      continue;
    if (line[0] != u'#') {
      const std::size_t added = entries.size();
      Add(entries, line, title, baseFolder);
      if (entries.size() > added && !group.empty())
        entries.back().attributes[u"WM/Genre"] = std::u16string(group);
      title = group = {};
    } else if (StartsWithNoCase(line, u"#extinf:")) {
      const std::size_t comma = TitleComma(line);
      title = comma == std::u16string_view::npos ? std::u16string_view() : line.substr(comma + 1);
      group = AttributeOf(line.substr(0, comma), u"group-title");
    }
  }
  return entries;
}

// FileN=, TitleN=; entries in the order of N.
std::vector<PlaylistEntry> ParsePls(std::u16string_view text, const std::u16string &baseFolder) {
  std::map<unsigned long, std::pair<std::u16string_view, std::u16string_view>> numbered;
  for (std::u16string_view line : Lines(text)) {
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos)
      continue;
    const std::u16string_view key = Trim(line.substr(0, equals));
    const bool isFile = StartsWithNoCase(key, u"file");
    const bool isTitle = StartsWithNoCase(key, u"title");
    if (!isFile && !isTitle)
      continue;
    const std::u16string_view digits = key.substr(isFile ? 4 : 5);
    if (digits.empty() || digits.size() > 9)
      continue;
    unsigned long number = 0;
    bool valid = true;
    for (char16_t c : digits) {
      valid = valid && c >= u'0' && c <= u'9';
      number = number * 10 + (c - u'0');
    }
    if (!valid)
      continue;
    auto &slot = numbered[number];
    (isFile ? slot.first : slot.second) = line.substr(equals + 1);
  }
  std::vector<PlaylistEntry> entries;
  for (const auto &[number, fields] : numbered)
    Add(entries, fields.first, fields.second, baseFolder);
  return entries;
}

// <entry> ... <ref href="..."/> ... <title>...</title> ... </entry>; the refs
// of an entry are alternatives, tried in order. <entryref href="..."/> names
// another ASX file, whose entries stand in its place.
std::vector<PlaylistEntry> ParseAsx(std::u16string_view text, const std::u16string &baseFolder) {
  std::vector<PlaylistEntry> entries;
  bool inEntry = false, inTitle = false;
  std::vector<std::u16string> refs;
  std::u16string title;
  auto finish = [&] {
    if (inEntry) {
      // The first ref that resolves is the entry; the others its alternatives.
      const std::size_t before = entries.size();
      for (const std::u16string &ref : refs) {
        if (entries.size() == before) {
          Add(entries, ref, title, baseFolder);
        } else if (std::u16string resolved = Resolve(ref, baseFolder); !resolved.empty()) {
          entries.back().alternatives.push_back(std::move(resolved));
        }
      }
    }
    inEntry = inTitle = false;
    refs.clear();
    title.clear();
  };
  for (const MarkupNode &node : ScanMarkup(text)) {
    if (node.kind == MarkupNode::Text) {
      if (inEntry && inTitle)
        title += node.value;
    } else if (node.name == u"entry") {
      finish(); // an entry left open ends where the next begins
      inEntry = node.kind == MarkupNode::Open && !node.selfClosing;
    } else if (node.name == u"title") {
      inTitle = node.kind == MarkupNode::Open && !node.selfClosing;
    } else if (node.name == u"ref" && node.kind == MarkupNode::Open && inEntry) {
      if (const std::u16string *href = node.Attribute(u"href"))
        refs.push_back(*href);
    } else if (node.name == u"entryref" && node.kind == MarkupNode::Open) {
      finish();
      if (const std::u16string *href = node.Attribute(u"href"))
        Add(entries, *href, u"", baseFolder, true);
    }
  }
  finish();
  return entries;
}

// <track> ... <location>URI</location> ... <title>...</title> ... </track>;
// the first location of a track is played. A location is a URI: a relative
// one has its escapes undone and is resolved against the playlist's folder.
std::vector<PlaylistEntry> ParseXspf(std::u16string_view text, const std::u16string &baseFolder) {
  std::vector<PlaylistEntry> entries;
  enum class Field { None, Location, Title } field = Field::None;
  bool inTrack = false, located = false;
  std::u16string location, title;
  auto finish = [&] {
    const std::u16string_view uri = Trim(location);
    if (inTrack && !uri.empty())
      Add(entries, HasScheme(uri) ? std::u16string(uri) : Unescaped(uri), title, baseFolder);
    inTrack = located = false;
    field = Field::None;
    location.clear();
    title.clear();
  };
  for (const MarkupNode &node : ScanMarkup(text)) {
    const bool opens = node.kind == MarkupNode::Open && !node.selfClosing;
    if (node.kind == MarkupNode::Text) {
      if (inTrack && field == Field::Location && !located)
        location += node.value;
      else if (inTrack && field == Field::Title)
        title += node.value;
    } else if (node.name == u"track") {
      finish(); // a track left open ends where the next begins
      inTrack = opens;
    } else if (node.name == u"location") {
      if (!opens && field == Field::Location)
        located = !Trim(location).empty();
      field = opens ? Field::Location : Field::None;
    } else if (node.name == u"title") {
      field = opens ? Field::Title : Field::None;
    }
  }
  finish();
  return entries;
}

// <media src="..."/> anywhere in the document.
std::vector<PlaylistEntry> ParseWpl(std::u16string_view text, const std::u16string &baseFolder) {
  std::vector<PlaylistEntry> entries;
  for (const MarkupNode &node : ScanMarkup(text)) {
    if (node.kind != MarkupNode::Open || node.name != u"media")
      continue;
    if (const std::u16string *src = node.Attribute(u"src"))
      Add(entries, *src, u"", baseFolder);
  }
  return entries;
}

} // namespace

PlaylistFormat PlaylistFormatOf(const std::u16string &named) {
  // An http(s) URL's query and fragment are no part of its file's name
  // (tunein-station.pls?id=1, listen.m3u#live); a path's '?' is, and a
  // disc's track (cdda://.../disc.cue#1) is no list.
  const std::u16string path =
      IsHttpUrl(named) ? named.substr(0, named.find_first_of(u"?#")) : named;
  const std::size_t dot = path.find_last_of(u'.');
  const std::size_t slash = path.find_last_of(u"/\\");
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash))
    return PlaylistFormat::Unknown;
  std::u16string extension = path.substr(dot + 1);
  for (char16_t &c : extension)
    c = Lower(c);
  if (extension == u"m3u" || extension == u"m3u8")
    return PlaylistFormat::M3U;
  if (extension == u"pls")
    return PlaylistFormat::PLS;
  // .wax and .wvx are ASX files for audio and video, as Windows names them.
  if (extension == u"asx" || extension == u"wax" || extension == u"wvx")
    return PlaylistFormat::ASX;
  if (extension == u"wpl")
    return PlaylistFormat::WPL;
  if (extension == u"xspf")
    return PlaylistFormat::XSPF;
  if (extension == u"cue")
    return PlaylistFormat::CUE;
  return PlaylistFormat::Unknown;
}

std::vector<PlaylistEntry> ParsePlaylist(PlaylistFormat format, std::string_view bytes,
                                         const std::u16string &baseFolder) {
  const std::u16string text = DecodeText(bytes);
  switch (format) {
  case PlaylistFormat::M3U:
    return ParseM3u(text, baseFolder);
  case PlaylistFormat::PLS:
    return ParsePls(text, baseFolder);
  case PlaylistFormat::ASX:
    return ParseAsx(text, baseFolder);
  case PlaylistFormat::WPL:
    return ParseWpl(text, baseFolder);
  case PlaylistFormat::XSPF:
    return ParseXspf(text, baseFolder);
  case PlaylistFormat::CUE:
    return ParseCueSheet(text, baseFolder);
  case PlaylistFormat::Unknown:
    break;
  }
  return {};
}

namespace {

// A file with a playlist's name that is a stream of its own: an HLS
// playlist (#EXTM3U, then #EXT-X- tags), whose segments and renditions are
// one stream for GStreamer's HLS demuxer; or an ASF file (its header's
// GUID first) named .asx, .wax or .wvx, as web servers hand them out.
bool IsStreamItself(PlaylistFormat format, std::string_view bytes) {
  static constexpr unsigned char kAsfHeader[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  if (format == PlaylistFormat::ASX)
    return bytes.size() >= sizeof kAsfHeader &&
           std::memcmp(bytes.data(), kAsfHeader, sizeof kAsfHeader) == 0;
  if (format != PlaylistFormat::M3U)
    return false;
  if (bytes.starts_with("\xEF\xBB\xBF"))
    bytes.remove_prefix(3);
  return bytes.starts_with("#EXTM3U") && bytes.find("\n#EXT-X-") != std::string_view::npos;
}

// What a playlist file holds: its entries, or itself as the one item when
// it is a stream.
// A CUE sheet of no audio file (a disc image's) is no playlist: nullopt.
std::optional<std::vector<PlaylistEntry>> EntriesOf(PlaylistFormat format, std::string_view bytes,
                                                    const std::u16string &self,
                                                    const std::u16string &baseFolder) {
  if (IsStreamItself(format, bytes))
    return std::vector{PlaylistEntry{.url = self, .title = {}, .media = true}};
  auto entries = ParsePlaylist(format, bytes, baseFolder);
  if (format == PlaylistFormat::CUE && entries.empty())
    return std::nullopt;
  return entries;
}

// Entries resolve against the folder of the URL, its query left out.
std::u16string FolderOfUrl(const std::u16string &url) {
  const std::u16string address = url.substr(0, url.find_first_of(u"?#"));
  return address.substr(0, address.rfind(u'/'));
}

// By the media type a server names, or, for plain text, by how the text
// begins.
PlaylistFormat ServedFormat(std::string_view type, std::string_view body) {
  switch (ServedKindOf(type)) {
  case ServedKind::M3U:
    return PlaylistFormat::M3U;
  case ServedKind::PLS:
    return PlaylistFormat::PLS;
  case ServedKind::ASX:
    return PlaylistFormat::ASX;
  case ServedKind::XSPF:
    return PlaylistFormat::XSPF;
  case ServedKind::WPL:
    return PlaylistFormat::WPL;
  case ServedKind::None:
    return PlaylistFormat::Unknown;
  case ServedKind::Text:
    break;
  }
  // Plain text is a list only where it begins as one: a media file served
  // as text that failed must not become a list of its bytes' lines.
  const std::size_t start = body.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  const std::string_view text = body.substr(std::min(start, body.size()));
  auto has = [&](std::string_view part) { return text.find(part) != std::string_view::npos; };
  if (text.starts_with("[playlist]") || text.starts_with("[Playlist]"))
    return PlaylistFormat::PLS;
  if (text.starts_with("<"))
    return has("<smil")                 ? PlaylistFormat::WPL
           : has("<trackList")          ? PlaylistFormat::XSPF
           : has("<asx") || has("<ASX") ? PlaylistFormat::ASX
                                        : PlaylistFormat::Unknown;
  return text.starts_with("#EXTM3U") || text.starts_with("http://") || text.starts_with("https://")
             ? PlaylistFormat::M3U
             : PlaylistFormat::Unknown;
}

} // namespace

std::vector<PlaylistEntry> ReadServedPlaylist(const std::u16string &url,
                                              std::string_view contentType, std::string_view body) {
  const PlaylistFormat format = ServedFormat(contentType, body);
  // A list is text: bytes with a NUL among them are media whatever the type.
  if (format == PlaylistFormat::Unknown || body.find('\0') != std::string_view::npos ||
      IsStreamItself(format, body))
    return {};
  return ParsePlaylist(format, body, FolderOfUrl(url));
}

std::optional<std::vector<PlaylistEntry>> ReadPlaylistFile(const std::u16string &path) {
  const std::u16string local = StartsWithNoCase(path, u"file://") ? PathOfFileUrl(path) : path;
  return ReadPlaylistFileAs(local, PlaylistFormatOf(local));
}

std::optional<std::vector<PlaylistEntry>> ReadPlaylistFileAs(const std::u16string &path,
                                                             PlaylistFormat format,
                                                             std::int32_t *status,
                                                             FetchDeadline deadline) {
  const std::u16string local = StartsWithNoCase(path, u"file://") ? PathOfFileUrl(path) : path;
  if (format == PlaylistFormat::Unknown)
    return std::nullopt;
  if (IsHttpUrl(path)) {
    std::int32_t fetched = 0;
    auto bytes = FetchPlaylist(path, &fetched, deadline);
    if (status != nullptr)
      *status = fetched;
    if (!bytes)
      return std::nullopt;
    return EntriesOf(format, *bytes, path, FolderOfUrl(path));
  }
  const std::filesystem::path file(Utf8Of(local));
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error) ||
      std::filesystem::file_size(file, error) > kMaxPlaylistBytes || error)
    return std::nullopt;
  std::ifstream stream(file, std::ios::binary);
  if (!stream)
    return std::nullopt;
  const std::string bytes{std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
  if (stream.bad())
    return std::nullopt;
  const std::filesystem::path folder = std::filesystem::absolute(file, error).parent_path();
  return EntriesOf(format, bytes, local, Utf16Of(folder.string()));
}

} // namespace engine
