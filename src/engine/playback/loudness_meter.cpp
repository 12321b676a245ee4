#include "engine/playback/loudness_meter.h"

#include <gst/audio/audio.h>

#include <ebur128.h>

#include <algorithm>
#include <cmath>

namespace engine {

namespace {

ebur128_state *Of(void *state) {
  return static_cast<ebur128_state *>(state);
}

void AddFrames(ebur128_state *state, const std::int32_t *samples, std::size_t frames) {
  ebur128_add_frames_int(state, samples, frames);
}

void AddFrames(ebur128_state *state, const double *samples, std::size_t frames) {
  ebur128_add_frames_double(state, samples, frames);
}

} // namespace

LoudnessMeter::LoudnessMeter() = default;

LoudnessMeter::~LoudnessMeter() {
  Reset();
}

void LoudnessMeter::Reset() {
  if (ebur128_state *state = Of(state_))
    ebur128_destroy(&state);
  state_ = nullptr;
  info_.reset();
  frames_ = 0;
}

bool LoudnessMeter::Format(const GstCaps *caps) {
  auto info = std::make_unique<GstAudioInfo>();
  if (!gst_audio_info_from_caps(info.get(), caps) || GST_AUDIO_INFO_CHANNELS(info.get()) <= 0 ||
      GST_AUDIO_INFO_RATE(info.get()) <= 0)
    return false;
  if (info_ && gst_audio_info_is_equal(info_.get(), info.get()))
    return true;
  if (frames_ > 0)
    return false; // samples of another format measured already
  Reset();
  state_ = ebur128_init(unsigned(GST_AUDIO_INFO_CHANNELS(info.get())),
                        static_cast<unsigned long>(GST_AUDIO_INFO_RATE(info.get())),
                        EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK | EBUR128_MODE_HISTOGRAM);
  if (state_ == nullptr)
    return false;
  info_ = std::move(info);
  return true;
}

// Unpacked to the widest integer or real samples, as libebur128 takes
// them (integers as fractions of full scale), and interleaved.
template <class Sample>
void LoudnessMeter::AddUnpacked(const void *const *planes, std::size_t frames) {
  constexpr bool real = std::is_same_v<Sample, double>;
  std::vector<Sample> &samples = [this]() -> std::vector<Sample> & {
    if constexpr (real)
      return reals_;
    else
      return integers_;
  }();
  std::vector<Sample> &plane = [this]() -> std::vector<Sample> & {
    if constexpr (real)
      return realPlane_;
    else
      return integerPlane_;
  }();
  const GstAudioFormatInfo *format = info_->finfo;
  const std::size_t channels = std::size_t(GST_AUDIO_INFO_CHANNELS(info_.get()));
  samples.resize(frames * channels);
  if (GST_AUDIO_INFO_LAYOUT(info_.get()) == GST_AUDIO_LAYOUT_INTERLEAVED) {
    format->unpack_func(format, GST_AUDIO_PACK_FLAG_NONE, samples.data(), planes[0],
                        gint(frames * channels));
  } else {
    plane.resize(frames);
    for (std::size_t channel = 0; channel < channels; ++channel) {
      format->unpack_func(format, GST_AUDIO_PACK_FLAG_NONE, plane.data(), planes[channel],
                          gint(frames));
      for (std::size_t frame = 0; frame < frames; ++frame)
        samples[frame * channels + channel] = plane[frame];
    }
  }
  AddFrames(Of(state_), samples.data(), frames);
}

void LoudnessMeter::Add(GstBuffer *buffer) {
  if (state_ == nullptr)
    return;
  GstAudioBuffer audio;
  if (!gst_audio_buffer_map(&audio, info_.get(), buffer, GST_MAP_READ))
    return;
  const auto frames = std::size_t(audio.n_samples);
  if (info_->finfo->unpack_format == GST_AUDIO_FORMAT_F64)
    AddUnpacked<double>(audio.planes, frames);
  else
    AddUnpacked<std::int32_t>(audio.planes, frames);
  frames_ += frames;
  gst_audio_buffer_unmap(&audio);
}

std::optional<LoudnessMeasure> LoudnessMeter::Result() const {
  double lufs = 0;
  if (state_ == nullptr || frames_ == 0 ||
      ebur128_loudness_global(Of(state_), &lufs) != EBUR128_SUCCESS || !std::isfinite(lufs))
    return std::nullopt;
  double peak = 0;
  for (int channel = 0; channel < GST_AUDIO_INFO_CHANNELS(info_.get()); ++channel) {
    double own = 0;
    if (ebur128_sample_peak(Of(state_), unsigned(channel), &own) == EBUR128_SUCCESS)
      peak = std::max(peak, own);
  }
  return LoudnessMeasure{lufs, peak, double(frames_) / GST_AUDIO_INFO_RATE(info_.get())};
}

} // namespace engine
