// Which decoder the engine takes where GStreamer ranks several alike. For
// MPEG audio layer III, libav's decoders and mpg123's are all of marginal
// rank and decodebin takes libav's by name, at twice mpg123's CPU (0.54 s
// against 0.27 s for five minutes), for the same samples (both delay by the
// decoder's 529 samples; the gapless trim counts on it): mpg123's is ranked
// first, in the process's registry. (Skipping libav's in a handler of each
// decodebin's "autoplug-select" or "autoplug-sort" instead left 300-350
// bytes behind per track played.) For Opus, libav's decoder decodes at 0.7
// of opusdec's CPU for the same samples, but loading libav costs 0.1 s of
// CPU once per process (its plugin registers an element per codec), and
// gst-libav leaks unless mended (libav_clipping.h), which only the engine's
// pipelines are: the file output, which decodes as fast as it goes and
// picks its decoders itself, takes it; real-time playback keeps opusdec,
// whose decode of a 30-second file costs 0.09 s, less than the load (1.24
// times the CPU with libav's, paired over 3), and so do a host's own
// pipelines.
#pragma once

typedef struct _GstCaps GstCaps;
typedef struct _GstElementFactory GstElementFactory;

namespace engine {

// Ranks mpg123's decoder one above libav's, once per process; a host's own
// pipelines get the same choice.
void PreferCheaperDecoders();
// Whether the file output passes `factory` over for `caps`: a cheaper
// decoder takes every stream they can be.
bool PassedOver(GstElementFactory *factory, GstCaps *caps);

} // namespace engine
