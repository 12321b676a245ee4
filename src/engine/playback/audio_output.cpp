// The engine's audio outputs.
#include "engine/playback/audio_output.h"
#include "engine/playback/wav_file_sink.h"

#include <gst/gst.h>

#include <cstdlib>
#include <cstring>

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

// The file output, or the default one where GStreamer cannot make it.
GstElement *FileSink(const std::string &path) {
  GstElement *sink = MakeWavFileSink(path);
  return sink ? sink : DefaultSink();
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
