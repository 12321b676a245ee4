// A host of the engine for tests: a player made through the public
// interface, the notifications it heard, and the message pump that lets
// them arrive. Each test gets its own library, registry and silent sink in
// a temporary folder.
#pragma once

#include "engine/control/live_objects.h"
#include "support/proxied_player.h"
#include "generated_media.h"

#include <audioplayer.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace engine_host {

using Notification = std::tuple<long, long, long>; // code, first, second
inline std::vector<Notification> received;

inline long CALLBACK Record(long /*cookie*/, CallNotify code, long first, long second) {
  received.emplace_back(long(code), first, second);
  return 0;
}

using test_support::Text;

inline std::u16string Wide(const std::string &ascii) {
  return {ascii.begin(), ascii.end()};
}

// The library's text back as ASCII; the tests' names and paths are ASCII.
inline std::string Ascii(const unsigned short *text) {
  std::string out;
  for (; *text; ++text)
    out += char(*text);
  return out;
}

// Dispatches the messages waiting on the thread's queue.
inline void DispatchWaiting() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessageW(&message);
}

// Tests wait for what the engine does, never for an amount of time. A
// wait's bound only decides when a hang is called one: ten times what an
// idle machine needs, so that a machine busy with other work cannot fail a
// test that only a hang should fail.
constexpr double kHangFactor = 10;

// Dispatches the thread's messages until `done` holds; false if it still
// does not after kHangFactor times `idleSeconds`, the most an idle machine
// needs for it.
inline bool PumpUntil(const std::function<bool()> &done, double idleSeconds) {
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(kHangFactor * idleSeconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    DispatchWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Dispatches the thread's messages for `seconds` (at least once): only
// before a check that nothing more arrives, which a slow machine can pass
// but never fail.
inline void PumpFor(double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  do {
    DispatchWaiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < deadline);
}

// The current playlist's length, or -1 when the player cannot tell.
inline long CountOf(CAudioPlayer *player) {
  long count = -1;
  return player->GetCurPlaylistCount(&count) >= 0 ? count : -1;
}

// The record of the current playlist's item at `index`, with the fields of `mask`.
inline tagMediaInfo InfoAt(CAudioPlayer *player, long index, std::uint32_t mask) {
  tagMediaInfo info{};
  info.dwMask = mask;
  EXPECT_GE(player->GetCurPlaylistMusicInfo(index, &info), 0) << index;
  return info;
}

inline bool Received(long code, long first, long second) {
  for (const Notification &n : received)
    if (n == Notification{code, first, second})
      return true;
  return false;
}

inline bool HeardCode(long code) {
  for (const Notification &n : received)
    if (std::get<0>(n) == code)
      return true;
  return false;
}

// The items' indexes in the notifications heard of `code` (a state change's
// of the state `first`), in order.
inline std::vector<long> IndexesHeard(long code, long first = 0) {
  std::vector<long> indexes;
  for (const Notification &n : received)
    if (std::get<0>(n) == code && (code != CN_PlayStateChange || std::get<1>(n) == first))
      indexes.push_back(std::get<2>(n));
  return indexes;
}

using test_support::UseFolder;

inline CAudioPlayer *NewPlayer(long *status) {
  return CAudioPlayer::InitInstance(*status, nullptr, nullptr, nullptr, nullptr, 0, 0, &Record, 7);
}

// A player whose window is a visible child of `parent` at `place`.
inline CAudioPlayer *PlayerIn(HWND parent, RECT place) {
  long status = -1;
  CAudioPlayer *player = CAudioPlayer::InitInstance(status, nullptr, parent, &place, nullptr,
                                                    WS_CHILD | WS_VISIBLE, 0, &Record, 7);
  return status >= 0 ? player : nullptr;
}

// Destroys the player and its window, which holds the control.
inline void DestroyPlayer(CAudioPlayer *player) {
  HWND window = player ? player->GetPlayWindow() : nullptr;
  CAudioPlayer::DestroyInstance(player);
  if (window != nullptr)
    DestroyWindow(window);
}

class EngineHost : public ::testing::Test {
protected:
  void SetUp() override {
    UseFolder(folder);
    received.clear();
    long status = -1;
    player = NewPlayer(&status);
    ASSERT_GE(status, 0);
    ASSERT_NE(player, nullptr);
  }
  void TearDown() override {
    DestroyPlayer(player);
    EXPECT_EQ(engine::LiveObjects(), 0);
  }

  test_support::TempFolder folder;
  CAudioPlayer *player = nullptr;
};

} // namespace engine_host
