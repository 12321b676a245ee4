// One GStreamer playbin for one engine. Audio goes to the default output,
// or to a real-time fakesink when AUDIOPLAYER_SINK=fake is set or no audio
// output can be opened; video, if a file has any, is dropped likewise. A
// file output has a pipeline of its own instead (render_pipeline.h), with
// no picture and no hand-over. The
// pipeline is made when the first item opens: a player that never plays
// (one that reads attributes or edits playlists) never opens the output.
//
// Threads: every method is called on the host's thread (but the playbin's
// about-to-finish handler, which takes the queued URI). What the pipeline
// reports from its streaming threads is queued here and announced by
// posting `message` to `window` (a window of the host's thread); the
// window's procedure then calls TakeMessage until it gives null, so bus
// messages are handled on the host's thread only. Stop and Open drop what
// is still queued from the item before.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "engine/playback/levelling.h"
#include "engine/playback/picture_output.h"
#include "engine/playback/pipeline_event.h"
#include "engine/playback/served_list.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace engine {

class ClockAlarm;
class RetiredSelectors;

// The most a network item may take to open (connect, answer, give the data
// it loads from) before it fails as a missing file does: 10 seconds, or
// AUDIOPLAYER_OPEN_SECONDS when that is a positive number.
double NetworkOpenSeconds();

class Playback {
public:
  Playback(HWND window, UINT message);
  ~Playback(); // out of line: ClockAlarm is complete there
  Playback(const Playback &) = delete;
  Playback &operator=(const Playback &) = delete;

  // False when GStreamer or its playbin is not available.
  bool Usable() const;
  // The URI GStreamer opens for a path or URL.
  static std::string UriOf(const std::u16string &url);
  // False for a local path that names no regular file: one that is gone
  // (GStreamer would only fail later, at the cost of a pipeline), or a
  // FIFO, device or folder, whose open could block the host's thread for
  // good; and for a file of a kind GStreamer never prerolls (file_type.h).
  // True for every other URI.
  static bool MayOpen(const std::string &uri);
  // Whether the playbin may go on to `uri` without a gap: a local regular
  // file whose first bytes GStreamer's typefinders take for media, or a
  // disc's track. A file
  // that is no media is not: its failure would end the pipeline, and with
  // it the end of the item before.
  static bool MayHandOverTo(const std::string &uri);
  // Whether a next stream is ever taken from a queued one: not by the file
  // output, which opens each item once the one before has ended.
  bool HandsOver() const;

  // Loads `uri` and prerolls it (paused); completion is reported on the bus.
  // With a part (seconds; `end` negative: to the end), positions, lengths
  // and seeks are the part's, and the stream ends where the part does;
  // the first seek, which OnPart says is due, takes the pipeline there.
  // `next`, if given, is queued as QueueNext queues it. A network URI that
  // has not loaded after NetworkOpenSeconds gives OpenTimedOut.
  // `gain`: how the levelling takes the stream (a next stream's is queued
  // with it).
  struct Next {
    std::string uri;
    StreamGain gain;
  };
  bool Open(const std::string &uri, double start, double end, const Next &next,
            const StreamGain &gain = {});
  // Whether the levelling asks which streams play within an album.
  bool LevelsByAlbum() const;
  // Whether levelling is on: streams are measured, and measures applied.
  bool Levels() const;
  // Whether it takes the album's gain whatever the order (album mode).
  bool PrefersAlbumGain() const;
  // Where the stream ends when it is more than the part: parts of the same
  // file that follow one another play on as one stream, to `stop` (the
  // file's seconds; negative: the file's end). Open sets it to the part's end.
  void PlayOnTo(double stop) { stop_ = stop; }
  double StreamStop() const { return stop_; }
  // Whether the stream goes on past the part's end, into a later part.
  bool PlaysOn() const { return end_ >= 0 && (stop_ < 0 || stop_ > end_ + 1e-6); }
  // The stream goes on into the next part of its file: positions and
  // lengths are that part's from now on, with nothing sought.
  void RunOn(double start, double end);
  // Asks for a Wake event once the playing stream has reached `seconds` of
  // the part at `rate`, by the pipeline's clock; one at a time, an earlier
  // one is forgotten, and so are all by Stop, Reset and Open.
  void WakeAt(double seconds, double rate);
  // Asks for a Called event `seconds` from now, by the system clock, whatever
  // the pipeline does meanwhile; one at a time, an earlier one is forgotten.
  void CallBackIn(double seconds);
  // True when the loaded item is a part of its file.
  bool OnPart() const { return start_ > 0 || end_ >= 0; }
  bool Play();
  bool Pause();
  // Back to nothing loaded; drops the queued messages.
  void Stop();
  // Stop after an error: the pipeline goes all the way down (GStreamer's
  // elements keep an error's state until then), so that the next item
  // opens afresh instead of failing with the one before it.
  void Reset();
  // A flushing, accurate seek at the given rate (within the part); false
  // when refused.
  bool Seek(double seconds, double rate);
  // Seconds; negative when the pipeline cannot tell.
  double Position() const;
  // How far the stream got on its way to the output, asked upstream of it:
  // for when the output has failed and cannot tell. Negative when unknown.
  double DecodedPosition() const;
  double Duration() const;
  // Whether the stream's server said it broadcasts (station_headers.h).
  bool FromStation() const;
  // What the stream's server served, where it named a list (served_list.h).
  std::optional<ServedList> Served() const;
  void SetVolume(double linear);
  void SetMute(bool mute);
  // Where the picture is drawn (no window: nowhere, video is dropped), and
  // whether audio is shown as a visualisation there. The place is taken
  // at the next Open; the visualisation goes on at once, and off at the
  // next Open.
  void ShowPicture(const PicturePlace &place, bool visualise);
  // The place's new size, told to its sink at once.
  void ResizePicture(int width, int height);

  // The next event the pipeline queued; false when there is none.
  bool TakeEvent(PipelineEvent *event);
  // Gapless hand-over: the URI the playbin goes on to when the current
  // stream's data has all been read, so that the next stream's samples
  // follow this one's with no gap (empty: none, the stream ends). Open,
  // Stop and Reset forget it; a file output takes none. Refused (false)
  // while the playbin has taken the URI queued before and its stream has
  // not started: the check and
  // the queueing are one step, since the playbin takes it on a streaming
  // thread, and what follows that stream is queued once it starts.
  bool QueueNext(const Next &next);
  // Whether the playbin has taken the queued URI (once the opened stream
  // started) and that stream has not started yet; TakeHandOver also
  // forgets that it has.
  bool HandOverPending() const;
  bool TakeHandOver();
  // A device output that failed (unplugged, its sound server gone) gives
  // way to the default output, for good; the pipeline goes down, as after
  // Reset. False, and nothing done, when the output is no device.
  bool FallBackToDefaultOutput();

  // Where the bus's sync handler leaves messages; shared with the handler.
  struct Queue;
  // The queued URI, shared with the about-to-finish handler.
  struct HandOver;

private:
  bool MakePipeline();
  // The playbin, with the output, the filter and the hand-over; null (and
  // the filter let go) when it cannot be made.
  GstElement *MakePlaybin();
  // The audio output (a new reference), or null.
  GstElement *Output() const;
  void BoundOpen(const std::string &uri);
  // The message as the session hears it; false for one it does not.
  bool Translate(GstMessage *message, PipelineEvent *event);
  // For each stream-start message of the pipeline, in order: whether it is
  // the start of a stream handed over to. The first after Open is the
  // opened stream's (a short file's data can all be read, and the next one
  // taken, before the host hears that it started).
  bool HandedOverStreamStarted();
  // Whether the message comes from the pipeline itself (not one of its children).
  bool FromPipeline(GstMessage *message) const;
  // Whether it comes from the audio output or an element inside it.
  bool FromOutput(GstMessage *message) const;
  // Gives the playbin the picture's sink and visualisation as ShowPicture
  // asked; the sink only while the playbin is not running.
  void ApplyPicture(bool running);

  std::shared_ptr<Queue> queue_;
  std::shared_ptr<HandOver> handOver_;
  Levelling levelling_;            // as the environment said when the player was made
  GstElement *filter_ = nullptr;   // the audio filter, borrowed
  bool openedStarted_ = false;     // the opened stream's stream-start was handled
  GstElement *pipeline_ = nullptr; // the playbin, or the render pipeline
  bool renders_ = false;           // the output is a file: the render pipeline
  // The playbin's retired selectors, let go on this thread.
  std::unique_ptr<RetiredSelectors> retired_;
  std::unique_ptr<ServedListWatch> servedList_;
  std::string output_; // the output's name, as AUDIOPLAYER_SINK gives it
  double start_ = 0;   // the part being played, in the file's seconds
  double end_ = -1;
  double stop_ = -1;                 // where the stream ends: the part's end, or a later part's
  std::unique_ptr<ClockAlarm> wake_; // at a position, by the pipeline's clock
  std::unique_ptr<ClockAlarm> openBound_; // the end of a network open's time
  std::unique_ptr<ClockAlarm> callBack_;
  unsigned long callBacks_ = 0; // tells the latest call-back from older ones
  unsigned long opens_ = 0;     // tells the bound of this open from older ones
  double volume_ = 1;
  bool mute_ = false;
  PicturePlace pictureWindow_; // asked for
  PicturePlace sinkWindow_;    // the playbin's video sink draws there
  bool visualise_ = false;
};

} // namespace engine
