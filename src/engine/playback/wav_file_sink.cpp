#include "engine/playback/wav_file_sink.h"

#include <fcntl.h>
#include <gst/audio/audio.h>
#include <gst/base/gstbasesink.h>
#include <gst/gst.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

namespace engine {

namespace {

void Put16(unsigned char *at, unsigned value) {
  at[0] = static_cast<unsigned char>(value);
  at[1] = static_cast<unsigned char>(value >> 8);
}
void Put32(unsigned char *at, std::uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

// The file: its header is written with the first samples' format and
// rewritten with the sizes after each stream and at the end. The samples
// are written as the decoder made them, a batch of buffers to a system
// call, without a copy (decoders' buffers are a few KB each).
class WavRecorder {
public:
  WavRecorder(std::string path, GstElement *format) : path_(std::move(path)), format_(format) {}
  ~WavRecorder() {
    std::lock_guard lock(mutex_);
    WriteHeader();
    if (fd_ >= 0)
      ::close(fd_);
  }

  void Take(GstBuffer *buffer, GstPad *pad) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0 && Begin(pad))
      WriteHeader();
    GstMapInfo map;
    // An empty buffer (the tempo element's at a segment's start) has no memory.
    if (fd_ < 0 || gst_buffer_get_size(buffer) == 0 || !gst_buffer_map(buffer, &map, GST_MAP_READ))
      return;
    pending_.push_back({gst_buffer_ref(buffer), map});
    pendingBytes_ += map.size;
    if (pendingBytes_ >= kBatchBytes || pending_.size() == kBatchBuffers)
      Flush();
  }

  void Ended() {
    std::lock_guard lock(mutex_);
    WriteHeader();
  }

private:
  // The format of the first samples: from now on the sink takes only it.
  bool Begin(GstPad *pad) {
    GstCaps *caps = gst_pad_get_current_caps(pad);
    GstAudioInfo info;
    if (caps != nullptr && gst_audio_info_from_caps(&info, caps)) {
      float_ = GST_AUDIO_INFO_IS_FLOAT(&info);
      bits_ = GST_AUDIO_INFO_WIDTH(&info);
      channels_ = GST_AUDIO_INFO_CHANNELS(&info);
      rate_ = GST_AUDIO_INFO_RATE(&info);
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      g_object_set(format_, "caps", caps, nullptr);
    }
    if (caps != nullptr)
      gst_caps_unref(caps);
    return fd_ >= 0;
  }

  // Writes what is pending after the header and the samples before it.
  void Flush() {
    iovec parts[kBatchBuffers];
    std::size_t count = 0;
    for (const Pending &one : pending_)
      parts[count++] = {one.map.data, one.map.size};
    for (std::size_t first = 0; first < count;) {
      const ssize_t wrote = ::pwritev(fd_, parts + first, int(count - first), off_t(44 + bytes_));
      if (wrote < 0 && errno == EINTR)
        continue;
      if (wrote <= 0)
        break; // a full disk: the file keeps what it has, its sizes say so
      bytes_ += std::uint64_t(wrote);
      for (std::size_t left = std::size_t(wrote); left > 0 && first < count;) {
        const std::size_t taken = std::min(left, parts[first].iov_len);
        parts[first].iov_base = static_cast<char *>(parts[first].iov_base) + taken;
        parts[first].iov_len -= taken;
        left -= taken;
        first += parts[first].iov_len == 0;
      }
    }
    for (Pending &one : pending_) {
      gst_buffer_unmap(one.buffer, &one.map);
      gst_buffer_unref(one.buffer);
    }
    pending_.clear();
    pendingBytes_ = 0;
  }

  void WriteHeader() {
    if (fd_ < 0)
      return;
    Flush();
    unsigned char header[44] = {'R', 'I', 'F', 'F', 0,   0,   0,  0, 'W', 'A',
                                'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0,   0};
    const unsigned block = channels_ * bits_ / 8;
    Put32(header + 4, std::uint32_t(36 + bytes_));
    Put16(header + 20, float_ ? 3 : 1); // IEEE float, or PCM
    Put16(header + 22, channels_);
    Put32(header + 24, rate_);
    Put32(header + 28, rate_ * block);
    Put16(header + 32, block);
    Put16(header + 34, bits_);
    std::memcpy(header + 36, "data", 4);
    Put32(header + 40, std::uint32_t(bytes_));
    [[maybe_unused]] const ssize_t wrote = ::pwrite(fd_, header, sizeof header, 0);
  }

  static constexpr std::size_t kBatchBytes = 64 * 1024, kBatchBuffers = 64;
  struct Pending {
    GstBuffer *buffer;
    GstMapInfo map;
  };

  std::mutex mutex_;
  std::string path_;
  GstElement *format_; // the capsfilter before the sink, borrowed
  int fd_ = -1;
  std::vector<Pending> pending_;
  std::size_t pendingBytes_ = 0;
  std::uint64_t bytes_ = 0; // of samples written
  bool float_ = false;
  unsigned bits_ = 16, channels_ = 2, rate_ = 44100;
};

// A sink of its own rather than a fakesink's hand-off signal, whose
// marshalling through libffi cost more per buffer than the writing, or an
// appsink, which keeps about 4 KB each time it goes down after a stream
// with no samples (an empty file), which a long list of them adds up.
struct AudioplayerWavSink {
  GstBaseSink parent;
  WavRecorder *recorder; // owned
};
struct AudioplayerWavSinkClass {
  GstBaseSinkClass parent;
};

G_DEFINE_TYPE(AudioplayerWavSink, audioplayer_wav_sink, GST_TYPE_BASE_SINK)

GstFlowReturn Render(GstBaseSink *sink, GstBuffer *buffer) {
  reinterpret_cast<AudioplayerWavSink *>(sink)->recorder->Take(buffer, sink->sinkpad);
  return GST_FLOW_OK;
}

gboolean Event(GstBaseSink *sink, GstEvent *event) {
  if (GST_EVENT_TYPE(event) == GST_EVENT_EOS)
    reinterpret_cast<AudioplayerWavSink *>(sink)->recorder->Ended();
  return GST_BASE_SINK_CLASS(audioplayer_wav_sink_parent_class)->event(sink, event);
}

void Finalize(GObject *object) {
  delete reinterpret_cast<AudioplayerWavSink *>(object)->recorder;
  G_OBJECT_CLASS(audioplayer_wav_sink_parent_class)->finalize(object);
}

void audioplayer_wav_sink_class_init(AudioplayerWavSinkClass *klass) {
  static GstStaticPadTemplate sinkTemplate =
      GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
  GstElementClass *element = GST_ELEMENT_CLASS(klass);
  gst_element_class_add_static_pad_template(element, &sinkTemplate);
  gst_element_class_set_static_metadata(element, "WAV file writer", "Sink/File/Audio",
                                        "Writes raw audio to a WAV file", "audioplayer");
  GST_BASE_SINK_CLASS(klass)->render = Render;
  GST_BASE_SINK_CLASS(klass)->event = Event;
  G_OBJECT_CLASS(klass)->finalize = Finalize;
}

void audioplayer_wav_sink_init(AudioplayerWavSink *sink) {
  sink->recorder = nullptr;
  gst_base_sink_set_sync(GST_BASE_SINK(sink), FALSE); // as fast as it decodes
  gst_base_sink_set_last_sample_enabled(GST_BASE_SINK(sink), FALSE);
}

} // namespace

GstElement *MakeWavFileSink(const std::string &path) {
  GstElement *bin = gst_bin_new(nullptr);
  GstElement *convert = gst_element_factory_make("audioconvert", nullptr);
  GstElement *resample = gst_element_factory_make("audioresample", nullptr);
  GstElement *format = gst_element_factory_make("capsfilter", nullptr);
  if (!convert || !resample || !format) {
    for (GstElement *made : {bin, convert, resample, format})
      if (made)
        gst_object_unref(gst_object_ref_sink(made));
    return nullptr;
  }
  auto *sink =
      static_cast<AudioplayerWavSink *>(g_object_new(audioplayer_wav_sink_get_type(), nullptr));
  sink->recorder = new WavRecorder(path, format);
  GstCaps *raw = gst_caps_from_string(
      "audio/x-raw,layout=interleaved,format={S16LE,S24LE,S32LE,F32LE,F64LE,U8}");
  g_object_set(format, "caps", raw, nullptr);
  gst_caps_unref(raw);
  gst_bin_add_many(GST_BIN(bin), convert, resample, format, GST_ELEMENT(sink), nullptr);
  gst_element_link_many(convert, resample, format, GST_ELEMENT(sink), nullptr);
  GstPad *input = gst_element_get_static_pad(convert, "sink");
  gst_element_add_pad(bin, gst_ghost_pad_new("sink", input));
  gst_object_unref(input);
  return bin;
}

} // namespace engine
