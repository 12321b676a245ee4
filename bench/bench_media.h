// Real, tagged media files for the benchmarks, made once per process in a
// temporary folder that goes with the process. One file per kind is encoded
// by GStreamer; every further file is a copy of it under a new name, so a
// thousand files cost a thousand copies rather than a thousand encodings,
// and the engine still sees each one as a file it has never met.
#pragma once

#include "engine/audio_encoding.h"
#include "support/temp_folder.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace bench_media {

using test_media::Kind;

// The kinds a music library mostly holds.
constexpr std::array<Kind, 4> kKinds{Kind::Wav, Kind::Flac, Kind::Vorbis, Kind::Mp3Info};

inline const char *ExtensionOf(Kind kind) {
  switch (kind) {
  case Kind::Wav:
  case Kind::FloatWav:
    return "wav";
  case Kind::Flac:
    return "flac";
  case Kind::Vorbis:
    return "ogg";
  case Kind::Mp3:
  case Kind::Mp3Info:
    return "mp3";
  case Kind::Opus:
    return "opus";
  case Kind::Speex:
    return "spx";
  case Kind::M4a:
    return "m4a";
  case Kind::Wma:
    return "wma";
  case Kind::Matroska:
    return "mka";
  }
  return "";
}

// Every attribute GetMusicInfo asks for that a file can carry.
constexpr const char *kTags = "title=\"Benchmark tone\",album=\"Generated\",artist=\"Bench\","
                              "album-artist=\"Bench Band\",genre=\"Test\",composer=\"Nobody\"";

// The folder of generated files. Use Shared(): one per process.
class MediaFolder {
public:
  static MediaFolder &Shared() {
    static MediaFolder folder;
    return folder;
  }
  MediaFolder(const MediaFolder &) = delete;
  MediaFolder &operator=(const MediaFolder &) = delete;

  // The first `count` files of a fixed list that cycles through the kinds;
  // empty when the files cannot be made.
  std::vector<std::string> Files(std::size_t count) {
    if (library_.size() < count) {
      while (library_.size() < count) {
        const std::string copy = NewCopy(kKinds[library_.size() % kKinds.size()]);
        if (copy.empty())
          return {};
        library_.push_back(copy);
      }
      ::sync(); // the copies' write-back would otherwise fall into the measurements
    }
    return {library_.begin(), library_.begin() + std::ptrdiff_t(count)};
  }

  // The first `count` files of `kind` (copies of one encoding, each new to
  // the engine); empty when the files cannot be made.
  std::vector<std::string> FilesOf(Kind kind, std::size_t count) {
    std::vector<std::string> &files = byKind_[kind];
    if (files.size() < count) {
      while (files.size() < count) {
        const std::string copy = NewCopy(kind);
        if (copy.empty())
          return {};
        files.push_back(copy);
      }
      ::sync();
    }
    return {files.begin(), files.begin() + std::ptrdiff_t(count)};
  }

  // A file of `kind` that no one has used yet; empty on failure.
  std::string NewCopy(Kind kind) {
    const std::filesystem::path &original = Original(kind);
    if (original.empty())
      return {};
    const std::filesystem::path copy =
        folder_.path() / ("track-" + std::to_string(++copies_) + "." + ExtensionOf(kind));
    std::error_code error;
    return std::filesystem::copy_file(original, copy, error) ? copy.string() : std::string();
  }

  // The encoded file of `kind`, kSeconds long; empty when it cannot be made.
  const std::filesystem::path &Original(Kind kind) {
    std::filesystem::path &original = originals_[kind];
    if (original.empty() && !folder_.path().empty()) {
      const std::filesystem::path made =
          folder_.path() / (std::string("original.") + ExtensionOf(kind));
      std::string problem;
      if (test_media::EncodeAudio(made.string(), kind, kSeconds, kTags, &problem))
        original = made;
      else
        std::fprintf(stderr, "%s\n", problem.c_str());
    }
    return original;
  }

  // Long enough that nothing ends while a benchmark waits for playing.
  static constexpr double kSeconds = 5;

private:
  MediaFolder() = default;

  test_support::TempFolder folder_;
  std::map<Kind, std::filesystem::path> originals_;
  std::vector<std::string> library_;
  std::map<Kind, std::vector<std::string>> byKind_;
  long copies_ = 0;
};

} // namespace bench_media
