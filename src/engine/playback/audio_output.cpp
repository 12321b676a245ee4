// The engine's audio outputs, and the WAV file output's writer.
#include "engine/playback/audio_output.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

namespace engine {

namespace {

// The element if it can open its device now, else null.
GstElement *Opened(GstElement *sink) {
  if (sink == nullptr)
    return nullptr;
  gst_object_ref_sink(sink);
  const bool opens = gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
  gst_element_set_state(sink, GST_STATE_NULL);
  if (opens)
    return sink; // the reference taken above goes to the playbin
  gst_object_unref(sink);
  return nullptr;
}

GstElement *DefaultSink() {
  GstElement *sink = Opened(gst_element_factory_make("autoaudiosink", nullptr));
  return sink ? sink : RealTimeFakeSink();
}

GstElement *DeviceSink(const char *factory, const std::string &device) {
  GstElement *sink = gst_element_factory_make(factory, nullptr);
  if (sink)
    g_object_set(sink, "device", device.c_str(), nullptr);
  sink = Opened(sink);
  return sink ? sink : DefaultSink();
}

void Put16(unsigned char *at, unsigned value) {
  at[0] = static_cast<unsigned char>(value);
  at[1] = static_cast<unsigned char>(value >> 8);
}
void Put32(unsigned char *at, std::uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

} // namespace

// The WAV file: its header is written with the first samples' format and
// rewritten with the sizes after each item and at the end; the samples go
// in as they come, on the streaming thread.
class WavRecorder {
public:
  WavRecorder(std::string path, GstElement *format) : path_(std::move(path)), format_(format) {}
  ~WavRecorder() {
    std::lock_guard lock(mutex_);
    WriteHeader();
    if (file_)
      std::fclose(file_);
  }

  // The format of the first samples; later ones are converted to it.
  void Take(GstBuffer *buffer, GstPad *pad) {
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
      return;
    std::lock_guard lock(mutex_);
    if (file_ == nullptr && Begin(pad))
      WriteHeader();
    // An empty buffer (the tempo element's at a segment's start) maps to no memory.
    if (file_ != nullptr && map.size > 0 && std::fwrite(map.data, 1, map.size, file_) == map.size)
      bytes_ += map.size;
    gst_buffer_unmap(buffer, &map);
  }

  void Ended() {
    std::lock_guard lock(mutex_);
    WriteHeader();
  }

private:
  bool Begin(GstPad *pad) {
    GstCaps *caps = gst_pad_get_current_caps(pad);
    GstAudioInfo info;
    const bool known = caps != nullptr && gst_audio_info_from_caps(&info, caps);
    if (known) {
      float_ = GST_AUDIO_INFO_IS_FLOAT(&info);
      bits_ = GST_AUDIO_INFO_WIDTH(&info);
      channels_ = GST_AUDIO_INFO_CHANNELS(&info);
      rate_ = GST_AUDIO_INFO_RATE(&info);
      file_ = std::fopen(path_.c_str(), "wb");
      // Decoders' buffers are a few KB, and stdio's own is 4 KB: a system
      // call each.
      if (file_ != nullptr)
        std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
      // From now on the sink takes only this format.
      g_object_set(format_, "caps", caps, nullptr);
    }
    if (caps != nullptr)
      gst_caps_unref(caps);
    return file_ != nullptr;
  }

  void WriteHeader() {
    if (file_ == nullptr)
      return;
    unsigned char header[44] = {'R', 'I', 'F', 'F', 0,   0,   0,  0, 'W', 'A',
                                'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0,   0};
    const unsigned block = channels_ * bits_ / 8;
    Put32(header + 4, std::uint32_t(36 + bytes_));
    Put16(header + 20, float_ ? 3 : 1); // IEEE float, or PCM
    Put16(header + 22, channels_);
    Put32(header + 24, rate_);
    Put32(header + 28, rate_ * block);
    Put16(header + 32, block);
    Put16(header + 34, bits_);
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, std::uint32_t(bytes_));
    const long end = std::ftell(file_);
    std::fseek(file_, 0, SEEK_SET);
    std::fwrite(header, 1, sizeof header, file_);
    std::fseek(file_, end > 0 ? end : long(sizeof header), SEEK_SET);
    std::fflush(file_);
  }

  std::mutex mutex_;
  std::string path_;
  GstElement *format_; // the capsfilter before the sink, borrowed
  static constexpr std::size_t kBufferSize = 64 * 1024;
  std::unique_ptr<char[]> buffer_ = std::make_unique<char[]>(kBufferSize); // outlives file_
  std::FILE *file_ = nullptr;
  std::uint64_t bytes_ = 0;
  bool float_ = false;
  unsigned bits_ = 16, channels_ = 2, rate_ = 44100;
};

namespace {

void OnSamples(GstElement *, GstBuffer *buffer, GstPad *pad, gpointer recorder) {
  static_cast<WavRecorder *>(recorder)->Take(buffer, pad);
}

GstPadProbeReturn OnSinkEvent(GstPad *, GstPadProbeInfo *info, gpointer recorder) {
  if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS)
    static_cast<WavRecorder *>(recorder)->Ended();
  return GST_PAD_PROBE_OK;
}

// audioconvert and audioresample, then a sink that takes raw samples at
// once (no clock) for the recorder. A fakesink's hand-off, not an appsink:
// an appsink keeps about 4 KB each time it goes down after a stream with
// no samples (an empty file), which a long list of them adds up.
GstElement *FileSink(const std::string &path) {
  GstElement *bin = gst_bin_new(nullptr);
  GstElement *convert = gst_element_factory_make("audioconvert", nullptr);
  GstElement *resample = gst_element_factory_make("audioresample", nullptr);
  GstElement *format = gst_element_factory_make("capsfilter", nullptr);
  GstElement *sink = gst_element_factory_make("fakesink", nullptr);
  if (!convert || !resample || !format || !sink) {
    for (GstElement *made : {bin, convert, resample, format, sink})
      if (made)
        gst_object_unref(gst_object_ref_sink(made));
    return DefaultSink();
  }
  GstCaps *raw = gst_caps_from_string(
      "audio/x-raw,layout=interleaved,format={S16LE,S24LE,S32LE,F32LE,F64LE,U8}");
  g_object_set(format, "caps", raw, nullptr);
  gst_caps_unref(raw);
  g_object_set(sink, "sync", FALSE, "signal-handoffs", TRUE, nullptr);
  auto *recorder = new WavRecorder(path, format);
  g_object_set_data_full(G_OBJECT(bin), "audioplayer-wav-recorder", recorder,
                         [](gpointer data) { delete static_cast<WavRecorder *>(data); });
  g_signal_connect(sink, "handoff", G_CALLBACK(OnSamples), recorder);
  GstPad *input = gst_element_get_static_pad(sink, "sink");
  gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnSinkEvent, recorder, nullptr);
  gst_object_unref(input);
  gst_bin_add_many(GST_BIN(bin), convert, resample, format, sink, nullptr);
  gst_element_link_many(convert, resample, format, sink, nullptr);
  input = gst_element_get_static_pad(convert, "sink");
  gst_element_add_pad(bin, gst_ghost_pad_new("sink", input));
  gst_object_unref(input);
  return bin;
}

} // namespace

GstElement *RealTimeFakeSink() {
  GstElement *sink = gst_element_factory_make("fakesink", nullptr);
  if (sink)
    g_object_set(sink, "sync", TRUE, nullptr); // plays in real time
  return sink;
}

std::string NamedAudioOutput() {
  const char *named = std::getenv("AUDIOPLAYER_SINK");
  return named ? named : "";
}

namespace {

// The rest of `named` after `prefix`, or null when it does not start so.
const char *After(const std::string &named, const char *prefix) {
  const std::size_t length = std::strlen(prefix);
  return named.compare(0, length, prefix) == 0 ? named.c_str() + length : nullptr;
}

} // namespace

bool IsDeviceOutput(const std::string &named) {
  return After(named, "pulse:") || After(named, "alsa:");
}

bool IsFileOutput(const std::string &named) {
  const char *path = After(named, "file:");
  return path && *path;
}

GstElement *MakeAudioOutput(const std::string &named) {
  auto after = [&](const char *prefix) { return After(named, prefix); };
  if (named == "fake")
    return RealTimeFakeSink();
  if (const char *device = after("pulse:"))
    return DeviceSink("pulsesink", device);
  if (const char *device = after("alsa:"))
    return DeviceSink("alsasink", device);
  if (IsFileOutput(named))
    return FileSink(after("file:"));
  if (const char *path = after("played-file:"); path && *path)
    return FileSink(path);
  return DefaultSink();
}

} // namespace engine
