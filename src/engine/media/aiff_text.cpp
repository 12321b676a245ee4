// Reading an AIFF file's text chunks; see aiff_text.h.
#include "engine/media/aiff_text.h"

#include <cstdint>
#include <cstring>
#include <fstream>

namespace engine {

namespace {
// A text chunk longer than this is no name.
constexpr std::uint32_t kMostText = 64 * 1024;
// The most chunks looked through: a file of a few chunks has its text early.
constexpr int kMostChunks = 64;
} // namespace

AiffText ReadAiffText(const std::string &path) {
  AiffText text;
  std::ifstream file(path, std::ios::binary);
  char header[12];
  if (!file.read(header, 12) || std::memcmp(header, "FORM", 4) != 0 ||
      (std::memcmp(header + 8, "AIFF", 4) != 0 && std::memcmp(header + 8, "AIFC", 4) != 0))
    return text;
  char chunk[8];
  for (int i = 0; i < kMostChunks && file.read(chunk, 8); ++i) {
    std::uint32_t size = 0;
    for (int b = 4; b < 8; ++b)
      size = size << 8 | static_cast<unsigned char>(chunk[b]);
    std::string *into = std::memcmp(chunk, "NAME", 4) == 0   ? &text.name
                        : std::memcmp(chunk, "AUTH", 4) == 0 ? &text.author
                                                             : nullptr;
    if (into != nullptr && size <= kMostText) {
      into->assign(size, '\0');
      if (!file.read(into->data(), size))
        return {};
      into->erase(into->find_last_not_of('\0') + 1);
      file.seekg(size % 2, std::ios::cur); // chunks are padded to even lengths
    } else {
      file.seekg(std::streamoff(size) + size % 2, std::ios::cur);
    }
  }
  return text;
}

} // namespace engine
