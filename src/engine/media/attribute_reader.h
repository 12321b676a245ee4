// What a media file says about itself, read by GStreamer's discoverer from the
// file's headers and tags; the file is never decoded in full, so reading the
// attributes of a long file costs about as much as opening it.
#pragma once

#include <map>
#include <string>

namespace engine {

// What a media file says about itself, read without decoding the whole file.
struct FileAttributes {
  // By the control's attribute names: "Title", "Author", "Album", "AlbumArtist",
  // "WM/Genre", "WM/Composer", "SourceURL", "FileType" (extension, lower case,
  // no dot), "Bitrate", "AudioBitrate", "VideoBitrate" (bits per second, decimal
  // text), "Channels", "FrameRate", "FormatTag" (WAVE format tag of the audio
  // codec, decimal: 1 PCM, 3 IEEE float, 85 MP3, 353 WMA, 61868 FLAC, 26447
  // Vorbis, ...; "0" when no tag is registered for the codec), "FourCC" (decimal
  // of the 32-bit value of the video codec), "Duration" (seconds, text).
  // An attribute the file does not have is absent from the map.
  std::map<std::u16string, std::u16string> text;
  double duration = 0; // seconds
  long width = 0;      // image source width/height, 0 for audio
  long height = 0;
  // The reader gave up before it could tell (GStreamer's discoverer timed
  // out): no verdict on the file, so nothing of it is to be kept.
  bool unsure = false;
};

// False when the URL is not a local file GStreamer can discover. Accepts a
// plain path or a file:// URL. Blocks the calling thread while the discoverer
// reads the file's headers (bounded by a few seconds).
bool ReadFileAttributes(const std::u16string &url, FileAttributes &out);

// A reader of URLs that are not files (a CD track's cdda:// URL), offered
// by the part of the engine that knows them: ReadFileAttributes asks it
// first. One is kept; an offer replaces the one before.
using UrlAttributeReader = bool (*)(const std::u16string &url, FileAttributes &out);
void OfferUrlReader(UrlAttributeReader reader);

// True for attributes derived from the file (read-only through setItemInfo).
bool IsDerivedAttribute(const std::u16string &name);

} // namespace engine
