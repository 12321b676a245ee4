// The engine's life, its window, its event connections and its playlists.
#include "engine/engine.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "engine/cd/disc.h"
#include "engine/text/com_text.h"
#include "engine/playlist_files/flac_cue_sheet.h"
#include "engine/playlist_files/playlist_file_reader.h"
#include "engine/text/utf8_text.h"

namespace engine {

namespace {

const char16_t kWindowClass[] = u"AudioPlayerEngine";
// Posted by the playback when bus messages wait, and by Raise per event.
const UINT kBusMessage = WM_APP + 0x51;
const UINT kEventMessage = WM_APP + 0x52;
// Posted at a turn's first change of the library: commit it.
const UINT kLibraryMessage = WM_APP + 0x53;
// Posted by the session per step it defers.
const UINT kStepMessage = WM_APP + 0x54;
const std::int32_t kFileNotFound = std::int32_t(0x80070002);
// How long a player's end waits for its edits to reach their files.
constexpr std::chrono::seconds kFileTagWait{10};

LRESULT CALLBACK EngineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kBusMessage && message != kEventMessage && message != kLibraryMessage &&
      message != kStepMessage)
    return DefWindowProcW(window, message, wParam, lParam);
  auto *engine = reinterpret_cast<Engine *>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (engine == nullptr)
    return 0;
  // A sink may release the last reference from inside an event.
  std::shared_ptr<Engine> alive = engine->shared_from_this();
  if (message == kBusMessage)
    alive->TakeBusMessages();
  else if (message == kLibraryMessage)
    alive->CommitLibraryTurn();
  else if (message == kStepMessage)
    alive->RunNextStep();
  else
    alive->RaiseNextEvent();
  return 0;
}

bool RegisterWindowClass() {
  WNDCLASSEXW info{};
  if (GetClassInfoExW(nullptr, kWindowClass, &info))
    return true;
  info.cbSize = sizeof info;
  info.lpfnWndProc = EngineWindowProc;
  info.lpszClassName = kWindowClass;
  // Another thread may have registered it meanwhile; that is as good.
  return RegisterClassExW(&info) || GetClassInfoExW(nullptr, kWindowClass, &info);
}

std::u16string FileBaseName(const std::u16string &path) {
  return Utf16Of(std::filesystem::path(Utf8Of(path)).stem().string());
}

} // namespace

std::shared_ptr<Engine> Engine::Create() {
  if (!RegisterWindowClass())
    return nullptr;
  HWND window =
      CreateWindowExW(0, kWindowClass, u"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr)
    return nullptr;
  std::shared_ptr<Engine> engine(new Engine(window));
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(engine.get()));
  engine->Listen(engine->current_); // needs the engine shared first
  return engine;
}

Engine::Engine(HWND window)
    : window_(window), current_(PlaylistData::Named(u"")),
      session_(*this, window, kBusMessage, kStepMessage) {
  OfferUrlReader(&ReadTrackAttributes); // the library reads CD tracks from their disc
  ApplyVolume();
}

Engine::~Engine() {
  ReleaseLibrary();
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  DestroyWindow(window_); // what is still posted to it goes with it
  if (current_->listener)
    current_->listener = nullptr;
  for (Connection &connection : connections_)
    connection.sink->Release();
}

// ---- events ----------------------------------------------------------------

std::int32_t Engine::Connect(EventDelivery deliver, IUnknown *sink, DWORD *cookie) {
  do {
    ++lastCookie_; // 0 is never a cookie
  } while (lastCookie_ == 0);
  sink->AddRef();
  connections_.push_back({lastCookie_, deliver, sink});
  *cookie = lastCookie_;
  return S_OK;
}

std::int32_t Engine::Disconnect(DWORD cookie) {
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (it->cookie != cookie)
      continue;
    IUnknown *sink = it->sink;
    connections_.erase(it);
    sink->Release();
    return S_OK;
  }
  return CONNECT_E_NOCONNECTION;
}

const std::shared_ptr<MediaLibrary> &Engine::Library() {
  if (!library_) {
    library_ = MediaLibrary::Shared();
    library_->Attach(this);
  }
  return library_;
}

void Engine::ReleaseLibrary() {
  if (!library_)
    return;
  // The host's last edits reach their files before it goes; a file still
  // being copied after the wait is finished behind it.
  library_->WaitForFileTags(kFileTagWait);
  library_->Detach(this); // what this thread changed is committed now
  library_.reset();
}

void Engine::CommitLibraryTurn() {
  if (library_)
    library_->CommitTurn(this);
}

void Engine::CommitWanted() {
  PostMessageW(window_, kLibraryMessage, 0, 0);
}

// The host hears that the library's changes of the turn were undone.
void Engine::TurnFailed(std::int32_t /*status*/) {
  Raise({.id = DISPID_WMPCOREEVENT_ERROR});
}

void Engine::Raise(EngineEvent event) {
  events_.push_back(std::move(event));
  PostMessageW(window_, kEventMessage, 0, 0);
}

void Engine::RaiseNextEvent() {
  if (events_.empty())
    return;
  EngineEvent event = std::move(events_.front());
  events_.pop_front();
  // A sink may disconnect itself or another sink from inside the event; a
  // sink disconnected meanwhile is not called any more.
  std::vector<Connection> targets = connections_;
  for (Connection &target : targets)
    target.sink->AddRef();
  for (Connection &target : targets) {
    bool connected = false;
    for (Connection &now : connections_)
      connected = connected || now.cookie == target.cookie;
    if (connected)
      target.deliver(target.sink, event);
  }
  for (Connection &target : targets)
    target.sink->Release();
}

void Engine::SetPlayState(WMPPlayState state) {
  if (playState_ == state)
    return;
  playState_ = state;
  Raise({.id = DISPID_WMPCOREEVENT_PLAYSTATECHANGE, .number = state});
}

void Engine::SetOpenState(WMPOpenState state) {
  if (openState_ == state)
    return;
  openState_ = state;
  Raise({.id = DISPID_WMPCOREEVENT_OPENSTATECHANGE, .number = state});
}

void Engine::ItemChanged(const std::shared_ptr<MediaItem> &item) {
  Raise({.id = DISPID_WMPCOREEVENT_CURRENTITEMCHANGE, .media = item});
}

void Engine::MediaError(const std::shared_ptr<MediaItem> &item) {
  Raise({.id = DISPID_WMPCOREEVENT_MEDIAERROR, .media = item});
}

void Engine::EndOfStream() {
  Raise({.id = DISPID_WMPCOREEVENT_ENDOFSTREAM, .number = 0});
}

void Engine::PositionChanged(double from, double to) {
  Raise({.id = DISPID_WMPCOREEVENT_POSITIONCHANGE, .from = from, .to = to});
}

void Engine::Buffering(bool started) {
  Raise({.id = DISPID_WMPCOREEVENT_BUFFERING, .flag = started});
}

void Engine::PlayerError() {
  Raise({.id = DISPID_WMPCOREEVENT_ERROR});
}

std::u16string Engine::StatusText() const {
  switch (playState_) {
  case wmppsStopped:
    return u"Stopped";
  case wmppsPaused:
    return u"Paused";
  case wmppsPlaying:
    return u"Playing";
  case wmppsBuffering:
    return u"Buffering";
  case wmppsMediaEnded:
    return u"Media ended";
  case wmppsTransitioning:
    return u"Connecting...";
  case wmppsReady:
    return u"Ready";
  default:
    return u"";
  }
}

// ---- playlists -------------------------------------------------------------

void Engine::Close() {
  // A host closes the control when it is done: what it changed is stored
  // now, not at a message dispatch that may never come, and the database
  // is closed (checkpointed, its WAL removed) unless another player uses it.
  ReleaseLibrary();
  session_.Drop(false);
  if (current_->listener)
    current_->listener = nullptr;
  current_ = PlaylistData::Named(u"");
  Listen(current_);
  url_.clear();
  SetPlayState(wmppsUndefined);
  SetOpenState(wmposUndefined);
}

std::int32_t Engine::SetUrl(const std::u16string &url) {
  std::shared_ptr<PlaylistData> playlist;
  std::int32_t status = NewPlaylist(u"", url, &playlist);
  if (FAILED(status))
    return status;
  url_ = url;
  status = SetCurrentPlaylist(playlist);
  if (SUCCEEDED(status) && !settings_.autoStart && session_.CurrentItem())
    SetPlayState(wmppsReady);
  return status;
}

std::int32_t Engine::SetCurrentPlaylist(std::shared_ptr<PlaylistData> playlist) {
  if (!playlist)
    return E_POINTER;
  session_.Drop(true);
  SetOpenState(wmposPlaylistChanging);
  if (current_ != playlist && current_->listener)
    current_->listener = nullptr;
  current_ = std::move(playlist);
  Listen(current_);
  SetOpenState(wmposPlaylistChanged);
  Raise({.id = DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE, .number = wmplcMorph});
  session_.Begin(settings_.autoStart);
  return S_OK;
}

void Engine::Listen(const std::shared_ptr<PlaylistData> &playlist) {
  std::weak_ptr<Engine> self = weak_from_this();
  playlist->listener = [self](WMPPlaylistChangeEventType kind) {
    if (auto engine = self.lock())
      engine->OnCurrentPlaylistChange(kind);
  };
}

void Engine::OnCurrentPlaylistChange(WMPPlaylistChangeEventType kind) {
  Raise({.id = DISPID_WMPCOREEVENT_CURRENTPLAYLISTCHANGE, .number = kind});
  Raise({.id = DISPID_WMPCOREEVENT_PLAYLISTCHANGE, .number = kind, .playlist = current_});
  session_.PlaylistEdited();
}

std::int32_t Engine::SetCurrentMedia(const std::shared_ptr<MediaItem> &item) {
  if (!item)
    return E_POINTER;
  if (current_->IndexOf(item.get()) < 0) {
    auto playlist = PlaylistData::Named(u"");
    playlist->items.push_back(item);
    return SetCurrentPlaylist(playlist);
  }
  return settings_.autoStart ? PlayItem(item) : SetCurrentItem(item);
}

std::int32_t Engine::NewPlaylist(const std::u16string &name, const std::u16string &url,
                                 std::shared_ptr<PlaylistData> *out) {
  out->reset();
  auto playlist = PlaylistData::Named(name);
  std::optional<std::vector<PlaylistEntry>> entries;
  if (!url.empty() && PlaylistFormatOf(url) != PlaylistFormat::Unknown) {
    std::int32_t fetched = 0;
    entries = ReadPlaylistTree(url, &fetched);
    if (!entries && FAILED(fetched))
      return fetched; // by URL: timed out, not there, too large
    if (!entries) {
      std::error_code error;
      return std::filesystem::exists(std::filesystem::path(Utf8Of(url)), error) ? E_FAIL
                                                                                : kFileNotFound;
    }
  } else if (!url.empty()) {
    // A FLAC file with its own cue sheet opens as its tracks; other media
    // as a playlist of itself.
    entries = EmbeddedCueSheet(url);
    if (!entries)
      playlist->items.push_back(NewMedia(url));
  }
  if (entries && name.empty())
    playlist->name = FileBaseName(url);
  if (!entries)
    entries.emplace();
  for (PlaylistEntry &entry : *entries) {
    auto item = NewMedia(entry.url);
    if (!entry.title.empty())
      item->listTitle = std::move(entry.title); // the file's own title wins
    for (auto &[attribute, value] : entry.attributes)
      item->attributes.emplace(attribute, value); // before the file's: the list's win
    if (!entry.alternatives.empty())
      item->alternatives = std::move(entry.alternatives);
    item->unreachable = entry.unreachable;
    playlist->items.push_back(item);
  }
  *out = playlist;
  return S_OK;
}

std::shared_ptr<MediaItem> Engine::NewMedia(const std::u16string &url) {
  return Library()->ItemForUrl(url);
}

// ---- settings --------------------------------------------------------------

void Engine::ApplyVolume() {
  // The control's scale is perceptual; GStreamer's volume is linear.
  double level = double(settings_.volume) / 100.0;
  session_.SetVolume(level * level * level, settings_.mute);
}

void Engine::SetVolume(long volume) {
  settings_.volume = std::clamp(volume, 0L, 100L);
  ApplyVolume();
}

void Engine::SetMute(bool mute) {
  settings_.mute = mute;
  ApplyVolume();
}

std::int32_t Engine::SetRate(double rate) {
  if (!(rate > 0 && rate <= 16))
    return E_INVALIDARG; // GStreamer plays audio forwards only
  settings_.rate = rate;
  session_.RateChanged();
  return S_OK;
}

std::int32_t Engine::GetMode(const std::u16string &mode, bool *on) const {
  if (SameName(mode, u"loop"))
    *on = settings_.loop;
  else if (SameName(mode, u"shuffle"))
    *on = settings_.shuffle;
  else if (SameName(mode, u"autoRewind"))
    *on = settings_.autoRewind;
  else if (SameName(mode, u"showFrame"))
    *on = settings_.showFrame;
  else
    return E_INVALIDARG;
  return S_OK;
}

std::int32_t Engine::SetMode(const std::u16string &mode, bool on) {
  if (SameName(mode, u"loop"))
    settings_.loop = on;
  else if (SameName(mode, u"shuffle"))
    settings_.shuffle = on;
  else if (SameName(mode, u"autoRewind"))
    settings_.autoRewind = on;
  else if (SameName(mode, u"showFrame"))
    settings_.showFrame = on;
  else
    return E_INVALIDARG;
  session_.OrderChanged(SameName(mode, u"shuffle")); // loop and shuffle choose what follows
  Raise({.id = DISPID_WMPCOREEVENT_MODECHANGE, .text = mode, .flag = on});
  return S_OK;
}

} // namespace engine
