// The metadata blocks of a FLAC file, walked from header to header by
// seeking, so that a picture of megabytes is never read. A PICTURE block
// whose own fields run past its header's length, by a multiple of 16 MiB,
// is taken at their length: ffmpeg wrote pictures of 16 MiB or more with
// the low 24 bits of their length only, and a reader that trusts the
// header lands inside the picture and loses every block after it (TagLib
// did, and read no tag of such a file; mutagen and ffmpeg read them).
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <vector>

namespace engine {

struct FlacMetadata {
  enum Type { kStreamInfo = 0, kVorbisComment = 4, kPicture = 6 };
  struct Block {
    int type = 0;
    std::uint64_t offset = 0; // of its data, in the file
    std::uint64_t length = 0;
  };
  std::vector<Block> blocks;
  std::uint64_t audioOffset = 0; // where the frames begin
};

// None when the file does not begin with "fLaC" or its blocks run past its end.
std::optional<FlacMetadata> ReadFlacMetadata(std::istream &file);

} // namespace engine
