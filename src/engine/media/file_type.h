// What GStreamer's typefinders take a local file for, from its first
// bytes, and the kinds of file this GStreamer never gets to play: DSDIFF
// (.dff), whose only demuxer here is libav's IFF demuxer behind the libav
// wrapper, which keeps a core busy reading and never prerolls (a second of
// DSD: 10 s of CPU for the discoverer, 45 s before playback gave up), and a
// Monkey's Audio file cut short, on which libav's APE demuxer does
// the same (ape_header.h). Such a file is refused at once, by what it is,
// instead of by a timeout.
#pragma once

#include <string>

namespace engine {

// Whether the typefinders are sure enough that the file is media.
bool LooksLikeMedia(const std::string &path);
// Whether the file is of a kind GStreamer here never prerolls, an ID3v2
// tag before it or not.
bool NeverPlays(const std::string &path);

} // namespace engine
