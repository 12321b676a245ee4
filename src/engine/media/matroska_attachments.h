// The cover a Matroska or WebM file carries as an attachment (ffmpeg's
// -attach, mkvmerge's --attach-file): an image attached as cover.jpg or
// cover.png by the format's convention, else the first image attached.
// TagLib reads no Matroska; this reads the attachments' elements alone,
// found by the segment's seek head or by walking its top level.
#pragma once

#include <istream>
#include <optional>
#include <string>

namespace engine {

struct MatroskaPicture {
  std::string mimeType; // as attached
  std::string data;
};

// Nullopt for a file that is no Matroska file or attaches no image.
std::optional<MatroskaPicture> ReadMatroskaCover(std::istream &in);

} // namespace engine
