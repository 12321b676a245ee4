#include "engine/library/gstreamer_ready.h"

#include <gst/gst.h>

namespace engine {

bool EnsureGstreamer() {
  static const bool ready = gst_init_check(nullptr, nullptr, nullptr);
  return ready;
}

} // namespace engine
