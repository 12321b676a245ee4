// What an MP3 file says of the samples its encoder added: the LAME tag
// (in the Xing or Info frame that LAME, ffmpeg and most encoders write
// first) gives the encoder's delay at the start and its padding at the end.
// Decoders add 529 samples of their own delay before the first real one.
// A file without that tag says nothing, and nothing is trimmed, as other
// players do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace engine {

// In samples per channel of the decoded stream: the first `skip` are not
// the source's, and after them `keep` are.
struct GaplessTrim {
  // `keep` where the stream's end is not told: the stream's length is then
  // its own.
  static constexpr std::uint64_t kToTheEnd = std::uint64_t(1) << 40;
  std::uint64_t skip = 0;
  std::uint64_t keep = 0;
  int rate = 0; // samples per second
  // Counted from the stream's first decoded sample, whatever its time (a
  // handed-over stream's times run on from the stream before), and no
  // longer after a seek; else by the samples' times from the start.
  bool counted = false;
  // From an MP4's edit list, which the demuxer applies itself unless it was
  // hidden from it (mp4_gapless.h): a stream whose first segment starts
  // after 0 had it applied, and is not trimmed again.
  bool editList = false;
  // Only for a stream whose first segment starts at 0 (a Vorbis file's
  // end: GStreamer clips a later one right itself).
  bool fromZeroOnly = false;
  // A decoder's own priming (WMA's), played wherever the stream starts:
  // counted, but not left to the first segment as an Opus pre-skip is.
  bool priming = false;
  // The parser's frames, of this many samples, are stamped with durations
  // rounded down to the nanosecond and added up, so its times (and the
  // decoder's after it) run early by a little under a nanosecond a frame
  // (at 44.1 kHz, a sample in ten minutes); 0 where times are exact.
  std::uint32_t frameSamples = 0;
  // The decoder trims the stream itself, as the file says (mpg123's does
  // for a tag LAME wrote, not for ffmpeg's): seen from its first buffer,
  // shorter than a frame; the trim then only tells the length.
  bool byDecoder = false;
  // Whether the stream's first segment decides if it is trimmed at all.
  bool ByFirstSegment() const { return editList || fromZeroOnly || (counted && !priming); }
  bool operator==(const GaplessTrim &) const = default;
};

// The trim of the MP3 file at `path`; nullopt for a file that is not an
// MP3 or carries no LAME tag. Reads the file's first frame only.
std::optional<GaplessTrim> ReadMpegGapless(const std::string &path);

} // namespace engine
