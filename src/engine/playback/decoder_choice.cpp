#include "engine/playback/decoder_choice.h"

#include <gst/gst.h>

namespace engine {

namespace {

// Each preferred decoder, and the one it goes before.
struct Preference {
  const char *preferred;
  const char *over;
};
constexpr Preference kPreferences[] = {{"mpg123audiodec", "avdec_mp3"}};

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
    for (const Preference &preference : kPreferences)
      Prefer(preference);
    return true;
  }();
  (void)done;
}

} // namespace engine
