// Finding the LAME tag behind an MP3's ID3v2 tag; see mpeg_gapless.h.
#include "engine/media/mpeg_gapless.h"

#include <fstream>
#include <vector>

#include "engine/media/id3v2_tag.h"

namespace engine {

namespace {

// The delay every MP3 decoder adds: its filter bank's.
constexpr std::uint64_t kDecoderDelay = 529;
// Enough of the first frame for the Xing fields and the LAME tag after them.
constexpr std::size_t kFrameBytes = 256;

unsigned Byte(const std::vector<unsigned char> &bytes, std::size_t at) {
  return at < bytes.size() ? bytes[at] : 0;
}

std::uint32_t Word(const std::vector<unsigned char> &bytes, std::size_t at) {
  return Byte(bytes, at) << 24 | Byte(bytes, at + 1) << 16 | Byte(bytes, at + 2) << 8 |
         Byte(bytes, at + 3);
}

} // namespace

std::optional<GaplessTrim> ReadMpegGapless(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  unsigned char head[10];
  if (!file.read(reinterpret_cast<char *>(head), 10))
    return std::nullopt;
  std::vector<unsigned char> frame(kFrameBytes);
  file.seekg(Id3v2Length(head));
  file.read(reinterpret_cast<char *>(frame.data()), std::streamsize(frame.size()));
  frame.resize(std::size_t(file.gcount()));
  // The frame header: sync, version, layer III, a known sample rate.
  if (frame.size() < 4 || frame[0] != 0xFF || (frame[1] & 0xE0) != 0xE0 ||
      (frame[1] & 0x06) != 0x02)
    return std::nullopt;
  const unsigned version = (frame[1] >> 3) & 0x03; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
  const unsigned rateIndex = (frame[2] >> 2) & 0x03;
  static constexpr int kRates[] = {44100, 48000, 32000};
  if (version == 1 || rateIndex == 3)
    return std::nullopt;
  const int rate = kRates[rateIndex] / (version == 3 ? 1 : version == 2 ? 2 : 4);
  const bool mono = (frame[3] >> 6) == 3;
  // The Xing fields follow the side information, whose size depends on both.
  const std::size_t xing = 4 + (version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17));
  const std::uint32_t name = Word(frame, xing);
  if (name != 0x58696E67 && name != 0x496E666F) // "Xing", "Info"
    return std::nullopt;
  const std::uint32_t flags = Word(frame, xing + 4);
  if (!(flags & 1))
    return std::nullopt; // no frame count: the length is not known
  const std::uint64_t frames = Word(frame, xing + 8);
  const std::size_t lame =
      xing + 12 + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
  // The LAME tag: nine bytes naming the encoder ("LAME3.100", "Lavc59.37"),
  // then twelve bytes of other fields, then the delay and the padding,
  // twelve bits each.
  if (lame + 24 > frame.size() || frame[lame] < 'A' || frame[lame] > 'z')
    return std::nullopt;
  const std::uint64_t delay = Byte(frame, lame + 21) << 4 | Byte(frame, lame + 22) >> 4;
  const std::uint64_t padding = (Byte(frame, lame + 22) & 0x0F) << 8 | Byte(frame, lame + 23);
  const std::uint32_t frameSamples = version == 3 ? 1152 : 576;
  const std::uint64_t total = frames * frameSamples;
  if (delay + padding >= total)
    return std::nullopt;
  GaplessTrim trim{delay + kDecoderDelay, total - delay - padding, rate};
  trim.frameSamples = frameSamples;
  return trim;
}

} // namespace engine
