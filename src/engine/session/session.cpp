// The current item and the transport: what plays, and what comes next.
#include "engine/session/session.h"

#include "engine/media/media_fragment.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace engine {

Session::Session(SessionListener &listener, HWND window, UINT bus, UINT step)
    : listener_(listener), playback_(window, bus), window_(window), stepMessage_(step) {}

void Session::Defer(std::function<void()> work) {
  steps_.push_back(std::move(work));
  PostMessageW(window_, stepMessage_, 0, 0);
}

void Session::RunNextStep() {
  if (steps_.empty())
    return;
  std::function<void()> work = std::move(steps_.front());
  steps_.pop_front();
  work();
}

const std::vector<std::shared_ptr<MediaItem>> &Session::Items() const {
  return listener_.Playlist()->Items();
}

long Session::CurrentIndex() {
  if (!item_)
    return -1;
  const auto &items = Items();
  if (itemHint_ >= 0 && itemHint_ < long(items.size()) && items[itemHint_] == item_)
    return itemHint_;
  itemHint_ = listener_.Playlist()->IndexOf(item_.get());
  return itemHint_;
}

void Session::Select(long index) {
  item_ = Items()[index];
  noHandOverFrom_ = nullptr;
  reconnects_ = 0;
  itemHint_ = index;
  pendingSeek_ = -1;
  listener_.ItemChanged(item_);
}

void Session::ReopenCurrent(double seconds) {
  const bool play = WantsPlay();
  StopPlayback();
  pendingSeek_ = seconds;
  OpenCurrent(play, alternative_);
}

void Session::OpenCurrent(bool play, std::size_t alternative) {
  if (!item_)
    return;
  alternative_ = std::min(alternative, item_->alternatives.size());
  if (!playback_.Usable()) {
    StopPlayback();
    listener_.SetPlayState(wmppsStopped);
    listener_.PlayerError();
    return;
  }
  ++generation_;
  listener_.SetPlayState(wmppsTransitioning);
  // A URL that is no URI, or a local path that names no regular file (gone,
  // a folder, a FIFO whose open would wait for a writer), fails at once and
  // never reaches GStreamer: it costs no pipeline and no open states, so a
  // long run of such items costs little per item.
  const MediaFragment part =
      PlayedPart(alternative_ == 0 ? item_->url : item_->alternatives[alternative_ - 1]);
  std::string uri = Playback::UriOf(part.file);
  const bool unreachable = alternative_ == 0 && std::exchange(item_->unreachable, false);
  if (unreachable || uri.empty() || !Playback::MayOpen(uri)) {
    auto failed = item_;
    StopPlayback();
    if (!TryAlternative(play))
      OnItemFailed(failed, play);
    return;
  }
  Take(play ? SessionMove::Open : SessionMove::OpenPaused);
  openedAt_ = std::chrono::steady_clock::now();
  streamed_.clear();
  if (auto library = item_->library.lock())
    library->Revalidate(*item_); // a file replaced since it was read is read again
  listener_.SetOpenState(wmposMediaChanging);
  listener_.SetOpenState(wmposMediaOpening);
  // The next stream is named before this one starts: a short file's data
  // can all be read before it plays.
  // A refused open reports on the bus.
  playback_.Open(uri, part.start, part.end, HandOverTarget(),
                 alternative_ == 0 ? GainOf(*item_, CurrentIndex()) : StreamGain{});
  playback_.PlayOnTo(RunStop(part));
}

// An item with another URL left to try opens that one on a later message
// (unless the host chose otherwise meanwhile); it fails as a whole only when
// none opens. False when none is left.
bool Session::TryAlternative(bool playing) {
  if (!item_ || alternative_ >= item_->alternatives.size())
    return false;
  Defer([this, item = item_, next = alternative_ + 1, playing, generation = generation_] {
    if (generation_ == generation && item_ == item)
      OpenCurrent(playing, next);
  });
  return true;
}

// The host hears of the failed item; playback then goes on with the next
// one on a later message, unless the host chose otherwise meanwhile. Going
// on from there, not from here, keeps a run of failing items from nesting
// calls and lets the host's own messages in between.
void Session::OnItemFailed(const std::shared_ptr<MediaItem> &failed, bool goOn) {
  listener_.MediaError(failed);
  ++failures_;
  if (!goOn) {
    listener_.SetPlayState(wmppsStopped);
    return;
  }
  Defer([this, failed, generation = generation_] {
    if (generation_ == generation && item_ == failed)
      Advance();
  });
}

void Session::StopPlayback() {
  ++generation_;
  handedOver_.clear();
  endedAfterHandOver_ = false;
  playback_.Stop();
  Take(SessionMove::Stop);
  seeking_ = -1;
}

long Session::NextIndex(bool forward) {
  long count = long(Items().size());
  if (count == 0)
    return -1;
  long index = CurrentIndex();
  long step = forward ? 1 : -1;
  if (!listener_.Shuffle()) {
    long next = index + step;
    if (next >= 0 && next < count)
      return next;
    return listener_.Loop() ? (forward ? 0 : count - 1) : -1;
  }
  if (long(shuffleOrder_.size()) != count) {
    shuffleOrder_.resize(count);
    std::iota(shuffleOrder_.begin(), shuffleOrder_.end(), 0L);
    std::shuffle(shuffleOrder_.begin(), shuffleOrder_.end(), random_);
    // A new order begins at the item that plays, so that every other item
    // follows it once: begun elsewhere, those before it would never play.
    if (index >= 0 && index < count)
      std::iter_swap(shuffleOrder_.begin(),
                     std::find(shuffleOrder_.begin(), shuffleOrder_.end(), index));
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
    if (!listener_.Loop())
      return -1;
    next = forward ? 0 : count - 1;
  }
  shufflePlace_ = next;
  return shuffleOrder_[next];
}

// After an item ended or failed while playing: the next one plays, or
// playback stops at the end of the playlist (or when every item failed).
void Session::Advance() {
  long next = NextIndex(true);
  if (next < 0 || failures_ >= long(Items().size())) {
    StopPlayback();
    listener_.SetPlayState(wmppsStopped);
    return;
  }
  Select(next);
  OpenCurrent(true);
}

std::int32_t Session::SetCurrentItem(const std::shared_ptr<MediaItem> &item) {
  if (!item)
    return E_POINTER;
  long index = item == item_ ? CurrentIndex() : listener_.Playlist()->IndexOf(item.get());
  if (index < 0)
    return E_INVALIDARG;
  MoveTo(index);
  return S_OK;
}

// Selecting another item keeps playing if it was playing; a paused item is
// stopped.
void Session::MoveTo(long index) {
  bool playing = WantsPlay();
  bool active = Active();
  StopPlayback();
  Select(index);
  if (playing) {
    failures_ = 0;
    OpenCurrent(true);
  } else if (active) {
    listener_.SetPlayState(wmppsStopped);
  }
}

std::int32_t Session::PlayItem(const std::shared_ptr<MediaItem> &item) {
  if (!item)
    return E_POINTER;
  long index = item == item_ ? CurrentIndex() : listener_.Playlist()->IndexOf(item.get());
  if (index < 0)
    return E_INVALIDARG;
  StopPlayback();
  Select(index);
  failures_ = 0;
  OpenCurrent(true);
  return S_OK;
}

std::int32_t Session::Play() {
  if (!item_ || WantsPlay())
    return S_OK; // nothing to play, or playing already
  if (Active()) {
    Take(SessionMove::Play);
    if (Loaded())
      playback_.Play(); // playing is reported when the pipeline gets there
    else
      listener_.SetPlayState(wmppsTransitioning);
    return S_OK;
  }
  failures_ = 0;
  OpenCurrent(true);
  return S_OK;
}

std::int32_t Session::Pause() {
  if (!Active())
    return S_OK;
  Take(SessionMove::Pause);
  if (Loaded())
    playback_.Pause();
  listener_.SetPlayState(wmppsPaused);
  return S_OK;
}

std::int32_t Session::Stop() {
  StopPlayback();
  pendingSeek_ = -1;
  listener_.SetPlayState(wmppsStopped);
  return S_OK;
}

// Past either end of the playlist (without loop) nothing changes.
std::int32_t Session::Next() {
  if (long index = NextIndex(true); index >= 0)
    MoveTo(index);
  return S_OK;
}

std::int32_t Session::Previous() {
  if (long index = NextIndex(false); index >= 0)
    MoveTo(index);
  return S_OK;
}

double Session::Position() const {
  if (Loaded()) {
    // The pipeline cannot tell while a seek is under way: the position is
    // where the host asked to go, so that relative seeks add up.
    if (seeking_ >= 0)
      return seeking_;
    double position = playback_.Position();
    return position < 0 ? 0 : position;
  }
  return pendingSeek_ >= 0 ? pendingSeek_ : 0;
}

std::int32_t Session::SetPosition(double seconds) {
  if (!(seconds >= 0))
    return E_INVALIDARG;
  if (!item_)
    return E_FAIL;
  if (!Loaded()) {
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
  if (!playback_.Seek(seconds, listener_.Rate()))
    return E_FAIL;
  seeking_ = seconds;
  listener_.PositionChanged(before, seconds);
  return S_OK;
}

// ---- what the engine changed ----

void Session::Drop(bool tell) {
  const bool wasActive = Active();
  StopPlayback();
  if (tell && wasActive)
    listener_.SetPlayState(wmppsStopped);
  shuffleOrder_.clear();
  item_ = nullptr;
  itemHint_ = -1;
  pendingSeek_ = -1;
}

void Session::Begin(bool play) {
  if (Items().empty())
    return;
  Select(0);
  if (play) {
    failures_ = 0;
    OpenCurrent(true);
  }
}

void Session::PlaylistEdited() {
  shuffleOrder_.clear();
  // Most edits leave the selected item where it was (an append, an edit
  // after it): its known position is checked before the playlist is
  // searched, so that such edits cost the same on a long playlist.
  const auto &items = Items();
  bool atHint = itemHint_ >= 0 && itemHint_ < long(items.size()) && items[itemHint_] == item_;
  if (item_ && (atHint || listener_.Playlist()->IndexOf(item_.get()) >= 0)) {
    ArmHandOver(); // what follows it may be another item now
    return;
  }
  // The selected item left the playlist (or there was none): what stands
  // at its place now is selected, and playback of the old one ends.
  long count = long(items.size());
  long index = count == 0 ? -1 : std::clamp(itemHint_ < 0 ? 0 : itemHint_, 0L, count - 1);
  bool hadItem = item_ != nullptr;
  bool wasActive = Active();
  StopPlayback();
  if (wasActive)
    listener_.SetPlayState(wmppsStopped);
  item_ = nullptr;
  itemHint_ = -1;
  if (index >= 0)
    Select(index);
  else if (hadItem)
    listener_.ItemChanged(nullptr);
}

void Session::OrderChanged(bool reshuffle) {
  if (reshuffle)
    shuffleOrder_.clear();
  ArmHandOver();
}

void Session::RateChanged() {
  ArmHandOver();
  if (Loaded()) {
    // The rate takes a flushing seek to where it is: until the pipeline is
    // there, the position is that place, not the pipeline's zero.
    const double here = Position();
    if (playback_.Seek(here, listener_.Rate()))
      seeking_ = here;
  }
}

void Session::SetVolume(double linear, bool mute) {
  playback_.SetVolume(linear);
  playback_.SetMute(mute);
}

} // namespace engine
