// The length and average bit rate of an MP3 that carries no Xing or VBRI
// header, counted from its frames. Such a file's frames say their own rates
// only: a reader that takes the first frame's rate for the whole file (as
// TagLib and mutagen do) gives a VBR file a wrong length (8.3 s for 19.4 s)
// and its first frame's rate (256 kbit/s for an average of 109).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace engine {

struct MpegFrameCount {
  std::uint64_t samples = 0;    // per channel
  std::uint64_t audioBytes = 0; // the frames' bytes, tags and junk left out
  int rate = 0;                 // samples per second
};

// Counts the frames of the MPEG audio file at `path` when its first frames'
// bit rates differ (a CBR file's length follows from its size, so only a
// few of its frames are read); nullopt when they agree, or the file does
// not begin as an MPEG audio stream. Reads the file once, by frame headers.
std::optional<MpegFrameCount> CountVariableMpegFrames(const std::string &path);

} // namespace engine
