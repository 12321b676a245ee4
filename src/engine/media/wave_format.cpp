#include "engine/media/wave_format.h"

#include <cstring>
#include <fstream>
#include <vector>

namespace engine {

namespace {

// The format chunk comes before the data in every writer we know of; a
// file that hides it further in is not worth reading in full for.
constexpr std::size_t kHeaderBytes = 64 * 1024;
constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

std::uint16_t Le16(const unsigned char *p) {
  return std::uint16_t(p[0] | p[1] << 8);
}
std::uint32_t Le32(const unsigned char *p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

} // namespace

std::optional<WaveFormat> ReadWaveFormat(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::vector<unsigned char> bytes(kHeaderBytes);
  file.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size()));
  bytes.resize(std::size_t(file.gcount()));
  if (bytes.size() < 12 ||
      (std::memcmp(bytes.data(), "RIFF", 4) != 0 && std::memcmp(bytes.data(), "RF64", 4) != 0) ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    return std::nullopt;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const unsigned char *chunk = bytes.data() + at;
    const std::uint32_t size = Le32(chunk + 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16 || at + 8 + 16 > bytes.size())
        return std::nullopt;
      const unsigned char *fmt = chunk + 8;
      WaveFormat format{Le16(fmt), Le16(fmt + 2), Le32(fmt + 4), Le32(fmt + 8)};
      // WAVEFORMATEXTENSIBLE: the sub-format GUID at offset 24 begins with the tag.
      if (format.formatTag == kWaveFormatExtensible && size >= 40 && at + 8 + 26 <= bytes.size())
        format.formatTag = Le16(fmt + 24);
      return format;
    }
    at += 8 + std::size_t(size) + (size & 1);
  }
  return std::nullopt;
}

} // namespace engine
