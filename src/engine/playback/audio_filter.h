// The audio filter every stream passes through, in the playbin or the file
// output's pipeline: the trimming of an encoder's delay and padding
// (gapless_trim.h), the levelling's gain when it is on (levelling.h), and
// the tempo element, which keeps the pitch when the rate is not 1. At rate
// 1 the tempo element is out of the path: it takes only float or 16-bit
// samples, so in it every other decoder's samples would be converted, and
// played and written larger than they are.
#pragma once

#include "engine/playback/levelling.h"

typedef struct _GstElement GstElement;

namespace engine {

// A bin, floating; null when GStreamer cannot make its first element.
GstElement *MakeAudioFilter(const Levelling &levelling);
// Before a flushing seek at `rate`: the samples that flow after the flush
// go through the tempo element if the rate is not 1, around it if it is.
// From the host's thread; the change is made on the streaming thread,
// between two buffers.
void TempoForRate(GstElement *filter, double rate);
// The tempo element out of the path now, for a stream that starts at rate
// 1; only while no stream flows (the pipeline at READY or below).
void DropTempo(GstElement *filter);

} // namespace engine
