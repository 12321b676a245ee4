// The engine's playlist readers on arbitrary bytes. The first byte picks the
// reader: 'M' M3U, 'P' PLS, 'A' ASX, 'W' WPL, 'X' XSPF, 'C' CUE (in lower
// case the entries are resolved without a base folder), 'F' a FLAC file's
// own cue sheet and metadata blocks, 'Q' an MP4 movie box's edit list, 'K'
// a Matroska file's attached cover; any
// other byte picks by its value. The rest is the file's content.
//
// Inputs that start with 'L' are large: the next byte picks the reader and
// the rest is repeated into a text of 1 MiB, which a reader that is not
// linear (a search to the end of the text per token) cannot get through
// within the run's time limit per input.
//
// Beyond not crashing: every entry has a URL, and titles carry no white
// space at either end.
#include "engine/media/flac_metadata.h"
#include "engine/media/matroska_attachments.h"
#include "engine/media/mp4_gapless.h"
#include "engine/playlist_files/flac_cue_sheet.h"
#include "engine/playlist_files/playlist_file_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Choice {
  engine::PlaylistFormat format;
  bool withBaseFolder;
};

Choice ChoiceOf(std::uint8_t selector) {
  constexpr engine::PlaylistFormat kFormats[] = {
      engine::PlaylistFormat::M3U, engine::PlaylistFormat::PLS,  engine::PlaylistFormat::ASX,
      engine::PlaylistFormat::WPL, engine::PlaylistFormat::XSPF, engine::PlaylistFormat::CUE};
  const bool lower = selector >= 'a' && selector <= 'z';
  switch (lower ? selector - ('a' - 'A') : selector) {
  case 'M':
    return {engine::PlaylistFormat::M3U, !lower};
  case 'P':
    return {engine::PlaylistFormat::PLS, !lower};
  case 'A':
    return {engine::PlaylistFormat::ASX, !lower};
  case 'W':
    return {engine::PlaylistFormat::WPL, !lower};
  case 'X':
    return {engine::PlaylistFormat::XSPF, !lower};
  case 'C':
    return {engine::PlaylistFormat::CUE, !lower};
  default:
    return {kFormats[selector % 6], (selector & 8) != 0};
  }
}

bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xFEFF;
}

void Require(bool condition) {
  if (!condition)
    std::abort();
}

constexpr std::size_t kLargeText = std::size_t(1) << 20;

std::string Repeated(std::string_view piece) {
  std::string text;
  if (piece.empty())
    return text;
  text.reserve(kLargeText + piece.size());
  while (text.size() < kLargeText)
    text.append(piece);
  return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const bool large = size >= 2 && data[0] == 'L';
  if (large)
    ++data, --size;
  if (size == 0)
    return 0;
  if (data[0] == 'F' && !large) {
    const std::string_view flac(reinterpret_cast<const char *>(data + 1), size - 1);
    std::istringstream stream{std::string(flac)};
    if (const auto metadata = engine::ReadFlacMetadata(stream)) // every block within the file
      for (const engine::FlacMetadata::Block &block : metadata->blocks)
        Require(block.offset + block.length <= flac.size() && metadata->audioOffset <= flac.size());
    if (auto tracks = engine::ParseEmbeddedCueSheet(flac, u"/music/a.flac"))
      for (const engine::PlaylistEntry &entry : *tracks)
        Require(entry.url.starts_with(u"/music/a.flac#t="));
    return 0;
  }
  if (data[0] == 'Q' && !large) {
    std::vector<unsigned char> moov(data + 1, data + size);
    const auto trim = engine::Mp4Trim(moov.data(), moov.size());
    // Hidden where it has a trim; read again, an edit list is gone and an
    // iTunSMPB item says what it said.
    Require(engine::HideMp4EditList(moov.data(), moov.size()) == trim.has_value());
    const auto again = engine::Mp4Trim(moov.data(), moov.size());
    Require(!again || again == trim);
    return 0;
  }
  if (data[0] == 'K' && !large) {
    std::istringstream stream{std::string(reinterpret_cast<const char *>(data + 1), size - 1)};
    if (const auto cover = engine::ReadMatroskaCover(stream)) // a part of the file, not empty
      Require(!cover->data.empty() && cover->data.size() < size);
    return 0;
  }
  const Choice choice = ChoiceOf(data[0]);
  std::string_view bytes(reinterpret_cast<const char *>(data + 1), size - 1);
  std::string text;
  if (large) {
    text = Repeated(bytes);
    bytes = text;
  }
  const std::u16string baseFolder = choice.withBaseFolder ? u"/music/lists" : u"";
  for (const engine::PlaylistEntry &entry :
       engine::ParsePlaylist(choice.format, bytes, baseFolder)) {
    Require(!entry.url.empty());
    Require(entry.title.empty() || (!IsSpace(entry.title.front()) && !IsSpace(entry.title.back())));
  }
  return 0;
}
