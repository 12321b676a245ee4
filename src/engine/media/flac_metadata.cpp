#include "engine/media/flac_metadata.h"

#include <algorithm>
#include <string>

namespace engine {

namespace {

std::uint64_t BigEndian(const unsigned char *bytes, int count) {
  std::uint64_t value = 0;
  for (int i = 0; i < count; ++i)
    value = value << 8 | bytes[i];
  return value;
}

// A picture's length as its own fields give it (type, MIME type,
// description, size and colours, data), or 0 when they cannot be read.
std::uint64_t PictureLength(std::istream &file, std::uint64_t offset, std::uint64_t end) {
  std::uint64_t at = offset + 4; // past the picture type
  unsigned char field[4];
  for (int text = 0; text < 2; ++text) { // the MIME type, then the description
    file.seekg(std::streamoff(at));
    if (!file.read(reinterpret_cast<char *>(field), 4))
      return 0;
    at += 4 + BigEndian(field, 4);
  }
  at += 16; // width, height, depth, colours
  file.seekg(std::streamoff(at));
  if (at + 4 > end || !file.read(reinterpret_cast<char *>(field), 4))
    return 0;
  return at + 4 + BigEndian(field, 4) - offset;
}

} // namespace

std::optional<FlacMetadata> ReadFlacMetadata(std::istream &file) {
  file.seekg(0, std::ios::end);
  const auto end = std::uint64_t(std::max<std::streamoff>(file.tellg(), 0));
  file.seekg(0);
  char magic[4];
  if (!file.read(magic, 4) || std::string(magic, 4) != "fLaC")
    return std::nullopt;
  FlacMetadata metadata;
  std::uint64_t at = 4;
  for (bool last = false; !last;) {
    unsigned char header[4];
    file.seekg(std::streamoff(at));
    if (!file.read(reinterpret_cast<char *>(header), 4))
      return std::nullopt;
    last = (header[0] & 0x80) != 0;
    FlacMetadata::Block block{header[0] & 0x7F, at + 4, BigEndian(header + 1, 3)};
    if (block.type == FlacMetadata::kPicture) {
      const std::uint64_t own = PictureLength(file, block.offset, end);
      if (own > block.length && (own - block.length) % (std::uint64_t(1) << 24) == 0)
        block.length = own;
    }
    if (block.offset + block.length > end)
      return std::nullopt;
    metadata.blocks.push_back(block);
    at = block.offset + block.length;
  }
  metadata.audioOffset = at;
  return metadata;
}

} // namespace engine
