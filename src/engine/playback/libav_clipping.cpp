#include "engine/playback/libav_clipping.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <cstdint>
#include <memory>
#include <utility>

#include "engine/playback/buffer_samples.h"
#include "engine/playback/element_factory.h"

namespace engine {

namespace {

// The samples to cut from the decoder's next output: the clipping of the
// packet it is decoding. Both probes run on the decoder's streaming thread.
struct Clipping {
  guint64 start = 0;
  guint64 end = 0;
};

// Whether the stream's segment ends where the demuxer said: then the decoder
// cuts what lies past it (the last packet's padding) itself.
bool EndTold(GstPad *pad) {
  GstEvent *event = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
  if (event == nullptr)
    return false;
  const GstSegment *segment = nullptr;
  gst_event_parse_segment(event, &segment);
  const bool told = segment->format == GST_FORMAT_TIME && GST_CLOCK_TIME_IS_VALID(segment->stop);
  gst_event_unref(event);
  return told;
}

GstPadProbeReturn OnPacket(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  auto &clipping = **static_cast<std::shared_ptr<Clipping> *>(data);
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_HEADER))
    return GST_PAD_PROBE_DROP;
  clipping = {};
  GstAudioClippingMeta *meta = gst_buffer_get_audio_clipping_meta(buffer);
  if (meta == nullptr)
    return GST_PAD_PROBE_OK;
  if (meta->format == GST_FORMAT_DEFAULT)
    clipping = {meta->start, EndTold(pad) ? 0 : meta->end};
  buffer = gst_buffer_make_writable(buffer);
  gst_buffer_remove_meta(buffer, &gst_buffer_get_audio_clipping_meta(buffer)->meta);
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnDecoded(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  auto &clipping = **static_cast<std::shared_ptr<Clipping> *>(data);
  if (clipping.start == 0 && clipping.end == 0)
    return GST_PAD_PROBE_OK;
  const Clipping cut = std::exchange(clipping, {});
  GstCaps *caps = gst_pad_get_current_caps(pad);
  GstAudioInfo audio;
  const bool known = caps != nullptr && gst_audio_info_from_caps(&audio, caps);
  if (caps != nullptr)
    gst_caps_unref(caps);
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (!known || GST_AUDIO_INFO_BPF(&audio) <= 0)
    return GST_PAD_PROBE_OK;
  const gsize frame = gsize(GST_AUDIO_INFO_BPF(&audio));
  const std::uint64_t samples = SamplesIn(buffer, frame);
  if (cut.start + cut.end >= samples)
    return GST_PAD_PROBE_DROP;
  const std::uint64_t kept = samples - cut.start - cut.end;
  // As the decoder times a packet it clips itself: from the packet's time.
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  buffer = gst_audio_buffer_truncate(buffer, gint(frame), gsize(cut.start), gsize(kept));
  GST_BUFFER_PTS(buffer) = pts;
  GST_BUFFER_DURATION(buffer) =
      gst_util_uint64_scale_int(kept, GST_SECOND, GST_AUDIO_INFO_RATE(&audio));
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  return GST_PAD_PROBE_OK;
}

void ForgetClipping(gpointer data) {
  delete static_cast<std::shared_ptr<Clipping> *>(data);
}

void Watch(GstElement *decoder, const char *pad, GstPadProbeType type, GstPadProbeCallback callback,
           const std::shared_ptr<Clipping> &clipping) {
  if (GstPad *found = gst_element_get_static_pad(decoder, pad)) {
    gst_pad_add_probe(found, type, callback, new std::shared_ptr<Clipping>(clipping),
                      ForgetClipping);
    gst_object_unref(found);
  }
}

void OnElementAdded(GstBin *, GstBin *, GstElement *element, gpointer) {
  if (!MadeBy(element, "avdec_opus"))
    return;
  auto clipping = std::make_shared<Clipping>();
  Watch(element, "sink", GST_PAD_PROBE_TYPE_BUFFER, OnPacket, clipping);
  Watch(element, "src", GST_PAD_PROBE_TYPE_BUFFER, OnDecoded, clipping);
}

} // namespace

void MendLibavClipping(GstElement *pipeline) {
  g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(OnElementAdded), nullptr);
}

} // namespace engine
