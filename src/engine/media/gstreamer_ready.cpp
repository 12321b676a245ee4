#include "engine/media/gstreamer_ready.h"

#include <gst/gst.h>

namespace engine {

namespace {

// cdda:// URLs are read by cdiocddasrc (libcdio, the library that reads the
// engine's tables of contents), which reads disc images as well as drives;
// cdparanoiasrc, ranked above it, reads drives only.
void PreferLibcdioForCds() {
  if (GstPluginFeature *paranoia = GST_PLUGIN_FEATURE(gst_element_factory_find("cdparanoiasrc"))) {
    gst_plugin_feature_set_rank(paranoia, GST_RANK_NONE);
    gst_object_unref(paranoia);
  }
}

} // namespace

bool EnsureGstreamer() {
  static const bool ready = [] {
    if (!gst_init_check(nullptr, nullptr, nullptr))
      return false;
    PreferLibcdioForCds();
    return true;
  }();
  return ready;
}

} // namespace engine
