// Short audio files encoded on the spot by a GStreamer pipeline, so that the
// tests and benchmarks need no media in the repository and meet real
// encoders' output. Free of any test framework: callers report failures.
#pragma once

#include <gst/gst.h>

#include <string>

namespace test_media {

// Runs `description` (a gst-launch line ending in a filesink) to its end;
// `tags`, if any, go to its element named "tagger" (a taginject), set as a
// property so that their quotes need no escaping in the line. On failure
// returns false and says why in `problem`.
inline bool RunPipeline(const std::string &description, const std::string &tags,
                        std::string *problem) {
  if (!gst_init_check(nullptr, nullptr, nullptr)) {
    *problem = "GStreamer does not initialise";
    return false;
  }
  GError *error = nullptr;
  GstElement *pipeline = gst_parse_launch(description.c_str(), &error);
  if (!pipeline || error) {
    *problem = "cannot build " + description + ": " + (error ? error->message : "");
    g_clear_error(&error);
    if (pipeline)
      gst_object_unref(pipeline);
    return false;
  }
  if (!tags.empty()) {
    if (GstElement *tagger = gst_bin_get_by_name(GST_BIN(pipeline), "tagger")) {
      g_object_set(tagger, "tags", tags.c_str(), nullptr);
      gst_object_unref(tagger);
    }
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus *bus = gst_element_get_bus(pipeline);
  GstMessage *message = gst_bus_timed_pop_filtered(
      bus, 30 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ended = message && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message)
    gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  if (!ended)
    *problem = "did not run to its end: " + description;
  return ended;
}

// The encoder part of a pipeline for each generated kind of file.
// Mp3Info carries the Info header that LAME writes: without one GStreamer
// knows no duration after the headers and its discoverer waits 50 ms for it.
// M4a (AAC in MP4), Wma (ASF) and Matroska keep their tags in the container.
enum class Kind { Wav, FloatWav, Flac, Vorbis, Mp3, Mp3Info, Opus, Speex, M4a, Wma, Matroska };

inline const char *EncoderOf(Kind kind) {
  switch (kind) {
  case Kind::Wav:
  case Kind::FloatWav:
    return "wavenc";
  case Kind::Flac:
    return "flacenc";
  case Kind::Vorbis:
    return "vorbisenc ! oggmux";
  case Kind::Mp3:
    return "lamemp3enc target=bitrate bitrate=128 cbr=true ! id3v2mux";
  case Kind::Mp3Info:
    return "lamemp3enc target=bitrate bitrate=128 cbr=true ! xingmux ! id3v2mux";
  case Kind::Opus:
    return "audioresample ! opusenc ! oggmux";
  case Kind::Speex:
    return "audioresample ! speexenc ! oggmux";
  case Kind::M4a:
    return "avenc_aac ! mp4mux";
  case Kind::Wma:
    return "avenc_wmav2 ! asfmux";
  case Kind::Matroska:
    return "vorbisenc ! matroskamux";
  }
  return "";
}

// Writes `seconds` of a stereo 44.1 kHz tone with the given tags (a
// taginject list such as title="A b",artist=C; empty for none).
inline bool EncodeAudio(const std::string &path, Kind kind, double seconds, const std::string &tags,
                        std::string *problem) {
  const int buffers = int(seconds * 10 + 0.5); // buffers of 1/10 s
  std::string line = "audiotestsrc num-buffers=" + std::to_string(buffers) +
                     " samplesperbuffer=4410 ! audio/x-raw,rate=44100,channels=2";
  if (kind == Kind::FloatWav)
    line += ",format=F32LE";
  else if (kind == Kind::Wav)
    line += ",format=S16LE";
  line += " ! audioconvert";
  if (kind == Kind::FloatWav)
    line += " ! audio/x-raw,format=F32LE";
  if (!tags.empty())
    line += " ! taginject name=tagger";
  line += std::string(" ! ") + EncoderOf(kind) + " ! filesink location=\"" + path + "\"";
  return RunPipeline(line, tags, problem);
}

} // namespace test_media
