// What the player adds to the control: each public operation next to the
// same work done by a host that calls the control's interfaces itself, on
// the embedded engine behind the recording proxy and on the engine alone. The pairs are named
// <control>/<operation>/player and <control>/<operation>/control; the
// ratio of the two medians is the player's overhead.
//
// Every benchmark starts from a current playlist of ten tracks with the
// last one selected (the worst place for the index lookup); nothing plays.
#include "control_backends.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <utility>

namespace {

using bench_backends::Backend;
using bench_backends::ControlKind;
using bench_backends::PlayerOf;

constexpr long kPlaylistLength = 10;
constexpr long kSelected = kPlaylistLength - 1;
// AppendMusic grows the playlist; it is put back to its ten tracks after
// this many appends, with the clock stopped.
constexpr long kAppendsBeforeReset = 1000;

using Body = std::function<void(Backend &, benchmark::State &)>;

void Run(ControlKind kind, benchmark::State &state, const Body &body) {
  Backend *backend = bench_backends::UseBackendOrSkip(kind, state);
  if (backend == nullptr)
    return;
  if (!bench_backends::PrepareCurrentPlaylist(*backend, kPlaylistLength, kSelected)) {
    state.SkipWithError("the current playlist could not be made");
    return;
  }
  body(*backend, state);
  bench_backends::DrainMessages();
}

// A thin operation: `call` once per iteration.
template <class Call> Body Each(Call call) {
  return [call](Backend &backend, benchmark::State &state) {
    long round = 0;
    bench_backends::CountControlCalls(backend, state, [&] { call(backend, round++); });
    for (auto _ : state) {
      benchmark::DoNotOptimize(call(backend, round++));
      bench_backends::KeepRecordShort(backend, state);
    }
  };
}

// ---- the pairs ---------------------------------------------------------------

long PlayerSetVol(Backend &b, long round) {
  return PlayerOf(b).SetVol(round & 63);
}
long ControlSetVol(Backend &b, long round) {
  return b.directSettings->put_volume(round & 63);
}

long PlayerGetVol(Backend &b, long) {
  long volume = 0;
  PlayerOf(b).GetVol(&volume);
  return volume;
}
long ControlGetVol(Backend &b, long) {
  long volume = 0;
  b.directSettings->get_volume(&volume);
  return volume;
}

long PlayerSetMute(Backend &b, long round) {
  return PlayerOf(b).SetMute(int(round & 1));
}
long ControlSetMute(Backend &b, long round) {
  return b.directSettings->put_mute((round & 1) ? VARIANT_TRUE : VARIANT_FALSE);
}

long PlayerGetMute(Backend &b, long) {
  int mute = 0;
  PlayerOf(b).GetMute(&mute);
  return mute;
}
long ControlGetMute(Backend &b, long) {
  VARIANT_BOOL mute = VARIANT_FALSE;
  b.directSettings->get_mute(&mute);
  return mute;
}

long PlayerGetLoop(Backend &b, long) {
  int loop = 0;
  PlayerOf(b).GetLoop(&loop);
  return loop;
}
// A host calling the control keeps its mode name; the player makes it
// for each call.
Body ControlGetLoop() {
  return [](Backend &b, benchmark::State &state) {
    CComBSTR mode(OLESTR("loop"));
    VARIANT_BOOL loop = VARIANT_FALSE;
    bench_backends::CountControlCalls(b, state, [&] { b.directSettings->getMode(mode, &loop); });
    for (auto _ : state) {
      benchmark::DoNotOptimize(b.directSettings->getMode(mode, &loop));
      benchmark::DoNotOptimize(loop);
      bench_backends::KeepRecordShort(b, state);
    }
  };
}

double PlayerGetPos(Backend &b, long) {
  double seconds = 0;
  PlayerOf(b).GetPos(&seconds);
  return seconds;
}
double ControlGetPos(Backend &b, long) {
  double seconds = 0;
  b.directControls->get_currentPosition(&seconds);
  return seconds;
}

long PlayerGetPlayState(Backend &b, long) {
  PlayState playState = PS_Undefined;
  PlayerOf(b).GetPlayState(&playState);
  return playState;
}
long ControlGetPlayState(Backend &b, long) {
  WMPPlayState playState = wmppsUndefined;
  b.direct->get_playState(&playState);
  return playState;
}

long PlayerGetCurPlaylistCount(Backend &b, long) {
  long count = 0;
  PlayerOf(b).GetCurPlaylistCount(&count);
  return count;
}
long ControlGetCurPlaylistCount(Backend &b, long) {
  CComPtr<IWMPPlaylist> playlist;
  long count = 0;
  if (SUCCEEDED(b.direct->get_currentPlaylist(&playlist)) && playlist)
    playlist->get_count(&count);
  return count;
}

long PlayerGetPlaylistIndex(Backend &b, long) {
  long index = -1;
  PlayerOf(b).GetPlaylistIndex(&index);
  return index;
}
// The host's own lookup: the current item, then the current playlist
// walked with the control's identity test.
long ControlGetPlaylistIndex(Backend &b, long) {
  CComPtr<IWMPMedia> current;
  CComPtr<IWMPPlaylist> playlist;
  long count = 0;
  if (FAILED(b.directControls->currentItem(&current)) || !current ||
      FAILED(b.direct->get_currentPlaylist(&playlist)) || !playlist ||
      FAILED(playlist->get_count(&count)))
    return -1;
  for (long i = 0; i < count; ++i) {
    CComPtr<IWMPMedia> entry;
    VARIANT_BOOL identical = VARIANT_FALSE;
    if (SUCCEEDED(playlist->get_Item(i, &entry)) &&
        SUCCEEDED(current->get_isIdentical(entry, &identical)) && identical == VARIANT_TRUE)
      return i;
  }
  return -1;
}

long PlayerClick(Backend &b, long round) {
  PlayerOf(b).CallAudioProc(CN_Click, round & 255, 20);
  return round;
}
long HostClick(Backend &, long round) {
  return bench_support::Notify(1, CN_Click, round & 255, 20);
}

// Appends one track per iteration; every kAppendsBeforeReset appends the
// playlist is made anew with the clock stopped.
template <class Append> Body Appending(Append append) {
  return [append](Backend &b, benchmark::State &state) {
    const bench_backends::HostText path = bench_backends::TrackPath(kPlaylistLength);
    CComPtr<IWMPPlaylist> playlist;
    b.direct->get_currentPlaylist(&playlist);
    long appended = 0;
    bench_backends::CountControlCalls(b, state, [&] { append(b, playlist, path); });
    for (auto _ : state) {
      benchmark::DoNotOptimize(append(b, playlist, path));
      bench_backends::KeepRecordShort(b, state);
      if (++appended % kAppendsBeforeReset == 0) {
        state.PauseTiming();
        bench_backends::PrepareCurrentPlaylist(b, kPlaylistLength, kSelected);
        playlist.Release();
        b.direct->get_currentPlaylist(&playlist);
        state.ResumeTiming();
      }
    }
  };
}

long PlayerAppend(Backend &b, IWMPPlaylist *, const bench_backends::HostText &path) {
  return PlayerOf(b).AppendMusic(path.c_str());
}
// A host holding the current playlist: a media object for the path, then
// the append.
long ControlAppend(Backend &b, IWMPPlaylist *playlist, const bench_backends::HostText &path) {
  CComBSTR url(bench_backends::AsOle(path));
  CComPtr<IWMPMedia> media;
  HRESULT status = b.direct->newMedia(url, &media);
  return SUCCEEDED(status) ? playlist->appendItem(media) : status;
}

struct Pair {
  const char *name;
  Body player;
  Body control;
};

void RegisterPairs() {
  const Pair pairs[] = {
      {"SetVol", Each(PlayerSetVol), Each(ControlSetVol)},
      {"GetVol", Each(PlayerGetVol), Each(ControlGetVol)},
      {"SetMute", Each(PlayerSetMute), Each(ControlSetMute)},
      {"GetMute", Each(PlayerGetMute), Each(ControlGetMute)},
      {"GetLoop", Each(PlayerGetLoop), ControlGetLoop()},
      {"GetPos", Each(PlayerGetPos), Each(ControlGetPos)},
      {"GetPlayState", Each(PlayerGetPlayState), Each(ControlGetPlayState)},
      {"GetCurPlaylistCount", Each(PlayerGetCurPlaylistCount), Each(ControlGetCurPlaylistCount)},
      {"GetPlaylistIndex", Each(PlayerGetPlaylistIndex), Each(ControlGetPlaylistIndex)},
      {"AppendMusic", Appending(PlayerAppend), Appending(ControlAppend)},
      {"CallAudioProcClick", Each(PlayerClick), Each(HostClick)},
  };
  // All of one control first: switching controls makes a new player.
  for (ControlKind kind : {ControlKind::Proxied, ControlKind::Engine}) {
    const std::string prefix = kind == ControlKind::Proxied ? "Proxied/" : "Engine/";
    for (const Pair &pair : pairs) {
      const std::pair<const char *, Body> sides[] = {{"/player", pair.player},
                                                     {"/control", pair.control}};
      for (const auto &[side, body] : sides) {
        benchmark::RegisterBenchmark(
            (prefix + pair.name + side).c_str(),
            [kind, body](benchmark::State &state) { Run(kind, state, body); })
            ->MinTime(0.1);
      }
    }
  }
}

} // namespace

int main(int argc, char **argv) {
  RegisterPairs();
  return bench_backends::RunBenchmarks(argc, argv);
}
