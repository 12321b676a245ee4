// What an Ogg file says of the samples around its audio, by the last
// page's granule position, which counts every sample from the first.
//
// Opus: the pre-skip of its OpusHead (the encoder's delay, in 48 kHz
// samples) is counted in that granule. GStreamer's decoder drops the
// pre-skip of a stream that starts at 0, but not of one that starts later
// (a cut that keeps its place in its source's timeline): that one is
// trimmed by these counts (gapless_trim.h).
//
// Vorbis: GStreamer's decoder ends a stream that starts at 0 a sample late
// at some lengths (44,100 samples at 44.1 kHz give 44,101, by a time
// rounded on the way); the granule says where it ends.
#pragma once

#include <optional>
#include <string>

#include "engine/media/mpeg_gapless.h"

namespace engine {

// The trim of the Opus file at `path`, counted from its first decoded
// sample; nullopt for a file that is no Ogg Opus. Reads the file's first
// page and its last 64 KiB.
std::optional<GaplessTrim> ReadOpusGapless(const std::string &path);
// The end of the Vorbis file at `path`, for a stream that starts at 0;
// nullopt for a file that is no Ogg Vorbis. Reads the same parts.
std::optional<GaplessTrim> ReadVorbisGapless(const std::string &path);
// The length of the Ogg FLAC file at `path`, by its last granule; nullopt
// for a file that is no Ogg FLAC. Its STREAMINFO may count no samples:
// ffmpeg's muxer writes the header before it knows the stream's end.
std::optional<GaplessTrim> ReadOggFlacLength(const std::string &path);

} // namespace engine
