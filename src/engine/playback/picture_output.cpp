#include "engine/playback/picture_output.h"

#include <gst/gst.h>
#include <gst/video/videooverlay.h>
#include <wayland-client-core.h>

#include <atomic>
#include <cstring>

#include "engine/playback/element_factory.h"

namespace engine {

namespace {

// The context through which waylandsink takes an application's connection.
constexpr const char *kWaylandDisplay = "GstWlDisplayHandleContextType";

GstContext *WaylandContext(void *display) {
  GstContext *context = gst_context_new(kWaylandDisplay, TRUE);
  gst_structure_set(gst_context_writable_structure(context), "handle", G_TYPE_POINTER, display,
                    nullptr);
  return context;
}

bool IsWaylandSink(GstElement *sink) {
  return MadeBy(sink, "waylandsink");
}

constexpr const char *kPictureLost = "audioplayer-picture-lost";

struct Watch {
  wl_display *display;
  std::atomic<bool> told{false};
};

// waylandsink draws on, unheard, once its compositor has gone: its frames
// are dropped from then on, and the bus hears of it once.
GstPadProbeReturn WatchDisplay(GstPad *pad, GstPadProbeInfo *, gpointer data) {
  auto *watch = static_cast<Watch *>(data);
  if (wl_display_get_error(watch->display) == 0)
    return GST_PAD_PROBE_OK;
  if (!watch->told.exchange(true)) {
    GstElement *sink = gst_pad_get_parent_element(pad);
    if (sink != nullptr) {
      gst_element_post_message(sink, gst_message_new_application(
                                         GST_OBJECT(sink), gst_structure_new_empty(kPictureLost)));
      gst_object_unref(sink);
    }
  }
  return GST_PAD_PROBE_DROP;
}

void SetWindow(GstElement *sink, const PicturePlace &place) {
  gst_video_overlay_set_window_handle(GST_VIDEO_OVERLAY(sink), guintptr(place.window));
  // Only after the window: waylandsink ignores a rectangle without one.
  if (place.waylandDisplay != nullptr)
    ResizePicture(sink, place);
}

} // namespace

GstElement *PictureSink(const PicturePlace &place) {
  // ximagesink draws in any X server's window (Xvfb and XWayland have no
  // XVideo for xvimagesink); waylandsink in a surface of the host's
  // connection, which it is given before it starts, so that neither ever
  // opens a window or a connection of its own.
  const bool wayland = place.waylandDisplay != nullptr;
  auto *display = static_cast<wl_display *>(place.waylandDisplay);
  if (wayland && wl_display_get_error(display) != 0)
    return nullptr; // its compositor has gone
  GstElement *sink = gst_element_factory_make(wayland ? "waylandsink" : "ximagesink", nullptr);
  if (sink == nullptr)
    return nullptr;
  if (wayland) {
    GstContext *context = WaylandContext(place.waylandDisplay);
    gst_element_set_context(sink, context);
    gst_context_unref(context);
    GstPad *pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, WatchDisplay, new Watch{display},
                      [](gpointer data) { delete static_cast<Watch *>(data); });
    gst_object_unref(pad);
  } else {
    g_object_set(sink, "force-aspect-ratio", TRUE, nullptr);
  }
  SetWindow(sink, place);
  return sink;
}

bool PictureLost(GstMessage *message) {
  return GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION &&
         gst_message_has_name(message, kPictureLost);
}

bool AnswerSinkRequest(GstMessage *message, const PicturePlace &place) {
  GstElement *sink = GST_ELEMENT(GST_MESSAGE_SRC(message));
  if (gst_is_video_overlay_prepare_window_handle_message(message)) {
    if (place.window != 0)
      SetWindow(sink, place);
    return true;
  }
  const char *type = nullptr;
  if (GST_MESSAGE_TYPE(message) != GST_MESSAGE_NEED_CONTEXT ||
      !gst_message_parse_context_type(message, &type) || std::strcmp(type, kWaylandDisplay) != 0)
    return false;
  if (place.waylandDisplay != nullptr) {
    GstContext *context = WaylandContext(place.waylandDisplay);
    gst_element_set_context(sink, context);
    gst_context_unref(context);
  }
  return true;
}

void ResizePicture(GstElement *sink, const PicturePlace &place) {
  if (sink != nullptr && place.waylandDisplay != nullptr && IsWaylandSink(sink))
    gst_video_overlay_set_render_rectangle(GST_VIDEO_OVERLAY(sink), 0, 0, place.width,
                                           place.height);
}

GstElement *Visualisation(const PicturePlace &place) {
  if (place.waylandDisplay == nullptr)
    return gst_element_factory_make("goom", nullptr);
  // goom's frames reach waylandsink as BGRx, which shows them plain white
  // (seen on weston 11 with GStreamer 1.22, BGRA too); as RGBx they show
  // as drawn.
  GError *error = nullptr;
  GstElement *bin = gst_parse_bin_from_description(
      "goom ! videoconvert ! capsfilter caps=video/x-raw,format=RGBx", TRUE, &error);
  g_clear_error(&error);
  return bin;
}

} // namespace engine
