// What the benchmarks share: a player made through the public factory on
// whichever control is registered (the embedded engine, or the engine behind
// the tests' recording proxy that the benchmark keeps alive), the notifications it receives,
// a message pump, and scratch files for the registry and the media library
// so that a run never touches the user's own.
#pragma once

#include "support/temp_folder.h"

#include <audioplayer.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

namespace bench_support {

using HostText = std::basic_string<unsigned short>;

inline HostText Text(std::string_view text) {
  return HostText(text.begin(), text.end()); // the benchmarks' paths are ASCII
}

// A temporary folder holding the registry file and the engine's library;
// the engine plays into its silent real-time sink. Removed with its files.
class ScratchEnvironment {
public:
  ScratchEnvironment() {
    ::setenv("AUDIOPLAYER_REGISTRY", (folder() / "registry").c_str(), 1);
    ::setenv("AUDIOPLAYER_LIBRARY", (folder() / "library.db").c_str(), 1);
    ::setenv("AUDIOPLAYER_SINK", "fake", 1);
  }

  const std::filesystem::path &folder() const { return folder_.path(); }

private:
  test_support::TempFolder folder_;
};

// The host's side of the callback: a count per code and an optional hook.
struct Notifications {
  long count[10] = {};
  long lastFirst = 0;
  long lastSecond = 0;
  std::function<void(CallNotify, long, long)> hook;
};

inline Notifications *&CurrentNotifications() {
  static Notifications *current = nullptr;
  return current;
}

inline long CALLBACK Notify(long, CallNotify code, long first, long second) {
  if (Notifications *n = CurrentNotifications()) {
    if (unsigned(code) < 10)
      ++n->count[code];
    n->lastFirst = first;
    n->lastSecond = second;
    if (n->hook)
      n->hook(code, first, second);
  }
  return 0;
}

// A player as a host holds it: a popup window of its own, notifications to
// `notifications`. `status` is InitInstance's answer; the player is null
// when it failed.
class HostedPlayer {
public:
  HostedPlayer() {
    CurrentNotifications() = &notifications;
    RECT rect{0, 0, 320, 240};
    player_ =
        CAudioPlayer::InitInstance(status, nullptr, nullptr, &rect, nullptr, 0, 0, &Notify, 1);
  }
  ~HostedPlayer() {
    CAudioPlayer::DestroyInstance(player_);
    CurrentNotifications() = nullptr;
  }
  HostedPlayer(const HostedPlayer &) = delete;
  HostedPlayer &operator=(const HostedPlayer &) = delete;

  CAudioPlayer *operator->() const { return player_; }
  explicit operator bool() const { return player_ != nullptr; }

  long status = 0;
  Notifications notifications;

private:
  CAudioPlayer *player_ = nullptr;
};

// Dispatches the thread's messages, as a host's message loop does, until
// `done` answers true or `seconds` pass; returns `done()`.
inline bool PumpUntil(const std::function<bool()> &done, double seconds = 10) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  MSG msg;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end)
      return false;
    bool any = false;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageW(&msg);
      any = true;
    }
    if (!any)
      std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}

} // namespace bench_support
