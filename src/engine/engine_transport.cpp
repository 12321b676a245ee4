// The current item and the transport: what plays, and what comes next.
#include "engine/engine.h"

#include "engine/media/media_fragment.h"

#include <algorithm>
#include <numeric>

namespace engine {

std::shared_ptr<MediaItem> Engine::CurrentItem() {
  return item_;
}

long Engine::CurrentIndex() {
  if (!item_)
    return -1;
  const auto &items = current_->Items();
  if (itemHint_ >= 0 && itemHint_ < long(items.size()) && items[itemHint_] == item_)
    return itemHint_;
  itemHint_ = current_->IndexOf(item_.get());
  return itemHint_;
}

void Engine::Select(long index) {
  item_ = current_->Items()[index];
  noHandOverFrom_ = nullptr;
  itemHint_ = index;
  pendingSeek_ = -1;
  Raise({.id = DISPID_WMPCOREEVENT_CURRENTITEMCHANGE, .media = item_});
}

void Engine::ReopenCurrent(double seconds) {
  const Intent intent = intent_;
  StopPlayback();
  pendingSeek_ = seconds;
  OpenCurrent(intent, alternative_);
}

void Engine::OpenCurrent(Intent intent, std::size_t alternative) {
  if (!item_)
    return;
  alternative_ = std::min(alternative, item_->alternatives.size());
  if (!playback_.Usable()) {
    StopPlayback();
    SetPlayState(wmppsStopped);
    Raise({.id = DISPID_WMPCOREEVENT_ERROR});
    return;
  }
  ++generation_;
  SetPlayState(wmppsTransitioning);
  // A URL that is no URI, or a local path that names no regular file (gone,
  // a folder, a FIFO whose open would wait for a writer), fails at once and
  // never reaches GStreamer: it costs no pipeline and no open states, so a
  // long run of such items costs little per item.
  const MediaFragment part =
      PlayedPart(alternative_ == 0 ? item_->url : item_->alternatives[alternative_ - 1]);
  std::string uri = Playback::UriOf(part.file);
  if (uri.empty() || !Playback::MayOpen(uri)) {
    auto failed = item_;
    StopPlayback();
    if (!TryAlternative(intent == Intent::Playing))
      OnItemFailed(failed, intent == Intent::Playing);
    return;
  }
  intent_ = intent;
  prerolled_ = false;
  streamed_.clear();
  if (auto library = item_->library.lock())
    library->Revalidate(*item_); // a file replaced since it was read is read again
  SetOpenState(wmposMediaChanging);
  SetOpenState(wmposMediaOpening);
  // The next stream is named before this one starts: a short file's data
  // can all be read before it plays.
  playback_.Open(uri, part.start, part.end, HandOverTarget()); // a refused open reports on the bus
  playback_.PlayOnTo(RunStop(part));
}

// An item with another URL left to try opens that one on a later message
// (unless the host chose otherwise meanwhile); it fails as a whole only when
// none opens. False when none is left.
bool Engine::TryAlternative(bool playing) {
  if (!item_ || alternative_ >= item_->alternatives.size())
    return false;
  Raise({.then = [this, item = item_, next = alternative_ + 1, playing, generation = generation_] {
    if (generation_ == generation && item_ == item)
      OpenCurrent(playing ? Intent::Playing : Intent::Paused, next);
  }});
  return true;
}

// The host hears of the failed item; playback then goes on with the next
// one on a later message, unless the host chose otherwise meanwhile. Going
// on from there, not from here, keeps a run of failing items from nesting
// calls and lets the host's own messages in between.
void Engine::OnItemFailed(const std::shared_ptr<MediaItem> &failed, bool goOn) {
  Raise({.id = DISPID_WMPCOREEVENT_MEDIAERROR, .media = failed});
  ++failures_;
  if (!goOn) {
    SetPlayState(wmppsStopped);
    return;
  }
  Raise({.then = [this, failed, generation = generation_] {
    if (generation_ == generation && item_ == failed)
      Advance();
  }});
}

void Engine::StopPlayback() {
  ++generation_;
  handedOver_.clear();
  hearingHandOver_ = endedAfterHandOver_ = false;
  playback_.Stop();
  intent_ = Intent::Stopped;
  prerolled_ = false;
  seeking_ = -1;
}

long Engine::NextIndex(bool forward) {
  long count = long(current_->Items().size());
  if (count == 0)
    return -1;
  long index = CurrentIndex();
  long step = forward ? 1 : -1;
  if (!settings_.shuffle) {
    long next = index + step;
    if (next >= 0 && next < count)
      return next;
    return settings_.loop ? (forward ? 0 : count - 1) : -1;
  }
  if (long(shuffleOrder_.size()) != count) {
    shuffleOrder_.resize(count);
    std::iota(shuffleOrder_.begin(), shuffleOrder_.end(), 0L);
    std::shuffle(shuffleOrder_.begin(), shuffleOrder_.end(), random_);
  }
  // The place found last is checked first, so that stepping through the
  // order costs the same on a long playlist.
  long place = shufflePlace_;
  if (place < 0 || place >= count || shuffleOrder_[place] != index) {
    auto at = std::find(shuffleOrder_.begin(), shuffleOrder_.end(), index);
    place = at == shuffleOrder_.end() ? (forward ? -1 : count) : long(at - shuffleOrder_.begin());
  }
  long next = place + step;
  if (next < 0 || next >= count) {
    if (!settings_.loop)
      return -1;
    next = forward ? 0 : count - 1;
  }
  shufflePlace_ = next;
  return shuffleOrder_[next];
}

// After an item ended or failed while playing: the next one plays, or
// playback stops at the end of the playlist (or when every item failed).
void Engine::Advance() {
  long next = NextIndex(true);
  if (next < 0 || failures_ >= long(current_->Items().size())) {
    StopPlayback();
    SetPlayState(wmppsStopped);
    return;
  }
  Select(next);
  OpenCurrent(Intent::Playing);
}

std::int32_t Engine::SetCurrentItem(const std::shared_ptr<MediaItem> &item) {
  if (!item)
    return E_POINTER;
  long index = item == item_ ? CurrentIndex() : current_->IndexOf(item.get());
  if (index < 0)
    return E_INVALIDARG;
  MoveTo(index);
  return S_OK;
}

// Selecting another item keeps playing if it was playing; a paused item is
// stopped.
void Engine::MoveTo(long index) {
  bool playing = intent_ == Intent::Playing;
  bool active = intent_ != Intent::Stopped;
  StopPlayback();
  Select(index);
  if (playing) {
    failures_ = 0;
    OpenCurrent(Intent::Playing);
  } else if (active) {
    SetPlayState(wmppsStopped);
  }
}

std::int32_t Engine::PlayItem(const std::shared_ptr<MediaItem> &item) {
  if (!item)
    return E_POINTER;
  long index = item == item_ ? CurrentIndex() : current_->IndexOf(item.get());
  if (index < 0)
    return E_INVALIDARG;
  StopPlayback();
  Select(index);
  failures_ = 0;
  OpenCurrent(Intent::Playing);
  return S_OK;
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

std::int32_t Engine::Play() {
  if (!item_ || intent_ == Intent::Playing)
    return S_OK; // nothing to play, or playing already
  if (intent_ == Intent::Paused) {
    intent_ = Intent::Playing;
    if (prerolled_)
      playback_.Play(); // playing is reported when the pipeline gets there
    else
      SetPlayState(wmppsTransitioning);
    return S_OK;
  }
  failures_ = 0;
  OpenCurrent(Intent::Playing);
  return S_OK;
}

std::int32_t Engine::Pause() {
  if (intent_ == Intent::Stopped)
    return S_OK;
  intent_ = Intent::Paused;
  if (prerolled_)
    playback_.Pause();
  SetPlayState(wmppsPaused);
  return S_OK;
}

std::int32_t Engine::Stop() {
  StopPlayback();
  pendingSeek_ = -1;
  SetPlayState(wmppsStopped);
  return S_OK;
}

// Past either end of the playlist (without loop) nothing changes.
std::int32_t Engine::Next() {
  if (long index = NextIndex(true); index >= 0)
    MoveTo(index);
  return S_OK;
}

std::int32_t Engine::Previous() {
  if (long index = NextIndex(false); index >= 0)
    MoveTo(index);
  return S_OK;
}

double Engine::Position() const {
  if (intent_ != Intent::Stopped && prerolled_) {
    // The pipeline cannot tell while a seek is under way: the position is
    // where the host asked to go, so that relative seeks add up.
    if (seeking_ >= 0)
      return seeking_;
    double position = playback_.Position();
    return position < 0 ? 0 : position;
  }
  return pendingSeek_ >= 0 ? pendingSeek_ : 0;
}

std::int32_t Engine::SetPosition(double seconds) {
  if (!(seconds >= 0))
    return E_INVALIDARG;
  if (!item_)
    return E_FAIL;
  if (intent_ == Intent::Stopped || !prerolled_) {
    pendingSeek_ = seconds; // taken when the item is loaded
    return S_OK;
  }
  if (playback_.HandOverPending()) {
    // The playbin has gone on to the next stream already: the item opens
    // again, where the host wants it.
    ReopenCurrent(seconds);
    return S_OK;
  }
  double before = Position();
  if (!playback_.Seek(seconds, settings_.rate))
    return E_FAIL;
  seeking_ = seconds;
  Raise({.id = DISPID_WMPCOREEVENT_POSITIONCHANGE, .from = before, .to = seconds});
  return S_OK;
}

} // namespace engine
