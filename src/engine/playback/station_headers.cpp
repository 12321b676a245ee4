#include "engine/playback/station_headers.h"

#include <gst/gst.h>

#include <strings.h>

namespace engine {

namespace {

gboolean NamesStation(GQuark field, const GValue *, gpointer) {
  const char *name = g_quark_to_string(field);
  return !(strncasecmp(name, "icy-", 4) == 0 || strncasecmp(name, "ice-", 4) == 0);
}

// The HTTP source sends its response's headers downstream as a sticky
// custom event ("http-headers") before the first data.
bool SourceNamesStation(GstElement *source) {
  GstPad *pad = gst_element_get_static_pad(source, "src");
  if (pad == nullptr)
    return false;
  bool station = false;
  for (guint index = 0; !station; ++index) {
    GstEvent *event = gst_pad_get_sticky_event(pad, GST_EVENT_CUSTOM_DOWNSTREAM_STICKY, index);
    if (event == nullptr)
      break;
    if (GstStructure *response = ResponseHeadersOf(event)) {
      // A field that names a station stops the walk, which then answers false.
      station = !gst_structure_foreach(response, NamesStation, nullptr);
      gst_structure_free(response);
    }
    gst_event_unref(event);
  }
  gst_object_unref(pad);
  return station;
}

} // namespace

GstStructure *ResponseHeadersOf(GstEvent *event) {
  const GstStructure *headers = gst_event_get_structure(event);
  GstStructure *response = nullptr;
  if (headers == nullptr || !gst_structure_has_name(headers, "http-headers") ||
      !gst_structure_get(headers, "response-headers", GST_TYPE_STRUCTURE, &response, nullptr))
    return nullptr;
  return response;
}

bool ComesFromStation(GstElement *pipeline) {
  if (pipeline == nullptr || !GST_IS_BIN(pipeline))
    return false;
  bool station = false;
  GstIterator *elements = gst_bin_iterate_recurse(GST_BIN(pipeline));
  GValue item = G_VALUE_INIT;
  while (!station && gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
    auto *element = GST_ELEMENT(g_value_get_object(&item));
    station =
        GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SOURCE) && SourceNamesStation(element);
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(elements);
  return station;
}

} // namespace engine
