#include "engine/playback/levelling.h"

#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <utility>

namespace engine {

namespace {

// A gain in dB as rgvolume takes it: a finite number within ±60.
std::optional<double> Decibels(const std::string &text) {
  if (text.empty())
    return std::nullopt;
  char *end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || *end != 0 || !std::isfinite(value) || std::fabs(value) > 60)
    return std::nullopt;
  return value;
}

} // namespace

std::optional<Levelling> Levelling::Parse(const std::string &text) {
  Levelling levelling;
  std::string fields[3];
  std::size_t count = 0, from = 0;
  for (;;) {
    const std::size_t comma = text.find(',', from);
    if (count == 3)
      return std::nullopt;
    fields[count++] = text.substr(from, comma == std::string::npos ? comma : comma - from);
    if (comma == std::string::npos)
      break;
    from = comma + 1;
  }
  if (fields[0] == "off")
    levelling.mode = Mode::Off;
  else if (fields[0] == "track")
    levelling.mode = Mode::Track;
  else if (fields[0] == "album")
    levelling.mode = Mode::Album;
  else if (fields[0] == "auto")
    levelling.mode = Mode::Auto;
  else
    return std::nullopt;
  double *gains[] = {&levelling.preampDb, &levelling.untaggedDb};
  for (std::size_t i = 1; i < count; ++i) {
    const std::optional<double> gain = Decibels(fields[i]);
    if (!gain)
      return std::nullopt;
    *gains[i - 1] = *gain;
  }
  return levelling;
}

Levelling Levelling::FromEnvironment() {
  const char *given = std::getenv("AUDIOPLAYER_LEVELLING");
  return Parse(given ? given : "off").value_or(Levelling{});
}

namespace {

// What the stream being played says of its loudness, on the streaming
// thread. Each stream starts untagged: a tag of the one before must not
// level the next (a gapless hand-over sends no end between them).
struct StreamGains {
  std::optional<double> trackGain, trackPeak, albumGain, albumPeak, reference;
  bool opusGains = false;   // the gains are Opus's own
  bool withinAlbum = false; // auto mode: the album's gain
};

struct GainStage : StreamGains {
  GainStage(const Levelling &levelling, GstElement *volume)
      : levelling(levelling), volume(volume) {}
  const Levelling levelling;
  GstElement *const volume; // owned by the bin
  std::atomic<bool> nextWithinAlbum{false};

  // The gain in dB: the album's or the track's as the mode prefers (the
  // other when only it is tagged, else the untagged gain), brought from
  // the tag's reference level to ReplayGain's 89 dB, plus the preamp, and
  // no more than the peak leaves before full scale; with no peak known,
  // none above 0 dB, so that nothing is pushed into clipping.
  double Decibels() const {
    const bool album = levelling.mode == Levelling::Mode::Album ||
                       (levelling.mode == Levelling::Mode::Auto && withinAlbum);
    const std::optional<double> &first = album ? albumGain : trackGain;
    const std::optional<double> &second = album ? trackGain : albumGain;
    const std::optional<double> &gain = first ? first : second;
    const std::optional<double> &peak =
        first ? (album ? albumPeak : trackPeak) : (album ? trackPeak : albumPeak);
    const double decibels = gain ? *gain + levelling.preampDb + (reference ? 89 - *reference : 0)
                                 : levelling.untaggedDb + levelling.preampDb;
    return std::min(decibels, gain && peak && *peak > 0 ? -20 * std::log10(*peak) : 0.0);
  }

  void Apply() const { g_object_set(volume, "volume", std::pow(10, Decibels() / 20), nullptr); }

  // Opus's R128_TRACK_GAIN and R128_ALBUM_GAIN comments, which GStreamer
  // leaves as comments: dB in Q7.8 towards -23 LUFS, so 5 dB more towards
  // ReplayGain's -18. They replace the ReplayGain tags, as the Opus format
  // asks; they carry no peak.
  void ReadOpusGains(const GstTagList *tags) {
    const guint count = gst_tag_list_get_tag_size(tags, GST_TAG_EXTENDED_COMMENT);
    for (guint i = 0; i < count; ++i) {
      const gchar *comment = nullptr;
      if (!gst_tag_list_peek_string_index(tags, GST_TAG_EXTENDED_COMMENT, i, &comment))
        continue;
      for (auto [key, gain, peak] : {std::tuple{"R128_TRACK_GAIN=", &trackGain, &trackPeak},
                                     std::tuple{"R128_ALBUM_GAIN=", &albumGain, &albumPeak}}) {
        const std::size_t length = std::strlen(key);
        if (g_ascii_strncasecmp(comment, key, length) != 0)
          continue;
        char *end = nullptr;
        const long q78 = std::strtol(comment + length, &end, 10);
        if (end != comment + length && *end == 0 && q78 >= -32768 && q78 <= 32767) {
          *gain = double(q78) / 256 + 5;
          peak->reset();
          opusGains = true;
        }
      }
    }
  }

  void Read(const GstTagList *tags) {
    const std::pair<const char *, std::optional<double> *> known[] = {
        {GST_TAG_TRACK_GAIN, &trackGain},
        {GST_TAG_TRACK_PEAK, &trackPeak},
        {GST_TAG_ALBUM_GAIN, &albumGain},
        {GST_TAG_ALBUM_PEAK, &albumPeak},
        {GST_TAG_REFERENCE_LEVEL, &reference}};
    if (!opusGains)
      for (const auto &[name, value] : known)
        if (double number = 0; gst_tag_list_get_double(tags, name, &number))
          *value = number;
    ReadOpusGains(tags);
  }
};

GstPadProbeReturn OnStreamEvent(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto *stage = static_cast<GainStage *>(data);
  GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
  if (GST_EVENT_TYPE(event) == GST_EVENT_STREAM_START) {
    static_cast<StreamGains &>(*stage) = {};
    stage->withinAlbum = stage->nextWithinAlbum.load();
    stage->Apply();
  } else if (GST_EVENT_TYPE(event) == GST_EVENT_TAG) {
    GstTagList *tags = nullptr;
    gst_event_parse_tag(event, &tags);
    stage->Read(tags);
    stage->Apply();
  }
  return GST_PAD_PROBE_OK;
}

void ForgetStage(gpointer data) {
  delete static_cast<GainStage *>(data);
}

} // namespace

GstElement *MakeAudioFilter(const Levelling &levelling) {
  GstElement *tempo = gst_element_factory_make("scaletempo", nullptr);
  if (levelling.mode == Levelling::Mode::Off)
    return tempo;
  GstElement *volume = gst_element_factory_make("volume", nullptr);
  if (volume == nullptr || tempo == nullptr) {
    if (volume != nullptr)
      gst_object_unref(gst_object_ref_sink(volume));
    return tempo; // without levelling, as before, rather than no filter at all
  }
  GstElement *bin = gst_bin_new("levelling");
  gst_bin_add_many(GST_BIN(bin), volume, tempo, nullptr);
  gst_element_link(volume, tempo);
  GstPad *sink = gst_element_get_static_pad(volume, "sink");
  GstPad *source = gst_element_get_static_pad(tempo, "src");
  auto *stage = new GainStage(levelling, volume);
  g_object_set_data(G_OBJECT(bin), "gain-stage", stage); // the probe frees it, with the bin
  stage->Apply();
  gst_pad_add_probe(sink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, OnStreamEvent, stage, ForgetStage);
  gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink));
  gst_element_add_pad(bin, gst_ghost_pad_new("src", source));
  gst_object_unref(sink);
  gst_object_unref(source);
  return bin;
}

void GainForNextStream(GstElement *filter, bool album) {
  if (filter == nullptr)
    return;
  if (auto *stage = static_cast<GainStage *>(g_object_get_data(G_OBJECT(filter), "gain-stage")))
    stage->nextWithinAlbum = album;
}

} // namespace engine
