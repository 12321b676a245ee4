#include "engine/playback/edit_list_hiding.h"

#include <gst/gst.h>

#include <cstring>

#include "engine/media/mp4_gapless.h"
#include "engine/playback/element_factory.h"

namespace engine {

namespace {

// On the demuxer's input, until its movie box has gone by: the demuxer
// reads it whole, in one buffer that starts with the box's header, before
// any sample.
GstPadProbeReturn OnDemuxerInput(GstPad *, GstPadProbeInfo *info, gpointer) {
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (buffer == nullptr)
    return GST_PAD_PROBE_OK;
  unsigned char header[8];
  if (gst_buffer_extract(buffer, 0, header, sizeof header) != sizeof header ||
      std::memcmp(header + 4, "moov", 4) != 0)
    return GST_PAD_PROBE_OK;
  const std::size_t size = std::size_t(header[0]) << 24 | std::size_t(header[1]) << 16 |
                           std::size_t(header[2]) << 8 | header[3];
  if (size != gst_buffer_get_size(buffer))
    return GST_PAD_PROBE_OK; // its header alone, read ahead of the box
  GstMapInfo map;
  buffer = gst_buffer_make_writable(buffer);
  if (gst_buffer_map(buffer, &map, GST_MAP_READWRITE)) {
    HideMp4EditList(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
  }
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  return GST_PAD_PROBE_REMOVE;
}

void OnElementAdded(GstBin *, GstBin *, GstElement *element, gpointer) {
  if (!MadeBy(element, "qtdemux"))
    return;
  if (GstPad *sink = gst_element_get_static_pad(element, "sink")) {
    gst_pad_add_probe(sink,
                      GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_PULL |
                                      GST_PAD_PROBE_TYPE_PUSH),
                      OnDemuxerInput, nullptr, nullptr);
    gst_object_unref(sink);
  }
}

} // namespace

void HideEditListsFromDemuxers(GstElement *playbin) {
  g_signal_connect(playbin, "deep-element-added", G_CALLBACK(OnElementAdded), nullptr);
}

} // namespace engine
