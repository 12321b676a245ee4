// libav's Opus decoder without gst-libav's leak. gst-libav turns a packet's
// clipping meta (an Ogg demuxer's: the pre-skip on a stream's first packet,
// the padding on its last) into skip-samples side data that it never frees,
// about 200 bytes a stream. The meta is taken off the decoder's input and
// the samples it names are cut from what the decoder makes of that packet,
// which it hands on before it takes the next: the same samples, at the same
// times. The Ogg demuxer's header packets, which the decoder takes from the
// caps and fails on in the stream, are kept from it too.
#pragma once

typedef struct _GstElement GstElement;

namespace engine {

// Watches `pipeline` for libav's Opus decoders, from now on.
void MendLibavClipping(GstElement *pipeline);

} // namespace engine
