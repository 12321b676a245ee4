// Which decoder GStreamer plugs where it ranks several alike. For MPEG
// audio layer III, libav's decoder and mpg123's are both of marginal rank
// and decodebin takes libav's by name, at twice mpg123's CPU (0.54 s
// against 0.27 s for five minutes), for the same samples (both delay by the
// decoder's 529 samples; the gapless trim counts on it). libav's Opus
// decoder would cost 0.7 of opusdec's CPU for the same samples (with
// opusparse before it, which adds nothing), but gst-libav never frees the
// skip-samples side data it makes of a packet's clipping meta (the pre-skip
// on a stream's first packet, the padding on its last: about 200 bytes a
// stream, in a plain gst-launch pipeline too): opusdec stays first.
#pragma once

namespace engine {

// Ranks mpg123's decoder one above libav's, once per process. The ranks
// are the process's registry's: a host's own pipelines get the same
// choice. (A decodebin "autoplug-sort" handler per pipeline instead left
// about 300 bytes behind per track played.)
void PreferCheaperDecoders();

} // namespace engine
