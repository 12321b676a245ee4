// Real, tagged media files for the benchmarks, made once per process in a
// temporary folder that goes with the process. One file per kind is encoded
// by GStreamer; every further file is a copy of it under a new name, so a
// thousand files cost a thousand copies rather than a thousand encodings,
// and the engine still sees each one as a file it has never met.
#pragma once

#include <gst/gst.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace bench_media {

// The kinds a music library mostly holds.
enum class Kind { Wav, Flac, Vorbis, Mp3 };
constexpr std::array<Kind, 4> kKinds{Kind::Wav, Kind::Flac, Kind::Vorbis, Kind::Mp3};

inline const char *ExtensionOf(Kind kind) {
  switch (kind) {
  case Kind::Wav:
    return "wav";
  case Kind::Flac:
    return "flac";
  case Kind::Vorbis:
    return "ogg";
  case Kind::Mp3:
    return "mp3";
  }
  return "";
}

inline const char *EncoderOf(Kind kind) {
  switch (kind) {
  case Kind::Wav:
    return "wavenc";
  case Kind::Flac:
    return "flacenc";
  case Kind::Vorbis:
    return "vorbisenc ! oggmux";
  case Kind::Mp3:
    // With the Info header the lame tool writes: without one, GStreamer's
    // parser knows no duration after the headers and the discoverer waits
    // a fixed 50 ms for it, which would swamp everything measured here.
    return "lamemp3enc target=bitrate bitrate=128 cbr=true ! xingmux ! id3v2mux";
  }
  return "";
}

// Every attribute GetMusicInfo asks for that a file can carry.
constexpr const char *kTags = "title=\"Benchmark tone\",album=\"Generated\",artist=\"Bench\","
                              "album-artist=\"Bench Band\",genre=\"Test\",composer=\"Nobody\"";

// Encodes `seconds` of a stereo 44.1 kHz tone, tagged; false on failure.
inline bool Encode(const std::filesystem::path &path, Kind kind, double seconds) {
  if (!gst_init_check(nullptr, nullptr, nullptr))
    return false;
  const std::string line = "audiotestsrc num-buffers=" + std::to_string(int(seconds * 10 + 0.5)) +
                           " samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2"
                           " ! audioconvert ! taginject name=tagger ! " +
                           EncoderOf(kind) + " ! filesink location=\"" + path.string() + "\"";
  GstElement *pipeline = gst_parse_launch(line.c_str(), nullptr);
  if (!pipeline)
    return false;
  // Set as a property, the tags' quotes need no escaping in the line.
  if (GstElement *tagger = gst_bin_get_by_name(GST_BIN(pipeline), "tagger")) {
    g_object_set(tagger, "tags", kTags, nullptr);
    gst_object_unref(tagger);
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus *bus = gst_element_get_bus(pipeline);
  GstMessage *end = gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND,
                                               GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ended = end && GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
  if (end)
    gst_message_unref(end);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ended;
}

// The folder of generated files. Use Shared(): one per process.
class MediaFolder {
public:
  static MediaFolder &Shared() {
    static MediaFolder folder;
    return folder;
  }
  ~MediaFolder() {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
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

  // A file of `kind` that no one has used yet; empty on failure.
  std::string NewCopy(Kind kind) {
    const std::filesystem::path &original = Original(kind);
    if (original.empty())
      return {};
    const std::filesystem::path copy =
        folder_ / ("track-" + std::to_string(++copies_) + "." + ExtensionOf(kind));
    std::error_code error;
    return std::filesystem::copy_file(original, copy, error) ? copy.string() : std::string();
  }

  // The encoded file of `kind`, kSeconds long; empty when it cannot be made.
  const std::filesystem::path &Original(Kind kind) {
    std::filesystem::path &original = originals_[kind];
    if (original.empty() && !folder_.empty()) {
      const std::filesystem::path made = folder_ / (std::string("original.") + ExtensionOf(kind));
      if (Encode(made, kind, kSeconds))
        original = made;
    }
    return original;
  }

  // Long enough that nothing ends while a benchmark waits for playing.
  static constexpr double kSeconds = 5;

private:
  MediaFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "audioplayer-media-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
      folder_ = pattern;
  }

  std::filesystem::path folder_;
  std::map<Kind, std::filesystem::path> originals_;
  std::vector<std::string> library_;
  long copies_ = 0;
};

} // namespace bench_media
