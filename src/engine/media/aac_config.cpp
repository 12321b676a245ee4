// Reading an AAC configuration's channels; see aac_config.h.
#include "engine/media/aac_config.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace engine {

namespace {

// The sample entry's fixed part (up to its child boxes), before an esds.
constexpr std::size_t kEntryHeader = 8 + 36;

// An MPEG-4 descriptor of `tag`: its length (one to four bytes of seven
// bits) read, `at` left on its body; false if it is another or overruns.
bool Descriptor(const unsigned char *&at, const unsigned char *end, unsigned tag,
                std::size_t &length) {
  if (at >= end || *at++ != tag)
    return false;
  length = 0;
  for (int i = 0; i < 4 && at < end; ++i) {
    const unsigned char byte = *at++;
    length = length << 7 | (byte & 0x7F);
    if (!(byte & 0x80))
      return length <= std::size_t(end - at);
  }
  return false;
}

} // namespace

unsigned AacConfigChannels(const unsigned char *stsd, std::size_t size) {
  const unsigned char *const end = stsd + size;
  const unsigned char *at = stsd + 8; // version, flags and the entry count
  if (size < 8 + kEntryHeader || std::memcmp(at + 4, "mp4a", 4) != 0)
    return 0;
  static const unsigned char kEsds[] = {'e', 's', 'd', 's'};
  at = std::search(at + kEntryHeader - 4, end, std::begin(kEsds), std::end(kEsds));
  if (end - at < 8)
    return 0;
  at += 8; // the type, a version and flags
  std::size_t length = 0;
  if (!Descriptor(at, end, 0x03, length) || length < 3)
    return 0;
  // The stream's id and flags, then what the flags say follows: the stream
  // it depends on, a URL (its length first), the stream of its clock.
  const unsigned flags = at[2];
  std::size_t skip = 3 + (flags & 0x80 ? 2 : 0);
  if (flags & 0x40)
    skip += skip < length ? 1 + at[skip] : length;
  skip += flags & 0x20 ? 2 : 0;
  if (skip > length)
    return 0;
  at += skip;
  if (!Descriptor(at, end, 0x04, length) || length < 13)
    return 0;
  at += 13; // the codec, buffer and rates
  if (!Descriptor(at, end, 0x05, length) || length < 2)
    return 0;
  bool whole = true;
  std::size_t position = 0; // in bits
  auto take = [&](unsigned count) {
    unsigned value = 0;
    for (unsigned i = 0; i < count; ++i, ++position) {
      whole = whole && position / 8 < length;
      value = value << 1 | (whole ? at[position / 8] >> (7 - position % 8) & 1 : 0);
    }
    return value;
  };
  unsigned object = take(5);
  if (object == 31)
    object = 32 + take(6);
  if (take(4) == 15) // the rate itself rather than its index
    take(24);
  const unsigned config = take(4);
  if (!whole)
    return 0;
  if (object == 29) // parametric stereo: one channel coded, two played
    return 2;
  return config == 7 ? 8 : config <= 6 ? config : 0;
}

} // namespace engine
