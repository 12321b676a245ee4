// The loudness gains a file's tags carry, as TagLib reads them: ReplayGain
// track and album gain and peak (Vorbis and FLAC comments, APE items, ID3v2
// TXXX frames, MP4 iTunes freeform atoms and ASF attributes in any case),
// and Opus's R128_TRACK_GAIN and
// R128_ALBUM_GAIN, which replace them there. Gains are towards ReplayGain
// 2.0's -18 LUFS: an R128 gain (towards -23 LUFS) counts 5 dB more.
// ID3v2 RVA2 frames are read by GStreamer when the file plays, not here.
#pragma once

#include <optional>
#include <string>

namespace engine {

struct GainTags {
  std::optional<double> trackGain, trackPeak, albumGain, albumPeak; // dB; full scale = 1
};

// None when the file cannot be read as tagged media.
std::optional<GainTags> ReadGainTags(const std::u16string &path);

} // namespace engine
