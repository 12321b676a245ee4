// The channels an MP4's AAC track says in its decoder configuration. The
// sample entry has a channel count too, but ffmpeg writes 2 there for
// every AAC track, mono or 5.1, and TagLib reports it; the configuration
// the decoder reads is what ffprobe and GStreamer report.
#pragma once

#include <cstddef>

namespace engine {

// From the body of a track's sample description box (`stsd`, after its
// header): the channels of its first entry's AAC configuration, 0 when it
// has none or leaves them to a program configuration element.
unsigned AacConfigChannels(const unsigned char *stsd, std::size_t size);

} // namespace engine
