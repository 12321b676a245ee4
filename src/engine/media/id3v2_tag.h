// An ID3v2 tag at a file's start. GStreamer's id3demux takes it off before
// what follows is typefound and demuxed, so whatever judges a file by its
// layout looks behind it as well.
#pragma once

#include <cstdint>
#include <cstring>
#include <istream>

namespace engine {

// The bytes the tag takes, its header and footer included; 0 when the
// stream, read from where it stands, does not begin with one.
inline std::uint64_t LeadingId3v2Bytes(std::istream &file) {
  unsigned char head[10];
  if (!file.read(reinterpret_cast<char *>(head), sizeof head) || std::memcmp(head, "ID3", 3) != 0)
    return 0;
  const std::uint64_t size = std::uint64_t(head[6] & 0x7F) << 21 | (head[7] & 0x7F) << 14 |
                             (head[8] & 0x7F) << 7 | (head[9] & 0x7F);
  return 10 + size + (head[5] & 0x10 ? 10 : 0);
}

} // namespace engine
