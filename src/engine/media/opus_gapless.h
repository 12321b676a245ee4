// What an Ogg Opus file says of the samples around its audio: the
// pre-skip of its OpusHead (the encoder's delay, in 48 kHz samples) and
// the last page's granule position, which counts every sample from the
// first, pre-skip included. GStreamer's decoder drops the pre-skip of the
// stream it opens, but not of one the playbin hands over to: that one is
// trimmed by these counts (gapless_trim.h).
#pragma once

#include <optional>
#include <string>

#include "engine/media/mpeg_gapless.h"

namespace engine {

// The trim of a handed-over stream of the Opus file at `path`, counted from
// its first decoded sample; nullopt for a file that is no Ogg Opus. Reads
// the file's first page and its last 64 KiB.
std::optional<GaplessTrim> ReadOpusHandOverTrim(const std::string &path);

} // namespace engine
