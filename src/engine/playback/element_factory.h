// Which factory made a GStreamer element, for the places that watch the
// elements a pipeline makes for one of them.
#pragma once

#include <gst/gst.h>

#include <cstring>

namespace engine {

inline bool MadeBy(GstElement *element, const char *factoryName) {
  GstElementFactory *factory = gst_element_get_factory(element);
  return factory != nullptr &&
         std::strcmp(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)), factoryName) == 0;
}

} // namespace engine
