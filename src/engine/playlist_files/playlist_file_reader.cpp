#include "engine/playlist_files/playlist_file_reader.h"

#include "engine/playlist_files/playlist_fetch.h"
#include "engine/playlist_files/playlist_markup.h"
#include "engine/text/utf8_text.h"

#include <winnls.h>

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

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xFEFF;
}

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view lowerPrefix) {
  if (text.size() < lowerPrefix.size())
    return false;
  for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
    if (Lower(text[i]) != lowerPrefix[i])
      return false;
  }
  return true;
}

// UTF-16 with its byte order mark, else UTF-8 (a mark is dropped), else the
// ANSI code page, which is what the library's own M3U writer uses.
std::u16string DecodeText(std::string_view bytes) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 &&
      ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
    const bool little = byte(0) == 0xFF;
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text += little ? char16_t(byte(i) | byte(i + 1) << 8) : char16_t(byte(i) << 8 | byte(i + 1));
    return text;
  }
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF)
    bytes.remove_prefix(3);
  std::u16string text;
  if (platform::Utf8ToUtf16(bytes.data(), bytes.size(), true, &text))
    return text;
  text.assign(bytes.size(), u'\0');
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), text.data(),
                                         int(text.size()));
  if (length <= 0)
    return Utf16Of(bytes); // an ANSI code page that is UTF-8 itself
  text.resize(std::size_t(length));
  return text;
}

std::vector<std::u16string_view> Lines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == u'\n' || text[i] == u'\r') {
      lines.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  return lines;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9')
    return c - u'0';
  c = Lower(c);
  return c >= u'a' && c <= u'f' ? c - u'a' + 10 : -1;
}

// The text with its %XX escapes of UTF-8 bytes undone.
std::u16string Unescaped(std::u16string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
        HexDigit(text[i + 2]) >= 0) {
      bytes += char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      bytes += Utf8Of(text.substr(i, 1));
    }
  }
  return Utf16Of(bytes);
}

// file://[host]/path with %XX escapes of UTF-8 bytes, as a local path.
std::u16string PathOfFileUrl(std::u16string_view url) {
  std::u16string_view rest = url.substr(7); // after "file://"
  const std::size_t slash = rest.find(u'/');
  rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash);
  std::u16string path = Unescaped(rest);
  // file:///C:/Music/a.mp3 names a Windows drive path.
  if (path.size() >= 3 && path[0] == u'/' && path[2] == u':')
    path.erase(0, 1);
  return path;
}

// "http://...", "mms://...": a scheme of two or more characters, so that a
// drive letter ("C:") is not taken for one.
bool HasScheme(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && ((Lower(text[i]) >= u'a' && Lower(text[i]) <= u'z') ||
                             (i > 0 && ((text[i] >= u'0' && text[i] <= u'9') || text[i] == u'+' ||
                                        text[i] == u'-' || text[i] == u'.'))))
    ++i;
  return i >= 2 && i < text.size() && text[i] == u':';
}

bool IsAbsolutePath(std::u16string_view text) {
  if (!text.empty() && (text[0] == u'/' || text[0] == u'\\'))
    return true;
  return text.size() >= 3 && text[1] == u':' && (text[2] == u'\\' || text[2] == u'/');
}

// A relative reference against the folder URL of a playlist fetched by URL:
// "/x" from the server's root, "a/../b" with its dot segments removed.
std::u16string JoinUrl(const std::u16string &folder, std::u16string_view entry) {
  std::u16string relative(entry);
  for (char16_t &c : relative)
    c = c == u'\\' ? u'/' : c;
  const std::size_t authority = folder.find(u"://") + 3;
  const std::size_t root = std::min(folder.find(u'/', authority), folder.size());
  std::u16string path = relative.front() == u'/' ? relative : folder.substr(root) + u"/" + relative;
  std::vector<std::u16string> segments;
  std::size_t at = 0;
  while (at <= path.size()) {
    const std::size_t next = std::min(path.find(u'/', at), path.size());
    const std::u16string segment = path.substr(at, next - at);
    if (segment == u"..") {
      if (!segments.empty())
        segments.pop_back();
    } else if (segment != u"." && !(segment.empty() && next < path.size())) {
      segments.push_back(segment);
    }
    at = next + 1;
  }
  std::u16string joined = folder.substr(0, root);
  for (const std::u16string &segment : segments)
    joined += u"/" + segment;
  return joined;
}

std::u16string Resolve(std::u16string_view entry, const std::u16string &baseFolder) {
  entry = Trim(entry);
  if (entry.empty())
    return {};
  if (StartsWithNoCase(entry, u"file://"))
    return PathOfFileUrl(entry);
  if (HasScheme(entry) || baseFolder.empty())
    return std::u16string(entry);
  // A drive path (C:\Music\a.mp3) is a path wherever the list came from.
  const bool drivePath = entry.size() >= 3 && entry[1] == u':' &&
                         (entry[2] == u'\\' || entry[2] == u'/') &&
                         Lower(entry[0]) >= u'a' && Lower(entry[0]) <= u'z';
  if (HasScheme(baseFolder) && !drivePath)
    return JoinUrl(baseFolder, entry);
  if (IsAbsolutePath(entry))
    return std::u16string(entry);
  // A list made on Windows separates folders with backslashes.
  std::string relative = Utf8Of(entry);
  for (char &c : relative)
    c = c == '\\' ? '/' : c;
  const std::filesystem::path joined =
      std::filesystem::path(Utf8Of(baseFolder)) / std::filesystem::path(relative);
  return Utf16Of(joined.lexically_normal().string());
}

void Add(std::vector<PlaylistEntry> &entries, std::u16string_view url, std::u16string_view title,
         const std::u16string &baseFolder, bool playlist = false) {
  std::u16string resolved = Resolve(url, baseFolder);
  if (!resolved.empty())
    entries.push_back({std::move(resolved), std::u16string(Trim(title)), playlist});
}

// #EXTINF:<seconds>,<title> names the entry on the next line.
std::vector<PlaylistEntry> ParseM3u(std::u16string_view text, const std::u16string &baseFolder) {
  std::vector<PlaylistEntry> entries;
  std::u16string_view title;
  for (std::u16string_view line : Lines(text)) {
    line = Trim(line);
    if (line.empty())
      continue;
    if (line[0] != u'#') {
      Add(entries, line, title, baseFolder);
      title = {};
    } else if (StartsWithNoCase(line, u"#extinf:")) {
      const std::size_t comma = line.find(u',');
      title = comma == std::u16string_view::npos ? std::u16string_view() : line.substr(comma + 1);
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

PlaylistFormat PlaylistFormatOf(const std::u16string &path) {
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
std::vector<PlaylistEntry> EntriesOf(PlaylistFormat format, std::string_view bytes,
                                     const std::u16string &self, const std::u16string &baseFolder) {
  if (IsStreamItself(format, bytes))
    return {PlaylistEntry{.url = self, .title = {}, .media = true}};
  return ParsePlaylist(format, bytes, baseFolder);
}

} // namespace

std::optional<std::vector<PlaylistEntry>> ReadPlaylistFile(const std::u16string &path) {
  const std::u16string local = StartsWithNoCase(path, u"file://") ? PathOfFileUrl(path) : path;
  return ReadPlaylistFileAs(local, PlaylistFormatOf(local));
}

std::optional<std::vector<PlaylistEntry>>
ReadPlaylistFileAs(const std::u16string &path, PlaylistFormat format, std::int32_t *status) {
  const std::u16string local = StartsWithNoCase(path, u"file://") ? PathOfFileUrl(path) : path;
  if (format == PlaylistFormat::Unknown)
    return std::nullopt;
  if (IsHttpUrl(path)) {
    std::int32_t fetched = 0;
    auto bytes = FetchPlaylist(path, &fetched);
    if (status != nullptr)
      *status = fetched;
    if (!bytes)
      return std::nullopt;
    // Entries resolve against the folder of the URL, its query left out.
    const std::u16string address = path.substr(0, path.find_first_of(u"?#"));
    return EntriesOf(format, *bytes, path, address.substr(0, address.rfind(u'/')));
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
