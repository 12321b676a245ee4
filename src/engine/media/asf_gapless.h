// What a WMA file's decoder adds: Windows Media Audio 1 and 2 decode one
// frame of priming before the first sample (2,048 samples at 44.1 kHz),
// which GStreamer's ASF demuxer stamps at 0 and plays, so every track of a
// WMA album began with 46 ms that its source never had. The frame's length
// follows from the rate, as the codec defines it. The end cannot be told:
// the header's play duration counts the last frame's padding, and the
// decoder drops part of the last frame itself.
#pragma once

#include <optional>
#include <string>

#include "engine/media/mpeg_gapless.h"

namespace engine {

// The trim of an ASF file whose one stream is WMA 1 or 2, counted from its
// first decoded sample: its priming frame; nullopt for any other. Reads the
// file's header object (1 MiB at most).
std::optional<GaplessTrim> ReadWmaGapless(const std::string &path);

} // namespace engine
