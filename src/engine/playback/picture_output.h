// Where the engine's picture goes: a video's frames, or for audio a
// visualisation, drawn in an X11 window (the player's, see platform_screen.h).
#pragma once

typedef struct _GstElement GstElement;

namespace engine {

// A sink that draws in the X11 window `window` (floating), or null when
// GStreamer has no X11 sink (gstreamer1.0-x is not installed).
GstElement *PictureSink(unsigned long window);

// The visualisation the playbin draws for audio (floating), or null for
// the playbin's own choice.
GstElement *Visualisation();

} // namespace engine
