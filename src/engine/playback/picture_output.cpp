#include "engine/playback/picture_output.h"

#include <gst/gst.h>
#include <gst/video/videooverlay.h>

namespace engine {

GstElement *PictureSink(unsigned long window) {
  // ximagesink draws in any X server's window (Xvfb and XWayland have no
  // XVideo for xvimagesink), and is told the window before it starts, so
  // it never opens one of its own.
  GstElement *sink = gst_element_factory_make("ximagesink", nullptr);
  if (sink == nullptr)
    return nullptr;
  g_object_set(sink, "force-aspect-ratio", TRUE, nullptr);
  gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), guintptr(window));
  return sink;
}

GstElement *Visualisation() {
  return gst_element_factory_make("goom", nullptr);
}

} // namespace engine
