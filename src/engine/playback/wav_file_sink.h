// The file output's sink: a WAV file of the exact samples it is given, in
// the format of the first (later ones converted to it), whole (its sizes
// written) after each stream ends and when the sink goes.
#pragma once

#include <string>

typedef struct _GstElement GstElement;

namespace engine {

// A bin of audioconvert, audioresample and the writer, floating; null when
// GStreamer cannot make one of them.
GstElement *MakeWavFileSink(const std::string &path);

} // namespace engine
