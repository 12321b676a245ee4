// How long a host waits to hear that its file plays: from PlaySingleFile,
// or from NextTrack, to the notification CN_PlayStateChange with PS_Playing,
// on the embedded engine and its silent real-time sink, with the host's
// thread pumping messages meanwhile. For each kind of file, on a file the
// engine knows already and on one it has never read (PlaySingleFile enters
// it into the media library; a later playlist item is read when it loads).
#include "bench_media.h"
#include "bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using bench_media::Kind;
using bench_media::MediaFolder;
using bench_support::HostedPlayer;
using bench_support::HostText;
using bench_support::Text;

const bench_support::ScratchEnvironment scratch; // before any player

// A player that remembers the last play state it announced.
struct WatchedPlayer {
  WatchedPlayer() {
    player.notifications.hook = [this](CallNotify code, long first, long) {
      if (code == CN_PlayStateChange)
        state = first;
    };
  }
  // Pumps until the player announces `wanted`; false after 10 s.
  bool Await(long wanted) {
    return bench_support::PumpUntil([&] { return state == wanted; });
  }

  HostedPlayer player;
  long state = PS_Undefined;
};

// The rounds' times. A round now and then waits on the disk (the library's
// commit) or on a busy processor; the median says what a host usually waits.
class Rounds {
public:
  void Add(double seconds) { seconds_.push_back(seconds); }
  void Report(benchmark::State &state) {
    if (seconds_.empty())
      return;
    auto middle = seconds_.begin() + std::ptrdiff_t(seconds_.size() / 2);
    std::nth_element(seconds_.begin(), middle, seconds_.end());
    state.counters["median_ms"] = *middle * 1e3;
  }

private:
  std::vector<double> seconds_;
};

// Runs `start` (a call on the player), then pumps until the player plays;
// the time between is the round's.
template <typename Start>
bool TimeToPlaying(benchmark::State &state, Rounds &rounds, WatchedPlayer &watched, Start start) {
  watched.state = PS_Undefined;
  const auto begin = std::chrono::steady_clock::now();
  if (start() < 0 || !watched.Await(PS_Playing))
    return false;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  state.SetIterationTime(seconds);
  rounds.Add(seconds);
  return true;
}

bool Stop(WatchedPlayer &watched) {
  return watched.player->Stop() >= 0 && watched.Await(PS_Stopped);
}

// A copy of a kind's file that the engine has never seen, removed with this
// object (the player may still hold it open: the name goes, the data stays
// until it lets go), so that hundreds of rounds leave no pile of copies
// whose write-back would fall into later measurements.
class FreshFile {
public:
  explicit FreshFile(Kind kind) : path_(MediaFolder::Shared().NewCopy(kind)), text_(Text(path_)) {}
  ~FreshFile() {
    std::error_code error;
    if (!path_.empty())
      std::filesystem::remove(path_, error);
  }
  FreshFile(const FreshFile &) = delete;
  FreshFile &operator=(const FreshFile &) = delete;

  bool empty() const { return path_.empty(); }
  const unsigned short *c_str() const { return text_.c_str(); }

private:
  std::string path_;
  HostText text_;
};

Kind KindOf(const benchmark::State &state) {
  return bench_media::kKinds[std::size_t(state.range(0))];
}

// `newFile`: each round plays a copy the library has never seen.
void PlaySingleFile(benchmark::State &state, bool newFile) {
  const Kind kind = KindOf(state);
  state.SetLabel(bench_media::ExtensionOf(kind));
  const HostText known = Text(MediaFolder::Shared().NewCopy(kind));
  WatchedPlayer watched;
  // Unmeasured: loads GStreamer's plugins and enters the known file.
  if (!watched.player || known.empty() || watched.player->PlaySingleFile(known.c_str()) < 0 ||
      !watched.Await(PS_Playing) || !Stop(watched)) {
    state.SkipWithError("cannot play the file");
    return;
  }
  Rounds rounds;
  for (auto _ : state) {
    const std::optional<FreshFile> fresh =
        newFile ? std::optional<FreshFile>(std::in_place, kind) : std::nullopt;
    const unsigned short *path = fresh ? fresh->c_str() : known.c_str();
    if ((fresh && fresh->empty()) ||
        !TimeToPlaying(state, rounds, watched,
                       [&] { return watched.player->PlaySingleFile(path); }) ||
        !Stop(watched)) {
      state.SkipWithError("the file did not play");
      break;
    }
  }
  rounds.Report(state);
}

void BM_PlaySingleFileKnown(benchmark::State &state) {
  PlaySingleFile(state, false);
}

void BM_PlaySingleFileNew(benchmark::State &state) {
  PlaySingleFile(state, true);
}

// `newFile`: each round appends a copy the engine has never read and moves
// to it; otherwise the player loops over two items and moves to the other.
void NextTrack(benchmark::State &state, bool newFile) {
  const Kind kind = KindOf(state);
  state.SetLabel(bench_media::ExtensionOf(kind));
  const HostText first = Text(MediaFolder::Shared().NewCopy(kind));
  const HostText second = Text(MediaFolder::Shared().NewCopy(kind));
  WatchedPlayer watched;
  if (!watched.player || first.empty() || second.empty() ||
      watched.player->PlaySingleFile(first.c_str()) < 0 ||
      watched.player->AppendMusic(second.c_str()) < 0 || watched.player->SetLoop(!newFile) < 0 ||
      !watched.Await(PS_Playing)) {
    state.SkipWithError("cannot play the playlist");
    return;
  }
  Rounds rounds;
  for (auto _ : state) {
    const std::optional<FreshFile> next =
        newFile ? std::optional<FreshFile>(std::in_place, kind) : std::nullopt;
    if ((next && (next->empty() || watched.player->AppendMusic(next->c_str()) < 0)) ||
        !TimeToPlaying(state, rounds, watched, [&] { return watched.player->NextTrack(); })) {
      state.SkipWithError("the next item did not play");
      break;
    }
  }
  Stop(watched);
  rounds.Report(state);
}

void BM_NextTrackKnown(benchmark::State &state) {
  NextTrack(state, false);
}

void BM_NextTrackNew(benchmark::State &state) {
  NextTrack(state, true);
}

void EachKind(benchmark::internal::Benchmark *benchmark) {
  for (std::size_t kind = 0; kind < bench_media::kKinds.size(); ++kind)
    benchmark->Arg(long(kind));
  benchmark->UseManualTime()->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_PlaySingleFileKnown)->Apply(EachKind);
BENCHMARK(BM_PlaySingleFileNew)->Apply(EachKind);
BENCHMARK(BM_NextTrackKnown)->Apply(EachKind);
BENCHMARK(BM_NextTrackNew)->Apply(EachKind);

BENCHMARK_MAIN();
