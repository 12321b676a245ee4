#include "engine/playback/levelling.h"

#include <gst/gst.h>

#include "engine/playback/loudness_meter.h"
#include "engine/text/utf8_text.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

// ReplayGain 2.0's reference: a measured stream is brought to -18 LUFS.
constexpr double kReferenceLufs = -18;
constexpr const char *kMeasuredName = "audioplayer-loudness";
constexpr const char *kGainName = "levelling";
constexpr double kPeakCeiling = 0.99;

// What the stream being played says of its loudness, on the streaming
// thread. Each stream starts untagged: a tag of the one before must not
// level the next (a gapless hand-over sends no end between them).
struct StreamTags {
  std::optional<double> trackGain, trackPeak, albumGain, albumPeak, reference;
  bool opusGains = false; // the gains are Opus's own
};

struct GainStage {
  GainStage(const Levelling &levelling, GstElement *volume)
      : levelling(levelling), volume(volume) {}
  const Levelling levelling;
  GstElement *const volume; // owns this, through its pad's probe
  std::mutex nextLock;
  StreamGain next; // under nextLock
  // The stream flowing now, the streaming thread's.
  StreamGain current;
  StreamTags tags;
  LoudnessMeter meter;
  // The stream is measured, and every sample of it so far was seen.
  std::atomic<bool> measuring{false};

  // A gain in dB, capped so that `peak` (full scale = 1) stays at 0.99
  // at most, a little below full scale, so that no sample reaches it
  // once rounded to 16 bits; with no peak known, none above 0 dB; and
  // never above the volume element's most, 10 times (+20 dB).
  static double Capped(double decibels, std::optional<double> peak) {
    const double room = peak && *peak > 0 ? 20 * std::log10(kPeakCeiling / *peak) : 0.0;
    return std::min({decibels, room, 20.0});
  }

  // The album's gain or the track's as the mode prefers (the other when
  // only it is known): from the tags, brought from the tag's reference
  // level to ReplayGain's 89 dB; else from the measures of earlier plays;
  // else the untagged gain. Plus the preamp.
  double Decibels() const {
    const bool album = levelling.mode == Levelling::Mode::Album ||
                       (levelling.mode == Levelling::Mode::Auto && current.withinAlbum);
    const std::optional<double> &first = album ? tags.albumGain : tags.trackGain;
    const std::optional<double> &second = album ? tags.trackGain : tags.albumGain;
    if (first || second) {
      const std::optional<double> &peak = first ? (album ? tags.albumPeak : tags.trackPeak)
                                                : (album ? tags.trackPeak : tags.albumPeak);
      const double shift = tags.reference ? 89 - *tags.reference : 0;
      return Capped((first ? *first : *second) + shift + levelling.preampDb, peak);
    }
    const std::optional<LoudnessMeasure> &measured =
        album ? (current.album ? current.album : current.track)
              : (current.track ? current.track : current.album);
    if (measured)
      return Capped(kReferenceLufs - measured->lufs + levelling.preampDb, measured->peak);
    return Capped(levelling.untaggedDb + levelling.preampDb, std::nullopt);
  }

  void Apply() const { g_object_set(volume, "volume", std::pow(10, Decibels() / 20), nullptr); }

  // Opus's R128_TRACK_GAIN and R128_ALBUM_GAIN comments, which GStreamer
  // leaves as comments: dB in Q7.8 towards -23 LUFS, so 5 dB more towards
  // ReplayGain's -18. They replace the ReplayGain tags, as the Opus format
  // asks; they carry no peak.
  void ReadOpusGains(const GstTagList *list) {
    const guint count = gst_tag_list_get_tag_size(list, GST_TAG_EXTENDED_COMMENT);
    for (guint i = 0; i < count; ++i) {
      const gchar *comment = nullptr;
      if (!gst_tag_list_peek_string_index(list, GST_TAG_EXTENDED_COMMENT, i, &comment))
        continue;
      for (auto [key, gain, peak] :
           {std::tuple{"R128_TRACK_GAIN=", &tags.trackGain, &tags.trackPeak},
            std::tuple{"R128_ALBUM_GAIN=", &tags.albumGain, &tags.albumPeak}}) {
        const std::size_t length = std::strlen(key);
        if (g_ascii_strncasecmp(comment, key, length) != 0)
          continue;
        char *end = nullptr;
        const long q78 = std::strtol(comment + length, &end, 10);
        if (end != comment + length && *end == 0 && q78 >= -32768 && q78 <= 32767) {
          *gain = double(q78) / 256 + 5;
          peak->reset();
          tags.opusGains = true;
        }
      }
    }
  }

  void Read(const GstTagList *list) {
    const std::pair<const char *, std::optional<double> *> known[] = {
        {GST_TAG_TRACK_GAIN, &tags.trackGain},
        {GST_TAG_TRACK_PEAK, &tags.trackPeak},
        {GST_TAG_ALBUM_GAIN, &tags.albumGain},
        {GST_TAG_ALBUM_PEAK, &tags.albumPeak},
        {GST_TAG_REFERENCE_LEVEL, &tags.reference}};
    if (!tags.opusGains)
      for (const auto &[name, value] : known)
        if (double number = 0; gst_tag_list_get_double(list, name, &number))
          *value = number;
    ReadOpusGains(list);
  }

  // The stream measured ended (its end, or a hand-over to the next one):
  // its measure goes to the bus. Silence gives none.
  void Finish() {
    if (!measuring.exchange(false))
      return;
    const std::optional<LoudnessMeasure> measure = meter.Result();
    if (!measure)
      return;
    const MeasuredFile &file = current.measureAs;
    GstStructure *fields = gst_structure_new(
        kMeasuredName, "url", G_TYPE_STRING, Utf8Of(file.url).c_str(), "size", G_TYPE_INT64,
        gint64(file.size), "modified", G_TYPE_INT64, gint64(file.modified), "lufs", G_TYPE_DOUBLE,
        measure->lufs, "peak", G_TYPE_DOUBLE, measure->peak, "seconds", G_TYPE_DOUBLE,
        measure->seconds, nullptr);
    gst_element_post_message(volume, gst_message_new_application(GST_OBJECT(volume), fields));
  }

  // A stream's start. Its caps may follow, or not where they are those
  // of the stream before (a hand-over): the pad's current ones stand until then.
  void StreamStarted(GstPad *pad) {
    Finish();
    {
      std::lock_guard lock(nextLock);
      current = next;
    }
    tags = {};
    if (const std::optional<GainTags> &file = current.fileTags)
      tags = {file->trackGain, file->trackPeak, file->albumGain, file->albumPeak, std::nullopt};
    meter.Reset();
    measuring = !current.measureAs.url.empty();
    if (GstCaps *caps = measuring ? gst_pad_get_current_caps(pad) : nullptr) {
      measuring = meter.Format(caps);
      gst_caps_unref(caps);
    }
    Apply();
  }
};

GstPadProbeReturn OnStreamData(GstPad *pad, GstPadProbeInfo *info, gpointer data) {
  auto *stage = static_cast<GainStage *>(data);
  if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
    if (stage->measuring)
      stage->meter.Add(GST_PAD_PROBE_INFO_BUFFER(info));
    return GST_PAD_PROBE_OK;
  }
  GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
  switch (GST_EVENT_TYPE(event)) {
  case GST_EVENT_STREAM_START:
    stage->StreamStarted(pad);
    break;
  case GST_EVENT_CAPS:
    if (GstCaps *caps = nullptr; stage->measuring) {
      gst_event_parse_caps(event, &caps);
      if (!stage->meter.Format(caps))
        stage->measuring = false;
    }
    break;
  case GST_EVENT_FLUSH_START: // a seek: the measure would miss what it skips
    stage->measuring = false;
    break;
  case GST_EVENT_EOS:
    stage->Finish();
    break;
  case GST_EVENT_TAG: {
    GstTagList *list = nullptr;
    gst_event_parse_tag(event, &list);
    stage->Read(list);
    stage->Apply();
    break;
  }
  default:
    break;
  }
  return GST_PAD_PROBE_OK;
}

void ForgetStage(gpointer data) {
  delete static_cast<GainStage *>(data);
}

// The filter's gain element is found by its name: the stage is asked for
// once a stream, not once a buffer.
GainStage *StageOf(GstElement *filter) {
  GstElement *volume =
      filter && GST_IS_BIN(filter) ? gst_bin_get_by_name(GST_BIN(filter), kGainName) : nullptr;
  if (volume == nullptr)
    return nullptr;
  auto *stage = static_cast<GainStage *>(g_object_get_data(G_OBJECT(volume), "gain-stage"));
  gst_object_unref(volume); // the filter keeps it
  return stage;
}

} // namespace

GstElement *MakeLevellingGain(const Levelling &levelling) {
  if (levelling.mode == Levelling::Mode::Off)
    return nullptr;
  GstElement *volume = gst_element_factory_make("volume", kGainName);
  if (volume == nullptr)
    return nullptr; // played without levelling rather than not at all
  GstPad *sink = gst_element_get_static_pad(volume, "sink");
  auto *stage = new GainStage(levelling, volume);
  g_object_set_data(G_OBJECT(volume), "gain-stage", stage); // the probe frees it, with the pad
  stage->Apply();
  gst_pad_add_probe(sink,
                    GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER |
                                    GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                    GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                    OnStreamData, stage, ForgetStage);
  gst_object_unref(sink);
  return volume;
}

void GainForNextStream(GstElement *filter, const StreamGain &gain) {
  if (GainStage *stage = StageOf(filter)) {
    std::lock_guard lock(stage->nextLock);
    stage->next = gain;
  }
}

void DropMeasure(GstElement *filter) {
  if (GainStage *stage = StageOf(filter))
    stage->measuring = false;
}

bool MeasureIn(GstMessage *message, MeasuredFile *file, LoudnessMeasure *measure) {
  const GstStructure *fields = GST_MESSAGE_TYPE(message) == GST_MESSAGE_APPLICATION
                                   ? gst_message_get_structure(message)
                                   : nullptr;
  if (fields == nullptr || !gst_structure_has_name(fields, kMeasuredName))
    return false;
  const gchar *url = gst_structure_get_string(fields, "url");
  gint64 size = -1, modified = -1;
  gst_structure_get_int64(fields, "size", &size);
  gst_structure_get_int64(fields, "modified", &modified);
  *file = {Utf16Of(url ? url : ""), size, modified};
  gst_structure_get_double(fields, "lufs", &measure->lufs);
  gst_structure_get_double(fields, "peak", &measure->peak);
  gst_structure_get_double(fields, "seconds", &measure->seconds);
  return true;
}

} // namespace engine
