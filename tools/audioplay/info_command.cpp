#include "info_command.h"

#include "host_text.h"
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
  const char *label; // for people
  const char *key;   // for JSON
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
bool IsUrl(const std::string &path) {
  return path.find("://") != std::string::npos;
}

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

// The record of the file as the only item of the current playlist, whose
// query fills the technical fields as well.
std::optional<std::string> ReadRecord(CAudioPlayer &player, const std::string &path,
                                      tagMediaInfo &info) {
  std::error_code error;
  const std::string absolute =
      IsUrl(path) ? path : std::filesystem::absolute(path, error).lexically_normal().string();
  long status = player.ClearAllMusic();
  if (status >= 0)
    status = player.AppendMusic(Utf16(absolute).c_str());
  info = {};
  info.dwMask = kEverything;
  if (status >= 0)
    status = player.GetCurPlaylistMusicInfo(0, &info);
  if (status < 0)
    return DescribeStatus(status);
  // A file of no known format still gets a name and its file type from the
  // library, but neither a length nor a stream.
  if (info.dDuration <= 0 && !info.szAudioCodec[0] && !info.szVideoCodec[0] && !info.lChannels)
    return "not a media file the library can read (no audio or video stream found)";
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

} // namespace

int ShowInfo(CAudioPlayer &player, const std::vector<std::string> &paths, bool json) {
  int result = 0;
  if (json)
    std::printf("[");
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::string &path = paths[i];
    tagMediaInfo info{};
    std::optional<std::string> problem = PathProblem(path);
    if (!problem)
      problem = ReadRecord(player, path, info);
    if (problem)
      result = 1;
    if (json) {
      std::printf("%s\n  {\"path\": %s", i ? "," : "", Json(path).c_str());
      if (problem) {
        std::printf(", \"error\": %s}", Json(*problem).c_str());
        continue;
      }
      for (const Field &field : FieldsOf(info))
        std::printf(", %s: %s", Json(field.key).c_str(),
                    (field.numeric ? Number(field.number) : Json(field.text)).c_str());
      std::printf("}");
      continue;
    }
    if (problem) {
      std::fflush(stdout);
      std::fprintf(stderr, "audioplay: %s: %s\n", path.c_str(), problem->c_str());
      continue;
    }
    std::printf("%s%s\n", i ? "\n" : "", path.c_str());
    for (const Field &field : FieldsOf(info)) {
      if (field.numeric && field.number != 0)
        std::printf("  %s: %s\n", field.label, Number(field.number).c_str());
      else if (!field.numeric && !field.text.empty())
        std::printf("  %s: %s\n", field.label, field.text.c_str());
    }
  }
  if (json)
    std::printf("\n]\n");
  return result;
}
