// Where the engine's picture goes: a video's frames, or for audio a
// visualisation, drawn in the player's screen window (platform_screen.h):
// an X11 window, or a wl_surface on the host's Wayland connection.
#pragma once

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace engine {

struct PicturePlace {
  unsigned long window = 0;       // the X11 window or the wl_surface; 0: none
  void *waylandDisplay = nullptr; // set when `window` is a wl_surface
  int width = 0, height = 0;      // what a Wayland sink draws over

  bool operator==(const PicturePlace &) const = default;
};

// A sink that draws in `place` (floating), or null when GStreamer has no
// sink for it (gstreamer1.0-x or gstreamer1.0-plugins-bad missing).
GstElement *PictureSink(const PicturePlace &place);

// True for a picture sink's request for its window or, on Wayland, for
// its display connection (it asks each time it starts, and a
// visualisation turned off and on again restarts it), which is then
// answered from `place` when there is one; the caller drops the message.
// Called on the streaming thread, in the bus's sync handler, as the
// request must be answered before the sink goes on.
bool AnswerSinkRequest(GstMessage *message, const PicturePlace &place);

// True for a Wayland sink's word that its compositor has gone: the
// picture is lost, and whatever else plays goes on.
bool PictureLost(GstMessage *message);

// Tells a Wayland sink the size it draws over; X11 sinks follow their
// window themselves.
void ResizePicture(GstElement *sink, const PicturePlace &place);

// The visualisation the playbin draws for audio in `place` (floating), or
// null for the playbin's own choice.
GstElement *Visualisation(const PicturePlace &place);

} // namespace engine
