// How long a run of items that cannot play takes to end: a playlist of
// 1,000, 10,000 and 100,000 files that do not exist, loaded from a playlist
// file and played with loop on until the engine stops after a pass in which
// nothing played. Its floor is loading the same playlist file without
// playing it: each failed item should cost a small constant on top.
//
// On the control directly the whole run is linear. Through the player each
// media error also reaches the host with the item's index, which the
// player finds by walking the current playlist from its start with the
// control's identity test: that walk is the player's, one per event, so a
// run through the player grows with the square of its length (shown at
// 1,000 and 10,000 items).
#include "control_backends.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <string>

namespace {

using bench_backends::Backend;
using bench_backends::ControlKind;
using bench_backends::PlayerOf;

// The playlist file of `count` missing tracks, written once per length.
const std::string &MissingPlaylist(long count) {
  static std::map<long, std::string> made;
  auto found = made.find(count);
  if (found != made.end())
    return found->second;
  std::string path =
      (bench_backends::Scratch().folder() / ("missing-" + std::to_string(count) + ".m3u")).string();
  std::ofstream out(path);
  for (long i = 0; i < count; ++i) {
    bench_backends::HostText track = bench_backends::TrackPath(i);
    out << std::string(track.begin(), track.end()) << '\n';
  }
  return made.emplace(count, path).first->second;
}

bench_backends::HostText Host(const std::string &path) {
  return bench_support::Text(path);
}

WMPPlayState DirectState(Backend &backend) {
  WMPPlayState state = wmppsUndefined;
  backend.direct->get_playState(&state);
  return state;
}

// The floor: the control reads the playlist file and makes its items.
void LoadOnly(benchmark::State &state) {
  Backend *backend = bench_backends::UseBackendOrSkip(ControlKind::Engine, state);
  if (backend == nullptr)
    return;
  CComBSTR url(bench_backends::AsOle(Host(MissingPlaylist(long(state.range(0))))));
  for (auto _ : state) {
    backend->direct->put_URL(url);
    bench_backends::DrainMessages();
  }
  state.SetComplexityN(state.range(0));
}

void PlayedOnTheControl(benchmark::State &state) {
  Backend *backend = bench_backends::UseBackendOrSkip(ControlKind::Engine, state);
  if (backend == nullptr)
    return;
  CComBSTR url(bench_backends::AsOle(Host(MissingPlaylist(long(state.range(0))))));
  backend->directSettings->setMode(CComBSTR(u"loop"), VARIANT_TRUE);
  for (auto _ : state) {
    backend->direct->put_URL(url);
    backend->directControls->play();
    do
      bench_backends::DrainMessages();
    while (DirectState(*backend) != wmppsStopped);
  }
  backend->directSettings->setMode(CComBSTR(u"loop"), VARIANT_FALSE);
  state.SetComplexityN(state.range(0));
}

void PlayedThroughThePlayer(benchmark::State &state) {
  Backend *backend = bench_backends::UseBackendOrSkip(ControlKind::Engine, state);
  if (backend == nullptr)
    return;
  const bench_backends::HostText url = Host(MissingPlaylist(long(state.range(0))));
  CAudioPlayer &player = PlayerOf(*backend);
  player.SetLoop(1);
  const long errorsBefore = backend->player->notifications.count[CN_MediaError];
  for (auto _ : state) {
    player.PlayPlaylist(url.c_str());
    PlayState played = PS_Undefined;
    do {
      bench_backends::DrainMessages();
      player.GetPlayState(&played);
    } while (played != PS_Stopped);
  }
  player.SetLoop(0);
  backend->playlistLength = -1; // the current playlist is this one now
  state.counters["media_errors_per_run"] =
      double(backend->player->notifications.count[CN_MediaError] - errorsBefore) /
      double(state.iterations());
  state.SetComplexityN(state.range(0));
}

BENCHMARK(LoadOnly)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(PlayedOnTheControl)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(PlayedThroughThePlayer)
    ->RangeMultiplier(10)
    ->Range(1000, 10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oNSquared);

} // namespace

BENCHMARK_MAIN();
