#include "engine/media/matroska_attachments.h"

#include <cstdint>
#include <istream>
#include <strings.h>

namespace engine {

namespace {

constexpr std::uint32_t kEbml = 0x1A45DFA3, kSegment = 0x18538067, kSeekHead = 0x114D9B74,
                        kSeek = 0x4DBB, kSeekId = 0x53AB, kSeekPosition = 0x53AC,
                        kAttachments = 0x1941A469, kAttachedFile = 0x61A7, kFileName = 0x466E,
                        kFileMimeType = 0x4660, kFileData = 0x465C, kCluster = 0x1F43B675;
constexpr std::uint64_t kUnknownSize = ~std::uint64_t(0);
// A cover larger than this is no cover; a segment's top level longer than
// this (clusters walked one by one) is given up on.
constexpr std::uint64_t kMostPictureBytes = 16 << 20;
constexpr int kMostTopLevel = 100000;

struct Element {
  std::uint32_t id = 0;
  std::uint64_t size = 0;
  std::uint64_t data = 0; // where its content starts
};

// An EBML variable-length number: an ID keeps its length marker, a size
// does not (all ones: unknown).
bool ReadNumber(std::istream &in, bool id, std::uint64_t *value) {
  const int first = in.get();
  if (first <= 0)
    return false;
  int length = 1;
  while (length <= 8 && !(first & (0x80 >> (length - 1))))
    ++length;
  if (length > (id ? 4 : 8))
    return false;
  std::uint64_t number = id ? std::uint64_t(first) : std::uint64_t(first & (0xFF >> length));
  bool allOnes = number == std::uint64_t(0xFF >> length);
  for (int i = 1; i < length; ++i) {
    const int byte = in.get();
    if (byte < 0)
      return false;
    number = number << 8 | std::uint64_t(byte);
    allOnes = allOnes && byte == 0xFF;
  }
  *value = !id && allOnes ? kUnknownSize : number;
  return true;
}

bool ReadElement(std::istream &in, Element *element) {
  std::uint64_t id = 0;
  if (!ReadNumber(in, true, &id) || !ReadNumber(in, false, &element->size))
    return false;
  element->id = std::uint32_t(id);
  element->data = std::uint64_t(in.tellg());
  return true;
}

std::string ReadBytes(std::istream &in, const Element &element, std::uint64_t most) {
  if (element.size > most)
    return {};
  std::string bytes(element.size, '\0');
  in.read(bytes.data(), std::streamsize(bytes.size()));
  return in ? bytes : std::string();
}

std::uint64_t BigEndian(const std::string &bytes) {
  std::uint64_t value = 0;
  for (unsigned char byte : bytes)
    value = value << 8 | byte;
  return value;
}

// Calls `each` for the children of `parent`, each read up to its content,
// the stream left wherever `each` leaves it.
template <class Each> void Children(std::istream &in, const Element &parent, Each each) {
  const std::uint64_t end = parent.data + parent.size;
  for (std::uint64_t at = parent.data; at < end && in;) {
    in.seekg(std::streamoff(at));
    Element child;
    if (!ReadElement(in, &child) || child.size == kUnknownSize || child.data + child.size > end)
      return;
    each(child);
    at = child.data + child.size;
  }
}

std::optional<MatroskaPicture> CoverIn(std::istream &in, const Element &attachments) {
  std::optional<MatroskaPicture> first, cover;
  Children(in, attachments, [&](const Element &file) {
    if (file.id != kAttachedFile || cover)
      return;
    std::string name, mime;
    Element data{};
    Children(in, file, [&](const Element &field) {
      if (field.id == kFileName)
        name = ReadBytes(in, field, 4096);
      else if (field.id == kFileMimeType)
        mime = ReadBytes(in, field, 256);
      else if (field.id == kFileData)
        data = field;
    });
    if (mime.rfind("image/", 0) != 0 || data.size == 0 || (first && name.rfind("cover", 0) != 0))
      return;
    in.seekg(std::streamoff(data.data));
    MatroskaPicture picture{mime, ReadBytes(in, data, kMostPictureBytes)};
    if (picture.data.empty())
      return;
    (strncasecmp(name.c_str(), "cover.", 6) == 0 ? cover : first) = std::move(picture);
  });
  return cover ? cover : first;
}

} // namespace

std::optional<MatroskaPicture> ReadMatroskaCover(std::istream &in) {
  Element header, segment;
  if (!ReadElement(in, &header) || header.id != kEbml || header.size == kUnknownSize)
    return std::nullopt;
  in.seekg(std::streamoff(header.data + header.size));
  if (!ReadElement(in, &segment) || segment.id != kSegment)
    return std::nullopt;
  // The top level, in order; a seek head's entry for the attachments lets
  // the walk go straight there once it meets the first cluster.
  std::uint64_t at = segment.data, attachmentsAt = 0;
  for (int i = 0; i < kMostTopLevel && in; ++i) {
    in.seekg(std::streamoff(at));
    Element child;
    if (!ReadElement(in, &child) || child.size == kUnknownSize)
      return std::nullopt;
    if (child.id == kAttachments)
      return CoverIn(in, child);
    if (child.id == kSeekHead)
      Children(in, child, [&](const Element &seek) {
        if (seek.id != kSeek)
          return;
        std::string id, position;
        Children(in, seek, [&](const Element &field) {
          if (field.id == kSeekId)
            id = ReadBytes(in, field, 8);
          else if (field.id == kSeekPosition)
            position = ReadBytes(in, field, 8);
        });
        if (BigEndian(id) == kAttachments)
          attachmentsAt = segment.data + BigEndian(position);
      });
    at = child.id == kCluster && attachmentsAt > at ? attachmentsAt : child.data + child.size;
  }
  return std::nullopt;
}

} // namespace engine
