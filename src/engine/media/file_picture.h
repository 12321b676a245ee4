// A media file's picture (its cover), as desktop widgets show it: the
// picture the file embeds (ID3v2 APIC, FLAC PICTURE, MP4 covr, Vorbis and
// Opus METADATA_BLOCK_PICTURE, ASF WM/Picture, an APE tag's Cover Art
// items, a Matroska attachment; the front cover first, else the first),
// else an image beside it (cover, folder, front, Windows Media Player's
// AlbumArt_{...}_Large and AlbumArtSmall, album, albumart; in any case). An embedded picture is
// extracted once into the cache folder (pictures/), named by its content: every file that embeds
// the same picture shares it, and a changed picture gets a new name, so no name ever shows a stale
// one.
#pragma once

#include <cstdint>
#include <string>

namespace engine {

struct FilePicture {
  std::string path;     // the image file
  std::string mimeType; // "image/jpeg", "image/png", "image/gif", ...
  std::uint64_t bytes = 0;
  bool embedded = false; // extracted from the file's tags
};

// S_OK with the picture; S_FALSE when the file has none; 0x80070002 when
// `mediaPath` names no file (a part of a file, "album.flac#t=...", is its
// file); the I/O status when the picture cannot be extracted.
std::int32_t FindFilePicture(const std::string &mediaPath, FilePicture *out);

} // namespace engine
