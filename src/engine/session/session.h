// What plays: the current item of the engine's current playlist, what the
// host asked of it (play, pause, stop), preroll and seeks, failures in a
// row and alternative URLs, the gapless hand-over to the next item and the
// run-on through parts of one file. The session owns the playback; the
// engine owns the playlist, the settings and the events, and hears from the
// session through its listener.
//
// Threads: as the engine's, everything runs on the host's thread. Work the
// session plans for later (the next item after a failure, an end the host
// must hear first) waits in its own queue, announced by posting `step` to
// the engine's window behind the events already raised, so that the sinks
// see the state those events report before the step changes it.
#pragma once

#include <windows.h>
#include <wmp.h>

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/library/media_item.h"
#include "engine/library/media_library.h"
#include "engine/library/playlist_data.h"
#include "engine/media/media_fragment.h"
#include "engine/playback/pipeline_event.h"
#include "engine/playback/playback.h"
#include "engine/session/session_state.h"

namespace engine {

// What the session tells the engine, and what it reads of it.
class SessionListener {
public:
  virtual void SetPlayState(WMPPlayState state) = 0;
  virtual void SetOpenState(WMPOpenState state) = 0;
  // The current item changed (null: there is none now).
  virtual void ItemChanged(const std::shared_ptr<MediaItem> &item) = 0;
  virtual void MediaError(const std::shared_ptr<MediaItem> &item) = 0;
  virtual void EndOfStream() = 0;
  virtual void PositionChanged(double from, double to) = 0;
  virtual void Buffering(bool started) = 0;
  // A failure that is no item's: the output, or GStreamer itself.
  virtual void PlayerError() = 0;

  virtual WMPPlayState PlayState() const = 0;
  virtual const std::shared_ptr<PlaylistData> &Playlist() const = 0;
  virtual bool Loop() const = 0;
  virtual bool Shuffle() const = 0;
  virtual double Rate() const = 0;
  virtual const std::shared_ptr<MediaLibrary> &Library() = 0;

protected:
  ~SessionListener() = default;
};

class Session {
public:
  // Bus messages are announced by posting `bus` to `window`, steps by `step`.
  Session(SessionListener &listener, HWND window, UINT bus, UINT step);
  Session(const Session &) = delete;
  Session &operator=(const Session &) = delete;

  // ---- the current item and transport ----
  // The selected item of the current playlist; null when it is empty.
  const std::shared_ptr<MediaItem> &CurrentItem() const { return item_; }
  // Selects an item of the current playlist; playback moves with it if it was playing.
  std::int32_t SetCurrentItem(const std::shared_ptr<MediaItem> &item);
  std::int32_t PlayItem(const std::shared_ptr<MediaItem> &item);
  std::int32_t Play();
  std::int32_t Pause();
  std::int32_t Stop();
  std::int32_t Next();
  std::int32_t Previous();
  double Position() const;
  std::int32_t SetPosition(double seconds);

  // ---- what the engine changed ----
  // Before the current playlist is replaced or forgotten: playback stops
  // (the host hears it when `tell` and it was active), and nothing is
  // selected any more.
  void Drop(bool tell);
  // The new current playlist's first item is selected, and plays if `play`.
  void Begin(bool play);
  // The current playlist was edited: the selected item stays if it is still
  // there, else what stands at its place now is selected.
  void PlaylistEdited();
  // Loop or shuffle changed (`reshuffle`: shuffle did): what follows changes.
  void OrderChanged(bool reshuffle);
  // The rate changed: a loaded stream goes on at it.
  void RateChanged();
  void SetVolume(double linear, bool mute);
  void ShowPicture(const PicturePlace &place, bool visualise) {
    playback_.ShowPicture(place, visualise);
  }
  void ResizePicture(int width, int height) { playback_.ResizePicture(width, height); }
  bool Usable() const { return playback_.Usable(); }

  // The window procedure's entry points.
  void TakeBusMessages();
  void RunNextStep();

private:
  // The only change of state_: session_state.cpp says where each move leads.
  void Take(SessionMove move) { state_ = After(state_, move); }
  bool Active() const { return IsActive(state_); }
  bool Loaded() const { return IsLoaded(state_); }
  bool WantsPlay() const { return engine::WantsPlay(state_); }
  bool HearingHandOver() const { return IsHandingOver(state_); }
  // Runs `work` once the events raised before it have been heard.
  void Defer(std::function<void()> work);
  const std::vector<std::shared_ptr<MediaItem>> &Items() const;
  long CurrentIndex();
  void Select(long index);
  void MoveTo(long index);
  // Opens the current item's URL to play or to stay paused, or with
  // `alternative` > 0 its alternative of that number.
  void OpenCurrent(bool play, std::size_t alternative = 0);
  // Opens the item that plays anew, as it was (playing or paused, the same
  // alternative), `seconds` into it: the pipeline cannot go on with it.
  void ReopenCurrent(double seconds);
  bool TryAlternative(bool playing);
  void StopPlayback();
  void OnItemFailed(const std::shared_ptr<MediaItem> &failed, bool goOn);
  long NextIndex(bool forward);
  void Advance();
  // The URI the playbin goes on to after the current item (empty: none).
  Playback::Next HandOverTarget();
  // How the levelling takes `item`, at `index` in the playlist (-1: none).
  StreamGain GainOf(const MediaItem &item, long index);
  bool WithinAlbum(long index);
  std::optional<LoudnessMeasure> AlbumLoudness(long index);
  void OnMeasured(const PipelineEvent &event);
  void ArmHandOver();
  void OnHandedOver();
  void HearHandOversDue();
  void HearHandOver();
  // Parts of one file that follow one another in the playlist play on as
  // one stream; the host hears each begin as the stream reaches it.
  bool ContinuedAfter(long index);
  double RunStop(const MediaFragment &part);
  void ArmRunOn();
  void OnRunOnWake();
  void QueuePartsPlayedInto(bool toTheStop);
  void Handle(const PipelineEvent &event);
  // `seekToPart`: false for a part the stream played on into, which is
  // where it is already.
  void OnPrerolled(bool seekToPart = true);
  void OnEndOfStream();
  void OnPipelineError(const PipelineEvent &event);
  void OnOpenTimedOut();
  // A live stream that ended or failed after it played opens again, after
  // a pause; false when it is no live stream, or has dropped too often.
  bool Reconnect();
  void OnCalledBack();
  // The opened item ends in failure: its own (`mediaFault`), or the player's.
  void FailOpened(bool mediaFault);
  void TakeServedList(const ServedList &served);
  void OnStreamTags(const PipelineEvent &event);
  void KeepStreamDuration(double seconds);
  void KeepStreamAttributes();

  SessionListener &listener_;
  Playback playback_;
  HWND window_;
  UINT stepMessage_;
  std::deque<std::function<void()>> steps_;

  std::shared_ptr<MediaItem> item_;            // the selected item of the current playlist
  long itemHint_ = -1;                         // its position, when it stands more than once
  SessionState state_ = SessionState::Stopped; // where the current item's stream is
  double pendingSeek_ = -1;
  double seeking_ = -1; // where a seek goes, until the pipeline is there
  long failures_ = 0;   // items that failed in a row while advancing
  // Counts the opens and stops: a step planned for later is dropped when
  // the host has started or stopped anything since.
  unsigned long generation_ = 0;
  std::size_t alternative_ = 0; // which URL of the current item is open
  // The item the playbin goes on to without a gap, when one is queued, and
  // those whose streams started before the host heard of the change.
  std::shared_ptr<MediaItem> handedTo_;
  long handedToIndex_ = -1; // its place in the playlist
  std::deque<std::shared_ptr<MediaItem>> handedOver_;
  // An item whose next one failed when handed over to: it is not again.
  std::shared_ptr<MediaItem> noHandOverFrom_;
  bool endedAfterHandOver_ = false; // the last of them ended before the host heard
  // What a network item's stream has said of itself since it opened.
  std::map<std::u16string, std::u16string> streamed_;
  // How often in a row the live stream that plays has dropped, when it last
  // opened, and the open a reconnection waits to make (0: none).
  long reconnects_ = 0;
  std::chrono::steady_clock::time_point openedAt_{};
  unsigned long reconnectAt_ = 0;
  std::vector<long> shuffleOrder_;
  long shufflePlace_ = -1; // where the current item was last found in it
  std::mt19937 random_{std::random_device{}()};
};

} // namespace engine
