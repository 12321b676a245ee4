// Loudness levelling from the ReplayGain tags a stream carries, or where
// it carries none from what was measured when the file played before:
// which gain (none, the track's, the album's), an extra gain on top, and
// one for streams neither tagged nor measured. The peak keeps the gain
// from pushing the loudest sample over full scale. While levelling is on,
// each local file played whole is measured (loudness_meter.h) and the
// measure posted on the bus for the library to keep. Off, nothing is put
// in the audio's path, so the samples stay exactly as decoded.
#pragma once

#include <optional>
#include <string>

#include "engine/media/gain_tags.h"
#include "engine/media/loudness_measure.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace engine {

struct Levelling {
  // Auto: the album's gain for a track played in order among others of its
  // album, the track's otherwise (shuffled, or between albums).
  enum class Mode { Off, Track, Album, Auto };
  Mode mode = Mode::Off;
  double preampDb = 0;
  double untaggedDb = 0; // for a stream without a gain tag

  // "off", "track", "album" or "auto", then optionally ",PREAMP" and ",UNTAGGED" in
  // dB (for example "album,3,-6"); none for any other text.
  static std::optional<Levelling> Parse(const std::string &text);
  // As AUDIOPLAYER_LEVELLING says; off when it is unset or not understood.
  static Levelling FromEnvironment();
};

// The levelling's gain, for the audio filter (audio_filter.h) to hold, with
// what reads each stream's gain and measures it; null when levelling is off.
GstElement *MakeLevellingGain(const Levelling &levelling);

// How the stream that starts next is levelled and measured.
struct StreamGain {
  // In auto mode, whether it takes its album's gain.
  bool withinAlbum = false;
  // From earlier plays, for a stream whose tags give no gain: its own
  // measure, and its album's (all the album's tracks measured).
  std::optional<LoudnessMeasure> track, album;
  // The file to measure as it plays (an empty URL: none).
  MeasuredFile measureAs;
  // The file's gain tags as TagLib reads them, for the demuxers that pass
  // none on (ASF's); what the stream's own tags say replaces them.
  std::optional<GainTags> fileTags;
};

// Told before the stream that starts next in `filter` (the audio filter)
// starts, from any thread. Nothing for a filter without levelling.
void GainForNextStream(GstElement *filter, const StreamGain &gain);
// The playbin stopped: what was measured of the stream is not all of it.
// Called while no stream flows.
void DropMeasure(GstElement *filter);
// A whole stream's measure, as the filter posts it on the bus; false for
// any other message.
bool MeasureIn(GstMessage *message, MeasuredFile *file, LoudnessMeasure *measure);

} // namespace engine
