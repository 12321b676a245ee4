#include "engine/playback/decoder_choice.h"

#include <gst/gst.h>

#include <cstring>

namespace engine {

namespace {

// Each cheaper decoder, and the one it goes before.
struct Preference {
  const char *preferred;
  const char *over;
};
constexpr Preference kPreferences[] = {{"mpg123audiodec", "avdec_mp3"},
                                       {"mpg123audiodec", "avdec_mp3float"},
                                       {"avdec_opus", "opusdec"}};

gint OnSelect(GstElement *, GstPad *, GstCaps *caps, GstElementFactory *factory, gpointer) {
  constexpr gint kTry = 0, kSkip = 2; // GstAutoplugSelectResult
  return PassedOver(factory, caps) ? kSkip : kTry;
}

void OnElementAdded(GstBin *, GstBin *, GstElement *element, gpointer) {
  GstElementFactory *factory = gst_element_get_factory(element);
  if (factory != nullptr &&
      std::strcmp(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), "decodebin") == 0)
    g_signal_connect(element, "autoplug-select", G_CALLBACK(OnSelect), nullptr);
}

} // namespace

bool PassedOver(GstElementFactory *factory, GstCaps *caps) {
  const char *name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
  for (const Preference &preference : kPreferences) {
    if (std::strcmp(name, preference.over) != 0)
      continue;
    GstElementFactory *preferred = gst_element_factory_find(preference.preferred);
    const bool takes =
        preferred != nullptr && gst_element_factory_can_sink_all_caps(preferred, caps);
    if (preferred != nullptr)
      gst_object_unref(preferred);
    return takes;
  }
  return false;
}

void PassOverDearerDecoders(GstElement *pipeline) {
  g_signal_connect(pipeline, "deep-element-added", G_CALLBACK(OnElementAdded), nullptr);
}

} // namespace engine
