// How many samples an audio buffer holds. A buffer whose channels are
// planes of their own (libav's decoders give such floats) says so in its
// audio meta, which a decoder's clip to its segment shortens without
// shortening the memory; an interleaved one by its size.
#pragma once

#include <gst/audio/audio.h>

#include <cstdint>

namespace engine {

inline std::uint64_t SamplesIn(GstBuffer *buffer, std::size_t bytesPerFrame) {
  if (const GstAudioMeta *planes = gst_buffer_get_audio_meta(buffer))
    return planes->samples;
  return bytesPerFrame > 0 ? gst_buffer_get_size(buffer) / bytesPerFrame : 0;
}

} // namespace engine
