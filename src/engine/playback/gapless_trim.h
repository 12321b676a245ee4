// Trimming the samples an encoder added (mpeg_gapless.h) from the decoded
// stream, in the playbin's audio filter: the first `skip` samples go, the
// stream ends after `keep`, and timestamps, segments and so positions and
// seeks count from the first real sample. Streams with no trim pass as
// they are, sample for sample.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/media/mpeg_gapless.h"

typedef struct _GstElement GstElement;

namespace engine {

// Puts the trimming in the path of `filter`'s sink pad.
void AddTrimming(GstElement *filter);
// The trim of the stream that starts next in `filter` (none: nullopt),
// told before it starts, from any thread.
void TrimNextStream(GstElement *filter, const std::optional<GaplessTrim> &trim);
// The trim of the stream flowing through `filter` now.
std::optional<GaplessTrim> CurrentTrim(GstElement *filter);
// The decoder's time, in nanoseconds, for a seek of the trimmed stream to
// start (`stop` false) or stop at `seconds` of it: the sample's time as
// its parser stamps it, a quarter of a sample later for a start and
// earlier for a stop, since the decoder clips to its segment by
// truncating a time to samples.
std::uint64_t SeekTimeOf(const GaplessTrim &trim, double seconds, bool stop);

} // namespace engine
