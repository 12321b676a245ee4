// GStreamer, initialised once for the process by whichever part of the
// engine needs it first (playback, or reading a file's attributes).
#pragma once

namespace engine {

// False when GStreamer cannot be initialised.
bool EnsureGstreamer();

} // namespace engine
