// What an AAC file in MP4 (.m4a) says of the samples its encoder added:
// its edit list's one entry skips the encoder's delay (priming, 1,024
// samples for ffmpeg's encoder, 2,112 for Apple's) and lasts the source's
// length, so the last frame's padding goes too; a file without an edit list
// may say the same in iTunes' "iTunSMPB" item.
//
// GStreamer's MP4 demuxer applies the edit list itself, but drops the last
// frame within it (a track of 88,200 samples played 88,064) and leaves
// libav's decoder stamping the first frame it keeps with a 1 ns duration
// (the track starts a sample late); on a handed-over stream the delay and
// padding are played. So the engine hides the edit list from the demuxer,
// which then gives every frame, and trims by it as for an MP3.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "engine/media/mpeg_gapless.h"

namespace engine {

// The trim of an audio-only MP4 whose one track is AAC with one edit (or
// none, and an iTunSMPB item), from its movie box (`moov`, the box's header
// first); nullopt for any other.
std::optional<GaplessTrim> Mp4Trim(const unsigned char *moov, std::size_t size);

// Hides the edit list of a movie box that has a trim: the edit box becomes
// free space and the movie's and track's durations the whole media's, so
// that a demuxer gives every frame from the first (the durations alone
// where the trim is iTunSMPB's). False, and nothing
// changed, for a box without a trim.
bool HideMp4EditList(unsigned char *moov, std::size_t size);

// The trim of the MP4 file at `path`: reads its top-level box headers and
// its movie box (16 MiB at most).
std::optional<GaplessTrim> ReadMp4Gapless(const std::string &path);

} // namespace engine
