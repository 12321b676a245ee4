// Where the engine's picture goes: a video's frames, or for audio a
// visualisation, drawn in an X11 window (the player's, see platform_screen.h).
#pragma once

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace engine {

// A sink that draws in the X11 window `window` (floating), or null when
// GStreamer has no X11 sink (gstreamer1.0-x is not installed).
GstElement *PictureSink(unsigned long window);

// True for a picture sink's request for its window (it asks each time it
// starts, and a visualisation turned off and on again restarts it), which
// is then answered with `window` when there is one; the caller drops the
// message. Called on the streaming thread, in the bus's sync handler, as
// the request must be answered before the sink goes on.
bool AnswerWindowRequest(GstMessage *message, unsigned long window);

// The visualisation the playbin draws for audio (floating), or null for
// the playbin's own choice.
GstElement *Visualisation();

} // namespace engine
