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
constexpr Preference kRanked[] = {{"mpg123audiodec", "avdec_mp3"},
                                  {"mpg123audiodec", "avdec_mp3float"}};
constexpr Preference kRendering[] = {{"avdec_opus", "opusdec"}};

void Prefer(const Preference &preference) {
  GstRegistry *registry = gst_registry_get();
  GstPluginFeature *preferred = gst_registry_lookup_feature(registry, preference.preferred);
  GstPluginFeature *over = gst_registry_lookup_feature(registry, preference.over);
  if (preferred != nullptr && over != nullptr &&
      gst_plugin_feature_get_rank(preferred) <= gst_plugin_feature_get_rank(over))
    gst_plugin_feature_set_rank(preferred, gst_plugin_feature_get_rank(over) + 1);
  if (preferred != nullptr)
    gst_object_unref(preferred);
  if (over != nullptr)
    gst_object_unref(over);
}

} // namespace

void PreferCheaperDecoders() {
  static const bool done = [] {
    for (const Preference &preference : kRanked)
      Prefer(preference);
    return true;
  }();
  (void)done;
}

bool PassedOver(GstElementFactory *factory, GstCaps *caps) {
  const char *name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
  for (const Preference &preference : kRendering) {
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

} // namespace engine
