#include "engine/media/opus_gapless.h"

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

} // namespace

std::optional<GaplessTrim> ReadOpusGapless(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char page[27 + 255 + 19];
  if (!file.read(reinterpret_cast<char *>(page), 27) || std::memcmp(page, "OggS", 4) != 0)
    return std::nullopt;
  const int segments = page[26];
  // The first page holds OpusHead alone: the magic, a version, the channel
  // count, then the pre-skip.
  if (!file.read(reinterpret_cast<char *>(page + 27), segments + 19) ||
      std::memcmp(page + 27 + segments, "OpusHead", 8) != 0)
    return std::nullopt;
  const std::uint64_t preSkip = LittleEndian(page + 27 + segments + 10, 2);
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
    const std::uint64_t granule = LittleEndian(header + 6, 8);
    if (granule == ~std::uint64_t(0) || LittleEndian(header + 14, 4) != serial)
      continue; // a page on which no packet ends, or another stream's
    if (granule <= preSkip)
      return std::nullopt;
    return GaplessTrim{preSkip, granule - preSkip, 48000, true};
  }
  return std::nullopt;
}

} // namespace engine
