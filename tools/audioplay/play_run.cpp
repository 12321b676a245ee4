#include "play_run.h"

#include "host_text.h"
#include "terminal_keys.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) {
  interrupted = 1;
}

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

// What the notifications have told us about the run in progress.
struct RunState {
  bool quiet = false;
  bool interactive = false; // a progress line is on the screen
  bool played = false;      // a Playing state was seen
  bool stopped = false;     // Stopped after playing: the run is over
  long mediaErrors = 0;
  long engineErrors = 0;
  long count = 0; // items in the current playlist
  Clock::time_point lastPlaying{};
};

RunState *current = nullptr;
long errorsHeard = 0; // playing or not

// Handling one message may post the next (a run of failing items does), so
// the signal is looked at between messages, not only when the queue is empty.
void PumpMessages() {
  MSG message;
  while (!interrupted && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
}

void ShowCurrentItem(CAudioPlayer &player, bool interactive, long &shownIndex, double &duration) {
  long index = -1;
  if (player.GetPlaylistIndex(&index) < 0 || index < 0 || index == shownIndex)
    return;
  shownIndex = index;
  tagMediaInfo info{};
  info.dwMask = INFO_TITLE | INFO_AUTHOR | INFO_DURATION;
  if (player.GetCurPlaylistMusicInfo(index, &info) < 0)
    return;
  duration = info.dDuration;
  std::printf("%sitem %ld: %s", interactive ? "\r\033[K" : "", index, Utf8(info.szTitle).c_str());
  if (info.szAuthor[0])
    std::printf(" - %s", Utf8(info.szAuthor).c_str());
  std::printf(" (%.1f s)\n", info.dDuration);
  std::fflush(stdout);
}

// "  12.3 / 180.0 s [#####-----] volume 50", redrawn in place.
void ShowProgress(CAudioPlayer &player, double duration) {
  double position = 0;
  long volume = 0;
  int mute = 0, loop = 0, shuffle = 0;
  player.GetPos(&position);
  player.GetVol(&volume);
  player.GetMute(&mute);
  player.GetLoop(&loop);
  player.GetShuffle(&shuffle);
  constexpr int kWidth = 30;
  const int filled =
      duration > 0 ? std::clamp(int(position / duration * kWidth + 0.5), 0, kWidth) : 0;
  std::printf("\r\033[K%7.1f / %.1f s [%s%s] volume %ld%s%s%s", position, duration,
              std::string(std::size_t(filled), '#').c_str(),
              std::string(std::size_t(kWidth - filled), '-').c_str(), volume, mute ? " muted" : "",
              loop ? " loop" : "", shuffle ? " shuffle" : "");
  std::fflush(stdout);
}

// Applies one key; false for the key that quits.
bool HandleKey(CAudioPlayer &player, int key) {
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
    player.NextTrack();
    break;
  case 'p':
    player.PrevTrack();
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

} // namespace

long ErrorsHeard() {
  return errorsHeard;
}

void DispatchPending() {
  PumpMessages();
}

long CALLBACK PrintNotification(long cookie, CallNotify code, long first, long second) {
  errorsHeard += code == CN_Error;
  RunState *run = current;
  if (!run)
    return 0;
  if (run->interactive)
    std::printf("\r\033[K"); // the progress line gives way
  if (code == CN_PlayStateChange)
    std::printf("%s %ld %ld (%s)\n", NotificationName(code), first, second, PlayStateName(first));
  else if (!run->quiet || code == CN_MediaError || code == CN_Error)
    std::printf("%s %ld %ld\n", NotificationName(code), first, second);
  std::fflush(stdout);
  switch (code) {
  case CN_PlayStateChange:
    if (first == PS_Playing) {
      run->played = true;
      run->lastPlaying = Clock::now();
    } else if (first == PS_Stopped && (run->played || run->mediaErrors)) {
      run->stopped = true;
    }
    break;
  case CN_MediaError:
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
  if (group.playlist) {
    status = player.SetCurPlaylist(Utf16(group.items[0]).c_str());
  } else {
    status = player.ClearAllMusic();
    for (const std::string &item : group.items) {
      if (status >= 0)
        status = player.AppendMusic(Utf16(item).c_str());
    }
  }
  if (status < 0) {
    std::fprintf(stderr, "audioplay: cannot load %s: status 0x%08lX\n", group.items[0].c_str(),
                 status & 0xFFFFFFFFL);
    return false;
  }
  return true;
}

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

namespace {

// Loads the group and starts it; false with a message on failure.
bool Start(CAudioPlayer &player, const Group &group, RunState &run) {
  if (!LoadGroup(player, group))
    return false;
  player.GetCurPlaylistCount(&run.count);
  if (run.count <= 0) {
    std::fprintf(stderr, "audioplay: %s has nothing to play\n", group.items[0].c_str());
    return false;
  }
  const long status = player.Play();
  if (status < 0) {
    std::fprintf(stderr, "audioplay: cannot play: status 0x%08lX\n", status & 0xFFFFFFFFL);
    return false;
  }
  return true;
}

} // namespace

int PlayGroup(CAudioPlayer &player, const Group &group, bool quiet, bool interactive) {
  RunState run;
  run.quiet = quiet;
  run.interactive = interactive;
  std::optional<KeyReader> keys;
  if (interactive)
    keys.emplace();
  current = &run;
  if (!Start(player, group, run)) {
    current = nullptr;
    return 1;
  }
  // A player that has not played for this long, without having ended, is stuck.
  constexpr auto kStall = std::chrono::seconds(10);
  const Clock::time_point started = Clock::now();
  Clock::time_point nextPosition = started + std::chrono::seconds(1);
  Clock::time_point idleSince{};
  long shownIndex = -1;
  double duration = 0;
  int result = 0;
  while (true) {
    PumpMessages();
    if (interrupted) {
      player.Stop();
      result = 130;
      break;
    }
    if (keys && !HandleKey(player, keys->Read())) {
      player.Stop();
      PumpMessages();
      break;
    }
    if (run.played && !quiet)
      ShowCurrentItem(player, interactive, shownIndex, duration);
    if (run.stopped)
      break;
    PlayState state = PS_Undefined;
    player.GetPlayState(&state);
    const Clock::time_point now = Clock::now();
    if (state == PS_Playing || state == PS_Paused)
      run.lastPlaying = now; // a paused player waits for the user, it is not stuck
    // Ended without saying Stopped: done once it has stayed so for a while.
    if (run.played && (state == PS_Stopped || state == PS_MediaEnded)) {
      if (idleSince == Clock::time_point{})
        idleSince = now;
      else if (now - idleSince > std::chrono::seconds(1))
        break;
    } else {
      idleSince = {};
    }
    if (now - std::max(started, run.lastPlaying) > kStall) {
      std::fprintf(stderr, "audioplay: playback stalled in state %s\n", PlayStateName(state));
      result = 1;
      break;
    }
    if (interactive && now >= nextPosition) {
      ShowProgress(player, duration);
      nextPosition = now + std::chrono::milliseconds(200);
    } else if (now >= nextPosition && state == PS_Playing && !quiet) {
      double position = 0;
      if (player.GetPos(&position) >= 0)
        std::printf("position %.1f\n", position);
      std::fflush(stdout);
      nextPosition = now + std::chrono::seconds(1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Let the notifications of the end arrive before the next group.
  for (int i = 0; i < 10 && !interrupted; ++i) {
    PumpMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (interactive)
    std::printf("\r\033[K");
  if (result == 0 && (run.mediaErrors || run.engineErrors)) {
    std::fprintf(stderr, "audioplay: %ld item(s) of %s could not be played\n",
                 run.mediaErrors + run.engineErrors, group.items[0].c_str());
    result = 1;
  }
  current = nullptr;
  return result;
}
