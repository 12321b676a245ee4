// Where the engine's sound goes. AUDIOPLAYER_SINK names the output:
//   (unset or empty)  the system's default output, or a silent real-time
//                     sink when none can be opened;
//   fake              a silent sink that keeps real time;
//   pulse:SINK        the PulseAudio (or PipeWire) sink of that name;
//   alsa:DEVICE       the ALSA device (hw:1,0, plughw:..., default);
//   file:PATH.wav     a WAV file of the exact samples that would have been
//                     played, written as fast as they are decoded: every
//                     item of a player, one after the other, in the format
//                     of the first (later ones converted to it). It has
//                     a pipeline of its own (render_pipeline.h);
//   played-file:PATH  the same file, written by the pipeline that plays to
//                     the devices, with its gapless hand-over from one item
//                     to the next: what a device is given, at the cost of
//                     that pipeline's queues.
// A named output that cannot be made falls back to the default one; so
// does a device (pulse:, alsa:) that goes away while it plays.
#pragma once

#include <string>

typedef struct _GstElement GstElement;

namespace engine {

// A silent sink that keeps real time (floating): the fake output, and where
// a video's picture goes.
GstElement *RealTimeFakeSink();

// The output AUDIOPLAYER_SINK names ("" when unset).
std::string NamedAudioOutput();

// Whether `named` is a device of its own (pulse:, alsa:), which can go away
// while it plays, rather than the default, the silent or the file output.
bool IsDeviceOutput(const std::string &named);
// Whether `named` is the file output (not played-file:).
bool IsFileOutput(const std::string &named);

// The sink for `named` (see above), floating, for the playbin to take; null
// only when GStreamer cannot make even a fakesink. A file output's WAV is
// whole (its sizes written) after each item ends and when the sink goes.
GstElement *MakeAudioOutput(const std::string &named);

} // namespace engine
