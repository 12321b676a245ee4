// The trimming probe on the audio filter's input; see gapless_trim.h.
#include "engine/playback/gapless_trim.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

#include "engine/playback/buffer_samples.h"

namespace engine {

namespace {

constexpr const char *kStageName = "gapless-trim";

// A parser's stamp of `sample`, and the sample of a stamp: exact times, or
// frames' durations rounded down to the nanosecond and added up.
std::uint64_t FrameStamp(const GaplessTrim &trim) {
  return gst_util_uint64_scale_int(GST_SECOND, int(trim.frameSamples), trim.rate);
}
std::uint64_t StampOf(const GaplessTrim &trim, std::uint64_t sample) {
  return trim.frameSamples == 0
             ? gst_util_uint64_scale_int_round(sample, GST_SECOND, trim.rate)
             : gst_util_uint64_scale(sample, FrameStamp(trim), trim.frameSamples);
}
std::uint64_t SampleOf(const GaplessTrim &trim, GstClockTime stamp) {
  return trim.frameSamples == 0
             ? gst_util_uint64_scale_int_round(stamp, trim.rate, GST_SECOND)
             : gst_util_uint64_scale_round(stamp, trim.frameSamples, FrameStamp(trim));
}

// What the probe knows of the streams, on the streaming thread; `next` and
// `current` also from the threads that queue streams and seek.
struct TrimStage {
  std::mutex mutex;
  std::optional<GaplessTrim> next, current;
  int bytesPerFrame = 0;
  int rate = 0;
  std::uint64_t expected = 0; // the sample a buffer without a timestamp starts at
  std::uint64_t counted = 0;  // samples of the stream so far
  bool segmentSeen = false;   // of the stream: a later one is a seek's

  GstClockTime TimeOf(std::uint64_t samples) const {
    return gst_util_uint64_scale_int_round(samples, GST_SECOND, rate);
  }
};

// The segment in the trimmed stream's time: each time the parser's for a
// sample, `skip` samples earlier, at the sample's exact time (a drifted
// stop would clip the last sample from the exactly timed buffers).
GstEvent *ShiftedSegment(GstEvent *event, const TrimStage &stage) {
  const GstSegment *given = nullptr;
  gst_event_parse_segment(event, &given);
  if (given->format != GST_FORMAT_TIME)
    return event;
  GstSegment segment = *given;
  const GaplessTrim &trim = *stage.current;
  auto earlier = [&](guint64 &value) {
    if (GST_CLOCK_TIME_IS_VALID(value)) {
      const std::uint64_t sample = SampleOf(trim, value);
      value = sample > trim.skip ? stage.TimeOf(sample - trim.skip) : 0;
    }
  };
  earlier(segment.start);
  earlier(segment.time);
  earlier(segment.position);
  earlier(segment.stop);
  const GstClockTime length = stage.TimeOf(trim.keep);
  if (!GST_CLOCK_TIME_IS_VALID(segment.stop) || segment.stop > length)
    segment.stop = length;
  segment.duration = length;
  GstEvent *shifted = gst_event_new_segment(&segment);
  gst_event_set_seqnum(shifted, gst_event_get_seqnum(event));
  gst_event_unref(event);
  return shifted;
}

GstPadProbeReturn OnEvent(TrimStage &stage, GstPadProbeInfo *info) {
  GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
  std::lock_guard lock(stage.mutex);
  switch (GST_EVENT_TYPE(event)) {
  case GST_EVENT_STREAM_START:
    stage.current = std::exchange(stage.next, std::nullopt);
    stage.expected = stage.counted = 0;
    stage.segmentSeen = false;
    break;
  case GST_EVENT_CAPS: {
    GstCaps *caps = nullptr;
    gst_event_parse_caps(event, &caps);
    GstAudioInfo audio;
    if (gst_audio_info_from_caps(&audio, caps)) {
      stage.bytesPerFrame = GST_AUDIO_INFO_BPF(&audio);
      stage.rate = GST_AUDIO_INFO_RATE(&audio);
      // An AAC file's edit list counts in its track's timescale, which an
      // HE-AAC decoder doubles.
      if (stage.current && stage.current->editList && stage.rate > 0 &&
          stage.current->rate != stage.rate && stage.counted == 0) {
        GaplessTrim &trim = *stage.current;
        trim.skip = trim.skip * std::uint64_t(stage.rate) / std::uint64_t(trim.rate);
        trim.keep = trim.keep * std::uint64_t(stage.rate) / std::uint64_t(trim.rate);
        trim.rate = stage.rate;
      }
    }
    break;
  }
  case GST_EVENT_SEGMENT:
    if (stage.current && !stage.segmentSeen && stage.current->ByFirstSegment()) {
      // The stream's first segment says whether GStreamer trims it itself:
      // an MP4 whose edit list the demuxer applied starts after 0, and so
      // does a Vorbis file whose end it clips right; the decoder drops an
      // Opus file's pre-skip from a handed-over stream that starts at 0,
      // and keeps it where the file starts later on.
      const GstSegment *given = nullptr;
      gst_event_parse_segment(event, &given);
      const bool trimmedIfLater = stage.current->editList || stage.current->fromZeroOnly;
      if (given->format == GST_FORMAT_TIME && (given->start > 0) == trimmedIfLater)
        stage.current.reset();
      else if (trimmedIfLater)
        stage.segmentSeen = true; // a later segment is a seek's, in the trimmed timeline
    }
    if (stage.current && stage.current->counted) {
      if (std::exchange(stage.segmentSeen, true) && stage.counted > 0)
        stage.current.reset(); // sought: the count no longer says where the samples are
    } else if (stage.current && !stage.current->byDecoder && stage.rate == stage.current->rate) {
      GST_PAD_PROBE_INFO_DATA(info) = ShiftedSegment(event, stage);
    }
    break;
  default:
    break;
  }
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnBuffer(TrimStage &stage, GstPadProbeInfo *info) {
  std::lock_guard lock(stage.mutex);
  if (!stage.current || stage.current->byDecoder || stage.bytesPerFrame <= 0 ||
      stage.rate != stage.current->rate)
    return GST_PAD_PROBE_OK;
  GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const std::uint64_t samples = SamplesIn(buffer, std::size_t(stage.bytesPerFrame));
  // A decoder that trims by the file's own header gives a part of a frame
  // first, and its times count from the first real sample.
  if (stage.counted == 0 && !stage.segmentSeen && stage.current->frameSamples > 0 &&
      samples % stage.current->frameSamples != 0) {
    stage.current->byDecoder = true;
    return GST_PAD_PROBE_OK;
  }
  const bool counted = stage.current->counted;
  const std::uint64_t first = counted ? stage.counted
                              : GST_BUFFER_PTS_IS_VALID(buffer)
                                  ? SampleOf(*stage.current, GST_BUFFER_PTS(buffer))
                                  : stage.expected;
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  stage.expected = first + samples;
  stage.counted += samples;
  const std::uint64_t from = std::max(first, stage.current->skip);
  const std::uint64_t to = std::min(first + samples, stage.current->skip + stage.current->keep);
  if (from >= to)
    return GST_PAD_PROBE_DROP;
  if (from != first || to != first + samples)
    buffer = gst_audio_buffer_truncate(buffer, stage.bytesPerFrame, from - first, to - from);
  else
    buffer = gst_buffer_make_writable(buffer);
  if (!counted)
    GST_BUFFER_PTS(buffer) = stage.TimeOf(from - stage.current->skip);
  else if (GST_CLOCK_TIME_IS_VALID(pts)) // moved back by what was cut before it
    GST_BUFFER_PTS(buffer) = pts + stage.TimeOf(from - first) -
                             std::min(pts + stage.TimeOf(from - first),
                                      stage.TimeOf(std::min(from, stage.current->skip)));
  GST_BUFFER_DURATION(buffer) = stage.TimeOf(to - from);
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn OnData(GstPad *, GstPadProbeInfo *info, gpointer data) {
  auto &stage = *static_cast<TrimStage *>(data);
  return (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) ? OnBuffer(stage, info)
                                                                     : OnEvent(stage, info);
}

TrimStage *StageOf(GstElement *filter) {
  return filter ? static_cast<TrimStage *>(g_object_get_data(G_OBJECT(filter), kStageName))
                : nullptr;
}

} // namespace

void AddTrimming(GstElement *filter) {
  GstPad *sink = filter ? gst_element_get_static_pad(filter, "sink") : nullptr;
  if (sink == nullptr)
    return;
  auto *stage = new TrimStage;
  g_object_set_data_full(G_OBJECT(filter), kStageName, stage,
                         [](gpointer data) { delete static_cast<TrimStage *>(data); });
  gst_pad_add_probe(
      sink, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      OnData, stage, nullptr);
  gst_object_unref(sink);
}

void TrimNextStream(GstElement *filter, const std::optional<GaplessTrim> &trim) {
  if (TrimStage *stage = StageOf(filter)) {
    std::lock_guard lock(stage->mutex);
    stage->next = trim;
  }
}

std::uint64_t SeekTimeOf(const GaplessTrim &trim, double seconds, bool stop) {
  // A decoder that trims itself counts from the first real sample.
  const auto sample = std::uint64_t(std::llround(std::max(0.0, seconds) * trim.rate)) +
                      (trim.byDecoder ? 0 : trim.skip);
  const std::uint64_t stamp = StampOf(trim, sample),
                      quarter = GST_SECOND / 4 / std::uint64_t(trim.rate);
  return stop ? stamp - std::min(stamp, quarter) : stamp + quarter;
}

std::optional<GaplessTrim> CurrentTrim(GstElement *filter) {
  TrimStage *stage = StageOf(filter);
  if (stage == nullptr)
    return std::nullopt;
  std::lock_guard lock(stage->mutex);
  return stage->current;
}

} // namespace engine
