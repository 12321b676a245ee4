// How the player's playlist operations grow with the current playlist:
// 1,000, 10,000 and 100,000 tracks, the last one selected. Finding the
// current item's index walks the playlist with the control's identity test,
// so the play-state notification and GetPlaylistIndex are linear; appending,
// inserting at the end and reading an item's information should not depend
// on the length, nor should the control's own item access and identity
// test that the walk makes once per item. Inserting at the front moves every
// item of the control's list, which is the control's cost, not the player's.
//
// The tracks name files that do not exist: the engine reads and decodes
// nothing, and nothing enters its (scratch) media library.
#include "control_backends.h"

#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace {

using bench_backends::Backend;
using bench_backends::ControlKind;
using bench_backends::PlayerOf;

// Edits per run of an editing benchmark; the playlist is put back to its
// length after the timed loop.
constexpr long kEdits = 500;

using Body = std::function<void(Backend &, benchmark::State &, long length)>;

void Run(ControlKind kind, benchmark::State &state, const Body &body) {
  const long length = long(state.range(0));
  Backend *backend = bench_backends::UseBackendOrSkip(kind, state);
  if (backend == nullptr)
    return;
  if ((backend->playlistLength != length || backend->selected != length - 1) &&
      !bench_backends::PrepareCurrentPlaylist(*backend, length, length - 1, false)) {
    state.SkipWithError("the current playlist could not be made");
    return;
  }
  body(*backend, state, length);
  bench_backends::DrainMessages();
  state.SetComplexityN(length);
  if (!bench_backends::NothingPlays(*backend))
    state.SkipWithError("playback started");
}

// ---- the index lookup: linear ---------------------------------------------

// What the sink does for a play-state event: the host hears (playing, index).
void NotifyPlayState(Backend &b, benchmark::State &state, long length) {
  auto &heard = b.player->notifications;
  bench_backends::CountControlCalls(
      b, state, [&] { PlayerOf(b).CallAudioProc(CN_PlayStateChange, wmppsPlaying, 0); });
  for (auto _ : state) {
    PlayerOf(b).CallAudioProc(CN_PlayStateChange, wmppsPlaying, 0);
    bench_backends::KeepRecordShort(b, state);
  }
  if (heard.lastSecond != length - 1)
    state.SkipWithError("the notification did not carry the last index");
}

// The same event raised on the player's event sink, as the control raises it.
void RaisedPlayState(Backend &b, benchmark::State &state, long length) {
  auto &heard = b.player->notifications;
  CComPtr<IWMPEvents> sink;
  for (IUnknown *connected : b.control->Sinks())
    if (!sink)
      connected->QueryInterface(&sink);
  if (!sink) {
    state.SkipWithError("no event sink is connected");
    return;
  }
  bench_backends::CountControlCalls(b, state, [&] { sink->PlayStateChange(wmppsPlaying); });
  for (auto _ : state) {
    sink->PlayStateChange(wmppsPlaying);
    bench_backends::KeepRecordShort(b, state);
  }
  if (heard.lastSecond != length - 1)
    state.SkipWithError("the notification did not carry the last index");
}

void GetPlaylistIndex(Backend &b, benchmark::State &state, long length) {
  long index = -1;
  bench_backends::CountControlCalls(b, state, [&] { PlayerOf(b).GetPlaylistIndex(&index); });
  for (auto _ : state) {
    PlayerOf(b).GetPlaylistIndex(&index);
    bench_backends::KeepRecordShort(b, state);
  }
  if (index != length - 1)
    state.SkipWithError("GetPlaylistIndex did not find the last item");
}

// The same notification on a playlist of 100,000 items with the item at
// `state.range(0)` selected: the walk takes index + 1 steps, and each step
// should cost the same wherever it is (items_per_second counts the steps).
void NotifyAtTrack(ControlKind kind, benchmark::State &state) {
  constexpr long kLength = 100000;
  const long selected = long(state.range(0));
  Backend *backend = bench_backends::UseBackendOrSkip(kind, state);
  if (backend == nullptr)
    return;
  if ((backend->playlistLength != kLength || backend->selected != selected) &&
      !bench_backends::PrepareCurrentPlaylist(*backend, kLength, selected, false)) {
    state.SkipWithError("the current playlist could not be made");
    return;
  }
  for (auto _ : state) {
    PlayerOf(*backend).CallAudioProc(CN_PlayStateChange, wmppsPlaying, 0);
    bench_backends::KeepRecordShort(*backend, state);
  }
  state.SetItemsProcessed(state.iterations() * (selected + 1));
  if (backend->player->notifications.lastSecond != selected)
    state.SkipWithError("the notification did not carry the selected index");
}

// ---- per item: constant ---------------------------------------------------

void GetCurPlaylistMusicInfo(Backend &b, benchmark::State &state, long length) {
  tagMediaInfo info{};
  bool failed = false;
  for (auto _ : state) {
    info.dwMask = INFO_TITLE | INFO_AUTHOR | INFO_ALBUM | INFO_DURATION | INFO_SOURCEURL;
    failed |= PlayerOf(b).GetCurPlaylistMusicInfo(length - 1, &info) < 0;
    bench_backends::KeepRecordShort(b, state);
  }
  if (failed)
    state.SkipWithError("the item's information could not be read");
}

// The control's own item access and identity test on the player's current
// playlist, which the walk above makes once per item: constant time.
void ControlGetItem(Backend &b, benchmark::State &state, long length) {
  CComPtr<IWMPPlaylist> playlist;
  CComPtr<IWMPPlayer4> control = bench_backends::PlayerControl(b);
  if (!control || FAILED(control->get_currentPlaylist(&playlist)) || !playlist) {
    state.SkipWithError("the player's control could not be reached");
    return;
  }
  for (auto _ : state) {
    CComPtr<IWMPMedia> media;
    benchmark::DoNotOptimize(playlist->get_Item(length - 1, &media));
    bench_backends::KeepRecordShort(b, state);
  }
}

void ControlIsIdentical(Backend &b, benchmark::State &state, long length) {
  CComPtr<IWMPPlaylist> playlist;
  CComPtr<IWMPMedia> first, last;
  CComPtr<IWMPPlayer4> control = bench_backends::PlayerControl(b);
  if (!control || FAILED(control->get_currentPlaylist(&playlist)) || !playlist ||
      FAILED(playlist->get_Item(0, &first)) || FAILED(playlist->get_Item(length - 1, &last))) {
    state.SkipWithError("the player's control could not be reached");
    return;
  }
  for (auto _ : state) {
    VARIANT_BOOL identical = VARIANT_FALSE;
    benchmark::DoNotOptimize(last->get_isIdentical(first, &identical));
    benchmark::DoNotOptimize(identical);
    bench_backends::KeepRecordShort(b, state);
  }
}

// One edit: the player, the track to add, the playlist's length before the
// first edit and the edit's number.
using Edit = long (*)(CAudioPlayer &, const bench_backends::HostText &, long length, long round);

// kEdits edits timed, then as many removals, untimed, at the index
// `addedAt` gives for the length.
Body Editing(Edit edit, long (*addedAt)(long length)) {
  return [edit, addedAt](Backend &b, benchmark::State &state, long length) {
    const bench_backends::HostText path = bench_backends::TrackPath(length);
    long round = 0;
    bool failed = false;
    for (auto _ : state) {
      failed |= edit(PlayerOf(b), path, length, round++) < 0;
      bench_backends::KeepRecordShort(b, state);
    }
    b.playlistLength = -1;
    for (long i = 0; i < round; ++i) {
      if (PlayerOf(b).RemoveMusic(addedAt(length)) < 0) {
        state.SkipWithError("the added items could not be removed");
        return;
      }
      if (i % 4096 == 0)
        bench_backends::DrainMessages();
    }
    long count = 0, index = -1;
    PlayerOf(b).GetCurPlaylistCount(&count);
    PlayerOf(b).GetPlaylistIndex(&index);
    if (count == length && index == length - 1)
      b.playlistLength = length;
    if (b.control)
      b.control->ClearCalls();
    if (failed)
      state.SkipWithError("an edit failed");
  };
}

long Append(CAudioPlayer &player, const bench_backends::HostText &path, long, long) {
  return player.AppendMusic(path.c_str());
}
long InsertAtStart(CAudioPlayer &player, const bench_backends::HostText &path, long, long) {
  return player.InsertMusic(path.c_str(), 0);
}
long InsertAtEnd(CAudioPlayer &player, const bench_backends::HostText &path, long length,
                 long round) {
  return player.InsertMusic(path.c_str(), length + round);
}

long AtEnd(long length) {
  return length;
}
long AtStart(long) {
  return 0;
}

// Each operation is fitted to the growth it should have; the fit's RMS
// says how well the measurements follow it.
struct Operation {
  const char *name;
  Body body;
  benchmark::BigO growth;
  bool edits;
  bool proxiedOnly;
};

void RegisterOperations() {
  const Operation operations[] = {
      {"NotifyPlayState", NotifyPlayState, benchmark::oN, false, false},
      {"RaisedPlayState", RaisedPlayState, benchmark::oN, false, true},
      {"GetPlaylistIndex", GetPlaylistIndex, benchmark::oN, false, false},
      {"AppendMusic", Editing(Append, AtEnd), benchmark::o1, true, false},
      {"InsertMusicAtStart", Editing(InsertAtStart, AtStart), benchmark::oN, true, false},
      {"InsertMusicAtEnd", Editing(InsertAtEnd, AtEnd), benchmark::o1, true, false},
      {"GetCurPlaylistMusicInfo", GetCurPlaylistMusicInfo, benchmark::o1, false, false},
      {"control/get_Item", ControlGetItem, benchmark::o1, false, false},
      {"control/get_isIdentical", ControlIsIdentical, benchmark::o1, false, false},
  };
  for (ControlKind kind : {ControlKind::Proxied, ControlKind::Engine}) {
    const std::string prefix = kind == ControlKind::Proxied ? "Proxied/" : "Engine/";
    for (const Operation &operation : operations) {
      if (operation.proxiedOnly && kind != ControlKind::Proxied)
        continue;
      Body body = operation.body;
      auto *registered = benchmark::RegisterBenchmark(
          (prefix + operation.name).c_str(),
          [kind, body](benchmark::State &state) { Run(kind, state, body); });
      registered->Arg(1000)->Arg(10000)->Arg(100000)->Complexity(operation.growth);
      if (operation.edits)
        registered->Iterations(kEdits);
      else
        registered->MinTime(0.2);
    }
  }
}

} // namespace

int main(int argc, char **argv) {
  RegisterOperations();
  benchmark::RegisterBenchmark(
      "Engine/NotifyAtTrack",
      [](benchmark::State &state) { NotifyAtTrack(ControlKind::Engine, state); })
      ->Arg(9)
      ->Arg(999)
      ->Arg(9999)
      ->Arg(99999)
      ->MinTime(0.2);
  return bench_backends::RunBenchmarks(argc, argv);
}
