#include "engine/media/ogg_gapless.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace engine {

namespace {

constexpr std::streamoff kTailBytes = 64 * 1024; // an Ogg page is 65,307 bytes at most

std::uint64_t LittleEndian(const unsigned char *bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = value << 8 | bytes[i];
  return value;
}

// The first page's packet, which alone names the codec, and the stream's
// last granule position.
struct OggStream {
  unsigned char head[30]; // the packet's first bytes
  std::uint64_t lastGranule;
};

std::optional<OggStream> ReadOggStream(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char page[27 + 255];
  if (!file.read(reinterpret_cast<char *>(page), 27) || std::memcmp(page, "OggS", 4) != 0)
    return std::nullopt;
  OggStream stream;
  const int segments = page[26];
  if (!file.read(reinterpret_cast<char *>(page + 27), segments) ||
      !file.read(reinterpret_cast<char *>(stream.head), sizeof stream.head))
    return std::nullopt;
  const std::uint64_t serial = LittleEndian(page + 14, 4);
  // The last page: the last "OggS" of the file's end whose granule is set.
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  const std::streamoff from = size > kTailBytes ? size - kTailBytes : 0;
  std::string tail(std::size_t(size - from), '\0');
  file.seekg(from);
  if (!file.read(tail.data(), std::streamsize(tail.size())))
    return std::nullopt;
  for (std::size_t at = tail.rfind("OggS"); at != std::string::npos;
       at = at == 0 ? std::string::npos : tail.rfind("OggS", at - 1)) {
    if (at + 18 > tail.size())
      continue;
    const auto *header = reinterpret_cast<const unsigned char *>(tail.data() + at);
    stream.lastGranule = LittleEndian(header + 6, 8);
    if (stream.lastGranule != ~std::uint64_t(0) && LittleEndian(header + 14, 4) == serial)
      return stream; // else a page on which no packet ends, or another stream's
  }
  return std::nullopt;
}

} // namespace

std::optional<GaplessTrim> ReadOpusGapless(const std::string &path) {
  const std::optional<OggStream> stream = ReadOggStream(path);
  // OpusHead: the magic, a version, the channel count, then the pre-skip.
  if (!stream || std::memcmp(stream->head, "OpusHead", 8) != 0)
    return std::nullopt;
  const std::uint64_t preSkip = LittleEndian(stream->head + 10, 2);
  if (stream->lastGranule <= preSkip)
    return std::nullopt;
  GaplessTrim trim{preSkip, stream->lastGranule - preSkip, 48000};
  trim.counted = true;
  return trim;
}

std::optional<GaplessTrim> ReadVorbisGapless(const std::string &path) {
  const std::optional<OggStream> stream = ReadOggStream(path);
  // The identification header: its type, "vorbis", a version, the channel
  // count, then the rate.
  if (!stream || std::memcmp(stream->head, "\x01vorbis", 7) != 0)
    return std::nullopt;
  const int rate = int(LittleEndian(stream->head + 12, 4));
  if (rate <= 0 || stream->lastGranule == 0)
    return std::nullopt;
  GaplessTrim trim{0, stream->lastGranule, rate};
  trim.fromZeroOnly = true;
  return trim;
}

std::optional<GaplessTrim> ReadOggFlacLength(const std::string &path) {
  const std::optional<OggStream> stream = ReadOggStream(path);
  // The mapping's header: its type, "FLAC", a version, the header count,
  // "fLaC", the STREAMINFO block's header, then the block, whose rate (20
  // bits) follows two block and two frame sizes.
  if (!stream || std::memcmp(stream->head,
                             "\x7F"
                             "FLAC",
                             5) != 0)
    return std::nullopt;
  const unsigned char *info = stream->head + 17;
  const int rate = int(info[10]) << 12 | int(info[11]) << 4 | info[12] >> 4;
  if (rate <= 0 || stream->lastGranule == 0)
    return std::nullopt;
  return GaplessTrim{0, stream->lastGranule, rate};
}

} // namespace engine
