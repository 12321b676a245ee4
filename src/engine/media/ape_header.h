// Whether a Monkey's Audio (.ape) file holds every frame its header and
// seek table say it has. libav's APE demuxer, the only one GStreamer has
// here, keeps a core busy without end on a file cut short (a header alone,
// or frames missing at the end: 10 s of CPU for the discoverer before its
// timeout, 30 s for playback before it was given up).
#pragma once

#include <string>

namespace engine {

// Whether the file at `path` is a Monkey's Audio file whose last frame, by
// its seek table, begins less than a 32-bit word before the end of its
// audio (the file's end less the APEv2 and ID3v1 tags there), as a cut
// file's does. False for anything else, an unreadable file included.
bool ApeIsCutShort(const std::string &path);

} // namespace engine
