// Reading a WMA file's priming from its ASF header; see asf_gapless.h.
#include "engine/media/asf_gapless.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace engine {

namespace {

constexpr std::uint64_t kMostHeaderBytes = 1 << 20;

// The objects' identifiers, as stored.
constexpr unsigned char kHeader[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                     0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr unsigned char kStreamProperties[] = {0x91, 0x07, 0xDC, 0xB7, 0xB7, 0xA9, 0xCF, 0x11,
                                               0x8E, 0xE6, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr unsigned char kAudioMedia[] = {0x40, 0x9E, 0x69, 0xF8, 0x4D, 0x5B, 0xCF, 0x11,
                                         0xA8, 0xFD, 0x00, 0x80, 0x5F, 0x5C, 0x44, 0x2B};

std::uint64_t LittleEndian(const unsigned char *bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = value << 8 | bytes[i];
  return value;
}

// The frame length of WMA 1 and 2 at `rate`, as the codec sets it.
std::uint64_t FrameLength(std::uint64_t rate, bool version1) {
  const int bits = rate <= 16000                                  ? 9
                   : rate <= 22050 || (rate <= 32000 && version1) ? 10
                   : rate <= 48000 || (rate <= 96000 && version1) ? 11
                   : rate <= 96000                                ? 12
                                                                  : 13;
  return std::uint64_t(1) << bits;
}

} // namespace

std::optional<GaplessTrim> ReadWmaGapless(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char top[30];
  if (!file.read(reinterpret_cast<char *>(top), sizeof top) ||
      std::memcmp(top, kHeader, sizeof kHeader) != 0)
    return std::nullopt;
  const std::uint64_t size = LittleEndian(top + 16, 8);
  if (size <= sizeof top || size > kMostHeaderBytes)
    return std::nullopt;
  std::string header(std::size_t(size - sizeof top), '\0');
  if (!file.read(header.data(), std::streamsize(header.size())))
    return std::nullopt;
  const auto *bytes = reinterpret_cast<const unsigned char *>(header.data());
  int streams = 0;
  std::optional<GaplessTrim> trim;
  for (std::size_t at = 0; at + 24 <= header.size();) {
    const std::uint64_t length = LittleEndian(bytes + at + 16, 8);
    if (length < 24 || length > header.size() - at)
      return std::nullopt;
    if (std::memcmp(bytes + at, kStreamProperties, 16) == 0) {
      ++streams;
      // The stream's type, then after its error correction and flags the
      // type's own data: for audio, a WAVEFORMATEX.
      if (length >= 78 + 8 && std::memcmp(bytes + at + 24, kAudioMedia, 16) == 0) {
        const unsigned tag = unsigned(LittleEndian(bytes + at + 78, 2));
        const std::uint64_t rate = LittleEndian(bytes + at + 78 + 4, 4);
        if ((tag == 0x160 || tag == 0x161) && rate > 0 && rate <= 192000) {
          GaplessTrim found{FrameLength(rate, tag == 0x160), GaplessTrim::kToTheEnd, int(rate)};
          found.counted = found.priming = true;
          trim = found;
        }
      }
    }
    at += std::size_t(length);
  }
  return streams == 1 ? trim : std::nullopt;
}

} // namespace engine
