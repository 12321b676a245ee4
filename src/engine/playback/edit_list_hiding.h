// Hides the edit list of an AAC file in MP4 from the playbin's MP4 demuxer
// (mp4_gapless.h), so that it gives every frame and the audio filter's
// trimming cuts the encoder's delay and padding, for an opened stream and a
// handed-over one alike.
#pragma once

typedef struct _GstElement GstElement;

namespace engine {

// Watches `playbin` for the demuxers it makes, from now on.
void HideEditListsFromDemuxers(GstElement *playbin);

} // namespace engine
