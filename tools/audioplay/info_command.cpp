#include "info_command.h"

#include <audioplayer_loudness.h>
#include <audioplayer_picture.h>

#include "host_text.h"
#include "path_kinds.h"
#include "status_text.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Every attribute of the record; the playlist item's query fills them all.
constexpr std::uint32_t kEverything =
    INFO_TITLE | INFO_ALBUM | INFO_AUTHOR | INFO_DURATION | INFO_SOURCEURL | INFO_GENRE |
    INFO_COMPOSER | INFO_ALBUMARTIST | INFO_FILETYPE | INFO_WIDTH | INFO_HEIGHT | INFO_VIDEOCODEC |
    INFO_AUDIOCODEC | INFO_VIDEOBITRATE | INFO_AUDIOBITRATE | INFO_BITRATE | INFO_FRAMERATE |
    INFO_CHANNELS | INFO_TOC;

// The longest path the library takes whole, in UTF-16 units.
constexpr std::size_t kLongestPath = 259;

struct Field {
  const char *label; // for people; null: in JSON only
  const char *key;   // for JSON; null: for people only
  bool numeric;
  std::string text;
  double number = 0;
};

Field Text(const char *label, const char *key, const unsigned short *value) {
  return {label, key, false, Utf8(value)};
}

Field Numeric(const char *label, const char *key, double value) {
  return {label, key, true, {}, value};
}

// Why a path cannot be shown, before the library sees it.
std::optional<std::string> PathProblem(const std::string &path) {
  if (IsUrl(path))
    return std::nullopt; // the library reads what it can of a URL
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status))
    return "no such file";
  if (std::filesystem::is_directory(status))
    return "a folder, not a media file";
  if (!std::filesystem::is_regular_file(status))
    return "not a regular file (a pipe, device or socket)";
  if (::access(path.c_str(), R_OK) != 0)
    return "not readable (permission denied)";
  const HostText absolute =
      Utf16(std::filesystem::absolute(path, error).lexically_normal().string());
  if (absolute.size() > kLongestPath)
    return "its full path is " + std::to_string(absolute.size()) +
           " UTF-16 units long, more than the " + std::to_string(kLongestPath) +
           " the library takes";
  return std::nullopt;
}

std::string Absolute(const std::string &path) {
  std::error_code error;
  return IsUrl(path) ? path : std::filesystem::absolute(path, error).lexically_normal().string();
}

// The record of the current playlist's item, whose query fills the
// technical fields as well.
std::optional<std::string> ReadItem(CAudioPlayer &player, long index, tagMediaInfo &info) {
  info = {};
  info.dwMask = kEverything;
  if (const long status = player.GetCurPlaylistMusicInfo(index, &info); status < 0)
    return DescribeStatus(status);
  // A file of no known format still gets a name and its file type from the
  // library, but neither a length nor a stream.
  if (info.dDuration <= 0 && !info.szAudioCodec[0] && !info.szVideoCodec[0] && !info.lChannels)
    return "not a media file the library can read (no audio or video stream found)";
  return std::nullopt;
}

// Makes the file the only item of the current playlist, or the playlist
// (a sheet's tracks, nested lists expanded) the current playlist; its
// number of items, or why there are none.
std::optional<std::string> Load(CAudioPlayer &player, const std::string &path, long &count) {
  const HostText absolute = Utf16(Absolute(path));
  long status = 0;
  if (IsPlaylistFile(path)) {
    status = player.SetCurPlaylist(absolute.c_str());
  } else if ((status = player.ClearAllMusic()) >= 0) {
    status = player.AppendMusic(absolute.c_str());
  }
  count = 0;
  if (status >= 0)
    status = player.GetCurPlaylistCount(&count);
  if (status < 0)
    return DescribeStatus(status);
  if (count <= 0)
    return "a playlist with no entries";
  return std::nullopt;
}

std::vector<Field> FieldsOf(const tagMediaInfo &info) {
  return {
      Text("Title", "title", info.szTitle),
      Text("Author", "author", info.szAuthor),
      Text("Album", "album", info.szAlbum),
      Text("Album artist", "albumArtist", info.szAlbumArtist),
      Text("Genre", "genre", info.szGenre),
      Text("Composer", "composer", info.szComposer),
      Numeric("Duration (s)", "duration", info.dDuration),
      Text("Source URL", "sourceUrl", info.szSourceURL),
      Text("File type", "fileType", info.szFileType),
      Text("TOC", "toc", info.szTOC),
      Numeric("Width", "width", info.lWidth),
      Numeric("Height", "height", info.lHeight),
      Text("Audio codec", "audioCodec", info.szAudioCodec),
      Text("Video codec", "videoCodec", info.szVideoCodec),
      Numeric("Bit rate", "bitrate", info.lBitrate),
      Numeric("Audio bit rate", "audioBitrate", info.lAudioBitrate),
      Numeric("Video bit rate", "videoBitrate", info.lVideoBitrate),
      Numeric("Frame rate", "frameRate", info.lFrameRate),
      Numeric("Channels", "channels", info.lChannels),
  };
}

// The item's picture: its type and size, and where it is (for people, an
// embedded one is said to be so; JSON gives the image file either way).
void AddPicture(const tagMediaInfo &info, std::vector<Field> &fields) {
  AudioPlayerPicture picture{};
  if (AudioPlayerPictureOf(info.szSourceURL, &picture) != 0)
    return;
  const std::string path = Utf8(picture.path);
  fields.push_back({"Picture", nullptr, false,
                    std::string(picture.mimeType) + ", " + std::to_string(picture.bytes) +
                        " bytes, " + (picture.embedded ? "embedded" : path)});
  fields.push_back({nullptr, "pictureType", false, picture.mimeType});
  fields.push_back({nullptr, "pictureBytes", true, {}, double(picture.bytes)});
  fields.push_back({nullptr, "pictureFile", false, path});
  fields.push_back({nullptr, "pictureEmbedded", true, {}, double(picture.embedded)});
}

std::string Decibels(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.2f dB", value);
  return text;
}

// The gains levelling applies, and where each comes from: a tag, or the
// loudness measured when the file last played whole.
void AddLoudness(const tagMediaInfo &info, std::vector<Field> &fields) {
  AudioPlayerLoudness loudness{};
  if (AudioPlayerLoudnessOf(info.szSourceURL, &loudness) != 0)
    return;
  if (loudness.hasTrackGain) {
    fields.push_back({"Track gain", nullptr, false, Decibels(loudness.trackGainDb) + " (tag)"});
    fields.push_back({nullptr, "trackGain", true, {}, loudness.trackGainDb});
  } else if (loudness.measured) {
    char measured[64];
    std::snprintf(measured, sizeof measured, " (measured: %.2f LUFS, peak %.3f)",
                  loudness.measuredLufs, loudness.measuredPeak);
    fields.push_back(
        {"Track gain", nullptr, false, Decibels(-18 - loudness.measuredLufs) + measured});
    fields.push_back({nullptr, "trackGain", true, {}, -18 - loudness.measuredLufs});
  }
  fields.push_back({nullptr, "trackGainFrom", false,
                    loudness.hasTrackGain ? "tag"
                    : loudness.measured   ? "measure"
                                          : "none"});
  if (loudness.hasAlbumGain) {
    fields.push_back({"Album gain", nullptr, false, Decibels(loudness.albumGainDb) + " (tag)"});
    fields.push_back({nullptr, "albumGain", true, {}, loudness.albumGainDb});
  }
  if (loudness.measured) {
    fields.push_back({nullptr, "measuredLufs", true, {}, loudness.measuredLufs});
    fields.push_back({nullptr, "measuredPeak", true, {}, loudness.measuredPeak});
  }
}

std::vector<Field> AllFieldsOf(const tagMediaInfo &info) {
  std::vector<Field> fields = FieldsOf(info);
  AddPicture(info, fields);
  AddLoudness(info, fields);
  return fields;
}

std::string Json(const std::string &text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

// Shows records one after the other: as "Field: value" lines, or as the
// objects of one JSON array.
class Shower {
public:
  explicit Shower(bool json) : json_(json) {
    if (json_)
      std::printf("[");
  }
  ~Shower() {
    if (json_)
      std::printf("\n]\n");
  }

  // `entry` counts from 1 among `entries` for a playlist's item, 0 for a file.
  void Show(const std::string &path, long entry, long entries, const tagMediaInfo *info,
            const std::optional<std::string> &problem) {
    failed_ |= problem.has_value();
    const std::string where =
        entry ? path + " [" + std::to_string(entry) + "/" + std::to_string(entries) + "]" : path;
    if (json_) {
      std::printf("%s\n  {\"path\": %s", shown_++ ? "," : "", Json(path).c_str());
      if (entry)
        std::printf(", \"entry\": %ld", entry);
      if (problem)
        std::printf(", \"error\": %s}", Json(*problem).c_str());
      else
        for (const Field &field : AllFieldsOf(*info))
          if (field.key != nullptr)
            std::printf(", %s: %s", Json(field.key).c_str(),
                        (field.numeric ? Number(field.number) : Json(field.text)).c_str());
      if (!problem)
        std::printf("}");
      return;
    }
    if (problem) {
      std::fflush(stdout);
      std::fprintf(stderr, "audioplay: %s: %s\n", where.c_str(), problem->c_str());
      return;
    }
    std::printf("%s%s\n", shown_++ ? "\n" : "", where.c_str());
    for (const Field &field : AllFieldsOf(*info)) {
      if (field.label == nullptr)
        continue; // for JSON only
      if (field.numeric && field.number != 0)
        std::printf("  %s: %s\n", field.label, Number(field.number).c_str());
      else if (!field.numeric && !field.text.empty())
        std::printf("  %s: %s\n", field.label, field.text.c_str());
    }
  }
  bool Failed() const { return failed_; }

private:
  bool json_;
  bool failed_ = false;
  long shown_ = 0;
};

} // namespace

int ShowInfo(CAudioPlayer &player, const std::vector<std::string> &paths, bool json) {
  Shower shower(json);
  for (const std::string &path : paths) {
    long count = 0;
    std::optional<std::string> problem = PathProblem(path);
    if (!problem)
      problem = Load(player, path, count);
    if (problem) {
      shower.Show(path, 0, 0, nullptr, problem);
      continue;
    }
    const bool list = IsPlaylistFile(path);
    for (long i = 0; i < count; ++i) {
      tagMediaInfo info;
      problem = ReadItem(player, i, info);
      // An entry that names a file is told by what is wrong with that file.
      const std::string source = Utf8(info.szSourceURL);
      if (problem && list && !source.empty()) {
        problem = source + ": " + PathProblem(source).value_or(*problem);
      }
      shower.Show(path, list ? i + 1 : 0, count, &info, problem);
    }
  }
  return shower.Failed() ? 1 : 0;
}
