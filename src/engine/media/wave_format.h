// The format chunk of a RIFF WAVE file. GStreamer's discoverer reports a WAV
// file's stream as "audio/x-wav" without saying what is inside, while the
// file itself names its codec by the very WAVE format tag the control
// reports; so for WAV files that number is read from the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace engine {

struct WaveFormat {
  std::uint16_t formatTag = 0; // WAVE_FORMAT_EXTENSIBLE resolved to its sub-format
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSecond = 0;
  std::uint32_t averageBytesPerSecond = 0;
};

// Null when the file is not a RIFF (or RF64) WAVE file with a format chunk
// near its start.
std::optional<WaveFormat> ReadWaveFormat(const std::string &path);

} // namespace engine
