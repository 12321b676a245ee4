#include "engine/playback/served_list.h"

#include <gst/gst.h>

#include <mutex>
#include <string_view>

#include "engine/media/served_types.h"
#include "engine/playback/element_factory.h"
#include "engine/playback/station_headers.h"

namespace engine {

struct ServedListWatch::State {
  mutable std::mutex lock;
  bool keeping = false; // the latest response named a list
  ServedList served;
};

namespace {

// The Content-Type of the http-headers event the source sends before its
// data; empty for any other event.
std::string ContentTypeOf(GstEvent *event) {
  GstStructure *response = ResponseHeadersOf(event);
  std::string type;
  if (response == nullptr)
    return type;
  const gint fields = gst_structure_n_fields(response);
  for (gint i = 0; i < fields; ++i) {
    const gchar *name = gst_structure_nth_field_name(response, i);
    if (g_ascii_strcasecmp(name, "Content-Type") == 0)
      if (const gchar *value = gst_structure_get_string(response, name))
        type = value;
  }
  gst_structure_free(response);
  return type;
}

GstPadProbeReturn OnSourceOutput(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto &state = **static_cast<std::shared_ptr<ServedListWatch::State> *>(data);
  std::lock_guard<std::mutex> hold(state.lock);
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) == GST_EVENT_CUSTOM_DOWNSTREAM_STICKY) {
      const std::string type = ContentTypeOf(event);
      if (!type.empty()) {
        state.keeping = ServedKindOf(type) != ServedKind::None;
        state.served = {state.keeping ? type : std::string(), {}};
      }
    }
    return GST_PAD_PROBE_OK;
  }
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  std::string &body = state.served.body;
  if (!state.keeping || buffer == nullptr || body.size() >= kMostServedListBytes)
    return GST_PAD_PROBE_OK;
  const std::size_t size =
      std::min(gst_buffer_get_size(buffer), kMostServedListBytes - body.size());
  const std::size_t at = body.size();
  body.resize(at + size);
  gst_buffer_extract(buffer, 0, body.data() + at, size);
  return GST_PAD_PROBE_OK;
}

void OnElementAdded(GstBin *, GstBin *, GstElement *element, gpointer data) {
  if (!MadeBy(element, "souphttpsrc"))
    return;
  if (GstPad *output = gst_element_get_static_pad(element, "src")) {
    gst_pad_add_probe(
        output, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
        OnSourceOutput,
        new std::shared_ptr<ServedListWatch::State>(
            *static_cast<std::shared_ptr<ServedListWatch::State> *>(data)),
        [](gpointer kept) { delete static_cast<std::shared_ptr<ServedListWatch::State> *>(kept); });
    gst_object_unref(output);
  }
}

} // namespace

ServedListWatch::ServedListWatch(GstElement *pipeline) : state_(std::make_shared<State>()) {
  g_signal_connect_data(
      pipeline, "deep-element-added", G_CALLBACK(OnElementAdded),
      new std::shared_ptr<State>(state_),
      [](gpointer kept, GClosure *) { delete static_cast<std::shared_ptr<State> *>(kept); },
      GConnectFlags(0));
}

void ServedListWatch::Forget() {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->keeping = false;
  state_->served = {};
}

std::optional<ServedList> ServedListWatch::Served() const {
  std::lock_guard<std::mutex> hold(state_->lock);
  if (state_->served.type.empty())
    return std::nullopt;
  return state_->served;
}

} // namespace engine
