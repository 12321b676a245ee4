// The playbin and the hand-over of its bus messages to the host's thread.
#include "engine/playback/playback.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "engine/media/attribute_readers.h"
#include "engine/media/file_type.h"
#include "engine/media/gstreamer_ready.h"
#include "engine/media/mp4_gapless.h"
#include "engine/media/network_url.h"
#include "engine/media/ogg_gapless.h"
#include "engine/media/asf_gapless.h"
#include "engine/playback/audio_filter.h"
#include "engine/playback/audio_output.h"
#include "engine/playback/clock_alarm.h"
#include "engine/playback/decoder_choice.h"
#include "engine/playback/edit_list_hiding.h"
#include "engine/playback/libav_clipping.h"
#include "engine/playback/gapless_trim.h"
#include "engine/playback/levelling.h"
#include "engine/playback/picture_output.h"
#include "engine/playback/render_pipeline.h"
#include "engine/playback/station_headers.h"
#include "engine/playback/retired_selectors.h"
#include "engine/playback/served_list.h"

#include <gst/base/gsttypefindhelper.h>
#include <gst/gst.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <utility>

#include "engine/text/utf8_text.h"

namespace engine {

// Filled by the bus's sync handler on streaming threads, emptied on the
// host's thread. Shared with the handler so it outlives any late call.
struct Playback::Queue {
  std::mutex mutex;
  std::deque<GstMessage *> messages;
  bool announced = false; // a post is on its way to the window
  HWND window;
  UINT message;
  PicturePlace picture; // where a picture sink draws, under the mutex

  PicturePlace Picture() {
    std::lock_guard lock(mutex);
    return picture;
  }
  void SetPicture(const PicturePlace &place) {
    std::lock_guard lock(mutex);
    picture = place;
  }

  void Clear() {
    std::deque<GstMessage *> dropped;
    {
      std::lock_guard lock(mutex);
      dropped.swap(messages);
    }
    for (GstMessage *stale : dropped)
      gst_message_unref(stale);
  }
};

struct Playback::HandOver {
  std::mutex mutex;
  std::string next;
  StreamGain gain;                 // of the next stream
  std::optional<GaplessTrim> trim; // of the next stream
  bool taken = false;
  GstElement *filter = nullptr; // the playbin's audio filter, borrowed

  void Forget() {
    std::lock_guard lock(mutex);
    next.clear();
    taken = false;
  }
};

namespace {

// On a streaming thread, once the current stream's data has all been read:
// the playbin plays the URI set here next, without a gap.
void OnAboutToFinish(GstElement *playbin, gpointer data) {
  auto *handOver = static_cast<std::shared_ptr<Playback::HandOver> *>(data)->get();
  std::lock_guard lock(handOver->mutex);
  if (handOver->next.empty())
    return;
  g_object_set(playbin, "uri", handOver->next.c_str(), nullptr);
  GainForNextStream(handOver->filter, handOver->gain);
  TrimNextStream(handOver->filter, handOver->trim);
  handOver->next.clear();
  handOver->taken = true;
}

void ForgetHandOver(gpointer data, GClosure *) {
  delete static_cast<std::shared_ptr<Playback::HandOver> *>(data);
}

// Returning GST_BUS_DROP gives the bus's reference to the handler: the
// queue keeps it, and whoever takes the message from the queue drops it.
GstBusSyncReply OnBusMessage(GstBus *, GstMessage *message, gpointer data) {
  auto *queue = static_cast<std::shared_ptr<Playback::Queue> *>(data)->get();
  const bool request = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ELEMENT ||
                       GST_MESSAGE_TYPE(message) == GST_MESSAGE_NEED_CONTEXT;
  if (request && AnswerSinkRequest(message, queue->Picture())) {
    gst_message_unref(message);
    return GST_BUS_DROP;
  }
  bool announce = false;
  {
    std::lock_guard lock(queue->mutex);
    queue->messages.push_back(message);
    announce = !std::exchange(queue->announced, true);
  }
  if (announce)
    PostMessageW(queue->window, queue->message, 0, 0);
  return GST_BUS_DROP;
}

void ForgetQueue(gpointer data) {
  delete static_cast<std::shared_ptr<Playback::Queue> *>(data);
}

// A sink that fails (no audio device, a device gone) or a failure inside
// GStreamer itself is the engine's error; a file that cannot be read,
// recognised or decoded, or a URI or format no installed plugin handles
// (ftp://, a codec left out), is the media item's: the next one may play.
bool IsMediaFault(GstMessage *message) {
  GstObject *source = GST_MESSAGE_SRC(message);
  if (source != nullptr && GST_IS_ELEMENT(source) &&
      GST_OBJECT_FLAG_IS_SET(source, GST_ELEMENT_FLAG_SINK))
    return false;
  GError *error = nullptr;
  gst_message_parse_error(message, &error, nullptr);
  const bool fault =
      error != nullptr &&
      (error->domain == GST_STREAM_ERROR || error->domain == GST_RESOURCE_ERROR ||
       (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN));
  if (error != nullptr)
    g_error_free(error);
  return fault;
}

const char kWakeName[] = "audioplayer-wake";
const char kOpenBoundName[] = "audioplayer-open-bound";
const char kCallBackName[] = "audioplayer-call-back";

} // namespace

Playback::Playback(HWND window, UINT message)
    : queue_(std::make_shared<Queue>()), handOver_(std::make_shared<HandOver>()),
      levelling_(Levelling::FromEnvironment()) {
  queue_->window = window;
  queue_->message = message;
}

bool Playback::Usable() const {
  static const bool available = [] {
    if (!EnsureGstreamer())
      return false;
    GstElementFactory *factory = gst_element_factory_find("playbin");
    if (factory != nullptr)
      gst_object_unref(factory);
    return factory != nullptr;
  }();
  return pipeline_ != nullptr || available;
}

bool Playback::MakePipeline() {
  if (pipeline_ != nullptr)
    return true;
  if (!Usable())
    return false;
  output_ = NamedAudioOutput();
  const bool renders = IsFileOutput(output_);
  filter_ = MakeAudioFilter(levelling_);
  handOver_->filter = filter_;
  pipeline_ = renders ? MakeRenderPipeline(filter_, MakeAudioOutput(output_)) : MakePlaybin();
  if (pipeline_ == nullptr) {
    filter_ = handOver_->filter = nullptr; // gone with what was to hold it
    return false;
  }
  renders_ = renders; // only with a pipeline: the calls it routes there need one
  SetVolume(volume_);
  SetMute(mute_);
  HideEditListsFromDemuxers(pipeline_);
  servedList_ = std::make_unique<ServedListWatch>(pipeline_);
  MendLibavClipping(pipeline_);
  PreferCheaperDecoders();
  GstBus *bus = gst_element_get_bus(pipeline_);
  gst_bus_set_sync_handler(bus, OnBusMessage, new std::shared_ptr<Queue>(queue_), ForgetQueue);
  gst_object_unref(bus);
  return true;
}

GstElement *Playback::MakePlaybin() {
  GstElement *playbin = gst_element_factory_make("playbin", nullptr);
  if (playbin == nullptr) {
    if (filter_ != nullptr)
      gst_object_unref(gst_object_ref_sink(filter_));
    return nullptr;
  }
  gst_object_ref_sink(playbin);
  retired_ = std::make_unique<RetiredSelectors>(playbin);
  g_object_set(playbin, "audio-sink", MakeAudioOutput(output_), "video-sink", RealTimeFakeSink(),
               nullptr);
  if (filter_ != nullptr)
    g_object_set(playbin, "audio-filter", filter_, nullptr);
  g_signal_connect_data(playbin, "about-to-finish", G_CALLBACK(OnAboutToFinish),
                        new std::shared_ptr<HandOver>(handOver_), ForgetHandOver, GConnectFlags(0));
  return playbin;
}

Playback::~Playback() {
  wake_.reset();
  openBound_.reset();
  callBack_.reset();
  if (pipeline_ != nullptr) {
    gst_element_set_state(pipeline_, GST_STATE_NULL); // joins the streaming threads
    retired_.reset();
    GstBus *bus = gst_element_get_bus(pipeline_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(pipeline_);
  }
  queue_->Clear();
}

std::string Playback::UriOf(const std::u16string &url) {
  std::string text = Utf8Of(url);
  if (gst_uri_is_valid(text.c_str()))
    return text;
  if (!EnsureGstreamer())
    return {};
  gchar *uri = gst_filename_to_uri(text.c_str(), nullptr);
  std::string result = uri ? uri : "";
  g_free(uri);
  return result;
}

bool Playback::MayOpen(const std::string &uri) {
  gchar *path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  if (path == nullptr)
    return true; // not a local file
  struct stat info {};
  const bool regular = ::stat(path, &info) == 0 && S_ISREG(info.st_mode);
  const bool plays = regular && !NeverPlays(path);
  g_free(path);
  return plays;
}

double NetworkOpenSeconds() {
  constexpr double kDefault = 10;
  const char *given = std::getenv("AUDIOPLAYER_OPEN_SECONDS");
  char *end = nullptr;
  const double seconds = given != nullptr ? std::strtod(given, &end) : kDefault;
  return given != nullptr && end != given && *end == 0 && seconds > 0 ? seconds : kDefault;
}

namespace {

// What a local file's encoder added, to be trimmed: an MP3's, an AAC file's
// in MP4, an Opus file's pre-skip where GStreamer's decoder keeps it, a
// Vorbis file's last sample where it keeps one too many (the trim looks at
// the stream's first segment), a WMA file's priming frame.
std::optional<GaplessTrim> TrimOf(const std::string &uri) {
  if (uri.rfind("file://", 0) != 0)
    return std::nullopt;
  gchar *path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  std::optional<GaplessTrim> trim = path ? ReadMpegGapless(path) : std::nullopt;
  if (path && !trim)
    trim = ReadMp4Gapless(path);
  if (path && !trim)
    trim = ReadOpusGapless(path);
  if (path && !trim)
    trim = ReadVorbisGapless(path);
  if (path && !trim)
    trim = ReadWmaGapless(path);
  g_free(path);
  return trim;
}

} // namespace

bool Playback::MayHandOverTo(const std::string &uri) {
  // A disc's next track: a new source over the same disc. Its data is
  // read about a second ahead, so after a track shorter than that the
  // next one is queued too late and opens after it.
  if (uri.rfind("cdda://", 0) == 0)
    return true;
  if (uri.rfind("file://", 0) != 0 || !MayOpen(uri))
    return false;
  gchar *path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  const bool media = path != nullptr && LooksLikeMedia(path);
  g_free(path);
  return media;
}

// Asked before the first item opens too, when there is no pipeline yet:
// the output it will have decides.
bool Playback::HandsOver() const {
  return pipeline_ != nullptr ? !renders_ : !IsFileOutput(NamedAudioOutput());
}

bool Playback::LevelsByAlbum() const {
  return levelling_.mode == Levelling::Mode::Auto;
}

bool Playback::Levels() const {
  return levelling_.mode != Levelling::Mode::Off;
}

bool Playback::PrefersAlbumGain() const {
  return levelling_.mode == Levelling::Mode::Album;
}

bool Playback::Open(const std::string &uri, double start, double end, const Next &next,
                    const StreamGain &gain) {
  if (!MakePipeline())
    return false;
  Stop();
  servedList_->Forget();
  DropTempo(filter_); // put back by the seek to the rate, when it is not 1
  GainForNextStream(filter_, gain);
  TrimNextStream(filter_, TrimOf(uri));
  QueueNext(next);
  start_ = start;
  end_ = end;
  stop_ = end;
  if (renders_) {
    LoadIntoRender(pipeline_, uri);
  } else {
    g_object_set(pipeline_, "uri", uri.c_str(), nullptr);
    ApplyPicture(false);
  }
  ++opens_;
  BoundOpen(uri);
  return gst_element_set_state(pipeline_, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

void Playback::ShowPicture(const PicturePlace &place, bool visualise) {
  pictureWindow_ = place;
  visualise_ = visualise;
  if (pipeline_ != nullptr && !renders_)
    ApplyPicture(true);
}

void Playback::ResizePicture(int width, int height) {
  pictureWindow_.width = width;
  pictureWindow_.height = height;
  if (renders_ || sinkWindow_.window == 0 || sinkWindow_.window != pictureWindow_.window)
    return;
  sinkWindow_ = pictureWindow_;
  queue_->SetPicture(sinkWindow_);
  GstElement *sink = nullptr;
  g_object_get(pipeline_, "video-sink", &sink, nullptr);
  engine::ResizePicture(sink, sinkWindow_);
  if (sink != nullptr)
    gst_object_unref(sink);
}

void Playback::ApplyPicture(bool running) {
  if (!running && sinkWindow_ != pictureWindow_) {
    GstElement *sink = pictureWindow_.window ? PictureSink(pictureWindow_) : nullptr;
    sinkWindow_ = sink ? pictureWindow_ : PicturePlace{};
    queue_->SetPicture(sinkWindow_);
    if (sink && sinkWindow_.window)
      if (GstElement *visualisation = Visualisation(sinkWindow_))
        g_object_set(pipeline_, "vis-plugin", visualisation, nullptr);
    g_object_set(pipeline_, "video-sink", sink ? sink : RealTimeFakeSink(), nullptr);
  }
  const bool visualise = visualise_ && sinkWindow_.window && sinkWindow_ == pictureWindow_;
  // Turning the visualisation off restarts the picture's sink, and
  // ximagesink loses the images it frees after its display is closed: while
  // the stream runs, the visualisation only goes on (it draws in the hidden
  // window until the next item opens without it).
  if (running && !visualise)
    return;
  constexpr guint kVisualise = 1u << 3; // GST_PLAY_FLAG_VIS
  guint flags = 0;
  g_object_get(pipeline_, "flags", &flags, nullptr);
  const guint wanted = visualise ? flags | kVisualise : flags & ~kVisualise;
  if (wanted != flags)
    g_object_set(pipeline_, "flags", wanted, nullptr);
}

bool Playback::Play() {
  return pipeline_ &&
         gst_element_set_state(pipeline_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

bool Playback::Pause() {
  return pipeline_ &&
         gst_element_set_state(pipeline_, GST_STATE_PAUSED) != GST_STATE_CHANGE_FAILURE;
}

void Playback::Stop() {
  wake_.reset();
  openBound_.reset();
  if (pipeline_ != nullptr)
    gst_element_set_state(pipeline_, GST_STATE_READY); // returns once streaming stopped
  if (retired_)
    retired_->Release();
  DropMeasure(filter_);
  queue_->Clear();
  handOver_->Forget();
  openedStarted_ = false;
}

void Playback::Reset() {
  wake_.reset();
  openBound_.reset();
  if (pipeline_ != nullptr)
    gst_element_set_state(pipeline_, GST_STATE_NULL);
  if (retired_)
    retired_->Release();
  DropMeasure(filter_);
  queue_->Clear();
  handOver_->Forget();
  openedStarted_ = false;
}

bool Playback::QueueNext(const Next &next) {
  if (renders_)
    return true; // nothing to hand over to: the next item opens after this one ends
  std::optional<GaplessTrim> trim = TrimOf(next.uri); // a file read: not under the lock
  std::lock_guard lock(handOver_->mutex);
  if (handOver_->taken)
    return false;
  handOver_->next = next.uri;
  handOver_->gain = next.gain;
  handOver_->trim = trim;
  return true;
}

bool Playback::HandOverPending() const {
  std::lock_guard lock(handOver_->mutex);
  return openedStarted_ && handOver_->taken;
}

bool Playback::TakeHandOver() {
  std::lock_guard lock(handOver_->mutex);
  return openedStarted_ && std::exchange(handOver_->taken, false);
}

bool Playback::HandedOverStreamStarted() {
  return std::exchange(openedStarted_, true) && TakeHandOver();
}

bool Playback::Seek(double seconds, double rate) {
  if (pipeline_ == nullptr || rate <= 0)
    return false;
  auto flags = GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
  TempoForRate(filter_, rate);
  // The decoder's time, where the encoder's delay still comes first.
  const std::optional<GaplessTrim> trim = CurrentTrim(filter_);
  const bool trimmed = trim && !trim->counted && trim->rate > 0;
  // The stop, when the part has one, ends the stream there. Untrimmed, it
  // is set a microsecond early: decoders whose timestamps are rounded
  // (flacdec) keep the sample that starts exactly at the stop, which
  // belongs to the next part; a microsecond is less than a sample at any
  // rate up to 384 kHz.
  const gint64 start = trimmed ? gint64(SeekTimeOf(*trim, start_ + seconds, false))
                               : std::llround((start_ + seconds) * GST_SECOND);
  const gint64 stop = stop_ < 0 ? 0
                      : trimmed ? gint64(SeekTimeOf(*trim, stop_, true))
                                : std::llround(stop_ * GST_SECOND) - GST_USECOND;
  return gst_element_seek(pipeline_, rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, start,
                          stop_ >= 0 ? GST_SEEK_TYPE_SET : GST_SEEK_TYPE_NONE, stop);
}

void Playback::RunOn(double start, double end) {
  start_ = start;
  end_ = end;
}

void Playback::WakeAt(double seconds, double rate) {
  wake_.reset();
  const double now = Position();
  GstClock *clock = pipeline_ ? gst_element_get_clock(pipeline_) : nullptr;
  if (clock != nullptr && now >= 0 && rate > 0) {
    GstBus *bus = gst_element_get_bus(pipeline_);
    wake_ = ClockAlarm::After(clock, std::max(0.0, (seconds - now) / rate), bus, kWakeName, 0);
    gst_object_unref(bus);
  }
  if (clock != nullptr)
    gst_object_unref(clock);
}

void Playback::CallBackIn(double seconds) {
  callBack_.reset();
  if (!MakePipeline())
    return;
  GstClock *clock = gst_system_clock_obtain();
  GstBus *bus = gst_element_get_bus(pipeline_);
  callBack_ = ClockAlarm::After(clock, seconds, bus, kCallBackName, ++callBacks_);
  gst_object_unref(bus);
  gst_object_unref(clock);
}

void Playback::BoundOpen(const std::string &uri) {
  openBound_.reset();
  if (!IsNetworkUrl(Utf16Of(uri)))
    return;
  // The system clock: the pipeline's runs only once it plays.
  GstClock *clock = gst_system_clock_obtain();
  GstBus *bus = gst_element_get_bus(pipeline_);
  openBound_ = ClockAlarm::After(clock, NetworkOpenSeconds(), bus, kOpenBoundName, opens_);
  gst_object_unref(bus);
  gst_object_unref(clock);
}

double Playback::Position() const {
  gint64 position = 0;
  if (pipeline_ == nullptr || !gst_element_query_position(pipeline_, GST_FORMAT_TIME, &position))
    return -1;
  return std::max(0.0, double(position) / GST_SECOND - start_);
}

double Playback::Duration() const {
  gint64 duration = 0;
  std::optional<GaplessTrim> trim = CurrentTrim(filter_);
  if (trim && trim->keep == GaplessTrim::kToTheEnd)
    trim.reset();
  if (pipeline_ == nullptr ||
      (!trim &&
       (!gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &duration) || duration < 0)))
    return end_ >= 0 ? end_ - start_ : -1;
  // A trimmed stream's length is what its header says is the source's.
  const double file = trim ? double(trim->keep) / trim->rate : double(duration) / GST_SECOND;
  return std::max(0.0, (end_ >= 0 ? std::min(end_, file) : file) - start_);
}

bool Playback::FromStation() const {
  return ComesFromStation(pipeline_);
}

std::optional<ServedList> Playback::Served() const {
  return servedList_ ? servedList_->Served() : std::nullopt;
}

void Playback::SetVolume(double linear) {
  volume_ = linear;
  if (renders_)
    SetRenderVolume(pipeline_, volume_, mute_);
  else if (pipeline_ != nullptr)
    g_object_set(pipeline_, "volume", linear, nullptr);
}

void Playback::SetMute(bool mute) {
  mute_ = mute;
  if (renders_)
    SetRenderVolume(pipeline_, volume_, mute_);
  else if (pipeline_ != nullptr)
    g_object_set(pipeline_, "mute", gboolean(mute), nullptr);
}

bool Playback::TakeEvent(PipelineEvent *event) {
  if (retired_)
    retired_->Release();
  for (;;) {
    GstMessage *message = nullptr;
    {
      std::lock_guard lock(queue_->mutex);
      if (queue_->messages.empty()) {
        queue_->announced = false;
        return false;
      }
      message = queue_->messages.front();
      queue_->messages.pop_front();
    }
    *event = PipelineEvent{};
    const bool heard = Translate(message, event);
    gst_message_unref(message);
    if (heard)
      return true;
  }
}

bool Playback::Translate(GstMessage *message, PipelineEvent *event) {
  using Kind = PipelineEvent::Kind;
  switch (GST_MESSAGE_TYPE(message)) {
  case GST_MESSAGE_ASYNC_DONE:
    event->kind = Kind::Loaded;
    return FromPipeline(message);
  case GST_MESSAGE_STATE_CHANGED: {
    if (!FromPipeline(message))
      return false;
    GstState before, after, pending;
    gst_message_parse_state_changed(message, &before, &after, &pending);
    event->kind = Kind::Playing;
    return after == GST_STATE_PLAYING;
  }
  case GST_MESSAGE_DURATION_CHANGED:
    event->kind = Kind::DurationChanged;
    return true;
  case GST_MESSAGE_BUFFERING: {
    gint percent = 100;
    gst_message_parse_buffering(message, &percent);
    event->kind = Kind::Buffering;
    event->percent = percent;
    return true;
  }
  case GST_MESSAGE_STREAM_START:
    event->kind = Kind::HandedOver;
    return FromPipeline(message) && HandedOverStreamStarted();
  case GST_MESSAGE_EOS:
    event->kind = Kind::Ended;
    return true;
  case GST_MESSAGE_ERROR:
    event->kind = Kind::Error;
    event->fromOutput = FromOutput(message);
    event->mediaFault = IsMediaFault(message);
    return true;
  case GST_MESSAGE_TAG: {
    GstTagList *tags = nullptr;
    gst_message_parse_tag(message, &tags);
    FileAttributes read;
    ReadTextTags(tags, read);
    // A station's name (icy-name, which the HTTP source gives as the
    // organisation) is its songs' album: the collection they come from.
    gchar *station = nullptr;
    if (!read.text.count(u"Album") &&
        gst_tag_list_get_string(tags, GST_TAG_ORGANIZATION, &station) && station && *station)
      read.text[u"Album"] = Utf16Of(station);
    g_free(station);
    gst_tag_list_unref(tags);
    event->kind = Kind::Tags;
    event->tags = std::move(read.text);
    return true;
  }
  case GST_MESSAGE_APPLICATION:
    if (PictureLost(message)) {
      event->kind = Kind::PictureLost;
      return true;
    }
    if (MeasureIn(message, &event->measuredFile, &event->loudness)) {
      event->kind = Kind::Measured;
      return true;
    }
    if (ClockAlarm::Rang(message, kOpenBoundName, opens_)) {
      event->kind = Kind::OpenTimedOut;
      return true;
    }
    if (ClockAlarm::Rang(message, kCallBackName, callBacks_)) {
      event->kind = Kind::Called;
      return true;
    }
    event->kind = Kind::Wake;
    return ClockAlarm::Rang(message, kWakeName, 0);
  default:
    return false;
  }
}

bool Playback::FromPipeline(GstMessage *message) const {
  return GST_MESSAGE_SRC(message) == GST_OBJECT(pipeline_);
}

GstElement *Playback::Output() const {
  GstElement *output = nullptr;
  if (renders_)
    output = GST_ELEMENT(gst_object_ref(RenderOutput(pipeline_)));
  else if (pipeline_ != nullptr)
    g_object_get(pipeline_, "audio-sink", &output, nullptr);
  return output;
}

bool Playback::FromOutput(GstMessage *message) const {
  GstObject *source = GST_MESSAGE_SRC(message);
  GstElement *output = source ? Output() : nullptr;
  const bool inside = output != nullptr && (source == GST_OBJECT(output) ||
                                            gst_object_has_as_ancestor(source, GST_OBJECT(output)));
  if (output != nullptr)
    gst_object_unref(output);
  return inside;
}

double Playback::DecodedPosition() const {
  GstElement *output = Output();
  if (output == nullptr)
    return -1;
  gint64 position = -1;
  if (GstPad *input = gst_element_get_static_pad(output, "sink")) {
    if (!gst_pad_peer_query_position(input, GST_FORMAT_TIME, &position))
      position = -1;
    gst_object_unref(input);
  }
  gst_object_unref(output);
  return position < 0 ? -1 : std::max(0.0, double(position) / GST_SECOND - start_);
}

bool Playback::FallBackToDefaultOutput() {
  if (pipeline_ == nullptr || !IsDeviceOutput(output_))
    return false;
  output_.clear();
  Reset();
  // The volume lives in the output when it has one (pulsesink does): the
  // new one is told it, or it would play at its own, often full, level.
  g_object_set(pipeline_, "audio-sink", MakeAudioOutput(output_), "volume", volume_, "mute",
               gboolean(mute_), nullptr);
  return true;
}

} // namespace engine
