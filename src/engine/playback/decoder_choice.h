// Which decoder the engine's pipelines take where GStreamer ranks several
// alike. For MPEG audio layer III, libav's two decoders and mpg123's are all
// of marginal rank and decodebin takes libav's by name, at twice mpg123's CPU
// (0.54 s against 0.27 s for five minutes), for the same samples (both
// delay by the decoder's 529 samples; the gapless trim counts on it). For
// Opus, libav's decoder costs 0.7 of opusdec's CPU for the same samples, and
// leaks unless mended (libav_clipping.h), which only the engine's pipelines
// are: the choice is theirs, not the process registry's, so that a host's
// own pipelines keep GStreamer's. (A decodebin "autoplug-sort" handler,
// which hands decodebin a sorted copy of its list, left about 300 bytes
// behind per track played; skipping in "autoplug-select" allocates nothing.)
#pragma once

typedef struct _GstCaps GstCaps;
typedef struct _GstElement GstElement;
typedef struct _GstElementFactory GstElementFactory;

namespace engine {

// Whether `factory` is passed over for `caps`: a cheaper decoder takes
// every stream they can be.
bool PassedOver(GstElementFactory *factory, GstCaps *caps);
// Has every decodebin `pipeline` makes from now on pass over those decoders.
void PassOverDearerDecoders(GstElement *pipeline);

} // namespace engine
