// Which decoder the playbin's decodebins plug where GStreamer ranks several
// alike. For MPEG audio layer III, libav's decoder and mpg123's are both of
// marginal rank and decodebin takes libav's by name, at twice mpg123's CPU
// (0.54 s against 0.27 s for five minutes), for the same samples (both
// delay by the decoder's 529 samples; the gapless trim counts on it).
#pragma once

typedef struct _GstElement GstElement;

namespace engine {

// Has `playbin`'s decodebins, from now on, put the cheaper decoder first.
void PreferCheaperDecoders(GstElement *playbin);

} // namespace engine
