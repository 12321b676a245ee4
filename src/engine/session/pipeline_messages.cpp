// What the pipeline reports, handled on the host's thread: loading done,
// playing, end of the item, errors. The playback's events reach here only
// through the engine's window.
#include "engine/session/session.h"

#include <algorithm>

#include "engine/media/attribute_readers.h"
#include "engine/media/network_url.h"
#include "engine/playlist_files/playlist_file_reader.h"

namespace engine {

void Session::TakeBusMessages() {
  // One at a time: handling one may stop the playback, which drops the rest.
  PipelineEvent event;
  while (playback_.TakeEvent(&event))
    Handle(event);
}

void Session::Handle(const PipelineEvent &event) {
  using Kind = PipelineEvent::Kind;
  switch (event.kind) {
  case Kind::Loaded:
    if (Loaded()) {
      seeking_ = -1; // a seek got there
      ArmRunOn();
    } else if (Active()) {
      OnPrerolled();
    }
    break;
  case Kind::Playing:
    if (WantsPlay()) {
      failures_ = 0;
      listener_.SetPlayState(wmppsPlaying);
      ArmHandOver();
      HearHandOversDue();
      ArmRunOn();
    }
    break;
  case Kind::DurationChanged:
    if (item_ && Loaded())
      if (double duration = playback_.Duration(); duration > 0) {
        item_->duration = duration;
        KeepStreamDuration(duration);
      }
    break;
  case Kind::Buffering:
    if (Active())
      listener_.Buffering(event.percent < 100);
    break;
  case Kind::HandedOver:
    OnHandedOver();
    break;
  case Kind::Ended:
    // A stream handed over that never started: the next item opens anew.
    playback_.TakeHandOver();
    if (Active())
      QueuePartsPlayedInto(true); // parts played into that the host has not heard of
    if (!handedOver_.empty())
      endedAfterHandOver_ = true; // the end of the last stream handed over to
    else if (Active() && !(playback_.FromStation() && Reconnect()))
      OnEndOfStream(); // a file served without a length ends where it ends
    break;
  case Kind::Error:
    OnPipelineError(event);
    break;
  case Kind::Tags:
    OnStreamTags(event);
    break;
  case Kind::Wake:
    OnRunOnWake();
    break;
  case Kind::OpenTimedOut:
    OnOpenTimedOut();
    break;
  case Kind::Called:
    OnCalledBack();
    break;
  case Kind::Measured:
    OnMeasured(event);
    break;
  case Kind::PictureLost:
    listener_.PlayerError(); // what plays goes on, unseen
    break;
  }
}

void Session::OnPrerolled(bool seekToPart) {
  Take(SessionMove::Load);
  // The loaded length is exact and kept; the item's other attributes are
  // read when first asked for, not here, where the read would delay playing.
  if (double duration = playback_.Duration(); item_ && duration > 0)
    item_->duration = duration;
  listener_.SetOpenState(wmposMediaOpen);
  if (double duration = playback_.Duration(); duration > 0)
    KeepStreamDuration(duration);
  KeepStreamAttributes();
  // A part of a file starts where the part does.
  if (seekToPart && (pendingSeek_ > 0 || listener_.Rate() != 1 || playback_.OnPart()))
    if (playback_.Seek(pendingSeek_ > 0 ? pendingSeek_ : 0, listener_.Rate()))
      seeking_ = pendingSeek_ > 0 ? pendingSeek_ : 0;
  pendingSeek_ = -1;
  if (WantsPlay()) {
    playback_.Play();
  } else {
    listener_.SetPlayState(wmppsPaused);
    HearHandOversDue();
  }
}

void Session::OnEndOfStream() {
  // A stream that never said its length has it now: where it ended.
  if (item_ && !streamed_.count(u"Duration"))
    if (double end = playback_.Position(); end > 0)
      KeepStreamDuration(end);
  listener_.SetPlayState(wmppsMediaEnded);
  listener_.EndOfStream();
  // The host hears of the end while the ended item is still the current
  // one; unless it has chosen something else meanwhile, the engine then
  // moves on.
  Defer([this, ended = item_] {
    if (item_ != ended || listener_.PlayState() != wmppsMediaEnded)
      return;
    StopPlayback();
    Advance();
  });
}

void Session::OnStreamTags(const PipelineEvent &event) {
  if (!item_ || !Active() || !IsNetworkUrl(item_->url))
    return;
  // A live stream (one with no length, as radio is) says what plays now:
  // each title replaces the one before, and one of the common "Artist -
  // Title" form names the artist too; the title stays whole, as the station
  // sent it. A file's later tags (an MP3's ID3v1 after its ID3v2) say less
  // than its first: there the first value of each stays.
  const bool live = playback_.Duration() <= 0;
  auto read = streamed_;
  for (const auto &[name, value] : event.tags)
    if (live)
      read[name] = value;
    else
      read.emplace(name, value);
  if (const auto title = event.tags.find(u"Title");
      live && title != event.tags.end() && !event.tags.count(u"Author"))
    if (const std::size_t dash = title->second.find(u" - ");
        dash != std::u16string::npos && dash > 0)
      read[u"Author"] = title->second.substr(0, dash);
  if (read == streamed_)
    return;
  streamed_ = std::move(read);
  if (Loaded())
    KeepStreamAttributes();
}

void Session::KeepStreamDuration(double seconds) {
  if (!item_ || !IsNetworkUrl(item_->url))
    return;
  const std::u16string text = NumberText(seconds);
  auto &kept = streamed_[u"Duration"];
  if (kept == text)
    return;
  kept = text;
  KeepStreamAttributes();
}

void Session::KeepStreamAttributes() {
  if (item_ && !streamed_.empty() && IsNetworkUrl(item_->url))
    listener_.Library()->StoreStreamAttributes(*item_, streamed_);
}

void Session::OnPipelineError(const PipelineEvent &event) {
  // A device that went away while it played (a headset unplugged, its sound
  // server restarted): the item goes on where it was, on the default output.
  if (item_ && Active() && event.fromOutput) {
    const double at = playback_.DecodedPosition();
    if (playback_.FallBackToDefaultOutput()) {
      ReopenCurrent(std::max(at, 0.0));
      return;
    }
  }
  // A failure after the hand-over, before the next stream started, is most
  // likely that stream's. The item that played has ended, and the next one
  // opens anew, to fail (or not) on its own; an item so short that the host
  // has not heard it play yet plays again, with nothing handed over to.
  if (item_ && Active() && playback_.TakeHandOver()) {
    playback_.Reset();
    if (listener_.PlayState() == wmppsPlaying || listener_.PlayState() == wmppsPaused) {
      OnEndOfStream();
      return;
    }
    noHandOverFrom_ = item_;
    ReopenCurrent(0);
    return;
  }
  if (event.mediaFault && Reconnect())
    return;
  FailOpened(event.mediaFault);
}

void Session::OnCalledBack() {
  if (reconnectAt_ != 0 && reconnectAt_ == generation_ && item_) {
    reconnectAt_ = 0;
    OpenCurrent(true, alternative_);
  }
}

bool Session::Reconnect() {
  // Three times in a row, a second apart; a stream that played half a
  // minute since it last opened starts a new row.
  constexpr long kReconnects = 3;
  constexpr double kPause = 1;
  constexpr auto kSteady = std::chrono::seconds(30);
  if (!item_ || !WantsPlay() || !Loaded() || !IsNetworkUrl(item_->url) || playback_.Duration() > 0)
    return false;
  if (std::chrono::steady_clock::now() - openedAt_ >= kSteady)
    reconnects_ = 0;
  if (reconnects_ >= kReconnects)
    return false;
  ++reconnects_;
  // The host hears what it hears while a stream stalls: it is on its way.
  StopPlayback();
  listener_.SetPlayState(wmppsTransitioning);
  reconnectAt_ = generation_;
  playback_.CallBackIn(kPause);
  return true;
}

// A network item that did not load in time fails as a missing file does:
// its own error, then its next URL or the next item.
void Session::OnOpenTimedOut() {
  if (item_ && Active() && !Loaded())
    FailOpened(true);
}

// A URL whose server handed out a list (a station's "/listen") plays the
// list's entries as its next URLs, the first that opens as the item, as an
// ASX entry's refs do. At most kMostServedEntries of them: a list that
// names itself cannot grow an item without end.
void Session::TakeServedList(const ServedList &served) {
  constexpr std::size_t kMostServedEntries = 64;
  const std::u16string &url =
      alternative_ == 0 ? item_->url : item_->alternatives[alternative_ - 1];
  std::vector<std::u16string> urls;
  for (PlaylistEntry &entry : ReadServedPlaylist(url, served.type, served.body))
    if (entry.url != url)
      urls.push_back(std::move(entry.url));
  auto &alternatives = item_->alternatives;
  const auto next = alternatives.begin() + long(alternative_);
  const bool inPlace = std::size_t(alternatives.end() - next) >= urls.size() &&
                       std::equal(urls.begin(), urls.end(), next); // an item played before
  if (!urls.empty() && !inPlace && alternatives.size() + urls.size() <= kMostServedEntries)
    alternatives.insert(next, urls.begin(), urls.end());
}

void Session::FailOpened(bool mediaFault) {
  bool wasPlaying = WantsPlay();
  auto failed = item_;
  const std::optional<ServedList> served = mediaFault ? playback_.Served() : std::nullopt;
  StopPlayback();
  playback_.Reset();
  if (!mediaFault || !failed) {
    listener_.SetPlayState(wmppsStopped);
    listener_.PlayerError();
    return;
  }
  if (served && item_ == failed)
    TakeServedList(*served);
  if (!TryAlternative(wasPlaying))
    OnItemFailed(failed, wasPlaying);
}

} // namespace engine
