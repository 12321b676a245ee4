#include "engine/playback/decoder_choice.h"

// decodebin's "autoplug-sort" hands out a GValueArray, which GLib has
// deprecated and GStreamer still uses there.
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <gst/gst.h>

#include <cstring>

namespace engine {

namespace {

// Before libav's, for the caps they decode alike.
constexpr const char *kPreferred[] = {"mpg123audiodec"};

bool IsFactory(GstElement *element, const char *name) {
  GstElementFactory *factory = gst_element_get_factory(element);
  return factory != nullptr &&
         std::strcmp(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), name) == 0;
}

// A copy of `factories` with a preferred one first; null (decodebin's own
// order) where none is among them.
GValueArray *OnSort(GstElement *, GstPad *, GstCaps *, GValueArray *factories, gpointer) {
  for (const char *preferred : kPreferred)
    for (guint i = 0; i < factories->n_values; ++i) {
      auto *factory =
          static_cast<GstPluginFeature *>(g_value_get_object(g_value_array_get_nth(factories, i)));
      if (factory == nullptr || std::strcmp(gst_plugin_feature_get_name(factory), preferred) != 0)
        continue;
      if (i == 0)
        return nullptr;
      GValueArray *sorted = g_value_array_copy(factories);
      GValue first = G_VALUE_INIT;
      g_value_init(&first, G_TYPE_OBJECT);
      g_value_copy(g_value_array_get_nth(sorted, i), &first);
      g_value_array_remove(sorted, i);
      g_value_array_prepend(sorted, &first);
      g_value_unset(&first);
      return sorted;
    }
  return nullptr;
}

void OnElementAdded(GstBin *, GstBin *, GstElement *element, gpointer) {
  if (IsFactory(element, "decodebin"))
    g_signal_connect(element, "autoplug-sort", G_CALLBACK(OnSort), nullptr);
}

} // namespace

void PreferCheaperDecoders(GstElement *playbin) {
  g_signal_connect(playbin, "deep-element-added", G_CALLBACK(OnElementAdded), nullptr);
}

} // namespace engine
