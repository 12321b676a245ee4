// What the pipeline reports, as the session hears it: typed, taken on the
// host's thread one at a time from what GStreamer's threads queued.
#pragma once

#include <map>
#include <string>

#include "engine/media/loudness_measure.h"

namespace engine {

struct PipelineEvent {
  enum class Kind {
    Loaded,          // the playbin prerolled, or a seek got where it went
    Playing,         // the playbin is playing
    DurationChanged, // the stream's length is known now, or anew
    Buffering,       // `percent` of the buffer is filled
    HandedOver,      // the stream queued for a gapless hand-over started
    Ended,           // the stream ended
    Error,           // `fromOutput`, `mediaFault` say whose
    Tags,            // `tags` came with the stream
    Wake,            // the wake-up WakeAt asked for
    OpenTimedOut,    // a network item did not load within its bound
    Called,          // the call-back CallBackIn asked for
    Measured,        // `measuredFile` played whole, at `loudness`
    PictureLost,     // the display the picture was drawn on has gone
  };
  Kind kind = Kind::Loaded;
  int percent = 100;
  // The audio output, or an element inside it, failed (a device unplugged).
  bool fromOutput = false;
  // The item's own fault: a file that cannot be read, recognised or
  // decoded; otherwise the output's, or GStreamer's own.
  bool mediaFault = false;
  // Text tags by the control's attribute names, the first value of each.
  std::map<std::u16string, std::u16string> tags;
  MeasuredFile measuredFile;
  LoudnessMeasure loudness;
};

} // namespace engine
