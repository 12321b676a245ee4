// Measures the loudness of decoded samples as they pass, so that playing a
// file is what measures it: no second decode. Integrated loudness by
// EBU R128 / ITU BS.1770 with libebur128 (its histogram mode, so memory
// stays bounded however long the stream), and the sample peak. Any raw
// format GStreamer's audio library unpacks is taken, interleaved or not.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/media/loudness_measure.h"

typedef struct _GstCaps GstCaps;
typedef struct _GstBuffer GstBuffer;
typedef struct _GstAudioInfo GstAudioInfo;

namespace engine {

class LoudnessMeter {
public:
  LoudnessMeter();
  ~LoudnessMeter();
  LoudnessMeter(const LoudnessMeter &) = delete;
  LoudnessMeter &operator=(const LoudnessMeter &) = delete;

  // Measures from nothing again.
  void Reset();
  // The samples that follow are in `caps`; false when they cannot be
  // measured, or differ from samples measured already (then the measure is
  // not the stream's any more).
  bool Format(const GstCaps *caps);
  void Add(GstBuffer *buffer);
  // What was added, as one measure; none when nothing was, or all of it
  // was below the gate's absolute threshold (silence).
  std::optional<LoudnessMeasure> Result() const;

private:
  template <class Sample> void AddUnpacked(const void *const *planes, std::size_t frames);

  void *state_ = nullptr;              // libebur128's, a type that cannot be declared ahead
  std::unique_ptr<GstAudioInfo> info_; // of the samples measured
  std::uint64_t frames_ = 0;
  // Samples unpacked and interleaved, and one channel's, reused.
  std::vector<std::int32_t> integers_, integerPlane_;
  std::vector<double> reals_, realPlane_;
};

} // namespace engine
