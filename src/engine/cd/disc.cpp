#include "engine/cd/disc.h"

#include "engine/cd/readable_image.h"

#include <windows.h>

#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

#include "engine/media/attribute_readers.h"
#include "engine/playlist_files/cue_sheet.h"
#include "engine/playlist_files/playlist_text.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

constexpr std::int32_t kNotReady = std::int32_t(0x80070015);
// ERROR_UNRECOGNIZED_MEDIA: a file named as a disc image that libcdio
// cannot read as one (not "no disc in the drive").
constexpr std::int32_t kNotAnImage = std::int32_t(0x800706F9);
constexpr std::int32_t kNoAudio = std::int32_t(0x8007000D);
constexpr long kLeadIn = 150; // sectors before logical sector 0

// libcdio reports on standard error (a drive without a disc, an image's
// short pregaps); the engine reports through its statuses instead.
void Quiet() {
  static std::once_flag once;
  std::call_once(once, [] { cdio_log_set_handler([](cdio_log_level_t, const char *) {}); });
}

std::u16string Hex(long value) {
  char text[16];
  std::snprintf(text, sizeof text, "%lX", value);
  return Utf16Of(text);
}

// libcdio reads a sheet's CD-Text as Latin-1, so a sheet written in UTF-8
// (as EAC and foobar2000 write them) comes back encoded twice: undone when
// the text is Latin-1 whose bytes are UTF-8 with something beyond ASCII.
std::u16string CdText(const char *value) {
  std::u16string text = Utf16Of(value);
  std::string bytes;
  bool beyondAscii = false;
  for (char16_t c : text) {
    if (c > 0xFF)
      return text;
    beyondAscii = beyondAscii || c >= 0x80;
    bytes += char(c);
  }
  std::u16string decoded;
  if (beyondAscii && platform::Utf8ToUtf16(bytes.data(), bytes.size(), true, &decoded))
    return decoded;
  return text;
}

std::u16string TextOf(cdtext_t *text, cdtext_field_t field, track_t track) {
  const char *value = text ? cdtext_get_const(text, field, track) : nullptr;
  return value && *value ? CdText(value) : std::u16string();
}

// The decoded text of an image's .cue sheet (none for a .toc or a drive).
// Sheets are a few kilobytes; anything past a megabyte is no sheet.
std::u16string SheetText(const std::string &image, const struct stat &info) {
  const std::size_t dot = image.rfind('.');
  std::string extension = dot == std::string::npos ? "" : image.substr(dot);
  for (char &c : extension)
    c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (extension != ".cue" || info.st_size > (1 << 20))
    return {};
  std::ifstream stream(image, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(stream), {}};
  return DecodeText(bytes);
}

} // namespace

std::optional<std::string> DiscDeviceOf(const std::u16string &specifier) {
  std::string path = Utf8Of(specifier);
  struct stat info {};
  // A bare name is a file in the current folder when there is one
  // ("album.cue"), else a device name ("sr0").
  if (!path.empty() && path.find('/') == std::string::npos &&
      !(::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)))
    path = "/dev/" + path;
  if (path.empty() || ::stat(path.c_str(), &info) != 0)
    return std::nullopt;
  if (!S_ISBLK(info.st_mode) && !S_ISREG(info.st_mode))
    return std::nullopt; // neither a drive nor an image
  return S_ISREG(info.st_mode) ? ReadableImage(path) : path;
}

std::int32_t ReadDisc(const std::string &device, Disc *disc) {
  Quiet();
  *disc = Disc{};
  struct stat info {};
  const bool image = ::stat(device.c_str(), &info) == 0 && S_ISREG(info.st_mode);
  const std::int32_t unreadable = image ? kNotAnImage : kNotReady;
  CdIo_t *cd = cdio_open(device.c_str(), DRIVER_UNKNOWN);
  if (cd == nullptr)
    return unreadable;
  const track_t first = cdio_get_first_track_num(cd);
  const track_t count = cdio_get_num_tracks(cd);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
    cdio_destroy(cd);
    return unreadable;
  }
  cdtext_t *text = cdio_get_cdtext(cd);
  disc->album = TextOf(text, CDTEXT_FIELD_TITLE, 0);
  disc->albumArtist = TextOf(text, CDTEXT_FIELD_PERFORMER, 0);
  disc->genre = TextOf(text, CDTEXT_FIELD_GENRE, 0);
  // The disc's own silence between tracks, which no file holds, counts in
  // the table of contents as it does on the disc: one entry per track and
  // one for the lead-out.
  std::vector<long> silence;
  if (image) {
    const std::u16string sheet = SheetText(device, info);
    CueRemarks remarks = ReadCueRemarks(sheet);
    if (disc->genre.empty())
      disc->genre = std::move(remarks.genre);
    disc->year = std::move(remarks.year);
    silence = CueSilenceSectors(sheet);
  }
  if (silence.size() != std::size_t(count) + 1)
    silence.assign(std::size_t(count) + 1, 0);
  disc->toc = Hex(count);
  for (track_t track = first; track < first + count; ++track) {
    const lsn_t start = cdio_get_track_lsn(cd, track);
    disc->toc.append(u"+").append(Hex(start + kLeadIn + silence[track - first]));
    if (cdio_get_track_format(cd, track) != TRACK_FORMAT_AUDIO)
      continue;
    DiscTrack audio;
    audio.number = track;
    audio.audioNumber = int(disc->audio.size()) + 1;
    audio.firstSector = start;
    audio.sectors =
        long(cdio_get_track_lsn(
            cd, track_t(track + 1 == first + count ? CDIO_CDROM_LEADOUT_TRACK : track + 1))) -
        start;
    audio.title = TextOf(text, CDTEXT_FIELD_TITLE, track);
    audio.artist = TextOf(text, CDTEXT_FIELD_PERFORMER, track);
    if (audio.artist.empty())
      audio.artist = TextOf(text, CDTEXT_FIELD_PERFORMER, 0);
    disc->audio.push_back(std::move(audio));
  }
  disc->toc.append(u"+").append(
      Hex(cdio_get_track_lsn(cd, CDIO_CDROM_LEADOUT_TRACK) + kLeadIn + silence.back()));
  cdio_destroy(cd);
  return disc->audio.empty() ? kNoAudio : 0;
}

std::vector<std::string> OpticalDrives() {
  Quiet();
  std::vector<std::string> drives;
  char **found = cdio_get_devices(DRIVER_DEVICE);
  for (char **device = found; device && *device; ++device)
    drives.emplace_back(*device);
  cdio_free_device_list(found);
  return drives;
}

std::u16string TrackUrl(const std::string &device, const DiscTrack &track) {
  std::string url("cdda://");
  url.append(device).append("#").append(std::to_string(track.audioNumber));
  return Utf16Of(url);
}

std::map<std::u16string, std::u16string> TrackAttributes(const Disc &disc, const DiscTrack &track,
                                                         const std::string &device) {
  const std::u16string number = Utf16Of(std::to_string(track.number));
  std::map<std::u16string, std::u16string> attributes = {
      {u"Title", track.title.empty() ? std::u16string(u"Track ").append(number) : track.title},
      {u"Duration", NumberText(track.Seconds())},
      {u"TOC", disc.toc},
      {u"FileType", u"cda"},
      {u"WM/TrackNumber", number},
      {u"SourceURL", TrackUrl(device, track)},
  };
  if (!track.artist.empty())
    attributes[u"Author"] = track.artist;
  const std::pair<const char16_t *, const std::u16string &> discText[] = {
      {u"Album", disc.album},
      {u"AlbumArtist", disc.albumArtist},
      {u"WM/Genre", disc.genre},
      {u"WM/Year", disc.year}};
  for (const auto &[name, value] : discText)
    if (!value.empty())
      attributes[name] = value;
  return attributes;
}

bool ReadTrackAttributes(const std::u16string &url, FileAttributes &out) {
  const std::string text = Utf8Of(url);
  const std::size_t hash = text.rfind('#');
  if (text.rfind("cdda://", 0) != 0 || hash == std::string::npos || hash <= 7)
    return false;
  const std::string device = text.substr(7, hash - 7);
  const int number = std::atoi(text.c_str() + hash + 1);
  Disc disc;
  if (FAILED(ReadDisc(device, &disc)))
    return false;
  for (const DiscTrack &track : disc.audio)
    if (track.audioNumber == number) {
      out.text = TrackAttributes(disc, track, device);
      out.duration = track.Seconds();
      return true;
    }
  return false;
}

} // namespace engine
