#include "engine/media/ape_header.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <optional>

#include "engine/media/id3v2_tag.h"

namespace engine {

namespace {

// Old layout (before version 3.98): flags that add a field after the header.
constexpr unsigned kHasPeakLevel = 4;
constexpr unsigned kHasSeekElements = 16;
constexpr unsigned kWaveHeaderNotStored = 32;

std::optional<std::uint32_t> LittleAt(std::ifstream &file, std::uint64_t offset, int count = 4) {
  unsigned char bytes[4];
  file.clear();
  if (!file.seekg(std::streamoff(offset)) || !file.read(reinterpret_cast<char *>(bytes), count))
    return std::nullopt;
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i)
    value = value << 8 | bytes[i];
  return value;
}

// Where the audio ends: before an ID3v1 tag and an APEv2 tag (the footer's
// size counts the items and the footer; a header adds 32 bytes).
std::uint64_t EndOfAudio(std::ifstream &file, std::uint64_t size) {
  char tag[8];
  file.clear();
  if (size >= 128 && file.seekg(std::streamoff(size - 128)) && file.read(tag, 3) &&
      std::memcmp(tag, "TAG", 3) == 0)
    size -= 128;
  file.clear();
  if (size >= 32 && file.seekg(std::streamoff(size - 32)) && file.read(tag, 8) &&
      std::memcmp(tag, "APETAGEX", 8) == 0) {
    const std::uint64_t items = LittleAt(file, size - 32 + 12).value_or(0);
    const std::uint64_t flags = LittleAt(file, size - 32 + 20).value_or(0);
    const std::uint64_t bytes = items + (flags & 0x80000000u ? 32 : 0);
    size = bytes < size ? size - bytes : 0;
  }
  return size;
}

struct Layout {
  std::uint64_t seekTable = 0; // its offset from the magic
  std::uint64_t firstFrame = 0;
  std::uint32_t frames = 0;
};

// Where the seek table and the first frame are, as libav's demuxer finds them.
std::optional<Layout> LayoutAt(std::ifstream &file, std::uint64_t magic) {
  const auto field = [&](std::uint64_t offset, int count = 4) {
    return LittleAt(file, magic + offset, count);
  };
  const auto version = field(4, 2);
  if (!version)
    return std::nullopt;
  Layout layout;
  if (*version >= 3980) {
    // The descriptor gives its own length, the header's, the seek table's
    // and the stored WAV header's, in the order they come.
    const auto descriptor = field(8), header = field(12), seekTable = field(16), wave = field(20);
    const auto frames = descriptor ? field(*descriptor + 12) : std::nullopt;
    if (!header || !seekTable || !wave || !frames)
      return std::nullopt;
    layout.seekTable = std::uint64_t(*descriptor) + *header;
    layout.firstFrame = layout.seekTable + *seekTable + *wave;
    layout.frames = *frames;
    return layout;
  }
  // The header, a peak level and a seek table count where the flags say,
  // the WAV header where it is stored, then the seek table.
  const auto flags = field(8, 2), wave = field(16), frames = field(24);
  if (!flags || !wave || !frames)
    return std::nullopt;
  std::uint64_t header = 32;
  std::uint64_t seekTable = std::uint64_t(*frames) * 4;
  if (*flags & kHasPeakLevel)
    header += 4;
  if (*flags & kHasSeekElements) {
    const auto count = field(header);
    if (!count)
      return std::nullopt;
    seekTable = std::uint64_t(*count) * 4;
    header += 4;
  }
  layout.seekTable = header + (*flags & kWaveHeaderNotStored ? 0 : *wave);
  layout.firstFrame = layout.seekTable + seekTable;
  layout.frames = *frames;
  return layout;
}

} // namespace

bool ApeIsCutShort(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  const std::uint64_t magic = LeadingId3v2Bytes(file);
  char tag[4];
  file.clear();
  if (!file.seekg(std::streamoff(magic)) || !file.read(tag, 4) || std::memcmp(tag, "MAC ", 4) != 0)
    return false;
  file.clear();
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  const std::optional<Layout> layout = LayoutAt(file, magic);
  if (size <= 0 || !layout)
    return false;
  const std::uint64_t end = EndOfAudio(file, std::uint64_t(size));
  if (magic + layout->firstFrame + 4 > end)
    return true;
  // The last frame's place; the seek table counts from the file's start.
  if (layout->frames < 2)
    return false;
  const auto last = LittleAt(file, magic + layout->seekTable + (layout->frames - 1) * 4ull);
  return last && magic + *last + 4 > end;
}

} // namespace engine
