// The two ways the library reads a file's attributes, and what they share.
//
// A tag library (TagLib) reads the headers and tags of the formats a music
// collection mostly holds (MP3, FLAC, Ogg Vorbis, Opus and Speex, M4A, WMA,
// WAV, AIFF, known by their content whatever their names) without decoding
// anything: about ten times faster than GStreamer's discoverer, which
// decodes the start of every stream to learn its caps.
// The discoverer reads everything else GStreamer's plugins know (video,
// Matroska, MP4 with video, ...). Both fill the same attributes the same way
// (attribute_reader.h); a test holds them to it over the same files.
#pragma once

#include <cstdint>
#include <string>

#include "engine/media/attribute_reader.h"

typedef struct _GstTagList GstTagList;

namespace engine {

// What a reader learnt of the file's streams, for the attributes both
// readers derive the same way.
struct StreamSummary {
  bool audio = false;
  bool wave = false; // the audio is a WAV file's: its format chunk says more
  bool video = false;
  bool lossless = false; // no stream rate: the file's average is the rate
  std::uint64_t audioBitrate = 0;
  std::uint64_t videoBitrate = 0;
  bool tagsCut = false; // the tag library lost tags past a damaged frame
};

// `path` is a local file (`extension` its extension, lower case, no dot),
// `uri` its file:// URI. False when the reader cannot read the file (not a
// format it knows, a video file for the tag library, or a damaged file).
bool ReadWithTagLib(const std::string &path, const std::u16string &extension, FileAttributes &out,
                    StreamSummary &sum);
bool ReadWithDiscoverer(const std::string &uri, FileAttributes &out, StreamSummary &sum);
// How long the discoverer waits for a file (5 s unless changed): tests
// shorten it to make a read give up.
void SetDiscovererTimeout(double seconds);

// The text tags the control shows (title, author, album, album artist,
// genre, composer) from a GStreamer tag list, where `out` lacks them.
void ReadTextTags(const GstTagList *tags, FileAttributes &out);

enum class AttributeReader { Chosen, TagLib, Discoverer };
// ReadFileAttributes with a given reader, so that both can be compared.
bool ReadFileAttributesWith(AttributeReader reader, const std::u16string &url, FileAttributes &out);

// Decimal text: "12", "12.5", "0.125"; and of an integer.
std::u16string NumberText(double value);
std::u16string IntegerText(std::uint64_t value);

} // namespace engine
