// An ID3v2 tag at a file's start. GStreamer's id3demux takes it off before
// what follows is typefound and demuxed, so whatever judges a file by its
// layout looks behind it as well.
#pragma once

#include <cstring>
#include <istream>

namespace engine {

// The bytes the tag takes, header and footer included, from its first ten
// bytes; 0 when they begin no ID3v2 tag.
inline long Id3v2Length(const unsigned char (&header)[10]) {
  if (std::memcmp(header, "ID3", 3) != 0)
    return 0;
  long length = 0; // a syncsafe size: seven bits a byte
  for (int i = 6; i < 10; ++i)
    length = length << 7 | (header[i] & 0x7F);
  return 10 + length + (header[5] & 0x10 ? 10 : 0);
}

// The same of a stream, read from where it stands.
inline long LeadingId3v2Bytes(std::istream &file) {
  unsigned char head[10];
  return file.read(reinterpret_cast<char *>(head), sizeof head) ? Id3v2Length(head) : 0;
}

} // namespace engine
