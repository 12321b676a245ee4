// The two controls the player benchmarks run on, the embedded engine behind
// the tests' recording proxy (which counts the control calls an operation
// makes) and the engine alone, each with a hosted player and a second client
// of the same kind of control for calling it directly; and the chores a
// timed loop needs on them: keeping the proxy's call record short,
// dispatching the engine's posted events, and playlists of track paths that
// name no file (so that the engine never reads or decodes anything).
//
// One backend exists at a time: making a player destroys the window of the
// one before, so a program switches backends only between benchmarks.
#pragma once

#include "bench_support.h"
#include "support/control_proxy.h"

#include <atlbase.h>
#include <atlhost.h>
#include <benchmark/benchmark.h>
#include <windows.h>
#include <wmp.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace bench_backends {

using bench_support::HostText;

enum class ControlKind { Proxied, Engine };

// The scratch registry and media library, for the whole program.
inline bench_support::ScratchEnvironment &Scratch() {
  static bench_support::ScratchEnvironment scratch;
  return scratch;
}

// Dispatches every message posted so far (the engine raises its events
// through its window).
inline void DrainMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&msg);
}

struct Backend {
  ControlKind kind = ControlKind::Proxied;
  // Declared before the player so that it goes after it: the player
  // releases its objects before the proxy's registration ends.
  std::unique_ptr<control_proxy::ControlProxy> control;
  std::unique_ptr<bench_support::HostedPlayer> player;
  // The control as a host would call it without the player: a second
  // engine of its own, set up the same way (behind the proxy too, when
  // there is one).
  CComPtr<IWMPPlayer4> direct;
  CComPtr<IWMPControls> directControls;
  CComPtr<IWMPSettings> directSettings;
  // What PrepareCurrentPlaylist made last; -1 before.
  long playlistLength = -1;
  long selected = -1;
};

inline std::unique_ptr<Backend> &CurrentBackend() {
  static std::unique_ptr<Backend> current;
  return current;
}

inline void ReleaseBackend() {
  DrainMessages();
  CurrentBackend().reset();
  DrainMessages();
}

// The backend of `kind`, made now unless it is the current one already;
// null when the player or the direct client cannot be made.
inline Backend *UseBackend(ControlKind kind) {
  std::unique_ptr<Backend> &current = CurrentBackend();
  if (current && current->kind == kind)
    return current.get();
  ReleaseBackend();
  Scratch(); // before the first engine opens the media library
  auto made = std::make_unique<Backend>();
  made->kind = kind;
  if (kind == ControlKind::Proxied)
    made->control = std::make_unique<control_proxy::ControlProxy>();
  made->player = std::make_unique<bench_support::HostedPlayer>();
  if (!*made->player)
    return nullptr;
  if (FAILED(CoCreateInstance(CLSID_WindowsMediaPlayer, nullptr, CLSCTX_INPROC_SERVER,
                              __uuidof(IWMPPlayer4), reinterpret_cast<void **>(&made->direct))) ||
      !made->direct || FAILED(made->direct->get_controls(&made->directControls)) ||
      FAILED(made->direct->get_settings(&made->directSettings)))
    return nullptr;
  // As the player's creation does: nothing starts playing by itself.
  made->directSettings->put_autoStart(VARIANT_FALSE);
  current = std::move(made);
  DrainMessages();
  return current.get();
}

// The player, as the host's pointer gives it.
inline CAudioPlayer &PlayerOf(Backend &backend) {
  return *backend.player->operator->();
}

// Skips the benchmark with a message when the backend is missing.
inline Backend *UseBackendOrSkip(ControlKind kind, benchmark::State &state) {
  Backend *backend = UseBackend(kind);
  if (backend == nullptr)
    state.SkipWithError("the player or the control could not be made");
  return backend;
}

// The proxy records every call; cleared now and then, with the clock
// stopped, so that a long run does not grow it without end.
inline void KeepRecordShort(Backend &backend, benchmark::State &state) {
  if (backend.control && backend.control->Calls().size() > (1u << 16)) {
    state.PauseTiming();
    backend.control->ClearCalls();
    state.ResumeTiming();
  }
}

// Behind the proxy, the number of control calls one `operation`
// makes, as the benchmark's counter "control_calls": the work itself, apart
// from the time and memory it takes.
template <class Operation>
void CountControlCalls(Backend &backend, benchmark::State &state, Operation operation) {
  if (!backend.control)
    return;
  backend.control->ClearCalls();
  operation();
  state.counters["control_calls"] = double(backend.control->Calls().size());
  backend.control->ClearCalls();
}

// The path of track `index` in the scratch folder; no such file exists.
inline HostText TrackPath(long index) {
  char name[32];
  std::snprintf(name, sizeof name, "/track-%06ld.mp3", index);
  return bench_support::Text((Scratch().folder() / "tracks").string() + name);
}

inline const OLECHAR *AsOle(const HostText &text) {
  return reinterpret_cast<const OLECHAR *>(text.c_str());
}

// Makes the current playlist `count` tracks with item `current` selected,
// through the player (which a host would use), and the same on the direct
// client when it has a playlist of its own and `withDirect` asks for it.
// Nothing plays: the player and the direct client have automatic start off.
inline bool PrepareCurrentPlaylist(Backend &backend, long count, long current,
                                   bool withDirect = true) {
  backend.playlistLength = -1;
  CAudioPlayer &player = PlayerOf(backend);
  if (player.ClearAllMusic() < 0)
    return false;
  for (long i = 0; i < count; ++i) {
    if (player.AppendMusic(TrackPath(i).c_str()) < 0)
      return false;
    if (i % 4096 == 0)
      DrainMessages();
  }
  if (count > 0 && player.SetPlayListIndex(current) < 0)
    return false;
  DrainMessages();
  if (!withDirect) {
    if (backend.control)
      backend.control->ClearCalls();
    backend.playlistLength = count;
    backend.selected = current;
    return true;
  }

  CComPtr<IWMPPlaylist> playlist;
  if (FAILED(backend.direct->get_currentPlaylist(&playlist)) || !playlist ||
      FAILED(playlist->clear()))
    return false;
  CComPtr<IWMPMedia> selected;
  for (long i = 0; i < count; ++i) {
    CComBSTR url(AsOle(TrackPath(i)));
    CComPtr<IWMPMedia> media;
    if (FAILED(backend.direct->newMedia(url, &media)) || FAILED(playlist->appendItem(media)))
      return false;
    if (i == current)
      selected = media;
    if (i % 4096 == 0)
      DrainMessages();
  }
  if (selected && FAILED(backend.directControls->put_currentItem(selected)))
    return false;
  DrainMessages();
  if (backend.control)
    backend.control->ClearCalls();
  backend.playlistLength = count;
  backend.selected = current;
  return true;
}

// The control the player drives, reached through its hosting window.
inline CComPtr<IWMPPlayer4> PlayerControl(Backend &backend) {
  CComPtr<IUnknown> control;
  CComPtr<IWMPPlayer4> player;
  HWND window = PlayerOf(backend).GetPlayWindow();
  if (SUCCEEDED(AtlAxGetControl(window, &control)) && control)
    control->QueryInterface(__uuidof(IWMPPlayer4), reinterpret_cast<void **>(&player));
  return player;
}

// True when the player's state shows that nothing was opened for playing.
inline bool NothingPlays(Backend &backend) {
  PlayState playState = PS_Undefined;
  PlayerOf(backend).GetPlayState(&playState);
  return playState == PS_Undefined || playState == PS_Stopped || playState == PS_Ready;
}

// Runs the registered benchmarks, then lets the backend go while the
// library is still fully there.
inline int RunBenchmarks(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  benchmark::RunSpecifiedBenchmarks();
  ReleaseBackend();
  benchmark::Shutdown();
  return 0;
}

} // namespace bench_backends
