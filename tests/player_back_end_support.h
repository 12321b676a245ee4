// Helpers for the back-end operation tests, on top of PlayerTest: a player
// that stopped one step short of being created, the control's own objects
// as a second client sees them, and a sweep that fails each control call an
// operation makes in turn.
#pragma once

#include "player/wmp9_audio_player.h"
#include "player_test_support.h"
#include "scripted/scripted_control.h"

#include <atlbase.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// A status no control call answers by itself.
constexpr HRESULT kRefused = HRESULT(0x8007001F);

// The player with its protected creation step in reach.
struct BackEndPlayer : CWMP9AudioPlayer {
  using CWMP9AudioPlayer::CreatePlayer;
};

// Creates `player` as a popup of its own, as InitInstance would.
inline long CreateBackEnd(BackEndPlayer &player, AudioNotifyProc callback, long cookie) {
  RECT rect{0, 0, 320, 240};
  return player.CreatePlayer(nullptr, nullptr, &rect, nullptr, 0, 0, callback, cookie);
}

// A player whose creation failed at its very last control call: it holds
// every interface of the control but is not created, so any call it made to
// the control would be recorded. The script and the record are cleared.
inline std::unique_ptr<BackEndPlayer> NearlyCreatedPlayer(scripted::Control &control,
                                                          AudioNotifyProc callback) {
  control.fail("IWMPPlayer4.put_stretchToFit", kRefused);
  auto player = std::make_unique<BackEndPlayer>();
  EXPECT_EQ(CreateBackEnd(*player, callback, 1), kRefused);
  control.clearScript();
  control.clearCalls();
  return player;
}

// A second client of the control, for the objects a test hands to the
// player or compares with what it reports.
inline CComPtr<IWMPPlayer4> PeerPlayer() {
  CComPtr<IWMPPlayer4> peer;
  EXPECT_EQ(CoCreateInstance(CLSID_WindowsMediaPlayer, nullptr, CLSCTX_INPROC_SERVER,
                             __uuidof(IWMPPlayer4), reinterpret_cast<void **>(&peer)),
            S_OK);
  return peer;
}

// Item `index` of the current playlist, as the control hands it out.
inline CComPtr<IWMPMedia> CurrentPlaylistItem(long index) {
  CComPtr<IWMPPlayer4> peer = PeerPlayer();
  CComPtr<IWMPPlaylist> playlist;
  CComPtr<IWMPMedia> media;
  if (peer && SUCCEEDED(peer->get_currentPlaylist(&playlist)) && playlist) {
    EXPECT_EQ(playlist->get_Item(index, &media), S_OK);
  }
  return media;
}

// What the host heard since the last call, taken out of `log`.
inline std::vector<Notification> TakeReceived(NotificationLog &log) {
  std::vector<Notification> heard;
  heard.swap(log.received);
  return heard;
}

// The URLs of a playlist record, in order.
inline std::vector<std::string> Urls(const scripted::PlaylistRef &playlist) {
  std::vector<std::string> urls;
  for (auto &item : playlist->items)
    urls.push_back(scripted::utf8(item->url));
  return urls;
}

// `methods` are the control calls `operation` makes, in order. For each one
// in turn the model is set up afresh by `arrange`, that call is scripted to
// answer `status`, and the operation must return `expected` (`status`
// itself when none is given) without making any of the calls after it.
inline void ExpectEachAnswerReturned(scripted::Control &control,
                                     const std::function<void()> &arrange,
                                     const std::function<long()> &operation,
                                     const std::vector<std::string> &methods, HRESULT status,
                                     std::optional<HRESULT> expected = std::nullopt) {
  for (std::size_t failing = 0; failing < methods.size(); ++failing) {
    control.clearScript();
    arrange();
    control.clearCalls();
    control.fail(methods[failing], status);
    EXPECT_EQ(operation(), expected.value_or(status))
        << methods[failing] << " answering " << std::hex << status << "\n"
        << control.callLog();
    for (std::size_t later = failing + 1; later < methods.size(); ++later) {
      auto done = methods.begin() + long(failing) + 1;
      if (std::find(methods.begin(), done, methods[later]) == done) {
        EXPECT_EQ(control.count(methods[later]), 0u)
            << methods[later] << " called after " << methods[failing] << " failed";
      }
    }
  }
  control.clearScript();
}

// The same for getters that succeed without their object: each of
// `getters` in turn gives null and the operation must return E_FAIL.
inline void ExpectEachNullRefused(scripted::Control &control, const std::function<void()> &arrange,
                                  const std::function<long()> &operation,
                                  const std::vector<std::string> &getters) {
  for (auto &getter : getters) {
    control.clearScript();
    arrange();
    control.clearCalls();
    control.giveNull(getter);
    EXPECT_EQ(operation(), E_FAIL) << getter << " gave null\n" << control.callLog();
  }
  control.clearScript();
}

} // namespace test_support
