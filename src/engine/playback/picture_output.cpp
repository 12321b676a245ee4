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

bool AnswerWindowRequest(GstMessage *message, unsigned long window) {
  if (!gst_is_video_overlay_prepare_window_handle_message(message))
    return false;
  if (window != 0)
    gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(GST_MESSAGE_SRC(message)),
                                        guintptr(window));
  return true;
}

GstElement *Visualisation() {
  return gst_element_factory_make("goom", nullptr);
}

} // namespace engine
