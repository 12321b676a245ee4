// Loudness levelling from the ReplayGain tags a stream carries: which gain
// (none, the track's, the album's), an extra gain on top, and one for
// streams that carry none. The peak tag keeps the gain from pushing the
// loudest sample over full scale. Off, nothing is put in the audio's path,
// so the samples stay exactly as decoded.
#pragma once

#include <optional>
#include <string>

typedef struct _GstElement GstElement;

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

// The playbin's audio filter: the tempo element, which keeps the pitch
// when the rate changes, after the levelling's gain when it is on. Null
// when neither can be made.
GstElement *MakeAudioFilter(const Levelling &levelling);

// In auto mode, whether the stream that starts next in `filter` (as made
// above) takes its album's gain: told before that stream starts, from any
// thread. Nothing for a filter without levelling.
void GainForNextStream(GstElement *filter, bool album);

} // namespace engine
