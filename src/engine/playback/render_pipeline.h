// The pipeline for an output that takes samples as fast as they come (the
// WAV file): no playbin, whose queues hand every buffer from one thread to
// the next (after the demuxer, before the output) and cost more than the
// decoding of most formats. A local file is parsed and decoded on its
// demuxer's (or parser's) one streaming thread, then goes through the
// audio filter, the volume and the output; any other URI is decoded as
// playbin would, by uridecodebin. Only the first audio stream is taken; a
// file without one fails as media that cannot be decoded. There is no
// hand-over: every item opens after the one before has ended, and the
// output, which stays, writes one after the other with nothing between.
#pragma once

#include <string>

typedef struct _GstElement GstElement;

namespace engine {

// The pipeline (owned) with `filter` (the audio filter, may be null) and
// `output` (the sink) in it, both floating; null when GStreamer cannot
// make its converter or volume.
GstElement *MakeRenderPipeline(GstElement *filter, GstElement *output);
// Puts the elements that read and decode `uri` in place of the last item's;
// at READY or below.
void LoadIntoRender(GstElement *pipeline, const std::string &uri);
// The output, borrowed.
GstElement *RenderOutput(GstElement *pipeline);
void SetRenderVolume(GstElement *pipeline, double linear, bool mute);

} // namespace engine
