// What an Ogg Opus file says of the samples around its audio: the
// pre-skip of its OpusHead (the encoder's delay, in 48 kHz samples) and
// the last page's granule position, which counts every sample from the
// first, pre-skip included. GStreamer's decoder drops the pre-skip of a
// stream that starts at 0, but not of one that starts later (a cut that
// keeps its place in its source's timeline): that one is trimmed by these
// counts (gapless_trim.h).
#pragma once

#include <optional>
#include <string>

#include "engine/media/mpeg_gapless.h"

namespace engine {

// The trim of the Opus file at `path`, counted from its first decoded
// sample; nullopt for a file that is no Ogg Opus. Reads the file's first
// page and its last 64 KiB.
std::optional<GaplessTrim> ReadOpusGapless(const std::string &path);

} // namespace engine
