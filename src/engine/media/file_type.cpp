#include "engine/media/file_type.h"

#include <gst/base/gsttypefindhelper.h>
#include <gst/gst.h>

#include <cstdint>
#include <cstring>
#include <fstream>

#include "engine/media/ape_header.h"
#include "engine/media/gstreamer_ready.h"
#include "engine/media/id3v2_tag.h"

namespace engine {

namespace {

// The most of a file's start that GStreamer's typefinders are shown.
constexpr std::streamsize kTypeFindBytes = 4096;

// The caps' name ("" for none) and how sure the typefinders are, of the
// file's bytes from `offset`.
std::string TypeAt(const std::string &path, std::uint64_t offset,
                   GstTypeFindProbability *probability) {
  *probability = GST_TYPE_FIND_NONE;
  char bytes[kTypeFindBytes];
  std::ifstream file(path, std::ios::binary);
  file.seekg(std::streamoff(offset));
  const std::streamsize size = file.read(bytes, sizeof bytes).gcount();
  if (size <= 0 || !EnsureGstreamer())
    return {};
  GstCaps *caps = gst_type_find_helper_for_data(nullptr, reinterpret_cast<const guint8 *>(bytes),
                                                gsize(size), probability);
  if (caps == nullptr)
    return {};
  const std::string name =
      gst_caps_get_size(caps) > 0 ? gst_structure_get_name(gst_caps_get_structure(caps, 0)) : "";
  gst_caps_unref(caps);
  return name;
}

} // namespace

bool LooksLikeMedia(const std::string &path) {
  GstTypeFindProbability probability;
  const bool found = !TypeAt(path, 0, &probability).empty();
  return found && probability >= GST_TYPE_FIND_LIKELY;
}

bool NeverPlays(const std::string &path) {
  // Only an IFF container (libav's probe wants FORM or FRM8 first) or a
  // Monkey's Audio file ("MAC ") can be one; any other start is not shown
  // to the typefinders, whose full run is about a million instructions an
  // item.
  std::ifstream file(path, std::ios::binary);
  char magic[4] = {};
  std::uint64_t offset = 0;
  if (file.read(magic, sizeof magic) && std::memcmp(magic, "ID3", 3) == 0) {
    // What the tag demuxer will hand on.
    file.seekg(0);
    offset = std::uint64_t(LeadingId3v2Bytes(file));
    file.seekg(std::streamoff(offset));
    file.read(magic, sizeof magic);
  }
  if (!file || (std::memcmp(magic, "FORM", 4) != 0 && std::memcmp(magic, "FRM8", 4) != 0 &&
                std::memcmp(magic, "MAC ", 4) != 0))
    return false;
  GstTypeFindProbability probability;
  const std::string type = TypeAt(path, offset, &probability);
  return type == "application/x-gst-av-iff" || (type == "application/x-ape" && ApeIsCutShort(path));
}

} // namespace engine
