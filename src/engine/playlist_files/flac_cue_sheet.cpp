#include "engine/playlist_files/flac_cue_sheet.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "engine/media/media_fragment.h"
#include "engine/playlist_files/cue_sheet.h"
#include "engine/playlist_files/playlist_text.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

// The most of a FLAC file's metadata blocks that is read for its sheet.
constexpr std::size_t kMetadataBytes = 16 << 20;

enum BlockType { kStreamInfo = 0, kVorbisComment = 4, kCueSheet = 5 };

std::uint64_t BigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < count; ++i)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint32_t LittleEndian32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// CUESHEET: the catalog, lead-in and flags (396 bytes), the track count,
// then each track: offset in samples, number, ISRC, type, its index points.
std::vector<PlaylistEntry> FromCueSheetBlock(std::string_view block, std::uint32_t rate,
                                             const std::u16string &path) {
  std::vector<PlaylistEntry> entries;
  if (block.size() < 396 || rate == 0)
    return entries;
  struct Track {
    int number;
    bool audio;
    double start; // INDEX 01, seconds; negative without one
  };
  std::vector<Track> tracks;
  const std::size_t count = static_cast<unsigned char>(block[395]);
  std::size_t at = 396;
  for (std::size_t t = 0; t < count; ++t) {
    if (at + 36 > block.size())
      return {};
    const std::uint64_t offset = BigEndian(block, at, 8);
    Track track{static_cast<unsigned char>(block[at + 8]),
                (static_cast<unsigned char>(block[at + 21]) & 0x80) == 0, -1};
    const std::size_t points = static_cast<unsigned char>(block[at + 35]);
    at += 36;
    for (std::size_t p = 0; p < points; ++p) {
      if (at + 12 > block.size())
        return {};
      if (block[at + 8] == 1)
        track.start = double(offset + BigEndian(block, at, 8)) / rate;
      at += 12;
    }
    if (track.number == 170 || track.number == 255)
      break; // the lead-out
    tracks.push_back(track);
  }
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    if (!tracks[i].audio || tracks[i].start < 0)
      continue;
    double end = -1;
    for (std::size_t j = i + 1; j < tracks.size() && end < 0; ++j)
      if (tracks[j].start > tracks[i].start)
        end = tracks[j].start;
    PlaylistEntry entry;
    entry.url = MediaFragmentUrl(path, tracks[i].start, end);
    entry.title = u"Track " + Utf16Of(std::to_string(tracks[i].number));
    entry.attributes = {{u"Title", entry.title},
                        {u"WM/TrackNumber", Utf16Of(std::to_string(tracks[i].number))}};
    entries.push_back(std::move(entry));
  }
  return entries;
}

// A CUESHEET comment is a sheet's text; whatever file it names, its tracks
// are parts of this file.
std::vector<PlaylistEntry> FromCommentBlock(std::string_view block, const std::u16string &path) {
  if (block.size() < 8)
    return {};
  std::size_t at = 4 + std::size_t(LittleEndian32(block, 0)); // past the vendor string
  if (at + 4 > block.size())
    return {};
  const std::uint32_t count = LittleEndian32(block, at);
  at += 4;
  for (std::uint32_t c = 0; c < count && at + 4 <= block.size(); ++c) {
    const std::size_t length = LittleEndian32(block, at);
    at += 4;
    if (length > block.size() - at)
      return {};
    const std::string_view comment = block.substr(at, length);
    at += length;
    if (comment.size() > 9 && StartsWithNoCase(Utf16Of(comment.substr(0, 9)), u"cuesheet=")) {
      std::vector<PlaylistEntry> entries = ParseCueSheet(DecodeText(comment.substr(9)), u"");
      for (PlaylistEntry &entry : entries)
        if (auto part = ParseMediaFragment(entry.url))
          entry.url = MediaFragmentUrl(path, part->start, part->end);
      return entries;
    }
  }
  return {};
}

} // namespace

std::optional<std::vector<PlaylistEntry>> ParseEmbeddedCueSheet(std::string_view bytes,
                                                                const std::u16string &path) {
  if (!bytes.starts_with("fLaC"))
    return std::nullopt;
  std::uint32_t rate = 0;
  std::vector<PlaylistEntry> fromBlock, fromComment;
  std::size_t at = 4;
  for (bool last = false; !last && at + 4 <= bytes.size();) {
    last = (static_cast<unsigned char>(bytes[at]) & 0x80) != 0;
    const int type = static_cast<unsigned char>(bytes[at]) & 0x7F;
    const std::size_t length = BigEndian(bytes, at + 1, 3);
    at += 4;
    if (length > bytes.size() - at)
      break;
    const std::string_view block = bytes.substr(at, length);
    at += length;
    if (type == kStreamInfo && length >= 13)
      rate = std::uint32_t(BigEndian(block, 10, 3) >> 4);
    else if (type == kCueSheet)
      fromBlock = FromCueSheetBlock(block, rate, path);
    else if (type == kVorbisComment)
      fromComment = FromCommentBlock(block, path);
  }
  std::vector<PlaylistEntry> &entries = fromBlock.empty() ? fromComment : fromBlock;
  if (entries.empty())
    return std::nullopt;
  return std::move(entries);
}

std::optional<std::vector<PlaylistEntry>> EmbeddedCueSheet(const std::u16string &path) {
  std::error_code error;
  const std::filesystem::path file(Utf8Of(path));
  if (path.find(u"://") != std::u16string::npos || !std::filesystem::is_regular_file(file, error))
    return std::nullopt;
  std::ifstream stream(file, std::ios::binary);
  std::string bytes(4, '\0');
  if (!stream.read(bytes.data(), 4) || bytes != "fLaC")
    return std::nullopt;
  // The blocks the sheet is read from are kept whole; any other (a cover
  // picture, padding) is passed over with its header kept and its length
  // zero, so that a FLAC file costs its sheet's bytes, not its metadata's.
  char header[4];
  for (bool last = false; !last && bytes.size() < kMetadataBytes && stream.read(header, 4);) {
    last = (static_cast<unsigned char>(header[0]) & 0x80) != 0;
    const int type = static_cast<unsigned char>(header[0]) & 0x7F;
    const std::size_t length = BigEndian(std::string_view(header, 4), 1, 3);
    if (type != kStreamInfo && type != kVorbisComment && type != kCueSheet) {
      bytes.append(header, 1).append(3, '\0');
      stream.seekg(std::streamoff(length), std::ios::cur);
      continue;
    }
    bytes.append(header, 4);
    const std::size_t from = bytes.size();
    bytes.resize(from + std::min(length, kMetadataBytes - std::min(from, kMetadataBytes)));
    stream.read(bytes.data() + from, std::streamsize(bytes.size() - from));
    bytes.resize(from + std::size_t(stream.gcount())); // cut short: the parser stops there
  }
  return ParseEmbeddedCueSheet(bytes, path);
}

} // namespace engine
