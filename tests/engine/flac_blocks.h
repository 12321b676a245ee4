// FLAC metadata blocks made by hand: a CUESHEET block and a Vorbis comment
// block, and their insertion into a FLAC file's metadata, for the embedded
// cue sheets the engine reads.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace test_media {

inline void AppendBigEndian(std::string &out, std::uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i)
    out += char((value >> (8 * i)) & 0xFF);
}

// (track number, INDEX 01 in samples) for audio tracks, then the lead-out
// at `leadOut` samples; `dataTrack` makes the first track a data track.
inline std::string CueSheetBlock(const std::vector<std::pair<int, std::uint64_t>> &tracks,
                                 std::uint64_t leadOut, bool dataTrack = false) {
  std::string block(128, '\0');     // media catalog number
  AppendBigEndian(block, 88200, 8); // lead-in samples
  block += char(0x80);              // a CD
  block += std::string(258, '\0');  // reserved
  block += char(tracks.size() + 1); // and the lead-out
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    AppendBigEndian(block, tracks[t].second, 8);
    block += char(tracks[t].first);
    block += std::string(12, '\0'); // ISRC
    block += char(dataTrack && t == 0 ? 0x80 : 0x00);
    block += std::string(13, '\0');
    block += char(1); // one index point: INDEX 01 at the track's offset
    AppendBigEndian(block, 0, 8);
    block += char(1);
    block += std::string(3, '\0');
  }
  AppendBigEndian(block, leadOut, 8);
  block += char(170);
  block += std::string(12 + 1 + 13, '\0');
  block += char(0);
  return block;
}

inline std::string CommentBlock(const std::vector<std::string> &comments) {
  auto little = [](std::string &out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
      out += char((value >> (8 * i)) & 0xFF);
  };
  std::string block;
  little(block, 4);
  block += "test";
  little(block, std::uint32_t(comments.size()));
  for (const std::string &comment : comments) {
    little(block, std::uint32_t(comment.size()));
    block += comment;
  }
  return block;
}

// `flac` with a block of `type` after its STREAMINFO, which keeps the
// last-block mark if it had it.
inline std::string WithBlock(const std::string &flac, int type, const std::string &block) {
  if (flac.size() < 42 || flac.compare(0, 4, "fLaC") != 0)
    return flac;
  const bool streamInfoLast = (static_cast<unsigned char>(flac[4]) & 0x80) != 0;
  std::string out = flac.substr(0, 4);
  out += char(flac[4] & 0x7F);
  out += flac.substr(5, 3 + 34);
  out += char((streamInfoLast ? 0x80 : 0x00) | type);
  AppendBigEndian(out, block.size(), 3);
  out += block;
  out += flac.substr(42);
  return out;
}

} // namespace test_media
