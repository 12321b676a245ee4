// The gapless hand-over from one item to the next. While an item plays,
// the playbin is told which stream follows, so that it starts that one the
// moment this one's data ends instead of after the pipeline stopped and
// opened again. The host hears what it hears when one item is opened after
// another, in the same order.
#include "engine/session/session.h"

#include "engine/media/media_fragment.h"

#include <cmath>
#include <utility>

namespace engine {

namespace {

// The URI of a whole local media file the playbin can go on to: a part of a
// file (it starts with a seek), a stream, a path that names no file or a
// file that is no media opens after the end as before.
std::string HandOverUri(const std::u16string &url) {
  const MediaFragment part = PlayedPart(url);
  if (part.start != 0 || part.end >= 0)
    return {};
  std::string uri = Playback::UriOf(part.file);
  return Playback::MayHandOverTo(uri) ? uri : std::string();
}

} // namespace

// At the normal rate only (a rate takes a seek once a stream is loaded),
// from a whole local file, to the next item if it has no alternative URLs;
// never where nothing is handed over (each look typefinds a file).
Playback::Next Session::HandOverTarget() {
  handedTo_ = nullptr;
  Playback::Next target;
  if (playback_.HandsOver() && item_ && item_ != noHandOverFrom_ && Active() &&
      listener_.Rate() == 1 && alternative_ == 0 && !HandOverUri(item_->url).empty()) {
    // Looking ahead must not move the shuffle order on.
    const long place = shufflePlace_;
    const long next = NextIndex(true);
    shufflePlace_ = place;
    if (next >= 0 && Items()[next]->alternatives.empty()) {
      target = {HandOverUri(Items()[next]->url), GainOf(*Items()[next], next)};
      if (!target.uri.empty()) {
        handedTo_ = Items()[next];
        handedToIndex_ = next;
      }
    }
  }
  return target;
}

// Once the playbin has taken what was queued, or while the host has not
// yet heard of a stream that started, what follows is queued from there.
void Session::ArmHandOver() {
  if (!handedOver_.empty())
    return;
  const auto handedTo = handedTo_;
  const long handedToIndex = handedToIndex_;
  if (!playback_.QueueNext(HandOverTarget())) {
    handedTo_ = handedTo; // the playbin went on to the one queued before
    handedToIndex_ = handedToIndex;
  }
}

// The playbin went on to the stream it was told of. What follows that one
// is queued at once (a short file's data can all be read before the host
// hears of the change); the host then hears the item end, and the next one
// open and play.
void Session::OnHandedOver() {
  const auto next = std::exchange(handedTo_, nullptr);
  handedOver_.push_back(next);
  if (next) {
    // What follows is looked for from where the item stands: an item that
    // stands twice in the list is not also at its first place.
    const auto item = std::exchange(item_, next);
    const long hint = std::exchange(itemHint_, handedToIndex_);
    const Playback::Next following = HandOverTarget();
    item_ = item;
    itemHint_ = hint;
    playback_.QueueNext(following);
  }
  HearHandOversDue();
}

// The host hears of a hand-over once it has heard the item that ended open
// and play (a short file can end before that, and an empty one at once),
// and of one hand-over at a time.
void Session::HearHandOversDue() {
  if (!HearingHandOver() && !handedOver_.empty() && Loaded() &&
      (listener_.PlayState() == wmppsPlaying || listener_.PlayState() == wmppsPaused))
    HearHandOver();
}

// As when one item is opened after the other ended: the end is heard while
// the ended item is still the current one; then the next one is current,
// opens and plays (or stays paused, if the host paused meanwhile).
void Session::HearHandOver() {
  Take(SessionMove::HearHandOver);
  const auto ended = item_;
  listener_.SetPlayState(wmppsMediaEnded);
  listener_.EndOfStream();
  Defer([this, ended] {
    if (handedOver_.empty() || item_ != ended)
      return; // the host stopped or chose something else meanwhile
    const auto next = handedOver_.front();
    handedOver_.pop_front();
    const long index = NextIndex(true);
    if (index < 0 || Items()[index] != next) {
      // The playlist or its order changed since: what plays is not next.
      StopPlayback();
      if (index < 0) {
        listener_.SetPlayState(wmppsStopped);
        return;
      }
      Select(index);
      OpenCurrent(true);
      return;
    }
    Select(index);
    ++generation_;
    listener_.SetPlayState(wmppsTransitioning);
    streamed_.clear();
    if (auto library = item_->library.lock())
      library->Revalidate(*item_);
    listener_.SetOpenState(wmposMediaChanging);
    listener_.SetOpenState(wmposMediaOpening);
    alternative_ = 0;
    // A part is never handed over to: the stream played on into it.
    const MediaFragment part = PlayedPart(item_->url);
    const bool ranOn = part.start > 0 || part.end >= 0;
    if (ranOn)
      playback_.RunOn(part.start, part.end);
    OnPrerolled(!ranOn); // paused meanwhile: it says so
    if (WantsPlay()) {
      failures_ = 0;
      listener_.SetPlayState(wmppsPlaying);
    }
    Take(SessionMove::HandOverHeard);
    if (!handedOver_.empty())
      HearHandOversDue(); // the stream after it started already
    else if (std::exchange(endedAfterHandOver_, false))
      OnEndOfStream(); // and ended already
    else
      ArmHandOver();
    ArmRunOn();
  });
}

// ---- parts of one file, played on as one stream ----

// Whether the item after the one at `index` is the part of the same file
// that starts where that one's part ends (a sheet's next track), in a
// playlist played in its order.
bool Session::ContinuedAfter(long index) {
  const auto &items = Items();
  if (listener_.Shuffle() || index < 0 || std::size_t(index) + 1 >= items.size())
    return false;
  const MediaItem &item = *items[std::size_t(index)];
  const MediaItem &next = *items[std::size_t(index) + 1];
  const MediaFragment part = PlayedPart(item.url);
  const MediaFragment after = PlayedPart(next.url);
  return item.alternatives.empty() && next.alternatives.empty() && part.end >= 0 &&
         after.file == part.file && std::abs(after.start - part.end) < 1e-6;
}

// Where the stream of the current item's part ends: where the last of the
// parts that continue it ends. One pass over them, whatever the run's length.
double Session::RunStop(const MediaFragment &part) {
  long index = item_ ? listener_.Playlist()->IndexOf(item_.get()) : -1;
  if (index < 0 || !ContinuedAfter(index))
    return part.end;
  while (ContinuedAfter(index))
    ++index;
  return PlayedPart(Items()[std::size_t(index)]->url).end;
}

// While the stream plays on past the current part, a wake-up is due when
// it reaches the part's end, by the pipeline's clock (so paused time does
// not count: each resume and each seek arms it anew).
void Session::ArmRunOn() {
  if (WantsPlay() && Loaded() && seeking_ < 0 && handedOver_.empty() && !HearingHandOver() &&
      playback_.PlaysOn())
    playback_.WakeAt(playback_.Duration(), listener_.Rate());
}

void Session::OnRunOnWake() {
  if (!item_ || !WantsPlay() || !handedOver_.empty() || HearingHandOver() || !playback_.PlaysOn())
    return;
  // The clock and the stream's position may differ by a little: a wake a
  // moment early waits again for what is left.
  constexpr double kEarly = 0.0005;
  if (playback_.Position() + kEarly < playback_.Duration()) {
    ArmRunOn();
    return;
  }
  QueuePartsPlayedInto(false);
  // The playlist changed (or is shuffled now): the part that follows in
  // the stream is not next, so the item ends here, as its own stream would.
  if (handedOver_.empty())
    OnEndOfStream();
}

// The stream went past the end of the part the host last heard of: the
// host hears that part end and the next begin, as for a hand-over. At the
// end of the stream, every part up to its stop (an output that writes as
// fast as it decodes gets there first).
void Session::QueuePartsPlayedInto(bool toTheStop) {
  const double stop = playback_.StreamStop();
  const auto &items = Items();
  const auto from = handedOver_.empty() ? item_ : handedOver_.back();
  bool queued = false;
  for (long index = from ? listener_.Playlist()->IndexOf(from.get()) : -1; ContinuedAfter(index);) {
    const double end = PlayedPart(items[std::size_t(index)]->url).end;
    if (std::abs(end - stop) < 1e-6)
      break; // the stream's own stop
    handedOver_.push_back(items[std::size_t(++index)]);
    queued = true;
    if (!toTheStop)
      break;
  }
  if (queued)
    HearHandOversDue();
}

} // namespace engine
