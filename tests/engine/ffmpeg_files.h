// Media files made by ffmpeg, and what ffmpeg and ffprobe read of them:
// the judges of what the engine writes into files and reads out of them.
#pragma once

#include "support/command_output.h"
#include "support/temp_folder.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

namespace ffmpeg_files {

using test_support::CommandOutput;
using test_support::Quoted;
using test_support::ReadFile;

// The formats ffmpeg makes, with the cover it can embed in each, and the
// tags ffprobe has no name for there (a WAV file's INFO list, all it reads
// of one, names no album artist or composer; it reads an APE tag's "Album
// Artist" as "album artist").
struct Format {
  const char *extension;
  const char *encoding;
  bool cover;
  const char *unprobed = "";
};
constexpr Format kFormats[] = {
    {"mp3", "-c:a libmp3lame -write_id3v1 1", true},
    {"flac", "-c:a flac", true},
    {"m4a", "-c:a aac", true},
    {"ogg", "-c:a libvorbis", false},
    {"opus", "-c:a libopus", false},
    {"wma", "-c:a wmav2", false},
    {"wav", "-c:a pcm_s16le", false, "album_artist composer"},
    {"wv", "-c:a wavpack", false, "album_artist"},
    {"aiff", "-c:a pcm_s16be -write_id3v2 1", false},
    {"spx", "-ac 1 -ar 16000 -c:a libspeex", false},
    {"oga", "-c:a flac", false},
};

// `seconds` of tone (or of noise, which no codec makes small) titled "Old
// Title" and dated 1999, as ffmpeg writes it, with a cover where the format
// holds one.
inline bool MakeWithFfmpeg(const test_support::TempFolder &folder, const Format &format,
                           const std::string &path, int seconds = 1, bool noise = false) {
  const std::string cover = folder.File("cover.png");
  if (!std::filesystem::exists(cover) &&
      ::system(
          ("ffmpeg -v error -f lavfi -i color=red:s=16x16 -frames:v 1 " + Quoted(cover)).c_str()) !=
          0)
    return false;
  const std::string tone = std::string("-f lavfi -i ") +
                           (noise ? "anoisesrc=d=" : "sine=frequency=440:duration=") +
                           std::to_string(seconds) + " ";
  const std::string pictured = format.cover ? "-i " + Quoted(cover) +
                                                  " -map 0:a -map 1:v -c:v copy "
                                                  "-disposition:v attached_pic "
                                            : "";
  return ::system(("ffmpeg -v error -y " + tone + pictured + format.encoding +
                   " -metadata title='Old Title' -metadata date=1999 " + Quoted(path))
                      .c_str()) == 0;
}

// ffprobe's tags of the file, its container's and its streams' alike.
inline std::map<std::string, std::string> ProbedTags(const std::string &path) {
  std::map<std::string, std::string> tags;
  const std::string output = CommandOutput(
      "ffprobe -v error -show_entries format_tags:stream_tags -of default=nw=1 " + Quoted(path));
  std::size_t at = 0;
  for (std::size_t end; (end = output.find('\n', at)) != std::string::npos; at = end + 1) {
    const std::string line = output.substr(at, end - at);
    const std::size_t equals = line.find('=');
    if (line.rfind("TAG:", 0) != 0 || equals == std::string::npos)
      continue;
    std::string key = line.substr(4, equals - 4);
    for (char &c : key)
      c = char(std::tolower(static_cast<unsigned char>(c)));
    tags.emplace(key, line.substr(equals + 1));
  }
  return tags;
}

inline bool HasCover(const std::string &path) {
  return CommandOutput("ffprobe -v error -select_streams v "
                       "-show_entries stream_disposition=attached_pic -of csv=p=0 " +
                       Quoted(path))
             .find('1') != std::string::npos;
}

// The checksum of the decoded samples.
inline std::string DecodedAudio(const std::string &path) {
  return CommandOutput("ffmpeg -v error -i " + Quoted(path) + " -map 0:a -f md5 -");
}

} // namespace ffmpeg_files
