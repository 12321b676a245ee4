#include "play_run.h"

#include "host_text.h"
#include "host_waker.h"
#include "mpris.h"
#include "path_kinds.h"
#include "status_text.h"
#include "terminal_keys.h"

#include <audioplayer_picture.h>
#include <windows.h>

#include <glib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char *NotificationName(CallNotify code) {
  switch (code) {
  case CN_PlayStateChange:
    return "CN_PlayStateChange";
  case CN_OpenStateChange:
    return "CN_OpenStateChange";
  case CN_Error:
    return "CN_Error";
  case CN_MediaError:
    return "CN_MediaError";
  case CN_Click:
    return "CN_Click";
  case CN_CurrentPlaylistChange:
    return "CN_CurrentPlaylistChange";
  default:
    return "CN_Unknown";
  }
}

const char *PlayStateName(long state) {
  static const char *const kNames[] = {"Undefined",   "Stopped",       "Paused",    "Playing",
                                       "ScanForward", "ScanReverse",   "Buffering", "Waiting",
                                       "MediaEnded",  "Transitioning", "Ready",     "Reconnecting",
                                       "Last"};
  return state >= 0 && state < long(std::size(kNames)) ? kNames[state] : "?";
}

// "3:07", or "1:02:03" from an hour on.
std::string TimeText(double seconds) {
  const long whole = seconds > 0 ? long(seconds + 0.5) : 0;
  char text[32];
  if (whole >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

// What the notifications have told us about the run in progress.
struct RunState {
  CAudioPlayer *player = nullptr;
  Talk talk = Talk::Normal;
  bool interactive = false; // a progress line is on the screen
  bool played = false;      // a Playing state was seen
  bool paused = false;
  bool stopped = false; // Stopped after playing or failing: the run is over
  bool held = false;    // stopped by the desktop: it waits for Play or Quit
  long mediaErrors = 0;
  long engineErrors = 0;
  std::vector<std::string> failed; // the items that could not be played, as they were named
  long count = 0;                  // items in the current playlist
  long shownIndex = -1;            // the item last announced
  long stepping = 0;               // +1, -1: the player was asked to go on, or back, from it
  GroupLeft left;
  double duration = 0; // of that item
  Clock::time_point lastPlaying{};
  // An item the desktop opened, until it plays; if it fails, the player goes
  // back to what it played, where it was.
  struct Opened {
    long index = -1;
    long back = -1;
    double at = 0;
    bool playing = false;
  } opened;
  MprisState desktop; // what the desktop is shown
  bool desktopStale = false;
};

RunState *current = nullptr;
long errorsHeard = 0; // playing or not

// The progress line gives way to a line of text.
void ClearProgress(const RunState &run) {
  if (run.interactive)
    std::printf("\r\033[K");
}

// The item's URL, empty when it cannot be read.
std::string UrlAt(CAudioPlayer &player, long index) {
  tagMediaInfo info{};
  info.dwMask = INFO_SOURCEURL;
  return index >= 0 && player.GetCurPlaylistMusicInfo(index, &info) >= 0 ? Utf8(info.szSourceURL)
                                                                         : std::string();
}

// The place of the item that plays. The player may name an item listed
// more than once by its first place; the copy that plays is the one next to
// the item shown (after it, or before it for Previous) when that is the same
// file and the place named is not itself next to it.
long PlayingIndex(RunState &run, long reported) {
  const long step = std::exchange(run.stepping, 0);
  if (reported == run.shownIndex) {
    // Moved on from it (Next, Previous, its end) to a copy of the same file
    // beside it, which the player names by the first place it stands at.
    const long beside = reported + step;
    if (step != 0 && beside >= 0 && beside < run.count &&
        UrlAt(*run.player, beside) == UrlAt(*run.player, reported))
      return beside;
    return reported; // the same item again: resumed, or played again
  }
  std::string url;
  for (long candidate : {run.shownIndex + 1, run.shownIndex - 1}) {
    if (candidate == reported)
      return reported;
    if (candidate < 0 || candidate >= run.count)
      continue;
    if (url.empty())
      url = UrlAt(*run.player, reported);
    if (!url.empty() && UrlAt(*run.player, candidate) == url)
      return candidate;
  }
  return reported;
}

// Reads what the desktop and the listener are told of the item.
void Describe(RunState &run, long index) {
  run.shownIndex = index;
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE | INFO_AUTHOR | INFO_ALBUM | INFO_DURATION | INFO_SOURCEURL;
  if (run.player->GetCurPlaylistMusicInfo(index, &info) < 0)
    info = {};
  run.duration = info.dDuration;
  run.desktop.index = index;
  run.desktop.title = Utf8(info.szTitle);
  run.desktop.artist = Utf8(info.szAuthor);
  run.desktop.album = Utf8(info.szAlbum);
  run.desktop.url = Utf8(info.szSourceURL);
  AudioPlayerPicture picture{};
  run.desktop.picture =
      AudioPlayerPictureOf(info.szSourceURL, &picture) == 0 ? Utf8(picture.path) : std::string();
  run.desktop.length = info.dDuration;
  run.desktopStale = true;
}

// Whether the item is a stream with no length: a station.
bool IsLive(const RunState &run) {
  const std::size_t scheme = run.desktop.url.find("://");
  return run.duration <= 0 && scheme != std::string::npos &&
         run.desktop.url.compare(0, scheme, "file") != 0;
}

// "[2/3] Title - Artist (3:07)"; a station's "[1/1] Artist - Title (live)",
// its title as it sent it.
void AnnounceItem(const RunState &run) {
  ClearProgress(run);
  const std::string &title = run.desktop.title, &artist = run.desktop.artist;
  std::printf("[%ld/%ld] %s", run.shownIndex + 1, run.count, title.c_str());
  if (!artist.empty() && title.rfind(artist + " - ", 0) != 0)
    std::printf(" - %s", artist.c_str());
  std::printf(" (%s)\n", IsLive(run) ? "live" : TimeText(run.duration).c_str());
}

// A station's title changes as it plays: the listener and the desktop hear
// each new one.
void FollowTitle(RunState &run) {
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE | INFO_AUTHOR;
  if (run.shownIndex < 0 || run.player->GetCurPlaylistMusicInfo(run.shownIndex, &info) < 0)
    return;
  const std::string title = Utf8(info.szTitle), artist = Utf8(info.szAuthor);
  if (title == run.desktop.title && artist == run.desktop.artist)
    return;
  run.desktop.title = title;
  run.desktop.artist = artist;
  run.desktopStale = true;
  if (run.talk == Talk::Normal) {
    AnnounceItem(run);
    std::fflush(stdout); // a line as it happens, as the notifications' are
  }
}

void ReportMediaError(RunState &run, long index) {
  tagMediaInfo info{};
  info.dwMask = INFO_SOURCEURL;
  const bool known = index >= 0 && run.player->GetCurPlaylistMusicInfo(index, &info) >= 0;
  run.failed.push_back(known ? Utf8(info.szSourceURL) : "(unknown)");
  ClearProgress(run);
  std::fflush(stdout);
  std::fprintf(stderr, "audioplay: item %ld of %ld cannot be played: %s\n", index + 1, run.count,
               run.failed.back().c_str());
}

// Normal talk: what a listener wants to know, in words.
void Tell(RunState &run, CallNotify code, long first, long second) {
  switch (code) {
  case CN_PlayStateChange:
    if (first == PS_Playing && second != run.shownIndex) {
      Describe(run, second);
      AnnounceItem(run);
    } else if (first == PS_Playing && run.paused) {
      ClearProgress(run);
      std::printf("playing\n");
    } else if (first == PS_Paused) {
      ClearProgress(run);
      std::printf("paused\n");
    }
    run.paused = first == PS_Paused;
    break;
  case CN_MediaError:
    ReportMediaError(run, second);
    break;
  case CN_Error:
    ClearProgress(run);
    std::fflush(stdout);
    std::fprintf(stderr, "audioplay: the player failed\n");
    break;
  default:
    break;
  }
}

// The notification as it came: "CN_<name> <first> <second>".
void Echo(const RunState &run, CallNotify code, long first, long second) {
  ClearProgress(run);
  if (code == CN_PlayStateChange)
    std::printf("%s %ld %ld (%s)\n", NotificationName(code), first, second, PlayStateName(first));
  else
    std::printf("%s %ld %ld\n", NotificationName(code), first, second);
}

// The terminal's width in columns; 80 when it does not say.
int TerminalColumns() {
  winsize size{};
  return ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

// "0:12 / 3:07 [#####-----] volume 50 paused", redrawn in place and fitted
// to the terminal: a line that wrapped would leave a new line per tick.
// The loudness levelling, as the progress line shows it: " level album
// +3 dB", nothing when it is off.
std::string LevelText() {
  const char *setting = std::getenv("AUDIOPLAYER_LEVELLING");
  const std::string text = setting ? setting : "";
  const std::size_t comma = text.find(',');
  const std::string mode = text.substr(0, comma);
  if (mode != "track" && mode != "album" && mode != "auto")
    return "";
  const double preamp = comma == std::string::npos ? 0 : std::atof(text.c_str() + comma + 1);
  char shown[48];
  if (preamp == 0)
    std::snprintf(shown, sizeof shown, " level %s", mode.c_str());
  else
    std::snprintf(shown, sizeof shown, " level %s %+g dB", mode.c_str(), preamp);
  return shown;
}

void ShowProgress(CAudioPlayer &player, double duration) {
  double position = 0;
  long volume = 0;
  int mute = 0, loop = 0, shuffle = 0;
  PlayState state = PS_Undefined;
  player.GetPos(&position);
  player.GetVol(&volume);
  player.GetMute(&mute);
  player.GetLoop(&loop);
  player.GetShuffle(&shuffle);
  player.GetPlayState(&state);
  const std::string times = TimeText(position) + " / " + TimeText(duration);
  const std::string rest = " volume " + std::to_string(volume) + (mute ? " muted" : "") +
                           LevelText() + (loop ? " loop" : "") + (shuffle ? " shuffle" : "") +
                           (state == PS_Paused ? " paused" : "");
  // The last column stays empty: writing there wraps on some terminals.
  const int room = TerminalColumns() - 1;
  constexpr int kBar = 30, kShortestBar = 5;
  const int bar = std::min(kBar, room - int(times.size() + rest.size()) - 3);
  std::string line = times;
  if (bar >= kShortestBar) {
    const int filled = duration > 0 ? std::clamp(int(position / duration * bar + 0.5), 0, bar) : 0;
    line += " [" + std::string(std::size_t(filled), '#') +
            std::string(std::size_t(bar - filled), '-') + "]";
  }
  line += rest;
  line.resize(std::min(line.size(), std::size_t(std::max(room, 0))));
  std::printf("\r\033[K%s", line.c_str());
  std::fflush(stdout);
}

// Applies one key; false for the key that quits.
bool CrossGroup(CAudioPlayer &player, RunState &run, bool forward);

bool HandleKey(CAudioPlayer &player, RunState &run, int key) {
  constexpr double kSeekSeconds = 5;
  constexpr long kVolumeStep = 5;
  PlayState state = PS_Undefined;
  double position = 0;
  long volume = 0;
  int flag = 0;
  switch (key) {
  case ' ':
    player.GetPlayState(&state);
    state == PS_Paused ? player.Resume() : player.Pause();
    break;
  case 'n':
  case 'p':
    if (CrossGroup(player, run, key == 'n'))
      break;
    run.stepping = key == 'n' ? 1 : -1;
    key == 'n' ? player.NextTrack() : player.PrevTrack();
    break;
  case kKeyLeft:
  case kKeyRight:
    player.GetPos(&position);
    position += key == kKeyRight ? kSeekSeconds : -kSeekSeconds;
    player.SetPos(std::max(position, 0.0));
    break;
  case '+':
  case '-':
    player.GetVol(&volume);
    player.SetVol(std::clamp(volume + (key == '+' ? kVolumeStep : -kVolumeStep), 0L, 100L));
    break;
  case 'm':
    player.GetMute(&flag);
    player.SetMute(!flag);
    break;
  case 'l':
    player.GetLoop(&flag);
    player.SetLoop(!flag);
    break;
  case 's':
    player.GetShuffle(&flag);
    player.SetShuffle(!flag);
    break;
  case 'q':
    return false;
  default:
    break;
  }
  return true;
}

// Stops for the desktop: the player stays, and plays again on Play.
void Hold(CAudioPlayer &player, RunState &run) {
  run.held = true;
  player.Stop();
}

// At that end of a playlist that does not loop, with a group of the command
// line beyond it: the run ends, for that group to play. False elsewhere.
bool CrossGroup(CAudioPlayer &player, RunState &run, bool forward) {
  const bool atEnd = forward ? run.shownIndex >= run.count - 1 : run.shownIndex <= 0;
  if (run.desktop.loop || !atEnd || !(forward ? run.desktop.groupAfter : run.desktop.groupBefore))
    return false;
  run.left.end = forward ? GroupEnd::ToNext : GroupEnd::ToPrevious;
  run.stopped = true;
  player.Stop();
  return true;
}

// Moves to the next or previous item, or group; past either end of what
// the command line named, unless it loops, stops (as the desktop's
// interface asks).
void Step(CAudioPlayer &player, RunState &run, bool forward) {
  if (CrossGroup(player, run, forward))
    return;
  const bool atEnd = forward ? run.shownIndex >= run.count - 1 : run.shownIndex <= 0;
  if (!run.desktop.loop && atEnd)
    Hold(player, run);
  else
    run.stepping = forward ? 1 : -1;
  forward ? player.NextTrack() : player.PrevTrack();
}

// Appends what the desktop opened and plays it.
void Open(CAudioPlayer &player, RunState &run, const std::string &uri) {
  std::string item = uri;
  if (uri.rfind("file://", 0) == 0) {
    gchar *path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    item = path ? path : "";
    g_free(path);
  }
  PlayState state = PS_Undefined;
  player.GetPlayState(&state);
  RunState::Opened opened{-1, run.shownIndex, 0, state == PS_Playing && !run.held};
  player.GetPos(&opened.at);
  if (!item.empty() && IsPlaylistFile(item)) {
    // Its entries are the engine's to read: it plays as a group of its own.
    run.left = {GroupEnd::Opened, true, item, run.shownIndex, opened.at, !opened.playing};
    run.stopped = true;
    player.Stop();
    return;
  }
  if (item.empty() || player.AppendMusic(Utf16(item).c_str()) < 0)
    return;
  player.GetCurPlaylistCount(&run.count);
  opened.index = run.count - 1;
  run.opened = opened;
  run.held = false;
  player.PlaylistIndex(run.count - 1);
}

// What the desktop opened could not be played: it costs its error, leaves
// the list, and the player plays on (or waits) where it was.
void GoBack(CAudioPlayer &player, RunState &run) {
  const RunState::Opened opened = std::exchange(run.opened, {});
  if (opened.back >= 0) {
    player.PlaylistIndex(opened.back);
    player.SetPos(opened.at);
    if (!opened.playing)
      Hold(player, run);
  }
  player.RemoveMusic(opened.index);
  player.GetCurPlaylistCount(&run.count);
}

// Carries out what the desktop asked for; false for Quit.
bool HandleDesktop(CAudioPlayer &player, RunState &run, MprisCommand command, LPARAM argument) {
  PlayState state = PS_Undefined;
  double position = 0;
  switch (command) {
  case MprisCommand::PlayPause:
    player.GetPlayState(&state);
    run.held = false;
    state == PS_Playing ? player.Pause() : state == PS_Paused ? player.Resume() : player.Play();
    break;
  case MprisCommand::Play:
    player.GetPlayState(&state);
    run.held = false;
    state == PS_Paused ? player.Resume() : player.Play();
    break;
  case MprisCommand::Pause:
    player.Pause();
    break;
  case MprisCommand::Stop:
    Hold(player, run);
    break;
  case MprisCommand::Next:
    Step(player, run, true);
    break;
  case MprisCommand::Previous:
    Step(player, run, false);
    break;
  case MprisCommand::SeekBy:
    player.GetPos(&position);
    position += double(argument) / 1e6;
    // Past the end acts as Next.
    if (run.duration > 0 && position >= run.duration)
      Step(player, run, true);
    else
      player.SetPos(std::max(position, 0.0));
    run.desktop.seeked = true;
    break;
  case MprisCommand::SeekTo: {
    // A position before the start or past the end is ignored, as the
    // interface asks, and so no Seeked is said for it.
    const double to = double(argument) / 1e6;
    if (to >= 0 && (run.duration <= 0 || to <= run.duration) && player.SetPos(to) >= 0)
      run.desktop.seeked = true;
    break;
  }
  case MprisCommand::SetVolume:
    player.SetVol(long(argument));
    break;
  case MprisCommand::SetLoop:
    player.SetLoop(int(argument));
    break;
  case MprisCommand::SetShuffle:
    player.SetShuffle(int(argument));
    break;
  case MprisCommand::SetRate:
    if (argument == 0) {
      player.Pause();
    } else if (player.SetRate(double(argument) / 1e6) >= 0) {
      run.desktop.rate = double(argument) / 1e6;
    }
    break;
  case MprisCommand::OpenUri: {
    std::unique_ptr<std::string> uri(reinterpret_cast<std::string *>(argument));
    Open(player, run, *uri);
    break;
  }
  case MprisCommand::Quit:
    return false;
  }
  return true;
}

// Shows the desktop what changed: the state the notifications gave, and the
// settings and position read now.
void ShowDesktop(CAudioPlayer &player, RunState &run, MprisService *mpris) {
  if (mpris == nullptr) {
    run.desktopStale = false;
    return;
  }
  // A stopped player moves between items without playing them: the desktop
  // is shown the item that would play.
  long index = -1;
  if (run.held && player.GetPlaylistIndex(&index) >= 0 && index >= 0 && index != run.shownIndex)
    Describe(run, PlayingIndex(run, index));
  run.desktopStale = false;
  long volume = 0;
  int loop = 0, shuffle = 0;
  player.GetVol(&volume);
  player.GetLoop(&loop);
  player.GetShuffle(&shuffle);
  player.GetPos(&run.desktop.position);
  run.desktop.read = Clock::now();
  run.desktop.count = run.count;
  run.desktop.volume = double(volume) / 100;
  run.desktop.loop = loop != 0;
  run.desktop.shuffle = shuffle != 0;
  if (run.held)
    run.desktop.status = "Stopped";
  mpris->Publish(run.desktop);
  run.desktop.seeked = false;
}

// The verbose position line.
void PrintPosition(CAudioPlayer &player) {
  double position = 0;
  if (player.GetPos(&position) >= 0)
    std::printf("position %.1f\n", position);
  std::fflush(stdout);
}

// The settings of the command line; false, with a message, if one is refused.
bool ApplySettings(CAudioPlayer &player, const PlayOptions &options) {
  auto check = [](long status, const char *what) {
    if (status < 0)
      std::fprintf(stderr, "audioplay: cannot set %s: status 0x%08lX\n", what,
                   status & 0xFFFFFFFFL);
    return status >= 0;
  };
  bool ok = check(player.SetLoop(options.loop), "loop") &&
            check(player.SetShuffle(options.shuffle), "shuffle");
  if (ok && options.volume >= 0)
    ok = check(player.SetVol(options.volume), "the volume");
  if (ok && options.rate != 1)
    ok = check(player.SetRate(options.rate), "the rate");
  return ok;
}

// Loads the group and starts it; false with a message on failure.
bool Start(CAudioPlayer &player, const Group &group, const PlayOptions &options, RunState &run) {
  if (!ApplySettings(player, options) || !LoadGroup(player, group))
    return false;
  player.GetCurPlaylistCount(&run.count);
  if (run.count <= 0) {
    std::fprintf(stderr, "audioplay: %s has nothing to play\n", group.items[0].c_str());
    return false;
  }
  if (options.startIndex >= 0 && options.startIndex < run.count)
    player.SetPlayListIndex(options.startIndex);
  else if (options.startAtLast)
    player.SetPlayListIndex(run.count - 1);
  const long status = player.Play();
  if (status < 0) {
    std::fprintf(stderr, "audioplay: cannot play: status 0x%08lX\n", status & 0xFFFFFFFFL);
    return false;
  }
  if (options.start > 0 && player.SetPos(options.start) < 0)
    std::fprintf(stderr, "audioplay: --start %.1f is past the end of the first item\n",
                 options.start);
  else if (options.start > 0 && options.talk == Talk::Verbose)
    PrintPosition(player); // where it starts, before the first tick
  return true;
}

// What a tick does: the progress line or position, and the checks for a
// run that ended without saying so or is stuck. Returns an exit status to
// end the run with, if it must end.
std::optional<int> Tick(CAudioPlayer &player, RunState &run, Clock::time_point started,
                        Clock::time_point &idleSince) {
  // A player that has not played for this long, without having ended, is
  // stuck: well past the engine's own bound on opening a network item,
  // which fails the item by itself.
  constexpr auto kStall = std::chrono::seconds(30);
  PlayState state = PS_Undefined;
  player.GetPlayState(&state);
  const Clock::time_point now = Clock::now();
  if (state == PS_Playing || state == PS_Paused || run.held)
    run.lastPlaying = now; // a paused or held player waits for the user, it is not stuck
  // Only a Stopped player has ended: MediaEnded is the moment between one
  // item and the next, which a list rendered faster than it plays is in at
  // many ticks.
  if (run.played && !run.held && state == PS_Stopped) {
    if (idleSince == Clock::time_point{}) {
      idleSince = now;
    } else if (now - idleSince > std::chrono::seconds(1)) {
      // Unheard, it is the end only after the last item: a list played in
      // order that stops before then is not whole, and says so.
      int shuffle = 0;
      player.GetShuffle(&shuffle);
      if (shuffle || run.shownIndex < 0 || run.shownIndex + 1 >= run.count)
        return 0;
      ClearProgress(run);
      std::fprintf(stderr, "audioplay: it stopped after item %ld of %ld: %s\n", run.shownIndex + 1,
                   run.count, UrlAt(player, run.shownIndex).c_str());
      return 1;
    }
  } else {
    idleSince = {};
  }
  if (now - std::max(started, run.lastPlaying) > kStall) {
    // The item is named and skipped; the run goes on with the next one.
    long index = -1;
    player.GetPlaylistIndex(&index);
    ++run.mediaErrors;
    ReportMediaError(run, index);
    std::fprintf(stderr, "audioplay: it stalled in state %s\n", PlayStateName(state));
    if (index < 0 || index + 1 >= run.count)
      return 1;
    run.lastPlaying = now;
    player.NextTrack();
  }
  if (state == PS_Playing && IsLive(run))
    FollowTitle(run);
  if (run.interactive) {
    ShowProgress(player, run.duration);
  } else if (state == PS_Playing && run.talk == Talk::Verbose) {
    PrintPosition(player);
  }
  return std::nullopt;
}

} // namespace

long ErrorsHeard() {
  return errorsHeard;
}

void DispatchPending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
}

long CALLBACK OnNotification(long /*cookie*/, CallNotify code, long first, long second) {
  errorsHeard += code == CN_Error;
  RunState *run = current;
  if (!run)
    return 0;
  const bool raw = run->talk == Talk::Verbose ||
                   (run->talk == Talk::Quiet &&
                    (code == CN_PlayStateChange || code == CN_MediaError || code == CN_Error));
  if (raw)
    Echo(*run, code, first, second);
  // Once per notification, before the item shown changes.
  if (code == CN_PlayStateChange && first == PS_Playing)
    second = PlayingIndex(*run, second);
  if (run->talk != Talk::Quiet)
    Tell(*run, code, first, second);
  std::fflush(stdout);
  switch (code) {
  case CN_PlayStateChange:
    if (first == PS_Playing && second != run->shownIndex)
      Describe(*run, second); // told already in normal talk
    if (first == PS_Playing || first == PS_Paused || first == PS_Stopped) {
      run->desktop.status = first == PS_Playing  ? "Playing"
                            : first == PS_Paused ? "Paused"
                                                 : "Stopped";
      run->desktopStale = true;
    }
    if (first == PS_MediaEnded)
      run->stepping = 1; // what plays next is after it
    if (first == PS_Playing) {
      run->played = true;
      run->lastPlaying = Clock::now();
      if (second == run->opened.index)
        run->opened = {}; // it plays
    } else if (first == PS_Stopped && (run->played || run->mediaErrors) && !run->held) {
      run->stopped = true;
    }
    break;
  case CN_MediaError:
    // What the desktop opened is told as it fails, and is not the run's.
    if (second == run->opened.index && run->opened.index >= 0)
      GoBack(*run->player, *run);
    else
      ++run->mediaErrors;
    break;
  case CN_Error:
    ++run->engineErrors;
    break;
  default:
    break;
  }
  return 0;
}

bool LoadGroup(CAudioPlayer &player, const Group &group) {
  long status = 0;
  if (group.cd) {
    status = player.SetCdromToCurPlaylist(Utf16(group.items[0]).c_str());
  } else if (group.playlist) {
    status = player.SetCurPlaylist(Utf16(group.items[0]).c_str());
  } else {
    status = player.ClearAllMusic();
    for (const std::string &item : group.items) {
      if (status >= 0)
        status = player.AppendMusic(Utf16(item).c_str());
    }
  }
  if (status < 0) {
    std::fprintf(stderr, "audioplay: cannot load %s: %s\n", group.items[0].c_str(),
                 DescribeStatus(status).c_str());
    return false;
  }
  return true;
}

int PlayGroup(CAudioPlayer &player, const Group &group, const PlayOptions &options,
              MprisService *mpris, GroupLeft *left) {
  *left = {};
  RunState run;
  run.player = &player;
  run.talk = options.talk;
  run.interactive = options.interactive;
  std::optional<KeyReader> keys;
  if (options.interactive)
    keys.emplace();
  current = &run;
  const HWND window = player.GetPlayWindow();
  if (window == nullptr || !Start(player, group, options, run)) {
    current = nullptr;
    return 1;
  }
  run.left.loaded = true;
  if (options.startHeld)
    Hold(player, run);
  run.desktop.rate = options.rate;
  run.desktop.groupBefore = options.groupBefore;
  run.desktop.groupAfter = options.groupAfter;
  run.desktop.seeked = options.start > 0;
  // The host's thread sleeps in GetMessageW: the player's own messages, and
  // the waker's keys, signals and ticks, are all that wake it.
  HostWaker waker(window, std::chrono::milliseconds(options.interactive ? 200 : 1000),
                  keys ? &*keys : nullptr);
  const Clock::time_point started = Clock::now();
  Clock::time_point idleSince{};
  int result = 0;
  MSG message;
  while (!run.stopped && GetMessageW(&message, nullptr, 0, 0) > 0) {
    const bool ours = message.hwnd == window && message.message >= kKeyMessage &&
                      message.message <= kRedrawMessage;
    if (!ours)
      DispatchMessageW(&message);
    if (Interrupted() || (ours && message.message == kInterruptMessage)) {
      InterruptAnswered();
      player.Stop();
      result = InterruptStatus();
      break;
    }
    if (ours && message.message == kKeyMessage) {
      const int key = int(message.wParam);
      if (!HandleKey(player, run, key)) {
        run.left.end = GroupEnd::Quit;
        player.Stop();
        break;
      }
      run.desktop.seeked = key == kKeyLeft || key == kKeyRight;
      ShowProgress(player, run.duration);
      run.desktopStale = true;
    } else if (ours && message.message == kMprisMessage) {
      if (!HandleDesktop(player, run, MprisCommand(message.wParam), message.lParam)) {
        run.left.end = GroupEnd::Quit;
        player.Stop();
        break;
      }
      run.desktopStale = true;
    } else if (ours && message.message == kRedrawMessage) {
      if (run.interactive)
        ShowProgress(player, run.duration);
    } else if (ours && message.message == kTickMessage) {
      if (std::optional<int> end = Tick(player, run, started, idleSince)) {
        result = *end;
        break;
      }
      run.desktopStale = true;
    }
    if (run.desktopStale)
      ShowDesktop(player, run, mpris);
  }
  ClearProgress(run);
  std::fflush(stdout);
  if (result == 0 && (run.mediaErrors || run.engineErrors)) {
    std::string names;
    for (const std::string &name : run.failed)
      names += (names.empty() ? "" : ", ") + name;
    if (group.playlist)
      std::fprintf(stderr, "audioplay: %ld item(s) of %s could not be played%s%s\n",
                   run.mediaErrors + run.engineErrors, group.items[0].c_str(),
                   names.empty() ? "" : ": ", names.c_str());
    else
      std::fprintf(stderr, "audioplay: %ld item(s) could not be played%s%s\n",
                   run.mediaErrors + run.engineErrors, names.empty() ? "" : ": ", names.c_str());
    result = 1;
  }
  current = nullptr;
  *left = run.left;
  return result;
}
