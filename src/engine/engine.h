// The state behind one media player control: its current playlist, play
// and open state, settings, event connections, the session that plays the
// current item, and the window through which everything reaches the host's
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
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_event.h"
#include "engine/library/media_item.h"
#include "engine/library/media_library.h"
#include "engine/library/playlist_data.h"
#include "engine/session/session.h"

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
class Engine final : public std::enable_shared_from_this<Engine>,
                     public MediaLibrary::TurnOwner,
                     private SessionListener {
public:
  // Null when the engine's window cannot be made.
  static std::shared_ptr<Engine> Create();
  ~Engine();
  Engine(const Engine &) = delete;
  Engine &operator=(const Engine &) = delete;

  // The media library, opened when first needed and let go when the
  // control is closed.
  const std::shared_ptr<MediaLibrary> &Library() override;
  HWND HostWindow() const { return hostWindow_; }
  void SetHostWindow(HWND window);

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
  WMPPlayState PlayState() const override { return playState_; }
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

  // ---- the current item and transport: the session's ----
  std::shared_ptr<MediaItem> CurrentItem() const { return session_.CurrentItem(); }
  std::int32_t SetCurrentItem(const std::shared_ptr<MediaItem> &item) {
    return session_.SetCurrentItem(item);
  }
  std::int32_t PlayItem(const std::shared_ptr<MediaItem> &item) { return session_.PlayItem(item); }
  // Plays `item`: within the current playlist if it is there, else as a
  // playlist of its own.
  std::int32_t SetCurrentMedia(const std::shared_ptr<MediaItem> &item);
  std::int32_t Play() { return session_.Play(); }
  std::int32_t Pause() { return session_.Pause(); }
  std::int32_t Stop() { return session_.Stop(); }
  std::int32_t Next() { return session_.Next(); }
  std::int32_t Previous() { return session_.Previous(); }
  double Position() const { return session_.Position(); }
  std::int32_t SetPosition(double seconds) { return session_.SetPosition(seconds); }

  // ---- settings ----
  const EngineSettings &Settings() const { return settings_; }
  // A setting that takes effect only where it is read (auto start, when a
  // playlist is set) or is only read back: kept, nothing else follows.
  // Volume, mute, rate and the modes have setters of their own that apply them.
  template <class T> void KeepSetting(T EngineSettings::*setting, T value) {
    settings_.*setting = std::move(value);
  }
  void SetVolume(long volume);
  void SetMute(bool mute);
  std::int32_t SetRate(double rate);
  bool RateAvailable() const { return session_.Usable(); }
  // "loop", "shuffle", "autoRewind", "showFrame"; E_INVALIDARG for others.
  std::int32_t GetMode(const std::u16string &mode, bool *on) const;
  std::int32_t SetMode(const std::u16string &mode, bool on);
  const EngineDisplay &Display() const { return display_; }
  // Full screen and the UI mode: the window and the picture follow them.
  void SetFullScreen(bool on);
  void SetUiMode(std::u16string mode);
  // A display flag nothing here draws by: kept and read back.
  void KeepDisplayFlag(bool EngineDisplay::*flag, bool on) { display_.*flag = on; }

  // MediaLibrary::TurnOwner.
  void CommitWanted() override;
  void TurnFailed(std::int32_t status) override;

  // The window procedure's entry points.
  void CommitLibraryTurn();
  void TakeBusMessages() { session_.TakeBusMessages(); }
  void RunNextStep() { session_.RunNextStep(); }
  void RaiseNextEvent();

private:
  explicit Engine(HWND window);

  void ReleaseLibrary();
  // The display settings changed: the window and the picture follow them.
  void ShowDisplay();
  void Listen(const std::shared_ptr<PlaylistData> &playlist);
  void OnCurrentPlaylistChange(WMPPlaylistChangeEventType kind);
  void ApplyVolume();

  // SessionListener.
  void SetPlayState(WMPPlayState state) override;
  void SetOpenState(WMPOpenState state) override;
  void ItemChanged(const std::shared_ptr<MediaItem> &item) override;
  void MediaError(const std::shared_ptr<MediaItem> &item) override;
  void EndOfStream() override;
  void PositionChanged(double from, double to) override;
  void Buffering(bool started) override;
  void PlayerError() override;
  const std::shared_ptr<PlaylistData> &Playlist() const override { return current_; }
  bool Loop() const override { return settings_.loop; }
  bool Shuffle() const override { return settings_.shuffle; }
  double Rate() const override { return settings_.rate; }

  HWND window_;
  HWND hostWindow_ = nullptr;
  std::shared_ptr<MediaLibrary> library_;

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
  Session session_;
};

} // namespace engine
