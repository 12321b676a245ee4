// The state behind one media player control: its current playlist and
// item, play and open state, settings, event connections, the GStreamer
// playback and the window through which everything reaches the host's
// thread. The COM objects of the player (player, controls, settings,
// collections, connection points) each hold the engine; media and
// playlist objects hold only their records.
//
// Threads: the engine is made on the host's thread, and every method is
// called there. Events are never raised inside a method: they are queued
// and posted to the engine's window, and raised when the host's thread
// dispatches that message (PeekMessageW/GetMessageW + DispatchMessageW).
// A sink may therefore call back into the control from inside an event.
#pragma once

#include <windows.h>
#include <wmp.h>

#include <deque>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_event.h"
#include "engine/media/media_fragment.h"
#include "engine/library/media_item.h"
#include "engine/library/media_library.h"
#include "engine/playback/playback.h"
#include "engine/library/playlist_data.h"

typedef struct _GstMessage GstMessage;

namespace engine {

struct EngineSettings {
  bool autoStart = true;
  bool mute = false;
  long volume = 50; // 0..100
  double rate = 1;
  long balance = 0;
  long playCount = 1;
  bool loop = false;
  bool shuffle = false;
  bool autoRewind = true;
  bool showFrame = false;
  bool invokeURLs = true;
  bool enableErrorDialogs = false;
  std::u16string baseURL;
  std::u16string defaultFrame;
};

// What the player object shows of its window: drawn where an X display is
// available (engine_display.cpp), kept and read back everywhere.
struct EngineDisplay {
  bool enabled = true;
  bool fullScreen = false;
  bool enableContextMenu = true;
  bool stretchToFit = false;
  bool windowlessVideo = false;
  std::u16string uiMode = u"full";
};

// The engine commits the media library's changes made on its thread when
// the thread next dispatches messages (MediaLibrary's turns), and raises the
// error event when they could not be stored.
class Engine final : public std::enable_shared_from_this<Engine>, public MediaLibrary::TurnOwner {
public:
  // Null when the engine's window cannot be made.
  static std::shared_ptr<Engine> Create();
  ~Engine();
  Engine(const Engine &) = delete;
  Engine &operator=(const Engine &) = delete;

  // The media library, opened when first needed and let go when the
  // control is closed.
  const std::shared_ptr<MediaLibrary> &Library();
  HWND HostWindow() const { return hostWindow_; }
  void SetHostWindow(HWND window);
  // The display settings changed: the window and the picture follow them.
  void ShowDisplay();

  // ---- events ----
  // `sink` is called through `deliver` for each event; one reference is
  // kept until Disconnect or the end.
  std::int32_t Connect(EventDelivery deliver, IUnknown *sink, DWORD *cookie);
  std::int32_t Disconnect(DWORD cookie);
  // Queues the event; it is raised when the host's thread dispatches.
  void Raise(EngineEvent event);

  // ---- the player ----
  // Stops, and forgets the current playlist and URL.
  void Close();
  const std::u16string &Url() const { return url_; }
  // A playlist file becomes the current playlist; any other URL a playlist
  // of that one item. Plays when autoStart is on.
  std::int32_t SetUrl(const std::u16string &url);
  WMPPlayState PlayState() const { return playState_; }
  WMPOpenState OpenState() const { return openState_; }
  std::u16string StatusText() const;
  const std::shared_ptr<PlaylistData> &CurrentPlaylist() const { return current_; }
  // Stops and makes `playlist` current; plays its first item when autoStart is on.
  std::int32_t SetCurrentPlaylist(std::shared_ptr<PlaylistData> playlist);
  // A playlist named `name`: empty, read from a playlist file, or holding
  // the one media item `url` names.
  std::int32_t NewPlaylist(const std::u16string &name, const std::u16string &url,
                           std::shared_ptr<PlaylistData> *out);
  // The library's record for a URL it has, else a new record.
  std::shared_ptr<MediaItem> NewMedia(const std::u16string &url);

  // ---- the current item and transport ----
  // The selected item of the current playlist; null when it is empty.
  std::shared_ptr<MediaItem> CurrentItem();
  // Selects an item of the current playlist; playback moves with it if it was playing.
  std::int32_t SetCurrentItem(const std::shared_ptr<MediaItem> &item);
  std::int32_t PlayItem(const std::shared_ptr<MediaItem> &item);
  // Plays `item`: within the current playlist if it is there, else as a
  // playlist of its own.
  std::int32_t SetCurrentMedia(const std::shared_ptr<MediaItem> &item);
  std::int32_t Play();
  std::int32_t Pause();
  std::int32_t Stop();
  std::int32_t Next();
  std::int32_t Previous();
  double Position() const;
  std::int32_t SetPosition(double seconds);

  // ---- settings ----
  const EngineSettings &Settings() const { return settings_; }
  EngineSettings &EditSettings() { return settings_; } // for settings with no effect here
  void SetVolume(long volume);
  void SetMute(bool mute);
  std::int32_t SetRate(double rate);
  bool RateAvailable() const { return playback_.Usable(); }
  // "loop", "shuffle", "autoRewind", "showFrame"; E_INVALIDARG for others.
  std::int32_t GetMode(const std::u16string &mode, bool *on) const;
  std::int32_t SetMode(const std::u16string &mode, bool on);
  EngineDisplay &Display() { return display_; }

  // MediaLibrary::TurnOwner.
  void CommitWanted() override;
  void TurnFailed(std::int32_t status) override;

  // The window procedure's entry points.
  void CommitLibraryTurn();
  void TakeBusMessages();
  void RaiseNextEvent();

private:
  enum class Intent { Stopped, Paused, Playing };

  explicit Engine(HWND window);

  void ReleaseLibrary();
  void SetPlayState(WMPPlayState state);
  void SetOpenState(WMPOpenState state);
  void Listen(const std::shared_ptr<PlaylistData> &playlist);
  void OnCurrentPlaylistChange(WMPPlaylistChangeEventType kind);
  long CurrentIndex();
  void Select(long index);
  void MoveTo(long index);
  // Opens the current item's URL, or with `alternative` > 0 its
  // alternative of that number.
  void OpenCurrent(Intent intent, std::size_t alternative = 0);
  // Opens the item that plays anew, as it was (playing or paused, the same
  // alternative), `seconds` into it: the pipeline cannot go on with it.
  void ReopenCurrent(double seconds);
  bool TryAlternative(bool playing);
  void StopPlayback();
  void OnItemFailed(const std::shared_ptr<MediaItem> &failed, bool goOn);
  long NextIndex(bool forward);
  void Advance();
  // The URI the playbin goes on to after the current item (empty: none).
  std::string HandOverTarget();
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
  void HandleBusMessage(GstMessage *message);
  // `seekToPart`: false for a part the stream played on into, which is
  // where it is already.
  void OnPrerolled(bool seekToPart = true);
  void OnEndOfStream();
  void OnPipelineError(GstMessage *message);
  void OnStreamTags(GstMessage *message);
  void KeepStreamDuration(double seconds);
  void KeepStreamAttributes();
  void ApplyVolume();

  HWND window_;
  HWND hostWindow_ = nullptr;
  std::shared_ptr<MediaLibrary> library_;
  Playback playback_;

  struct Connection {
    DWORD cookie;
    EventDelivery deliver;
    IUnknown *sink; // one reference
  };
  std::vector<Connection> connections_;
  DWORD lastCookie_ = 0;
  std::deque<EngineEvent> events_;

  EngineSettings settings_;
  EngineDisplay display_;
  std::u16string url_;
  WMPPlayState playState_ = wmppsUndefined;
  WMPOpenState openState_ = wmposUndefined;
  std::shared_ptr<PlaylistData> current_;
  std::shared_ptr<MediaItem> item_; // the selected item of current_
  long itemHint_ = -1;              // its position, when it stands more than once
  Intent intent_ = Intent::Stopped;
  bool prerolled_ = false; // the opened item is loaded; position and seeks work
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
  std::deque<std::shared_ptr<MediaItem>> handedOver_;
  bool hearingHandOver_ = false; // the host is hearing of the first of them
  // An item whose next one failed when handed over to: it is not again.
  std::shared_ptr<MediaItem> noHandOverFrom_;
  bool endedAfterHandOver_ = false; // the last of them ended before the host heard
  // What a network item's stream has said of itself since it opened.
  std::map<std::u16string, std::u16string> streamed_;
  std::vector<long> shuffleOrder_;
  long shufflePlace_ = -1; // where the current item was last found in it
  std::mt19937 random_{std::random_device{}()};
};

} // namespace engine
