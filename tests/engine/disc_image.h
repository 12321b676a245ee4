// Audio CD images made on the spot: a .bin of 16-bit stereo 44.1 kHz tones,
// one per track, and a .cue sheet naming the tracks with CD-Text titles,
// which libcdio reads as it reads a disc in a drive.
#pragma once

#include "support/temp_folder.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace test_media {

struct ImageTrack {
  long sectors;      // 75 a second
  std::string title; // empty: no CD-Text title
  bool data = false; // a data track (MODE1/2352, zeros) instead of a tone
};

// Writes NAME.bin and NAME.cue in the folder; returns the .cue's path.
inline std::string MakeDiscImage(const test_support::TempFolder &folder, const std::string &name,
                                 const std::vector<ImageTrack> &tracks) {
  constexpr int kFramesPerSector = 588; // 2,352 bytes of 16-bit stereo
  std::ofstream bin(folder.File(name + ".bin"), std::ios::binary);
  std::ofstream cue(folder.File(name + ".cue"));
  cue << "TITLE \"Generated Disc\"\nPERFORMER \"Test Performer\"\n";
  cue << "FILE \"" << name << ".bin\" BINARY\n";
  long start = 0;
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    const bool data = tracks[t].data;
    cue << "  TRACK " << (t < 9 ? "0" : "") << t + 1 << (data ? " MODE1/2352\n" : " AUDIO\n");
    if (!tracks[t].title.empty())
      cue << "    TITLE \"" << tracks[t].title << "\"\n";
    cue << "    INDEX 01 " << (start / 75 / 60 < 10 ? "0" : "") << start / 75 / 60 << ":"
        << (start / 75 % 60 < 10 ? "0" : "") << start / 75 % 60 << ":"
        << (start % 75 < 10 ? "0" : "") << start % 75 << "\n";
    const double frequency = 440.0 * double(t + 1);
    for (long frame = 0; frame < tracks[t].sectors * kFramesPerSector; ++frame) {
      const auto sample =
          data ? std::int16_t(0)
               : std::int16_t(8000 * std::sin(2 * M_PI * frequency * double(frame) / 44100));
      const char bytes[4] = {char(sample & 0xFF), char(sample >> 8), char(sample & 0xFF),
                             char(sample >> 8)};
      bin.write(bytes, 4);
    }
    start += tracks[t].sectors;
  }
  return folder.File(name + ".cue");
}

} // namespace test_media
